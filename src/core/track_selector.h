// Which track of a file a selector names, so that one command fits every
// episode of a season even when their track numbers differ: a track number
// ("3"), a UID ("uid:123456"), or the n-th track of a type ("v1", "a2", "s1";
// counted in the file's order, from 1).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillon {

struct SelectableTrack {
    uint64_t number = 0;
    uint64_t uid = 0;
    uint8_t type = 0;  // TrackType: 1 video, 2 audio, 17 subtitles
};

// A selector as written, checked: nullopt when it is no selector at all.
struct TrackSelector {
    enum Kind { Number, Uid, NthOfType } kind = Number;
    uint64_t value = 0;  // the number, the UID, or n
    uint8_t type = 0;    // NthOfType: the TrackType
};
std::optional<TrackSelector> ParseTrackSelector(std::string_view text);

// The index in `tracks` of the one track the selector names; nullopt when
// it names none in this file.
std::optional<size_t> SelectTrack(const std::vector<SelectableTrack>& tracks, const TrackSelector& selector);

}  // namespace quillon
