// The distinct tracks of many files, grouped by type, language, codec and
// name with how many files have each, and the track rules the user's choices
// on the groups make: the batch window's table in numbers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/track_rules.h"

namespace quillon {

struct TrackGroup {
    uint8_t type = 0;       // 1 video, 2 audio, 17 subtitles
    std::string language;   // ISO 639-2 as rules compare it
    std::string codec;
    std::string name;
    size_t files = 0;       // how many files have a track of the group
    // The choices.
    bool keep = true;
    bool makeDefault = false;
    bool makeForced = false;
    std::string newName;    // "" leaves the name
};

// Video, then audio, then subtitles; within a type the commonest first.
std::vector<TrackGroup> GroupTracks(const std::vector<std::vector<TrackFacts>>& files);

// The match of exactly one group's tracks.
TrackMatch MatchOf(const TrackGroup& group);

// Moves a group one place up or down among the groups of its type (the
// output order within a type); false at the type's ends.
bool MoveGroup(std::vector<TrackGroup>& groups, size_t index, bool up);

// The rules of the choices: a type with some groups left unticked keeps one
// of the ticked ones (a file with none of them is not written), a type with
// none ticked is dropped; the ticked defaults, forced flags and names; the
// output order video, audio, subtitles, within a type as the table lists them.
TrackRules RulesOf(const std::vector<TrackGroup>& groups);

}  // namespace quillon
