#include "timeline/plot_geometry.h"

#include <algorithm>
#include <limits>

namespace quillon {
namespace {

// Time differences of a track line can exceed int64 only with absurd
// timecode scales; the plot computes them wide and clamps.
int64_t Clamp64(__int128 value) {
    constexpr __int128 lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(std::clamp(value, lo, hi));
}

int ClampPixel(__int128 value) {
    constexpr __int128 limit = 1 << 24;  // far outside any window, still safe for the painter
    return static_cast<int>(std::clamp(value, -limit, limit));
}

int64_t ScaleOf(int64_t range, int height) { return std::max<int64_t>(range / height, 1); }

}  // namespace

PlotFrame MakePlotFrame(int clientWidth, int clientHeight, int topPanel, int bottomPanel) {
    PlotFrame frame;
    frame.width = std::max(clientWidth - kPlotSideMargins, 1);
    frame.height = std::max(clientHeight - topPanel - bottomPanel - kPlotVerticalMargins, 1);
    frame.top = topPanel;
    frame.axisY = topPanel + frame.height + kPlotBelowAxis;
    return frame;
}

int PlotView::X(size_t row) const {
    return ClampPixel(static_cast<__int128>((row - first) / perColumn) + kPlotLeft);
}

int PlotView::Y(int64_t time) const {
    // Division truncates toward zero for negative times too.
    return ClampPixel(baseY - (static_cast<__int128>(time) - baseTime) / scale);
}

TimeUnit PlotView::Unit() const { return UnitOfScale(scale); }

PlotView FullView(std::span<const TrackLineRow> rows, const PlotFrame& frame) {
    PlotView view;
    view.totalRows = view.count = rows.size();
    view.width = frame.width;
    view.axisY = frame.axisY;
    view.perColumn = rows.size() / static_cast<size_t>(frame.width) + 1;
    for (const TrackLineRow& row : rows) {
        view.maxTime = std::max(view.maxTime, row.time);
        view.minTime = std::min(view.minTime, row.time);
    }
    view.baseY = frame.axisY;
    if (view.minTime < 0) {
        view.scale = ScaleOf(Clamp64(static_cast<__int128>(view.maxTime) - view.minTime), frame.height);
        view.baseY = ClampPixel(frame.axisY - static_cast<__int128>(-static_cast<__int128>(view.minTime) / view.scale));
    } else {
        view.scale = ScaleOf(view.maxTime, frame.height);
    }
    return view;
}

int OneToOneMaximum(size_t rowCount, const PlotFrame& frame) {
    return static_cast<int>(std::min<size_t>(rowCount / static_cast<size_t>(frame.width), std::numeric_limits<int>::max()));
}

PlotView OneToOneView(std::span<const TrackLineRow> rows, const PlotFrame& frame, int position) {
    PlotView view;
    view.oneToOne = true;
    view.totalRows = rows.size();
    view.width = frame.width;
    view.axisY = view.baseY = frame.axisY;
    const size_t w = static_cast<size_t>(frame.width);
    view.first = std::min(static_cast<size_t>(std::clamp(position, 0, OneToOneMaximum(rows.size(), frame))) * w, rows.size());
    view.count = std::min(w, rows.size() - view.first);
    if (view.count > 0) view.minTime = rows[view.first].time;
    for (size_t i = view.first; i < view.first + view.count; ++i) {
        view.maxTime = std::max(view.maxTime, rows[i].time);
        view.minTime = std::min(view.minTime, rows[i].time);
    }
    view.scale = ScaleOf(Clamp64(static_cast<__int128>(view.maxTime) - view.minTime), frame.height);
    view.baseTime = view.minTime;
    return view;
}

TimeUnit UnitOfScale(int64_t scale) {
    if (scale <= 100) return TimeUnit::Second;
    if (scale <= 1000) return TimeUnit::TenSeconds;
    return TimeUnit::Minute;
}

const char* UnitText(TimeUnit unit) {
    switch (unit) {
        case TimeUnit::Second: return "1 sec";
        case TimeUnit::TenSeconds: return "10 sec";
        case TimeUnit::Minute: return "1 min";
    }
    return "";
}

int64_t LabelValue(int64_t time, TimeUnit unit) {
    switch (unit) {
        case TimeUnit::Second: return time / 1000;
        case TimeUnit::TenSeconds: return time / 10000 * 10;
        case TimeUnit::Minute: return time / 60000;
    }
    return 0;
}

YAxis MakeYAxis(const PlotView& view) {
    YAxis axis;
    const TimeUnit unit = view.Unit();
    const int64_t up = Clamp64((static_cast<__int128>(view.maxTime) - view.baseTime) / view.scale);
    axis.top = ClampPixel(static_cast<__int128>(view.baseY) - up);
    axis.bottom = view.baseY;
    int64_t last = LabelValue(view.baseTime, unit);
    axis.labels.push_back(YLabel{view.baseY, last});
    // The pixel rows above the base line, each a time `scale` later.
    for (int64_t p = 1; p <= up && view.baseY - p >= axis.top; ++p) {
        const int64_t value = LabelValue(Clamp64(static_cast<__int128>(view.baseTime) + static_cast<__int128>(p) * view.scale), unit);
        if (value == last) continue;
        last = value;
        axis.labels.push_back(YLabel{static_cast<int>(view.baseY - p), value});
    }
    if (view.oneToOne || view.minTime >= 0) return axis;
    // Negative times of the full view, below the base line.
    const int64_t down = -view.minTime / view.scale;
    axis.bottom = ClampPixel(static_cast<__int128>(view.baseY) + down);
    last = 0;
    for (int64_t p = 1; p <= down && view.baseY + p <= axis.bottom; ++p) {
        const int64_t value = LabelValue(Clamp64(-static_cast<__int128>(p) * view.scale), unit);
        if (value == last) continue;
        last = value;
        axis.labels.push_back(YLabel{static_cast<int>(view.baseY + p), value});
    }
    return axis;
}

std::vector<XTick> MakeXTicks(const PlotView& view) {
    std::vector<XTick> ticks;
    const bool hundredsLabelled = view.totalRows / 100 < 20;
    for (size_t row = (view.first + 99) / 100 * 100; row < view.first + view.count; row += 100) {
        const bool thousand = row % 1000 == 0;
        ticks.push_back(XTick{row, view.X(row), thousand ? 5 : 3, thousand || hundredsLabelled});
    }
    return ticks;
}

int XAxisEnd(const PlotView& view) { return view.count == 0 ? kPlotLeft : view.X(view.first + view.count - 1); }

int FramesLabelX(const PlotView& view) {
    const size_t columns = std::min(static_cast<size_t>(view.width), view.totalRows / view.perColumn);
    return kPlotLeft + static_cast<int>(columns) - 30;
}

}  // namespace quillon
