// The confirmation window: a text and two buttons, shown modally over the
// window that asks. Every save, export and overwrite question goes through it,
// and callers also use it as an information box with two equal buttons.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace quillon::ui {

class TFormYesNo : public QDialog {
    Q_OBJECT
public:
    explicit TFormYesNo(QWidget* parent = nullptr);

    // With the captions of the current language ("да"/"нет", "yes"/"no").
    bool Ask(const QString& text, QWidget* owner);
    // With the caller's captions in either language; the focus goes to "yes"
    // when defaultButton is 'y', else to "no".
    bool AskWithCaptions(const QString& text, const QString& yes, const QString& no, QWidget* owner,
                         char defaultButton);

    // 'r' Russian, 'e' English; 'x' while a caller's captions are up.
    void SetLanguageChar(char language) { language_ = language; }
    char LanguageChar() const { return language_; }
    bool Answer() const { return answer_; }

    // The text as shown: trimmed, each "|" a line break; an empty text is the
    // window's own question in the given language.
    static QString ShownText(const QString& text, char language);

    QLabel* LabelYN;
    QPushButton* BitBtnDa;
    QPushButton* BitBtnNet;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    // textLanguage picks the window's own question for an empty text.
    bool Run(const QString& text, QWidget* owner, char textLanguage);

    QWidget* owner_ = nullptr;
    char language_ = 'r';
    char defaultButton_ = 'y';
    bool answer_ = false;
};

}  // namespace quillon::ui
