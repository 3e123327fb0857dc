#include "ui/clickable_image.h"

#include <QMouseEvent>

namespace quillon::ui {

ClickableImage::ClickableImage(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignCenter);
}

void ClickableImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::mousePressEvent(event);
}

}  // namespace quillon::ui
