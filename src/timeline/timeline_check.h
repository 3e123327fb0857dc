// The timeline check: the blocks of a track whose times go backwards in file
// order. Audio and subtitle tracks take the strict rule (a block earlier than
// any block of its track before it is a fault). Video keeps its frames in
// decode order, so with B-frames times step back between key frames by
// design: a video block is a fault only when it is earlier than a block of
// its track 16 or more places before it (the most a decoder reorders), or
// negative. A video whose frames last a fixed time (DefaultDuration) is
// also held to its frame grid: a frame that sits inside one step of its
// neighbours while a step near it is empty is a fault too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "core/messages.h"

namespace quillon {

// How many places a decoder may reorder video frames.
inline constexpr size_t kVideoReorderDepth = 16;

struct TimelineFault {
    int64_t time = 0;         // in ticks
    uint32_t blockIndex = 0;  // in doc.mkv.blocks
};

struct TrackFaults {
    uint64_t trackNo = 0;
    bool video = false;
    std::vector<TimelineFault> faults;  // in list order
    double frameTicks = 0;              // video: a frame's DefaultDuration in ticks; 0 when it has none
};

struct TimelineReport {
    std::vector<TrackFaults> tracks;  // one per track of the model, in its order
    bool nonLinear = false;
    uint64_t timecodeScale = kDefaultTimecodeScale;  // ns per tick, for the times shown

    const TrackFaults* Find(uint64_t trackNo) const;
};

// Checks every track of the model over doc.mkv.blocks (built when needed).
// Blocks of a track the model has no entry for are left out.
TimelineReport TimeLineCheck(Document& doc);

// "  TimeLine  ::  " and the tracks with faults, or "No errors found".
std::string TimelineCaption(const TimelineReport& report, Lang lang);

// The report of one track for the memo (empty when it has no faults); times in milliseconds.
std::vector<std::string> ShowTrackError(const TimelineReport& report, uint64_t trackNo, Lang lang);

// The Russian form of a word for a count: stem + one of the endings.
std::string PluralForm(uint64_t count, std::string_view stem, std::string_view many, std::string_view few,
                       std::string_view one);

// One block of a track as the plot shows it.
struct TrackLineRow {
    uint8_t keyFlag = 0;
    int64_t time = 0;         // milliseconds
    uint32_t blockIndex = 0;  // in doc.mkv.blocks
    uint32_t colour = 0;      // 0x00BBGGRR: kLineBlue, or kLineRed for a fault
};
inline constexpr uint32_t kLineBlue = 0x800000;
inline constexpr uint32_t kLineRed = 0x0000FF;

// The blocks of a track in list order, coloured by the report.
std::vector<TrackLineRow> MakeTrackTL(const Document& doc, const TimelineReport& report, uint64_t trackNo);

}  // namespace quillon
