#include "core/track_selector.h"

#include "core/value_text.h"

namespace quillon {
std::optional<TrackSelector> ParseTrackSelector(std::string_view text) {
    if (text.substr(0, 4) == "uid:") {
        const auto uid = ParseUnsigned(text.substr(4));
        if (!uid || *uid == 0) return std::nullopt;
        return TrackSelector{TrackSelector::Uid, *uid, 0};
    }
    if (!text.empty() && (text[0] == 'v' || text[0] == 'a' || text[0] == 's')) {
        const auto n = ParseUnsigned(text.substr(1));
        if (!n || *n == 0) return std::nullopt;
        const uint8_t type = text[0] == 'v' ? 1 : text[0] == 'a' ? 2 : 17;
        return TrackSelector{TrackSelector::NthOfType, *n, type};
    }
    const auto number = ParseUnsigned(text);
    if (!number || *number == 0) return std::nullopt;
    return TrackSelector{TrackSelector::Number, *number, 0};
}

std::optional<size_t> SelectTrack(const std::vector<SelectableTrack>& tracks, const TrackSelector& selector) {
    uint64_t seen = 0;
    for (size_t k = 0; k < tracks.size(); ++k) {
        const SelectableTrack& t = tracks[k];
        switch (selector.kind) {
            case TrackSelector::Number:
                if (t.number == selector.value) return k;
                break;
            case TrackSelector::Uid:
                if (t.uid == selector.value) return k;
                break;
            case TrackSelector::NthOfType:
                if (t.type == selector.type && ++seen == selector.value) return k;
                break;
        }
    }
    return std::nullopt;
}

}  // namespace quillon
