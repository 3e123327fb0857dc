// The timeline window's plot: legend, axes with their labels and the points
// of the selected track, at the places the plot geometry computes.
#include <map>

#include <QCheckBox>
#include <QFontDatabase>
#include <QFrame>
#include <QPainter>
#include <QPolygon>
#include <QSlider>

#include "ui/form_tl.h"

namespace quillon::ui {
namespace {

const QColor kBackground(0xEA, 0xEA, 0xEA);
const QColor kGrey(0x80, 0x80, 0x80);

// A colour stored as 0x00BBGGRR.
QColor FromColorRef(uint32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

// The small sans font of the plot's texts.
QFont SmallFont(int pixelSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixelSize);
    return font;
}

constexpr int kLegendPixels = 9;  // size 7 points
constexpr int kAxisPixels = 7;    // size 5 points

void TextAt(QPainter& painter, int x, int top, const QString& text) {
    painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
}

}  // namespace

void CanvasTextOut(QPainter& painter, int x, const QString& text, int angle, int y) {
    // Same height, weight, italic, underline and strike-out: the painter's font as it is.
    painter.save();
    painter.translate(x, y);
    painter.rotate(-angle);  // the painter turns clockwise for positive angles
    painter.drawText(QPoint(0, painter.fontMetrics().ascent()), text);
    painter.restore();
}

void CCVTextOut(QPainter& painter, int x, int y, const QString& text) { CanvasTextOut(painter, x, text, 90, y); }

PlotFrame TFormTL::Frame() const { return MakePlotFrame(width(), height(), PanelT->height(), PanelB->height()); }

void TFormTL::DrawTL(QPainter& painter) {
    if (Check1x1->isChecked())
        DrawTL1x1(painter);
    else
        DrawTLfull(painter);
}

void TFormTL::DrawTLfull(QPainter& painter) {
    const PlotView view = FullView(trackLine_, Frame());
    DrawFrameAndAxes(painter, view);
    DrawPoints(painter, view);
}

void TFormTL::DrawTL1x1(QPainter& painter) {
    const PlotView view = OneToOneView(trackLine_, Frame(), TrackBar->value());
    DrawFrameAndAxes(painter, view);
    DrawPoints(painter, view);
}

void TFormTL::DrawFrameAndAxes(QPainter& painter, const PlotView& view) {
    const PlotFrame frame = Frame();
    const int y0 = frame.axisY;
    painter.fillRect(PlotTL->rect(), kBackground);

    // Legend.
    const QFont legendFont = SmallFont(kLegendPixels);
    painter.setFont(legendFont);
    const int legendY = frame.top + 20;
    const int textRise = painter.fontMetrics().height() / 2;
    painter.fillRect(110, legendY - 1, 5, 2, FromColorRef(kLineBlue));
    painter.setPen(Qt::black);
    TextAt(painter, 120, legendY - textRise, QStringLiteral("Track Time"));
    if (report_.nonLinear) {
        painter.fillRect(110, legendY + 9, 5, 2, FromColorRef(kLineRed));
        TextAt(painter, 120, legendY + 10 - textRise, QStringLiteral("Track Time Errors"));
    }

    // Unit of the y axis, reading upwards, with an arrow beside it.
    const QString unit = QString::fromLatin1(UnitText(view.Unit()));
    CCVTextOut(painter, kUnitTextX, y0, unit);
    const int arrowX = kUnitTextX + painter.fontMetrics().height() + 3;
    const int arrowTop = y0 - painter.fontMetrics().horizontalAdvance(unit);
    painter.drawLine(arrowX, y0, arrowX, arrowTop);
    painter.drawLine(arrowX, arrowTop, arrowX - 2, arrowTop + 4);
    painter.drawLine(arrowX, arrowTop, arrowX + 2, arrowTop + 4);

    // Y axis: a pixel per row, ticks and labels where the value changes.
    painter.setFont(SmallFont(kAxisPixels));
    painter.setPen(kGrey);
    const YAxis axis = MakeYAxis(view);
    painter.drawLine(kYAxisX, axis.top, kYAxisX, axis.bottom);
    const int labelHeight = painter.fontMetrics().height();
    for (size_t k = 0; k < axis.labels.size(); ++k) {
        const YLabel& label = axis.labels[k];
        if (k > 0) painter.drawLine(kYAxisX - 2, label.y, kYAxisX - 1, label.y);
        painter.drawText(QRect(0, label.y - labelHeight / 2, kYLabelRight, labelHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(label.value));
    }

    // X axis: a pixel per block, ticks every 100th and 1000th.
    const int xAxisY = y0 + kXAxisGap;
    if (view.count > 0) painter.drawLine(kPlotLeft, xAxisY, XAxisEnd(view), xAxisY);
    for (const XTick& tick : MakeXTicks(view)) {
        painter.drawLine(tick.x, xAxisY, tick.x, xAxisY + tick.length - 1);
        if (!tick.labelled) continue;
        const QString number = QString::number(tick.row);
        const int textWidth = painter.fontMetrics().horizontalAdvance(number);
        TextAt(painter, tick.x - textWidth / 2, xAxisY + tick.length + 1, number);
    }

    painter.setFont(legendFont);
    painter.setPen(Qt::black);
    TextAt(painter, FramesLabelX(view), y0 + 22, QStringLiteral("(frames)"));
}

void TFormTL::DrawPoints(QPainter& painter, const PlotView& view) {
    // One batch per colour; the fault colour last, so a fault never hides
    // under a good block of the same pixel.
    std::map<uint32_t, QPolygon> points;
    const bool keyFramesOnly = CheckKF->isChecked();
    for (size_t i = view.first; i < view.first + view.count && i < trackLine_.size(); ++i) {
        const TrackLineRow& row = trackLine_[i];
        if (keyFramesOnly && !row.keyFlag) continue;
        points[row.colour] << QPoint(view.X(i), view.Y(row.time));
    }
    for (const auto& [colour, polygon] : points) {
        if (colour == kLineRed) continue;
        painter.setPen(FromColorRef(colour));
        painter.drawPoints(polygon);
    }
    if (const auto red = points.find(kLineRed); red != points.end()) {
        painter.setPen(FromColorRef(kLineRed));
        painter.drawPoints(red->second);
    }
}

}  // namespace quillon::ui
