// Rules that choose and edit tracks by what they are rather than by their
// numbers, so one set of rules fits every file of a season: "keep a:jpn",
// "drop s:rus", "default s:eng", "forced s:eng,name~Signs", "order v,a:jpn,s".
// A match names a type (v, a, s) with an optional language, or a track by
// number, UID or place among its type (3, uid:U, a1), and may add
// name~TEXT (a part of the name, any case), name=TEXT (the whole name, any
// case; empty for a track without one), codec=PREFIX, lang=CODE, forced,
// default. Languages match in any form: "jpn", "ja" and "ja-JP" alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/track_selector.h"

namespace quillon {

// What a rule sees of a track.
struct TrackFacts {
    uint64_t number = 0;
    uint64_t uid = 0;
    uint8_t type = 0;           // 1 video, 2 audio, 17 subtitles
    std::string language;       // Language as stored ("" when absent: English by the format's rule)
    std::string languageBCP47;  // LanguageBCP47 as stored, or ""
    std::string codec;
    std::string name;
    bool forced = false;
    bool isDefault = true;      // FlagDefault, 1 when absent
};

// The track's language as rules compare it: ISO 639-2, LanguageBCP47 first
// (as players read it), English where the track names none.
std::string TrackLanguage(const TrackFacts& track);
// "v", "a", "s" (the letters matches use), "?" for another type.
const char* TrackTypeLetter(uint8_t type);

struct TrackMatch {
    std::string text;                     // as written, for messages
    std::optional<TrackSelector> track;   // a number, a UID or the n-th of a type
    uint8_t type = 0;                     // 0: any
    std::string language;                 // ISO 639-2, "" any
    std::string nameContains;             // lower case, "" any
    std::optional<std::string> nameEquals;  // lower case, the whole name ("" for none)
    std::string codecPrefix;
    std::optional<bool> forced, isDefault;
};

// nullopt when the text is no match (an unknown type, language or word).
std::optional<TrackMatch> ParseTrackMatch(std::string_view text);
bool Matches(const TrackMatch& match, const std::vector<TrackFacts>& tracks, size_t index);

struct NamedMatch {
    TrackMatch match;
    std::string value;  // the name or language code to set
};

struct TrackRules {
    std::vector<TrackMatch> keep = {}, drop = {}, makeDefault = {}, makeForced = {}, order = {};
    // Kept when they match any of a list; a file where none of a list matches
    // is not written (the batch window's ticks: one of these audio tracks).
    std::vector<std::vector<TrackMatch>> keepAnyOf = {};
    std::vector<NamedMatch> names = {}, languages = {};
};

// The outcome of the rules on one file's tracks.
struct TrackPlan {
    struct Kept {
        size_t index;  // into the file's tracks
        std::optional<std::string> name, language;
        bool makeDefault = false;
        bool makeForced = false;
    };
    std::vector<Kept> kept;               // in output order
    std::vector<std::string> failures;    // rules the file cannot meet: it is not written
    std::vector<std::string> warnings;    // rules that found nothing to change
};

TrackPlan PlanTracks(const std::vector<TrackFacts>& tracks, const TrackRules& rules);

}  // namespace quillon
