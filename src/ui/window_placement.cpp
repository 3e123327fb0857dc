#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quillon::ui {

void CentreOver(QWidget* window, QWidget* owner) {
    QRect bounds;
    if (owner)
        bounds = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        bounds = screen->availableGeometry();
    else
        return;
    const QSize own = window->frameGeometry().size();
    window->move(bounds.left() + (bounds.width() - own.width()) / 2, bounds.top() + (bounds.height() - own.height()) / 2);
}

}  // namespace quillon::ui
