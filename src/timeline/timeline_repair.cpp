#include "timeline/timeline_repair.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "core/block_merge.h"
#include "timeline/frame_grid.h"

namespace quillon {
namespace {

// The places of the track's blocks in the list, in list order (blocks whose
// time is lost are never written, so never moved).
std::vector<size_t> WorkingList(const Document& doc, uint64_t trackNo) {
    std::vector<size_t> places;
    const std::vector<xBlock>& blocks = doc.mkv.blocks;
    for (size_t i = 0; i < blocks.size(); ++i)
        if (!(blocks[i].flags & xBlock::kBadTime) && doc.BlockTrack(blocks[i]) == trackNo) places.push_back(i);
    return places;
}

std::unordered_set<size_t> FaultPlaces(const TrackFaults& track) {
    std::unordered_set<size_t> places;
    for (const TimelineFault& f : track.faults) places.insert(f.blockIndex);
    return places;
}

// Puts `order` (the track's blocks in their new order) into the track's places.
bool PutInPlaces(std::vector<xBlock>& blocks, const std::vector<size_t>& places, const std::vector<xBlock>& order) {
    bool changed = false;
    for (size_t k = 0; k < places.size(); ++k) {
        changed = changed || blocks[places[k]].row != order[k].row || blocks[places[k]].source != order[k].source;
        blocks[places[k]] = order[k];
    }
    return changed;
}

// Block places in the order of their blocks' times (equal times keep their order).
void SortByTime(const std::vector<xBlock>& blocks, std::vector<size_t>& places) {
    std::stable_sort(places.begin(), places.end(), [&](size_t a, size_t b) { return blocks[a].absTime < blocks[b].absTime; });
}

// Moves runs of flagged frames into the empty grid steps among the good
// frames decoded up to kVideoReorderDepth places around each run: a run
// takes its run-length earliest steps there, in the order of its frames' old
// times (a Cluster whose Timecode was lowered keeps its reordering; a lone
// P-frame lowered lands after the B-frames decoded behind it). A run moved
// counts as good from then on and leaves `faults`; a run with too few empty
// steps is left for the spreading.
bool MoveIntoGridHoles(std::vector<xBlock>& blocks, const std::vector<size_t>& places, std::unordered_set<size_t>& faults,
                       double frameTicks, bool invisible) {
    bool changed = false;
    std::vector<int64_t> around, wide;
    for (size_t k = 0; k < places.size();) {
        if (!faults.count(places[k])) {
            ++k;
            continue;
        }
        size_t end = k;
        while (end < places.size() && faults.count(places[end])) ++end;
        // The good frames decoded just before and after the run, and twice as many.
        around.clear();
        wide.clear();
        for (size_t j = k, seen = 0; j-- > 0 && seen < 2 * kVideoReorderDepth;) {
            if (faults.count(places[j])) continue;
            if (seen++ < kVideoReorderDepth) around.push_back(blocks[places[j]].absTime);
            wide.push_back(blocks[places[j]].absTime);
        }
        for (size_t j = end, seen = 0; j < places.size() && seen < 2 * kVideoReorderDepth; ++j) {
            if (faults.count(places[j])) continue;
            if (seen++ < kVideoReorderDepth) around.push_back(blocks[places[j]].absTime);
            wide.push_back(blocks[places[j]].absTime);
        }
        std::sort(wide.begin(), wide.end());
        std::vector<int64_t> holes = HolesWithin(around, wide, frameTicks);
        holes.erase(std::remove_if(holes.begin(), holes.end(), [](int64_t t) { return t < 0; }), holes.end());
        if (holes.size() >= end - k) {
            std::vector<size_t> byTime(places.begin() + ptrdiff_t(k), places.begin() + ptrdiff_t(end));
            SortByTime(blocks, byTime);
            for (size_t m = 0; m < byTime.size(); ++m) {
                xBlock& b = blocks[byTime[m]];
                b.absTime = holes[m];
                if (invisible) b.flags |= xBlock::kInvisible;
                faults.erase(byTime[m]);
            }
            changed = true;
        }
        k = end;
    }
    return changed;
}

}  // namespace

bool MatrosTrackReorder(Document& doc, const TrackFaults& track, std::vector<std::string>& memo) {
    std::vector<xBlock>& blocks = doc.mkv.blocks;
    const std::vector<size_t> places = WorkingList(doc, track.trackNo);
    if (std::any_of(places.begin(), places.end(), [&](size_t p) { return blocks[p].absTime < 0; })) {
        memo.push_back("• время < 0");
        return false;
    }
    std::vector<xBlock> order;
    order.reserve(places.size());
    for (size_t p : places) order.push_back(blocks[p]);
    if (!track.video) {
        std::stable_sort(order.begin(), order.end(), [](const xBlock& a, const xBlock& b) { return a.absTime < b.absTime; });
        return PutInPlaces(blocks, places, order);
    }
    // Video is in decode order: whole key-frame intervals move by their first
    // block's time, each keeping the order inside it.
    std::vector<std::pair<size_t, size_t>> intervals;  // [first, end) in `order`
    for (size_t k = 0; k < order.size(); ++k)
        if (k == 0 || order[k].keyFrame()) intervals.push_back({k, k + 1});
        else intervals.back().second = k + 1;
    std::stable_sort(intervals.begin(), intervals.end(),
                     [&](const auto& a, const auto& b) { return order[a.first].absTime < order[b.first].absTime; });
    std::vector<xBlock> moved;
    moved.reserve(order.size());
    for (const auto& [first, end] : intervals) moved.insert(moved.end(), order.begin() + first, order.begin() + end);
    return PutInPlaces(blocks, places, moved);
}

bool MatrosTrackTimeRecalc(Document& doc, const TrackFaults& track, bool invisible) {
    std::vector<xBlock>& blocks = doc.mkv.blocks;
    const std::vector<size_t> places = WorkingList(doc, track.trackNo);
    std::unordered_set<size_t> faults = FaultPlaces(track);
    bool changed = false;
    // A video on a frame grid: each flagged frame takes the empty step among
    // the frames decoded around it, which is where it was shown (a P-frame
    // after the B-frames decoded behind it). What finds no step is spread below.
    if (track.video && track.frameTicks > 0) changed = MoveIntoGridHoles(blocks, places, faults, track.frameTicks, invisible);
    int64_t previous = 0;  // the latest good time so far
    for (size_t k = 0; k < places.size();) {
        if (!faults.count(places[k])) {
            previous = std::max(previous, blocks[places[k]].absTime);
            ++k;
            continue;
        }
        // A run of flagged blocks, spread evenly between the good time before
        // it and the next good time at or above that (one tick apart at the
        // end). In a video the next good blocks come in decode order: the
        // earliest of the next sixteen is the next one shown.
        size_t end = k;
        while (end < places.size() && faults.count(places[end])) ++end;
        const size_t run = end - k;
        const size_t lookAhead = track.video ? kVideoReorderDepth : 1;
        int64_t next = -1;
        size_t good = 0;
        for (size_t j = end; j < places.size() && good < lookAhead; ++j) {
            if (faults.count(places[j])) continue;
            ++good;
            const int64_t time = blocks[places[j]].absTime;
            if (time >= previous && (next < 0 || time < next)) next = time;
        }
        const int64_t step = next < 0 ? 1 : (next - previous) / static_cast<int64_t>(run + 1);
        // Video frames take the new times in the order of their old ones, so a
        // run of reordered frames keeps its presentation order.
        std::vector<size_t> byTime(places.begin() + k, places.begin() + end);
        if (track.video) SortByTime(blocks, byTime);
        for (size_t m = 0; m < run; ++m) {
            xBlock& b = blocks[byTime[m]];
            b.absTime = previous + static_cast<int64_t>(m + 1) * step;
            if (invisible) b.flags |= xBlock::kInvisible;
        }
        previous += static_cast<int64_t>(run) * step;
        changed = true;
        k = end;
    }
    return changed;
}

bool MatrosTrackTimeRecalcKF(Document& doc, const TrackFaults& track) {
    std::vector<xBlock>& blocks = doc.mkv.blocks;
    const std::vector<size_t> places = WorkingList(doc, track.trackNo);
    if (places.empty()) return false;
    bool changed = false;
    // The frames between two key frames get the evenly spread times; in a
    // video they take them in the order of their old times, so frames that
    // were shown in a reordered sequence stay in it.
    const auto spread = [&](size_t first, size_t end, int64_t base, int64_t step) {
        std::vector<size_t> byTime(places.begin() + first, places.begin() + end);
        if (track.video) SortByTime(blocks, byTime);
        for (size_t m = 0; m < byTime.size(); ++m) {
            const int64_t time = base + static_cast<int64_t>(m + 1) * step;
            changed = changed || blocks[byTime[m]].absTime != time;
            blocks[byTime[m]].absTime = time;
        }
    };
    int64_t base = blocks[places[0]].absTime;
    int64_t averageStep = 0;
    size_t next = 1;
    for (size_t i = 1; i < places.size(); ++i) {
        if (!blocks[places[i]].keyFrame()) continue;
        const int64_t step = (blocks[places[i]].absTime - base) / static_cast<int64_t>(i - next + 1);
        averageStep = averageStep == 0 ? step : (averageStep + step) / 2;
        spread(next, i, base, step);
        base = blocks[places[i]].absTime;
        next = i + 1;
    }
    spread(next, places.size(), base, averageStep);
    return changed;
}

void FixReferences(Document& doc, uint64_t trackNo) {
    std::vector<xBlock>& blocks = doc.mkv.blocks;
    const std::vector<size_t> places = WorkingList(doc, trackNo);
    // The first block has nothing before it to point at: it keeps its reference.
    for (size_t k = 1; k < places.size(); ++k) {
        xBlock& b = blocks[places[k]];
        if (b.fromGroup() && !b.keyFrame()) b.flags |= xBlock::kReferToPrevious;
    }
}

void MatrosStreamReorder(Document& doc, uint64_t trackNo) {
    RemergeByTime(doc.mkv.blocks,
                  [&](const xBlock& b) { return doc.BlockTrack(b) == trackNo && !(b.flags & xBlock::kBadTime); });
}

RepairOutcome RepairTrack(Document& doc, uint64_t trackNo, TimelineRepair repair, bool fixReferences) {
    RepairOutcome outcome;
    doc.leaveAsIs = false;
    const TimelineReport before = TimeLineCheck(doc);
    const TrackFaults* track = before.Find(trackNo);
    outcome.memo.push_back(repair == TimelineRepair::Reorder ? "• сортировка трека..." : "• пересчет времени трека...");
    // A track the check finds clean (video with B-frames included) is never changed.
    if (track && !track->faults.empty()) {
        switch (repair) {
            case TimelineRepair::Reorder: outcome.changed = MatrosTrackReorder(doc, *track, outcome.memo); break;
            case TimelineRepair::Retime: outcome.changed = MatrosTrackTimeRecalc(doc, *track, false); break;
            case TimelineRepair::RetimeInvisible: outcome.changed = MatrosTrackTimeRecalc(doc, *track, true); break;
            case TimelineRepair::KeyFrames: outcome.changed = MatrosTrackTimeRecalcKF(doc, *track); break;
        }
        if (outcome.changed) {
            if (fixReferences) FixReferences(doc, trackNo);
            MatrosStreamReorder(doc, trackNo);
            doc.saveMode = SaveMode::Build;
        }
    }
    outcome.memo.push_back("• готово");
    outcome.after = TimeLineCheck(doc);
    if (const TrackFaults* left = outcome.after.Find(trackNo); left && !left->faults.empty()) {
        outcome.faultsRemain = true;
        outcome.memo.push_back("• ошибки остались");
    }
    return outcome;
}

}  // namespace quillon
