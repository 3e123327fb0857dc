#include "timeline/timeline_check.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

#include "reader/block_table.h"
#include "timeline/frame_grid.h"

namespace quillon {
namespace {

constexpr int64_t kNotCounted = std::numeric_limits<int64_t>::min();

// What the walk keeps per track.
struct TrackState {
    size_t row = 0;  // in report.tracks
    int64_t maximum = 0;
    // Video: the times of the last blocks (kNotCounted for a fault), folded
    // into the maximum once they are far enough behind.
    std::array<int64_t, kVideoReorderDepth> recent{};
    uint64_t seen = 0;
};

int64_t Milliseconds(int64_t ticks, uint64_t scale) {
    return static_cast<int64_t>(static_cast<__int128>(ticks) * static_cast<__int128>(scale) / 1000000);
}

// Video frames out of place on their grid, added to the faults (in list order).
void AddDisplacedFrames(const Document& doc, TrackFaults& track) {
    if (!track.video || !(track.frameTicks > 0)) return;
    const std::vector<xBlock>& blocks = doc.mkv.blocks;
    std::vector<uint32_t> places;
    std::vector<int64_t> times;
    size_t nextFault = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const xBlock& b = blocks[i];
        if ((b.flags & xBlock::kBadTime) || doc.BlockTrack(b) != track.trackNo) continue;
        if (nextFault < track.faults.size() && track.faults[nextFault].blockIndex == i) {
            ++nextFault;
            continue;
        }
        places.push_back(static_cast<uint32_t>(i));
        times.push_back(b.absTime);
    }
    const std::vector<size_t> displaced = DisplacedFrames(times, track.frameTicks, kVideoReorderDepth);
    if (displaced.empty()) return;
    for (size_t k : displaced) track.faults.push_back(TimelineFault{times[k], places[k]});
    std::sort(track.faults.begin(), track.faults.end(),
              [](const TimelineFault& a, const TimelineFault& b) { return a.blockIndex < b.blockIndex; });
}

}  // namespace

const TrackFaults* TimelineReport::Find(uint64_t trackNo) const {
    for (const TrackFaults& t : tracks)
        if (t.trackNo == trackNo) return &t;
    return nullptr;
}

TimelineReport TimeLineCheck(Document& doc) {
    EnsureBlockTable(doc);
    TimelineReport report;
    const TMKV& mkv = doc.mkv;
    report.timecodeScale = TimecodeScaleOf(mkv);
    std::unordered_map<uint64_t, TrackState> states;
    for (const tTrackEntry& t : mkv.tracks) {
        if (states.count(t.trackNumber.value)) continue;
        states[t.trackNumber.value].row = report.tracks.size();
        TrackFaults faults{t.trackNumber.value, t.trackType.value == 1, {}};
        if (t.defaultDuration.present && t.defaultDuration.value > 0)
            faults.frameTicks = double(t.defaultDuration.value) / double(report.timecodeScale ? report.timecodeScale : 1);
        report.tracks.push_back(std::move(faults));
    }
    const std::vector<xBlock>& blocks = mkv.blocks;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const xBlock& b = blocks[i];
        if (b.flags & xBlock::kBadTime) continue;  // never written: nothing to order
        const auto it = states.find(doc.BlockTrack(b));
        if (it == states.end()) continue;
        TrackState& s = it->second;
        TrackFaults& track = report.tracks[s.row];
        bool fault;
        if (track.video) {
            int64_t& slot = s.recent[s.seen % kVideoReorderDepth];
            if (s.seen >= kVideoReorderDepth && slot != kNotCounted) s.maximum = std::max(s.maximum, slot);
            fault = b.absTime < 0 || b.absTime < s.maximum;
            slot = fault ? kNotCounted : b.absTime;
            ++s.seen;
        } else {
            fault = s.maximum > b.absTime;
            if (!fault) s.maximum = b.absTime;
        }
        if (fault) track.faults.push_back(TimelineFault{b.absTime, static_cast<uint32_t>(i)});
    }
    for (TrackFaults& track : report.tracks) AddDisplacedFrames(doc, track);
    report.nonLinear = std::any_of(report.tracks.begin(), report.tracks.end(),
                                   [](const TrackFaults& t) { return !t.faults.empty(); });
    return report;
}

std::string TimelineCaption(const TimelineReport& report, Lang lang) {
    std::string caption = "  TimeLine  ::  ";
    if (!report.nonLinear) return caption + Tr("Ошибок не обнаружено", lang);
    std::string numbers;
    for (const TrackFaults& t : report.tracks) {
        if (t.faults.empty()) continue;
        if (!numbers.empty()) numbers += ", ";
        numbers += std::to_string(t.trackNo);
    }
    return caption + Tr("Номера треков с нелинейным временем:", lang) + " " + numbers;
}

std::string PluralForm(uint64_t count, std::string_view stem, std::string_view many, std::string_view few,
                       std::string_view one) {
    uint64_t last = count % 100;
    if (last > 19) last %= 10;
    const std::string_view ending = last == 1 ? one : last >= 2 && last <= 4 ? few : many;
    return std::string(stem) + std::string(ending);
}

std::vector<std::string> ShowTrackError(const TimelineReport& report, uint64_t trackNo, Lang lang) {
    std::vector<std::string> lines;
    const TrackFaults* t = report.Find(trackNo);
    if (!t || t->faults.empty()) return lines;
    const uint64_t c = t->faults.size();
    const std::string number = std::to_string(trackNo), count = std::to_string(c);
    std::string line = lang == Lang::Rus
                           ? "• трек " + number + ": " + count + " " + PluralForm(c, "раз", "", "а", "") + " время шло вспять"
                           : "• track " + number + ": " + count + " times the time went backwards";
    line += "  (";
    for (size_t k = 0; k < t->faults.size() && k < 3; ++k)
        line += (k ? "," : "") + std::to_string(Milliseconds(t->faults[k].time, report.timecodeScale));
    if (t->faults.size() > 3) line += ",...";
    lines.push_back(line + (lang == Lang::Rus ? " мс)" : " ms)"));
    const uint64_t negative = static_cast<uint64_t>(
        std::count_if(t->faults.begin(), t->faults.end(), [](const TimelineFault& f) { return f.time < 0; }));
    if (negative > 0) {
        const std::string n = std::to_string(negative);
        lines.push_back(lang == Lang::Rus ? "• " + n + PluralForm(negative, " блок", "ов", "а", "") +
                                                PluralForm(negative, " име", "ют", "ют", "ет") + " отрицательное время"
                                          : "• " + n + " block(s) has negative time");
    }
    return lines;
}

std::vector<TrackLineRow> MakeTrackTL(const Document& doc, const TimelineReport& report, uint64_t trackNo) {
    std::vector<TrackLineRow> rows;
    const TrackFaults* track = report.Find(trackNo);
    // The faults are in list order, as the rows: one pass over both.
    size_t nextFault = 0;
    const std::vector<xBlock>& blocks = doc.mkv.blocks;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const xBlock& b = blocks[i];
        if ((b.flags & xBlock::kBadTime) || doc.BlockTrack(b) != trackNo) continue;
        const bool fault = track && nextFault < track->faults.size() && track->faults[nextFault].blockIndex == i;
        nextFault += fault;
        rows.push_back(TrackLineRow{static_cast<uint8_t>(b.keyFrame() ? 1 : 0), Milliseconds(b.absTime, report.timecodeScale),
                                    static_cast<uint32_t>(i), fault ? kLineRed : kLineBlue});
    }
    return rows;
}

}  // namespace quillon
