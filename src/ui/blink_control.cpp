#include "ui/blink_control.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>

namespace quillon::ui {

void BlinkControl(QWidget* control) {
    const QPalette original = control->palette();
    const bool filled = control->autoFillBackground();
    QPalette blink = original;
    const QColor lightRed(0xFF, 0xA0, 0xA0);  // 0xA0A0FF as BGR
    blink.setColor(QPalette::Base, lightRed);
    blink.setColor(QPalette::Window, lightRed);
    auto pause = [] {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    };
    for (int k = 0; k < 5; ++k) {
        control->setAutoFillBackground(true);
        control->setPalette(blink);
        pause();
        control->setPalette(original);
        control->setAutoFillBackground(filled);
        pause();
    }
}

}  // namespace quillon::ui
