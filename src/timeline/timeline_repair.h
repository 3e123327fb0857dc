// Repairs of a track whose block times go backwards, on the model's block
// list; the writer then writes the blocks with their new times. A track the
// check finds clean is never changed. After a repair that changed a track,
// its blocks are merged back into the list by time, the other tracks and the
// track's own order untouched (video stays in decode order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"
#include "timeline/timeline_check.h"

namespace quillon {

enum class TimelineRepair {
    Reorder,          // "пересортировать по времени"
    Retime,           // "порядок не менять, исправить время"
    RetimeInvisible,  // the same, the re-timed blocks made invisible
    KeyFrames,        // "время KeyFrames считать правильным, остальные пересчитать"
};

struct RepairOutcome {
    std::vector<std::string> memo;  // Russian lines, for the message lookup
    bool changed = false;
    bool faultsRemain = false;      // the check still finds the track out of order ("• ошибки остались")
    TimelineReport after;           // the check run again
};

// Runs the repair on the track; `fixReferences`: the track's ReferenceBlocks
// then point at the block placed before each.
RepairOutcome RepairTrack(Document& doc, uint64_t trackNo, TimelineRepair repair, bool fixReferences);

// The steps, on the blocks of one track (indices into doc.mkv.blocks in list
// order); each returns whether it changed anything.
bool MatrosTrackReorder(Document& doc, const TrackFaults& track, std::vector<std::string>& memo);
bool MatrosTrackTimeRecalc(Document& doc, const TrackFaults& track, bool invisible);
bool MatrosTrackTimeRecalcKF(Document& doc, const TrackFaults& track);
void FixReferences(Document& doc, uint64_t trackNo);
// Merges the track's blocks back into the list by time.
void MatrosStreamReorder(Document& doc, uint64_t trackNo);

}  // namespace quillon
