// The old-to-new track map of one save: which source tracks are written and
// under which new number (1, 2, 3, ... in track table order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mkv_model.h"
#include "core/track.h"

namespace quillon {

struct tnewto {
    uint64_t oldNumber = 0;
    uint8_t newNumber = 0;  // 0 for an inactive track
    bool active = false;
    std::string typeText;   // "VIDEO", "AUDIO", "SUBTITLES", ...
};


class TrackMap {
public:
    // From the track table: rows with select mark "y" are active, numbered in
    // table order. Rows whose number text is not a number are left out.
    static TrackMap FromTracks(const TrackTable& tracks);

    const tnewto* Find(uint64_t oldNumber) const;
    const std::vector<tnewto>& Rows() const { return rows_; }
    size_t ActiveCount() const;
    // The old number of the active track with that new number, or nullptr.
    const tnewto* ByNewNumber(uint8_t newNumber) const;

private:
    std::vector<tnewto> rows_;
    mutable size_t lastHit_ = 0;
};

}  // namespace quillon
