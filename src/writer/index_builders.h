// The index elements of a new file: Cues from the cue rows the cluster loop
// collected, the SeekHead of all clusters at the end, and the front SeekHead
// that fills the 4000-byte reserve together with a Void.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/put_primitives.h"

namespace quillon {

struct CueRow {
    int64_t cueTime = 0;
    uint8_t cueTrack = 0;
    uint64_t cueClusterPos = 0;  // relative to the start of the Segment's data
};

struct TSeek {
    uint32_t id = 0;        // a 4-byte ID: kInfo, kCluster ...
    uint64_t position = 0;  // relative to the start of the Segment's data
};

inline constexpr uint64_t kFrontReserve = 4000;

uint64_t calcCUESlen(const std::vector<CueRow>& cues);
ByteList cues2buff(const std::vector<CueRow>& cues);
ByteList seekhead2buff(const std::vector<TSeek>& seeks);
// The front SeekHead followed by the ID and size field of a Void that fills
// the rest of the reserve; only these bytes are written over the reserve.
ByteList topHeadxVoid2buff(const std::vector<TSeek>& seeks);

}  // namespace quillon
