#include "ui/form_yes_no.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/window_placement.h"

namespace quillon::ui {

TFormYesNo::TFormYesNo(QWidget* parent)
    : QDialog(parent), LabelYN(new QLabel(this)), BitBtnDa(new QPushButton(this)), BitBtnNet(new QPushButton(this)) {
    setObjectName("TFormYesNo");
    setWindowTitle(QStringLiteral("Quillon"));
    setModal(true);
    LabelYN->setObjectName("LabelYN");
    LabelYN->setAlignment(Qt::AlignCenter);
    LabelYN->setTextFormat(Qt::PlainText);
    LabelYN->setMinimumWidth(280);
    BitBtnDa->setObjectName("BitBtnDa");
    BitBtnNet->setObjectName("BitBtnNet");
    BitBtnDa->setText(QStringLiteral("да"));
    BitBtnNet->setText(QStringLiteral("нет"));
    BitBtnDa->setMinimumWidth(100);
    BitBtnNet->setMinimumWidth(100);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnDa);
    buttons->addSpacing(16);
    buttons->addWidget(BitBtnNet);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 14);
    layout->setSpacing(16);
    layout->addWidget(LabelYN, 1);
    layout->addLayout(buttons);

    connect(BitBtnDa, &QPushButton::clicked, this, [this] {
        answer_ = true;
        accept();
    });
    connect(BitBtnNet, &QPushButton::clicked, this, [this] { reject(); });
}

QString TFormYesNo::ShownText(const QString& text, char language) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return language == 'e' ? QStringLiteral("Do you really want\nto delete this record?")
                               : QStringLiteral("Вы действительно хотите\nудалить текущую запись?");
    QString shown = trimmed.split(QLatin1Char('|')).join(QLatin1Char('\n'));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

bool TFormYesNo::Ask(const QString& text, QWidget* owner) {
    defaultButton_ = 'y';
    return Run(text, owner, language_);
}

bool TFormYesNo::AskWithCaptions(const QString& text, const QString& yes, const QString& no, QWidget* owner,
                                 char defaultButton) {
    const char saved = language_;
    language_ = 'x';
    BitBtnDa->setText(yes);
    BitBtnNet->setText(no);
    defaultButton_ = defaultButton;
    const bool answer = Run(text, owner, saved);
    language_ = saved;
    return answer;
}

bool TFormYesNo::Run(const QString& text, QWidget* owner, char textLanguage) {
    LabelYN->setText(ShownText(text, textLanguage));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    owner_ = owner;
    exec();
    return answer_;
}

void TFormYesNo::showEvent(QShowEvent* event) {
    answer_ = false;
    if (language_ == 'e') {
        BitBtnDa->setText(QStringLiteral("yes"));
        BitBtnNet->setText(QStringLiteral("no"));
    } else if (language_ == 'r') {
        BitBtnDa->setText(QStringLiteral("да"));
        BitBtnNet->setText(QStringLiteral("нет"));
    }
    QPushButton* focused = defaultButton_ == 'y' ? BitBtnDa : BitBtnNet;
    focused->setDefault(true);
    (defaultButton_ == 'y' ? BitBtnNet : BitBtnDa)->setDefault(false);
    focused->setFocus();
    // Placed once polished and laid out, so that the size is the final one.
    adjustSize();
    CentreOver(this, owner_);
    QDialog::showEvent(event);
}

void TFormYesNo::done(int result) {
    QDialog::done(result);
    // Out of the topmost band again until the next question.
    setWindowFlag(Qt::WindowStaysOnTopHint, false);
}

}  // namespace quillon::ui
