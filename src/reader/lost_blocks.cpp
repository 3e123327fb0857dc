#include "reader/lost_blocks.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "reader/format_check.h"

namespace quillon {
namespace {

// Times are compared with this much room around a stretch: video in decoding
// order puts a frame's time up to a few frames from its place in the file.
constexpr double kWindowMs = 2000;

struct TimedBlock {
    uint64_t position;
    double time;  // in ticks of the TimecodeScale
    uint64_t track;
    uint16_t frames;
};

struct Window {
    double from, to;
};

}  // namespace

uint64_t CountLostBlocks(const tabrick& list, SourceFile& source, const std::vector<SkippedStretch>& skipped) {
    if (skipped.empty()) return 0;
    uint64_t scale = 1000000;
    const int info = FindFirstById(list, kInfo);
    if (const int row = info < 0 ? -1 : FindChildElement(list, kTimecodeScale, info); row >= 0) ReadUnsigned(source, list[row], scale);
    if (scale == 0) return 0;
    // Frame length in ticks per track, from its DefaultDuration (nanoseconds).
    std::map<uint64_t, double> frameTicks;
    for (int entry = FindFirstById(list, kTrackEntry); entry >= 0; entry = FindNextById(list, kTrackEntry, entry)) {
        uint64_t number = 0, duration = 0;
        const int n = FindChildElement(list, kTrackNumber, entry), d = FindChildElement(list, kDefaultDuration, entry);
        if (n >= 0 && d >= 0 && ReadUnsigned(source, list[n], number) && ReadUnsigned(source, list[d], duration) && duration > 0)
            frameTicks[number] = double(duration) / double(scale);
    }
    if (frameTicks.empty()) return 0;

    std::vector<TimedBlock> blocks;
    uint64_t clusterTime = 0;
    int cluster = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        if (row.id() == kCluster) {
            cluster = static_cast<int>(i);
            clusterTime = 0;
            const int t = FindChildElement(list, kTimeCode, cluster);
            if (t >= 0) ReadUnsigned(source, list[t], clusterTime);
        }
        if (!row.isBlock() || !row.intactBlock() || !frameTicks.count(row.block.trackNumber)) continue;
        blocks.push_back({row.position, double(clusterTime) + row.block.timecode, row.block.trackNumber, row.block.frameCount});
    }
    // The time around each stretch: from the last block before it to the first behind it.
    const double room = kWindowMs * 1e6 / double(scale);
    std::vector<Window> windows;
    for (const SkippedStretch& s : skipped) {
        const auto after = std::lower_bound(blocks.begin(), blocks.end(), s.to,
                                            [](const TimedBlock& b, uint64_t p) { return b.position < p; });
        if (after == blocks.begin() || after == blocks.end()) continue;  // nothing on one side to measure from
        const auto firstInside = std::lower_bound(blocks.begin(), after, s.from,
                                                  [](const TimedBlock& b, uint64_t p) { return b.position < p; });
        if (firstInside == blocks.begin()) continue;
        const auto before = std::prev(firstInside);
        windows.push_back({std::min(before->time, after->time) - room, std::max(before->time, after->time) + room});
    }
    std::sort(windows.begin(), windows.end(), [](const Window& a, const Window& b) { return a.from < b.from; });
    std::vector<Window> merged;
    for (const Window& w : windows) {
        if (!merged.empty() && w.from <= merged.back().to) merged.back().to = std::max(merged.back().to, w.to);
        else merged.push_back(w);
    }
    uint64_t lost = 0;
    for (const auto& [track, ticks] : frameTicks) {
        std::vector<std::pair<double, uint16_t>> times;
        for (const TimedBlock& b : blocks)
            if (b.track == track) times.emplace_back(b.time, b.frames);
        std::sort(times.begin(), times.end());
        for (size_t k = 1; k < times.size(); ++k) {
            const double a = times[k - 1].first, b = times[k].first;
            const bool inside = std::any_of(merged.begin(), merged.end(), [&](const Window& w) { return a >= w.from && b <= w.to; });
            const double step = ticks * times[k - 1].second;
            if (!inside || b - a < 1.5 * step) continue;
            lost += static_cast<uint64_t>(std::llround((b - a) / step)) - 1;
        }
    }
    return lost;
}

}  // namespace quillon
