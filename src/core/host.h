// What the core asks of its front (the window or the terminal): the status
// log, the status line, progress, the stop request and questions. The core
// never touches a widget; the fronts implement this interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/messages.h"

namespace quillon {

class Host {
public:
    virtual ~Host() = default;

    Lang language() const { return lang_; }
    void setLanguage(Lang lang) { lang_ = lang; }
    std::string Tr(std::string_view rus) const { return quillon::Tr(rus, lang_); }

    // Appends one line (Russian key, translated here) to the status log.
    void AddLog(std::string_view rus) { logLine(Tr(rus)); }
    // The same followed by a detail that needs no translation (offsets, names, counts).
    void AddLog(std::string_view rus, std::string_view detail) { logLine(Tr(rus) + std::string(detail)); }
    // Sets the status label (Russian key, translated here).
    void SetStatus(std::string_view rus) { statusText(Tr(rus)); }

    // Progress of a long loop: shown with its maximum, stepped to a position,
    // hidden at the end. Loops call ProgressTo at most every few thousand
    // elements; the front decides how often to repaint.
    virtual void ProgressShow(uint64_t maximum) { (void)maximum; }
    virtual void ProgressTo(uint64_t position) { (void)position; }
    virtual void ProgressHide() {}

    // A yes/no question in the current language ("да"/"нет" or "yes"/"no").
    // True only for an explicit yes.
    bool Ask(std::string_view rusText) { return askUser(Tr(rusText), Tr("да"), Tr("нет")); }
    // A question with the caller's own two answers; true for the first one.
    bool AskWithCaptions(std::string_view rusText, std::string_view rusYes, std::string_view rusNo) {
        return askUser(Tr(rusText), Tr(rusYes), Tr(rusNo));
    }
    // An information message that needs no answer.
    void Inform(std::string_view rusText) { informUser(Tr(rusText)); }
    // The same followed by a detail that needs no translation (a codec ID, a tag).
    void Inform(std::string_view rusText, std::string_view detail) { informUser(Tr(rusText) + std::string(detail)); }

    // Polled by every long loop; the front may process pending events here.
    virtual bool StopRequested() { return false; }
    // Called when a long loop starts: a stop asked for earlier does not count.
    virtual void ClearStop() {}

protected:
    virtual void logLine(const std::string& line) = 0;
    virtual void statusText(const std::string& text) { (void)text; }
    // Texts arrive translated; a front that cannot ask answers no.
    virtual bool askUser(const std::string& text, const std::string& yes, const std::string& no) {
        (void)text, (void)yes, (void)no;
        return false;
    }
    virtual void informUser(const std::string& text) { logLine(text); }

private:
    Lang lang_ = Lang::Rus;
};

}  // namespace quillon
