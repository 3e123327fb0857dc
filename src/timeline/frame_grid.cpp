#include "timeline/frame_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon {

std::vector<int64_t> GridHoles(const std::vector<int64_t>& sortedTimes, double frameTicks) {
    std::vector<int64_t> holes;
    if (!(frameTicks > 0)) return holes;
    for (size_t k = 1; k < sortedTimes.size(); ++k) {
        const int64_t from = sortedTimes[k - 1], to = sortedTimes[k];
        if (double(to - from) < 1.5 * frameTicks) continue;
        for (int j = 1; j < 64; ++j) {
            const double at = double(from) + j * frameTicks;
            if (at > double(to) - 0.5 * frameTicks) break;
            holes.push_back(std::llround(at));
        }
    }
    return holes;
}

std::vector<int64_t> HolesWithin(const std::vector<int64_t>& narrow, const std::vector<int64_t>& wide, double frameTicks) {
    std::vector<int64_t> holes;
    if (narrow.empty()) return holes;
    const auto [low, high] = std::minmax_element(narrow.begin(), narrow.end());
    for (const int64_t t : GridHoles(wide, frameTicks))
        if (t > *low && t < *high) holes.push_back(t);
    return holes;
}

namespace {

constexpr double kPi = 3.14159265358979323846;

// Where `t` falls in the step of the grid through `anchor`: from -step/2 to step/2.
double Phase(int64_t t, int64_t anchor, double step) {
    const double d = double(t - anchor);
    return d - step * std::round(d / step);
}

}  // namespace

std::vector<size_t> DisplacedFrames(const std::vector<int64_t>& decodeOrder, double frameTicks, size_t window) {
    std::vector<size_t> displaced;
    if (!(frameTicks > 0)) return displaced;
    const size_t n = decodeOrder.size();
    std::vector<int64_t> around, wide;
    for (size_t k = 0; k < n; ++k) {
        const size_t first = k > window ? k - window : 0, end = std::min(n, k + window + 1);
        const int64_t t = decodeOrder[k];
        // Only a frame closer than three quarters of a step to another can
        // be out of place: the grid keeps them a step apart.
        bool crowded = false;
        for (size_t j = first; j < end && !crowded; ++j)
            crowded = j != k && double(std::llabs(decodeOrder[j] - t)) < 0.75 * frameTicks;
        if (!crowded) continue;
        // The others' places in the step through this frame, as angles: on a
        // grid they gather (their mean vector is long); the frame is out of
        // place when they gather a quarter step or more away from its own.
        double x = 0, y = 0;
        int others = 0;
        for (size_t j = first; j < end; ++j) {
            if (j == k) continue;
            const double angle = 2 * kPi * Phase(decodeOrder[j], t, frameTicks) / frameTicks;
            x += std::cos(angle), y += std::sin(angle);
            ++others;
        }
        if (others < 4) continue;
        const double gathered = std::hypot(x, y) / others;           // 1: all in one place
        const double offset = std::atan2(y, x) / (2 * kPi);          // in steps, -1/2 .. 1/2
        if (gathered < 0.8 || std::fabs(offset) < 0.25) continue;
        const size_t wideFirst = k > 2 * window ? k - 2 * window : 0, wideEnd = std::min(n, k + 2 * window + 1);
        around.clear();
        wide.clear();
        for (size_t j = wideFirst; j < wideEnd; ++j) {
            if (j == k) continue;
            wide.push_back(decodeOrder[j]);
            if (j >= first && j < end) around.push_back(decodeOrder[j]);
        }
        std::sort(wide.begin(), wide.end());
        if (!HolesWithin(around, wide, frameTicks).empty()) displaced.push_back(k);
    }
    return displaced;
}

}  // namespace quillon
