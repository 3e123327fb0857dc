// What the GUI tests share: a fresh set of windows per test with empty
// settings, the sample files, opening a file on a tab, and answering the
// modal message windows as a user would.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <QObject>
#include <QString>
#include <QStringList>

#include "ui/app_windows.h"

namespace quillon::ui::test {

QString SamplePath();         // mkvmerge: H.264 + AC-3 + SRT, chapters, an attachment
QString FfmpegSamplePath();   // ffmpeg: VP9 + Opus + ASS

// Removes every stored setting.
void ClearSettings();

// What a modal window showed before the test answered it.
struct ModalSeen {
    bool shown = false;
    QString className;  // "TFormYesNo" or "TFormME"
    QString text;       // LabelYN or LabelME
    QString yes, no;    // the yes/no captions
};

// Answers the next modal window once it is up: `yes` presses BitBtnDa,
// otherwise BitBtnNet (the information window is closed either way).
// Returns where the window's texts are recorded; it stays valid until the
// next call.
ModalSeen& AnswerNextModal(bool yes);
// Runs `act` on the next modal window once it is up; `act` must close it.
void ActOnNextModal(std::function<void(QWidget*)> act);
// Drops an answer that was not used.
void CancelModalAnswer();

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TFormMain& main() { return *windows_.main; }

    // A control of the main window by its name, wherever the tab that owns it
    // put it: the tests go by names, as a user goes by captions.
    template <class T>
    T* Find(const char* name) {
        return Find<T>(main(), name);
    }
    // The same under another window (a second main window, say).
    template <class T>
    static T* Find(const QObject& root, const char* name) {
        T* found = root.findChild<T*>(QString::fromLatin1(name));
        if (!found) ADD_FAILURE() << "no control named " << name;
        return found;
    }
    TFormYesNo& yesNo() { return *windows_.yesNo; }
    TFormME& me() { return *windows_.me; }

    // Puts `path` into EditIN, shows `tab` and presses the open button.
    void OpenOn(const QString& path, QWidget* tab, bool full = false);
    QStringList LogLines() const;
    // Fits the structure tree's pop-up to the current row, as its showing does.
    void ShowTreePopup();

    AppWindows windows_;
};

}  // namespace quillon::ui::test
