#include "ui/pictures.h"

#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

namespace quillon::ui::pictures {
namespace {

// Every picture is drawn once on a transparent canvas.
template <class Draw>
QPixmap Drawn(int width, int height, Draw draw) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

QPixmap Lamps(int lit) {
    return Drawn(40, 14, [lit](QPainter& p) {
        for (int k = 0; k < 3; ++k) {
            const QColor fill = k < lit ? QColor(40, 190, 60) : QColor(200, 200, 200);
            p.setPen(QColor(90, 90, 90));
            p.setBrush(fill);
            p.drawEllipse(QRectF(1 + k * 13, 1, 11, 11));
        }
    });
}

// A tick drawn on a 12-pixel square, scaled to `size`.
QPixmap Tick(QColor colour, int size = 12) {
    return Drawn(size, size, [colour, size](QPainter& p) {
        p.scale(size / 12.0, size / 12.0);
        p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path;
        path.moveTo(1.5, 6.5);
        path.lineTo(4.5, 9.5);
        path.lineTo(10.5, 2.5);
        p.drawPath(path);
    });
}

QPixmap Star(QColor colour) {
    return Drawn(12, 12, [colour](QPainter& p) {
        QPolygonF star;
        for (int k = 0; k < 10; ++k) {
            const double r = (k % 2 == 0) ? 5.8 : 2.5;
            const double a = -std::numbers::pi / 2 + k * std::numbers::pi / 5;
            star << QPointF(6 + r * std::cos(a), 6.3 + r * std::sin(a));
        }
        p.setPen(QPen(colour.darker(140), 0.8));
        p.setBrush(colour);
        p.drawPolygon(star);
    });
}

// Bright flags for the chosen language, pale ones for the other.
QPixmap Faded(const QPixmap& source) {
    return Drawn(source.width(), source.height(), [&source](QPainter& p) {
        p.setOpacity(0.35);
        p.drawPixmap(0, 0, source);
    });
}

QPixmap RussianFlag() {
    return Drawn(24, 16, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(0, 0, 24, 5, Qt::white);
        p.fillRect(0, 5, 24, 6, QColor(0, 57, 166));
        p.fillRect(0, 11, 24, 5, QColor(213, 43, 30));
        p.setPen(QColor(120, 120, 120));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, 23, 15);
    });
}

QPixmap EnglishFlag() {
    return Drawn(24, 16, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(0, 0, 24, 16, Qt::white);
        p.fillRect(10, 0, 4, 16, QColor(206, 17, 36));
        p.fillRect(0, 6, 24, 4, QColor(206, 17, 36));
        p.setPen(QColor(120, 120, 120));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, 23, 15);
    });
}

}  // namespace

QPixmap Image000() { return Lamps(0); }
QPixmap Image100() { return Lamps(1); }
QPixmap Image110() { return Lamps(2); }
QPixmap Image111() { return Lamps(3); }

QPixmap ImageRG() { return Tick(QColor(20, 140, 40)); }
QPixmap ImagePL() { return Tick(QColor(30, 80, 210)); }
QPixmap ImageBD() { return Star(QColor(240, 190, 20)); }
QPixmap ImageRD() { return Star(QColor(225, 60, 40)); }

QPixmap ImageBRU() { return RussianFlag(); }
QPixmap ImageGRU() { return Faded(RussianFlag()); }
QPixmap ImageBEN() { return EnglishFlag(); }
QPixmap ImageGEN() { return Faded(EnglishFlag()); }

QPixmap OpenFolder() {
    return Drawn(20, 18, [](QPainter& p) {
        p.setPen(QColor(150, 110, 20));
        p.setBrush(QColor(250, 210, 90));
        p.drawRect(QRectF(1.5, 4.5, 16, 11));
        p.drawRect(QRectF(1.5, 2.5, 6, 2));
        p.setBrush(QColor(255, 230, 140));
        QPolygonF front;
        front << QPointF(4.5, 8.5) << QPointF(19, 8.5) << QPointF(17.5, 15.5) << QPointF(1.5, 15.5);
        p.drawPolygon(front);
    });
}

