// The window's side of the core's Host: the status log mirrored into MemoST
// (emptied at 500 lines), the status label, the gauge with the stop image,
// the stop flag that ImageX sets, and the questions asked through the tool's
// own message windows; and whether a long step (a scan, a save, an added
// track) runs inside the current call stack, which every part of the window
// that starts one asks first.
#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QString>

#include "core/host.h"
#include "core/status_log.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace quillon::ui {

class GuiHost : public Host {
public:
    struct Views {
        QPlainTextEdit* log = nullptr;    // MemoST
        QLabel* status = nullptr;         // LabelST
        QProgressBar* gauge = nullptr;    // GaugeX
        QWidget* stopImage = nullptr;     // ImageX
        QWidget* working = nullptr;       // ImageWO, the hourglass beside the status
    };
    using AskFunction = std::function<bool(const std::string& text, const std::string& yes, const std::string& no)>;
    using InformFunction = std::function<void(const std::string& text)>;

    GuiHost();
    void SetViews(Views views) { views_ = views; }

    void SetMessageWindows(AskFunction ask, InformFunction inform);

    void ProgressShow(uint64_t maximum) override;
    void ProgressTo(uint64_t position) override;
    void ProgressHide() override;

    bool StopRequested() override;
    void ClearStop() override { stop_ = false; }
    // What the stop image does.
    void RequestStop() { stop_ = true; }
    bool StopFlag() const { return stop_; }

    // A long step runs: the pages stay where they are, a close stops it
    // first, and no second step starts from an event the pump lets through.
    bool Busy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }
    // The hourglass while a step runs that the user waits for.
    void ShowWorking(bool shown);
    // What the status label shows now.
    QString StatusShown() const;

    // Empties the log and its memo.
    void ClearLog();
    const StatusLog& Log() const { return log_; }

    // Lets the window paint and take clicks; at most every few tens of
    // milliseconds unless forced, because the event pump is what costs.
    void Pump(bool force = false);

    // Called on every status change (the wait panel listens to it).
    std::function<void(const std::string&)> onStatus;

protected:
    void logLine(const std::string& line) override;
    void statusText(const std::string& text) override;
    bool askUser(const std::string& text, const std::string& yes, const std::string& no) override;
    void informUser(const std::string& text) override;

private:
    Views views_;
    StatusLog log_;
    AskFunction ask_;
    InformFunction inform_;
    QElapsedTimer sincePump_;
    bool stop_ = false;
    bool busy_ = false;
    uint64_t gaugeDivisor_ = 1;  // the gauge counts in int; big maxima are scaled down
};

}  // namespace quillon::ui
