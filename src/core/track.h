// One row of the track table: the user's view of a track and the list every
// save, export and edit works from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct Track {
    static constexpr uint32_t kNotInSource = 0xFFFFFFFFu;

    std::string numberText;   // TrackNumber value text, "?" when absent
    std::string selectMark;   // "y" when the track takes part in the next save or export
    std::string typeText;     // "VIDEO", "AUDIO", "SUBTITLES" or "UNKNOWN"
    uint16_t formatTag = 0;   // WAVE format tag of an audio track, else 0
    std::string description;  // as the file holds it (UTF-8)
    std::string codecText;    // codec ID of an added or imported track
    std::string language;
    std::string defaultMark;  // "y" FlagDefault 1 in the file, "Y" made default by an edit
    uint32_t entryIndex = kNotInSource;  // TrackEntry row in the element list
};

using TrackTable = std::vector<Track>;

}  // namespace quillon
