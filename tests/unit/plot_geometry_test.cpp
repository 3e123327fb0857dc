// The timeline plot's numbers: the frame in the window, blocks per column,
// the time scale and base line, the axis labels and ticks, both views.
#include <gtest/gtest.h>

#include <functional>

#include "timeline/plot_geometry.h"

namespace quillon {
namespace {

std::vector<TrackLineRow> Rows(size_t count, const std::function<int64_t(size_t)>& time) {
    std::vector<TrackLineRow> rows(count);
    for (size_t i = 0; i < count; ++i) rows[i] = TrackLineRow{1, time(i), static_cast<uint32_t>(i), kLineBlue};
    return rows;
}

std::vector<TrackLineRow> Times(std::initializer_list<int64_t> times) {
    std::vector<int64_t> list(times);
    return Rows(list.size(), [&](size_t i) { return list[i]; });
}

// A frame with the given plot width and height; the panels take 100 above and 40 below.
PlotFrame Frame(int width, int height) { return MakePlotFrame(width + 120, height + 100 + 40 + 60, 100, 40); }

TEST(PlotGeometry, FrameFollowsTheClientAreaAndPanels) {
    const PlotFrame frame = MakePlotFrame(800, 600, 120, 36);
    EXPECT_EQ(frame.width, 680);
    EXPECT_EQ(frame.height, 384);
    EXPECT_EQ(frame.top, 120);
    EXPECT_EQ(frame.axisY, 120 + 384 + 20);
    // A window too small for a plot still gives one pixel each way.
    const PlotFrame tiny = MakePlotFrame(50, 100, 120, 36);
    EXPECT_EQ(tiny.width, 1);
    EXPECT_EQ(tiny.height, 1);
}

TEST(PlotGeometry, BlocksPerColumnAndPoints) {
    const struct {
        size_t rows;
        size_t perColumn;
    } cases[] = {{0, 1}, {599, 1}, {600, 2}, {2000, 4}, {6000, 11}};
    for (const auto& c : cases) {
        const PlotView view = FullView(Rows(c.rows, [](size_t i) { return int64_t(i) * 40; }), Frame(600, 400));
        EXPECT_EQ(view.perColumn, c.perColumn) << c.rows;
        if (c.rows > 0) {
            EXPECT_LE(view.X(c.rows - 1), kPlotLeft + 599) << c.rows;
        }
    }
    const auto rows = Rows(2000, [](size_t i) { return int64_t(i) * 40; });
    const PlotView view = FullView(rows, Frame(600, 400));
    EXPECT_EQ(view.X(0), 90);
    EXPECT_EQ(view.X(3), 90);
    EXPECT_EQ(view.X(4), 91);
    EXPECT_EQ(view.X(1999), 90 + 499);
    EXPECT_EQ(XAxisEnd(view), 90 + 499);
    EXPECT_EQ(FramesLabelX(view), 90 + 500 - 30);
    // The latest block touches the top of the plot; time 0 lies on the axis.
    EXPECT_EQ(view.scale, 1999 * 40 / 400);
    EXPECT_EQ(view.Y(0), Frame(600, 400).axisY);
    EXPECT_EQ(view.Y(1999 * 40), Frame(600, 400).axisY - 1999 * 40 / view.scale);
}

TEST(PlotGeometry, TwoThousandBlocksCarryOnlyTheThousandLabels) {
    const PlotView view = FullView(Rows(2000, [](size_t i) { return int64_t(i); }), Frame(600, 400));
    const std::vector<XTick> ticks = MakeXTicks(view);
    ASSERT_EQ(ticks.size(), 20u);  // every 100th row has its tick
    std::vector<size_t> labelled;
    for (const XTick& tick : ticks) {
        if (tick.labelled) labelled.push_back(tick.row);
        EXPECT_EQ(tick.length, tick.row % 1000 == 0 ? 5 : 3) << tick.row;
        EXPECT_EQ(tick.x, view.X(tick.row));
    }
    EXPECT_EQ(labelled, (std::vector<size_t>{0, 1000}));

    // Below 2000 rows the 100th rows are labelled too.
    const PlotView fewer = FullView(Rows(1999, [](size_t i) { return int64_t(i); }), Frame(600, 400));
    const std::vector<XTick> fewerTicks = MakeXTicks(fewer);
    EXPECT_EQ(fewerTicks.size(), 20u);
    for (const XTick& tick : fewerTicks) EXPECT_TRUE(tick.labelled) << tick.row;
}

TEST(PlotGeometry, AllTimesZeroDrawAFlatLineOnTheBaseLine) {
    const PlotFrame frame = Frame(600, 400);
    const PlotView view = FullView(Times({0, 0, 0, 0}), frame);
    EXPECT_EQ(view.scale, 1);
    EXPECT_EQ(view.baseY, frame.axisY);
    EXPECT_EQ(view.Y(0), frame.axisY);
    const YAxis axis = MakeYAxis(view);
    EXPECT_EQ(axis.top, frame.axisY);
    EXPECT_EQ(axis.bottom, frame.axisY);
    ASSERT_EQ(axis.labels.size(), 1u);
    EXPECT_EQ(axis.labels[0].y, frame.axisY);
    EXPECT_EQ(axis.labels[0].value, 0);
}

TEST(PlotGeometry, NegativeTimesLiftTheBaseLine) {
    const PlotFrame frame = Frame(600, 100);
    const PlotView view = FullView(Times({-5000, 0, 5000}), frame);
    EXPECT_EQ(view.minTime, -5000);
    EXPECT_EQ(view.maxTime, 5000);
    EXPECT_EQ(view.scale, 100);
    EXPECT_EQ(view.baseY, frame.axisY - 50);
    EXPECT_EQ(view.Y(0), view.baseY);
    EXPECT_EQ(view.Y(-5000), frame.axisY);  // the least time lands on the axis
    EXPECT_EQ(view.Y(5000), view.baseY - 50);
    EXPECT_EQ(view.Y(-150), view.baseY + 1);  // truncated toward zero

    const YAxis axis = MakeYAxis(view);
    EXPECT_EQ(axis.top, view.baseY - 50);
    EXPECT_EQ(axis.bottom, view.baseY + 50);
    std::vector<std::pair<int, int64_t>> labels;
    for (const YLabel& label : axis.labels) labels.emplace_back(label.y - view.baseY, label.value);
    const std::vector<std::pair<int, int64_t>> expected = {{0, 0},    {-10, 1}, {-20, 2}, {-30, 3}, {-40, 4}, {-50, 5},
                                                           {10, -1}, {20, -2}, {30, -3}, {40, -4}, {50, -5}};
    EXPECT_EQ(labels, expected);

    // A small negative time moves the base line by less than a pixel row's worth: not at all.
    const PlotView slight = FullView(Times({-50, 0, 10000}), frame);
    EXPECT_EQ(slight.scale, 100);
    EXPECT_EQ(slight.baseY, frame.axisY);
}

TEST(PlotGeometry, ScaleChoosesTheUnitAndLabels) {
    const struct {
        int64_t maxTime;
        int64_t scale;
        TimeUnit unit;
        const char* text;
        int firstLabelRow;   // pixel rows above the base line
        int64_t firstLabel;  // its value
    } cases[] = {
        {10000, 100, TimeUnit::Second, "1 sec", 10, 1},
        {50000, 500, TimeUnit::TenSeconds, "10 sec", 20, 10},
        {100000, 1000, TimeUnit::TenSeconds, "10 sec", 10, 10},
        {600000, 6000, TimeUnit::Minute, "1 min", 10, 1},
        {50, 1, TimeUnit::Second, "1 sec", 0, 0},  // no label above 0
    };
    for (const auto& c : cases) {
        const PlotView view = FullView(Times({0, c.maxTime}), Frame(600, 100));
        EXPECT_EQ(view.scale, c.scale) << c.maxTime;
        EXPECT_EQ(view.Unit(), c.unit) << c.maxTime;
        EXPECT_STREQ(UnitText(view.Unit()), c.text) << c.maxTime;
        const YAxis axis = MakeYAxis(view);
        if (c.firstLabelRow == 0) {
            EXPECT_EQ(axis.labels.size(), 1u) << c.maxTime;
            continue;
        }
        ASSERT_GE(axis.labels.size(), 2u) << c.maxTime;
        EXPECT_EQ(view.baseY - axis.labels[1].y, c.firstLabelRow) << c.maxTime;
        EXPECT_EQ(axis.labels[1].value, c.firstLabel) << c.maxTime;
    }
    const struct {
        int64_t time;
        TimeUnit unit;
        int64_t value;
    } values[] = {{1999, TimeUnit::Second, 1},      {19999, TimeUnit::TenSeconds, 10}, {9999, TimeUnit::TenSeconds, 0},
                  {59999, TimeUnit::Minute, 0},     {120000, TimeUnit::Minute, 2},     {-1500, TimeUnit::Second, -1}};
    for (const auto& v : values) EXPECT_EQ(LabelValue(v.time, v.unit), v.value) << v.time;
}

TEST(PlotGeometry, OneToOneViewShowsAWindowOfRows) {
    const PlotFrame frame = Frame(600, 400);
    const auto rows = Rows(1500, [](size_t i) { return int64_t(i) * 10; });
    EXPECT_EQ(OneToOneMaximum(rows.size(), frame), 2);

    const struct {
        int position;
        size_t first, count;
    } cases[] = {{0, 0, 600}, {1, 600, 600}, {2, 1200, 300}, {7, 1200, 300}, {-1, 0, 600}};
    for (const auto& c : cases) {
        const PlotView view = OneToOneView(rows, frame, c.position);
        EXPECT_TRUE(view.oneToOne);
        EXPECT_EQ(view.first, c.first) << c.position;
        EXPECT_EQ(view.count, c.count) << c.position;
        EXPECT_EQ(view.perColumn, 1u);
        EXPECT_EQ(view.X(c.first), 90) << c.position;
        EXPECT_EQ(XAxisEnd(view), 90 + int(c.count) - 1) << c.position;
    }

    // The scale comes from the rows shown, and their least time lies on the axis.
    const PlotView view = OneToOneView(rows, frame, 1);
    EXPECT_EQ(view.minTime, 6000);
    EXPECT_EQ(view.maxTime, 11990);
    EXPECT_EQ(view.scale, (11990 - 6000) / 400);
    EXPECT_EQ(view.Y(6000), frame.axisY);
    EXPECT_EQ(view.Y(11990), frame.axisY - (11990 - 6000) / view.scale);
    const YAxis axis = MakeYAxis(view);
    ASSERT_GE(axis.labels.size(), 2u);
    EXPECT_EQ(axis.labels[0].value, 6);  // the labels start from the least time
    EXPECT_EQ(axis.labels[1].value, 7);
    EXPECT_EQ(axis.labels[1].y, frame.axisY - (1000 + view.scale - 1) / view.scale);  // the first row at 7 s

    // Rows 600 to 1199: ticks at every 100th, the 1000th long; under 2000 rows all labelled.
    std::vector<size_t> tickRows;
    for (const XTick& tick : MakeXTicks(view)) {
        tickRows.push_back(tick.row);
        EXPECT_TRUE(tick.labelled);
        EXPECT_EQ(tick.length, tick.row == 1000 ? 5 : 3);
    }
    EXPECT_EQ(tickRows, (std::vector<size_t>{600, 700, 800, 900, 1000, 1100}));
}

TEST(PlotGeometry, OneToOneViewOfNegativeAndEmptyTracks) {
    const PlotFrame frame = Frame(600, 400);
    // The maximum starts at 0: all-negative rows still reach up to time 0.
    const PlotView negative = OneToOneView(Times({-400, -300, -200}), frame, 0);
    EXPECT_EQ(negative.minTime, -400);
    EXPECT_EQ(negative.maxTime, 0);
    EXPECT_EQ(negative.scale, 1);
    EXPECT_EQ(negative.Y(-400), frame.axisY);
    EXPECT_EQ(negative.Y(-200), frame.axisY - 200);

    const PlotView empty = OneToOneView({}, frame, 0);
    EXPECT_EQ(empty.count, 0u);
    EXPECT_EQ(empty.scale, 1);
    EXPECT_TRUE(MakeXTicks(empty).empty());
    EXPECT_EQ(XAxisEnd(empty), kPlotLeft);
}

}  // namespace
}  // namespace quillon
