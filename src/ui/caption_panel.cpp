#include "ui/caption_panel.h"

#include <QLabel>
#include <QVBoxLayout>

namespace quillon::ui {

CaptionPanel::CaptionPanel(QWidget* parent) : QFrame(parent), caption_(new QLabel(this)) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    caption_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
}

void CaptionPanel::setText(const QString& text) { caption_->setText(text); }

QString CaptionPanel::text() const { return caption_->text(); }

}  // namespace quillon::ui
