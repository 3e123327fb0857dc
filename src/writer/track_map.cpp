#include "writer/track_map.h"

#include "core/value_text.h"

namespace quillon {

TrackMap TrackMap::FromTracks(const TrackTable& tracks) {
    TrackMap map;
    unsigned count = 0;
    for (const Track& track : tracks) {
        if (!IsDigits(track.numberText)) continue;
        tnewto row;
        row.oldNumber = TextToUInt64(track.numberText);
        row.typeText = track.typeText;
        if (track.selectMark == "y") {
            row.active = true;
            ++count;
            row.newNumber = count <= 255 ? static_cast<uint8_t>(count) : 0;
        }
        map.rows_.push_back(row);
    }
    return map;
}

const tnewto* TrackMap::Find(uint64_t oldNumber) const {
    // Blocks come in runs of the same track: try the last hit first.
    if (lastHit_ < rows_.size() && rows_[lastHit_].oldNumber == oldNumber) return &rows_[lastHit_];
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].oldNumber == oldNumber) {
            lastHit_ = i;
            return &rows_[i];
        }
    return nullptr;
}

size_t TrackMap::ActiveCount() const {
    size_t n = 0;
    for (const auto& row : rows_) n += row.active ? 1 : 0;
    return n;
}

const tnewto* TrackMap::ByNewNumber(uint8_t newNumber) const {
    for (const auto& row : rows_)
        if (row.active && row.newNumber == newNumber) return &row;
    return nullptr;
}

}  // namespace quillon