QPixmap StopSign() {
    return Drawn(18, 18, [](QPainter& p) {
        QPolygonF octagon;
        for (int k = 0; k < 8; ++k) {
            const double a = std::numbers::pi / 8 + k * std::numbers::pi / 4;
            octagon << QPointF(9 + 8 * std::cos(a), 9 + 8 * std::sin(a));
        }
        p.setPen(QColor(130, 0, 0));
        p.setBrush(QColor(210, 30, 30));
        p.drawPolygon(octagon);
        p.fillRect(QRectF(5, 7.5, 8, 3), Qt::white);
    });
}

QPixmap Hourglass() {
    return Drawn(14, 18, [](QPainter& p) {
        p.setPen(QPen(QColor(90, 60, 20), 1.2));
        p.setBrush(QColor(240, 220, 160));
        QPolygonF glass;
        glass << QPointF(2, 2) << QPointF(12, 2) << QPointF(7, 9) << QPointF(12, 16) << QPointF(2, 16) << QPointF(7, 9);
        p.drawPolygon(glass);
        p.setBrush(QColor(200, 150, 40));
        QPolygonF sand;
        sand << QPointF(4, 16) << QPointF(10, 16) << QPointF(7, 12);
        p.drawPolygon(sand);
    });
}

QPixmap SaveDisk() {
    return Drawn(20, 20, [](QPainter& p) {
        p.setPen(QColor(20, 40, 90));
        p.setBrush(QColor(50, 90, 170));
        p.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 11, 6));
        p.setBrush(QColor(210, 210, 210));
        p.drawRect(QRectF(4.5, 11.5, 11, 7));
    });
}

QPixmap NewFileMark() {
    return Drawn(16, 20, [](QPainter& p) {
        p.setPen(QColor(120, 60, 0));
        p.setBrush(QColor(255, 160, 30));
        p.drawEllipse(QRectF(1, 3, 14, 14));
        p.setPen(QPen(Qt::white, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 6), QPointF(8, 11));
        p.drawPoint(QPointF(8, 14));
    });
}

QPixmap Magnifier() {
    return Drawn(20, 20, [](QPainter& p) {
        p.setPen(QPen(QColor(40, 40, 40), 2));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QRectF(2, 2, 11, 11));
        p.setPen(QPen(QColor(90, 60, 30), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 12), QPointF(18, 18));
    });
}

QPixmap CrossMark() {
    return Drawn(14, 14, [](QPainter& p) {
        p.setPen(QPen(QColor(150, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 3), QPointF(11, 11));
        p.drawLine(QPointF(11, 3), QPointF(3, 11));
    });
}

QPixmap SelectAll() {
    return Drawn(14, 14, [](QPainter& p) {
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 10, 10));
        p.setPen(QPen(QColor(20, 140, 40), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath path;
        path.moveTo(3.5, 6.5);
        path.lineTo(5.5, 9);
        path.lineTo(10, 3.5);
        p.drawPath(path);
    });
}

QPixmap ConfirmMark() { return Tick(QColor(20, 140, 40), 22); }

QPixmap Logo() {
    return Drawn(96, 96, [](QPainter& p) {
        // A quill over a film strip.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 48));
        p.drawRoundedRect(QRectF(6, 50, 84, 30), 4, 4);
        p.setBrush(QColor(235, 235, 235));
        for (int k = 0; k < 8; ++k) {
            p.drawRect(QRectF(11 + k * 10, 53, 5, 4));
            p.drawRect(QRectF(11 + k * 10, 73, 5, 4));
        }
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(QRectF(12, 60, 72, 10));
        QPainterPath feather;
        feather.moveTo(22, 86);
        feather.cubicTo(30, 50, 60, 20, 88, 8);
        feather.cubicTo(78, 34, 54, 60, 26, 82);
        feather.closeSubpath();
        p.setBrush(QColor(250, 245, 230));
        p.setPen(QPen(QColor(110, 90, 60), 1.4));
        p.drawPath(feather);
        p.drawLine(QPointF(22, 86), QPointF(70, 26));
    });
}

}  // namespace quillon::ui::pictures
