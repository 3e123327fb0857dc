#include "reader/track_table.h"

#include "core/format_tags.h"
#include "reader/element_queries.h"

namespace quillon {

const char* TrackTypeName(uint64_t trackType) {
    switch (trackType) {
        case 1: return "VIDEO";
        case 2: return "AUDIO";
        case 3: return "COMPLEX";
        case 16: return "LOGO";
        case 17: return "SUBTITLES";
        case 18: return "BUTTONS";
        case 32: return "CONTROL";
        default: return "UNKNOWN";
    }
}

std::string JoinComma(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return first + ", " + second;
}

namespace {

// A TrackEntry out of place is no track.
bool InTracks(const tabrick& list, int entry) { return list[entry].parent >= 0 && list[list[entry].parent].id() == kTracks; }

}  // namespace

int TrackEntryRow(const tabrick& list, std::string_view numberText) {
    for (int e = FindFirstById(list, kTrackEntry); e >= 0; e = FindNextById(list, kTrackEntry, e))
        if (InTracks(list, e) && FindChildValue(list, kTrackNumber, e) == numberText) return e;
    return -1;
}

void FillTrackList(const tabrick& list, TrackTable& tracks) {
    tracks.clear();
    for (int e = FindFirstById(list, kTrackEntry); e >= 0; e = FindNextById(list, kTrackEntry, e)) {
        if (!InTracks(list, e)) continue;
        Track track;
        const int numberRow = FindChildElement(list, kTrackNumber, e);
        track.numberText = numberRow >= 0 ? list[numberRow].ValueText() : "?";

        const int typeRow = FindChildElement(list, kTrackType, e);
        const uint64_t type = typeRow >= 0 && list[typeRow].hasValue ? list[typeRow].Unsigned() : 0;
        track.typeText = type == 1 ? "VIDEO" : type == 2 ? "AUDIO" : type == 0x11 ? "SUBTITLES" : "UNKNOWN";

        const std::string codec = FindChildValue(list, kCodecID, e);
        const std::string name = FindChildValue(list, kName, e);
        if (track.typeText == "VIDEO") {
            std::string description;
            const int video = FindChildElement(list, kVideo, e);
            if (video >= 0)
                description = FindChildValue(list, kPixelWidth, video) + "x" + FindChildValue(list, kPixelHeight, video);
            track.description = JoinComma(JoinComma(description, codec), name);
        } else if (track.typeText != "UNKNOWN") {
            track.description = JoinComma(codec, name);
            if (track.typeText == "AUDIO") track.formatTag = acFormatTag(codec);
        }
        if (track.typeText != "UNKNOWN") {
            // mkvmerge leaves Language out for English and writes LanguageBCP47;
            // without either, Matroska's default holds.
            track.language = FindChildValue(list, kLanguage, e);
            if (track.language.empty()) track.language = FindChildValue(list, kLanguageBCP47, e);
            if (track.language.empty()) track.language = "eng";
            // FlagDefault's default is 1: mkvmerge and libwebm leave it out for a default track.
            const int flag = FindChildElement(list, kFlagDefault, e);
            if (flag < 0 || !list[flag].hasValue || list[flag].Unsigned() != 0) track.defaultMark = "y";
        }
        track.selectMark = "y";
        track.entryIndex = static_cast<uint32_t>(e);
        tracks.push_back(std::move(track));
    }
}

}  // namespace quillon
