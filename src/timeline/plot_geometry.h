// The numbers of the timeline plot: where the plot lies in the window, how
// many blocks share a pixel column, the time scale, where a block's point
// goes, and which axis marks and labels exist. The window only paints them.
// Block number (file order within the track) runs across, time (ms) up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "timeline/timeline_check.h"

namespace quillon {

inline constexpr int kPlotLeft = 90;         // x of the first column
inline constexpr int kPlotSideMargins = 120;  // plot width = client width − this
inline constexpr int kPlotVerticalMargins = 60;
inline constexpr int kPlotBelowAxis = 20;     // the x axis lies this far below the plot area
inline constexpr int kYAxisX = 85;
inline constexpr int kYLabelRight = kPlotLeft - 10;  // y-axis labels end here
inline constexpr int kXAxisGap = 5;           // the x-axis pixels lie this far below the axis line
inline constexpr int kUnitTextX = 45;

// The plot's place in the window's client area.
struct PlotFrame {
    int width = 1;   // w: pixel columns
    int height = 1;  // h: pixel rows
    int top = 0;     // height of the top panel; the legend hangs below it
    int axisY = 0;   // y0: the x axis, where time 0 lies unless negative times move it
};

// Client size and the heights of the top and bottom panels; width and height
// are at least 1, so a tiny window still divides.
PlotFrame MakePlotFrame(int clientWidth, int clientHeight, int topPanel, int bottomPanel);

enum class TimeUnit { Second, TenSeconds, Minute };

// One view of a track line: the rows shown and the time scale.
struct PlotView {
    bool oneToOne = false;
    size_t totalRows = 0;  // n: rows of the whole track line
    size_t first = 0;      // first row shown
    size_t count = 0;      // rows shown
    size_t perColumn = 1;  // rows per pixel column (1 in the 1:1 view)
    int64_t minTime = 0;   // ms
    int64_t maxTime = 0;
    int64_t scale = 1;     // ms per pixel row, at least 1
    int baseY = 0;         // y of baseTime
    int64_t baseTime = 0;  // 0 in the full view, the least time in the 1:1 view
    int axisY = 0;         // y0
    int width = 1;         // w

    // The pixel of row `row` (an index into the whole track line) at `time`.
    int X(size_t row) const;
    int Y(int64_t time) const;
    TimeUnit Unit() const;
};

// All rows squeezed into the plot width: n div w + 1 rows per column. Times
// start from 0 both ways, so a negative time lifts the base line.
PlotView FullView(std::span<const TrackLineRow> rows, const PlotFrame& frame);
// One row per column, the w rows from `position` × w; the scale from the
// rows shown only.
PlotView OneToOneView(std::span<const TrackLineRow> rows, const PlotFrame& frame, int position);
// The track bar's maximum in the 1:1 view: n div w.
int OneToOneMaximum(size_t rowCount, const PlotFrame& frame);

// The label unit of a scale: seconds up to 100 ms per pixel, tens of seconds
// up to 1000, minutes above.
TimeUnit UnitOfScale(int64_t scale);
const char* UnitText(TimeUnit unit);  // "1 sec", "10 sec", "1 min"
// A time as the y axis labels it: whole seconds, tens of seconds (shown in
// seconds) or whole minutes.
int64_t LabelValue(int64_t time, TimeUnit unit);

struct YLabel {
    int y = 0;
    int64_t value = 0;
};
struct YAxis {
    int top = 0;     // the axis' pixel rows, top to bottom, inclusive
    int bottom = 0;
    std::vector<YLabel> labels;  // the first at the base line; then each time the value changes
};
YAxis MakeYAxis(const PlotView& view);

struct XTick {
    size_t row = 0;       // in the whole track line
    int x = 0;
    int length = 1;       // pixels down from axisY + kXAxisGap: 3 every 100th row, 5 every 1000th
    bool labelled = false;
};
// The marks under the x axis at every 100th row shown; a 100th row is
// labelled only while n div 100 is below 20, a 1000th row always.
std::vector<XTick> MakeXTicks(const PlotView& view);
// The x axis' pixels run from kPlotLeft to this column.
int XAxisEnd(const PlotView& view);
// Where "(frames)" starts.
int FramesLabelX(const PlotView& view);

}  // namespace quillon
