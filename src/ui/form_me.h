// The information window: a message that closes itself after a three-tick
// countdown. A click on the count pauses and resumes it; any key or a click
// on the close image, the panel or the title closes it at once.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

class QFrame;
class QLabel;

namespace quillon::ui {

class ClickableImage;

class TFormME : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCountStart = 3;

    explicit TFormME(QWidget* parent = nullptr);

    // Shows the text modally over `owner` until the countdown ends.
    void Inform(const QString& text, QWidget* owner);

    // One tick of the countdown (the timer's handler).
    void Timer1Timer();
    // Pause or resume.
    void LabelDEClick();
    int Count() const { return count_; }
    bool Paused() const { return !Timer1->isActive(); }

    QFrame* PanelME;
    QLabel* LabelINF1;
    QLabel* LabelINF2;
    QLabel* LabelME;
    QLabel* LabelDE;
    ClickableImage* ImageX;
    QTimer* Timer1;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    // The caption's face and its shade, fitted to a light or a dark window.
    void ColourTitle();

    int count_ = kCountStart;
};

}  // namespace quillon::ui
