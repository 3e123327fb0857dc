// The frame grid: empty steps among frame times, and frames out of their step.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "timeline/frame_grid.h"

namespace quillon::test {
namespace {

// x264's order with two B-frames at 25 frames a second: I0 P3 B1 B2 P6 B4 B5 ...
std::vector<int64_t> DecodeOrder(int frames, double step = 40) {
    std::vector<int64_t> times = {0};
    for (int p = 3; p < frames; p += 3) {
        times.push_back(std::llround(p * step));
        times.push_back(std::llround((p - 2) * step));
        times.push_back(std::llround((p - 1) * step));
    }
    return times;
}

TEST(FrameGrid, HolesAreTheEmptyStepsBetweenSortedTimes) {
    EXPECT_EQ(GridHoles({0, 40, 80, 200, 240}, 40), (std::vector<int64_t>{120, 160}));
    EXPECT_TRUE(GridHoles({0, 40, 80, 120}, 40).empty());
    EXPECT_TRUE(GridHoles({0, 42, 83, 125, 167}, 41.708).empty());  // 24000/1001 in milliseconds
    EXPECT_EQ(GridHoles({0, 42, 125}, 41.708), (std::vector<int64_t>{84}));  // a step from the time before
    EXPECT_TRUE(GridHoles({0, 50, 100}, 0).empty());
    // Only within the span asked about: a step at the window's edge that
    // the wider window fills is no hole.
    EXPECT_EQ(HolesWithin({40, 80, 200}, {0, 40, 80, 200, 240}, 40), (std::vector<int64_t>{120, 160}));
    EXPECT_TRUE(HolesWithin({80, 120}, {0, 40, 80, 120}, 40).empty());
}

TEST(FrameGrid, AFrameInsideAStepWhileAStepNearIsEmpty) {
    const struct {
        const char* what;
        std::vector<int64_t> times;
        std::vector<size_t> displaced;
    } cases[] = {
        {"a clean film with B-frames", DecodeOrder(90), {}},
        {"24000/1001 in milliseconds", DecodeOrder(90, 1000.0 / (24000.0 / 1001)), {}},
        {"a lost frame leaves a step empty, nothing crowds", [] {
             auto t = DecodeOrder(90);
             t.erase(t.begin() + 40);
             return t;
         }(), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(DisplacedFrames(c.times, 40, 16), c.displaced) << c.what;
    // A P-frame put halfway between the B-frames shown before it.
    std::vector<int64_t> moved = DecodeOrder(90);
    ASSERT_EQ(moved[28], 1200);  // P30, followed by B28 and B29
    moved[28] = 1140;
    EXPECT_EQ(DisplacedFrames(moved, 40, 16), std::vector<size_t>{28});
    // Frames at random times (a variable rate) have no grid to be out of.
    std::vector<int64_t> variable;
    for (int k = 0; k < 90; ++k) variable.push_back(k * 40 + (k * 37 % 23));
    EXPECT_TRUE(DisplacedFrames(variable, 40, 16).empty());
}

}  // namespace
}  // namespace quillon::test
