#include "ui/form_me.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/window_placement.h"

namespace quillon::ui {

TFormME::TFormME(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      PanelME(new QFrame(this)),
      LabelINF1(new QLabel(PanelME)),
      LabelINF2(new QLabel(PanelME)),
      LabelME(new QLabel(PanelME)),
      LabelDE(new QLabel(PanelME)),
      ImageX(new ClickableImage(PanelME)),
      Timer1(new QTimer(this)) {
    setObjectName("TFormME");
    setModal(true);
    setFixedSize(390, 170);
    PanelME->setObjectName("PanelME");
    PanelME->setFrameShape(QFrame::Panel);
    PanelME->setFrameShadow(QFrame::Raised);
    LabelINF1->setObjectName("LabelINF1");
    LabelINF2->setObjectName("LabelINF2");
    LabelME->setObjectName("LabelME");
    LabelDE->setObjectName("LabelDE");
    ImageX->setObjectName("ImageX");
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    // The title: two stacked labels, the lower one a shade offset, as a
    // raised caption.
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSize(titleFont.pointSize() + 2);
    for (QLabel* title : {LabelINF1, LabelINF2}) {
        title->setText(QStringLiteral("информация"));
        title->setFont(titleFont);
    }
    ColourTitle();
    LabelME->setAlignment(Qt::AlignCenter);
    LabelME->setWordWrap(true);
    LabelME->setTextFormat(Qt::PlainText);
    LabelDE->setAlignment(Qt::AlignCenter);
    LabelDE->setMinimumWidth(24);
    LabelDE->setCursor(Qt::PointingHandCursor);
    ImageX->setPixmap(pictures::CrossMark());

    auto* titleStack = new QWidget(PanelME);
    titleStack->setFixedHeight(LabelINF1->sizeHint().height() + 2);
    LabelINF1->setParent(titleStack);
    LabelINF2->setParent(titleStack);
    LabelINF1->move(1, 1);
    LabelINF2->move(0, 0);

    auto* top = new QHBoxLayout;
    top->addWidget(titleStack, 1);
    top->addWidget(LabelDE);
    top->addWidget(ImageX);
    auto* inner = new QVBoxLayout(PanelME);
    inner->addLayout(top);
    inner->addWidget(LabelME, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->addWidget(PanelME);

    for (QObject* closer : std::initializer_list<QObject*>{PanelME, LabelINF1, LabelINF2, titleStack, LabelME, LabelDE})
        closer->installEventFilter(this);
    connect(ImageX, &ClickableImage::clicked, this, [this] { done(0); });
    connect(Timer1, &QTimer::timeout, this, &TFormME::Timer1Timer);
}

void TFormME::Inform(const QString& text, QWidget* owner) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    LabelME->setText(shown);
    CentreOver(this, owner);
    exec();
}

void TFormME::showEvent(QShowEvent* event) {
    count_ = kCountStart;
    LabelDE->setText(QString::number(count_));
    Timer1->start();
    QDialog::showEvent(event);
}

void TFormME::Timer1Timer() {
    --count_;
    LabelDE->setText(QString::number(count_));
    if (count_ < 1) {
        Timer1->stop();
        count_ = kCountStart;
        done(0);
    }
}

void TFormME::LabelDEClick() {
    if (Timer1->isActive())
        Timer1->stop();
    else
        Timer1->start();
}

void TFormME::keyPressEvent(QKeyEvent* event) {
    (void)event;
    done(0);
}

bool TFormME::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == LabelDE)
            LabelDEClick();
        else
            done(0);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormME::done(int result) {
    Timer1->stop();
    QDialog::done(result);
}

void TFormME::ColourTitle() {
    // Dark blue over a grey shade on a light window; on a dark one the two
    // change places, or the caption would vanish into the background.
    const bool darkWindow = palette().color(QPalette::Window).lightness() < 128;
    LabelINF1->setStyleSheet(darkWindow ? "color: #20324a;" : "color: #9aa4b0;");
    LabelINF2->setStyleSheet(darkWindow ? "color: #9aa4b0;" : "color: #20324a;");
}

void TFormME::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) ColourTitle();
}

}  // namespace quillon::ui
