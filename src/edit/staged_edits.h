// Staged track edits: they change the writer's model and the track table and
// take effect in the next saved file. Every one sets the save mode to "build".
#pragma once

#include <optional>
#include <string>

#include "core/document.h"

namespace quillon {

// The values the track panel shows for a track.
struct TrackPanelValues {
    std::string number;
    std::string codecID;
    std::string name;           // UTF-8, shown as it is
    std::string language;
    std::string timecodeScale;  // shortest form, "," as the decimal separator
    std::string firstFrame;     // absTime of the track's first block, "-1" without blocks
    std::string duration;       // FormatMsTime of its last block's time
    bool isDefault = false;
};
// nullopt when the model has no entry with that number.
std::optional<TrackPanelValues> OpenTrackPanel(Document& doc, const std::string& number);

struct TrackPanelInput {
    std::string number;
    std::string name;
    std::string language;
    std::string timecodeScale;
    std::string firstFrame;
    std::string initialFirstFrame;  // what the panel showed
    bool isDefault = false;
    bool initialIsDefault = false;  // what the panel showed: the flag is written only when the user changed it
};

// Which box a refused accept points at (checked in this order).
enum class PanelField { None, Language, LanguagePlaceholder, UnknownLanguage, TimecodeScale, FirstFrame, NoSuchTrack };

// Checks the panel's values and stages them; on a refusal nothing changes.
PanelField AcceptTrackPanel(Document& doc, const TrackPanelInput& input);

// The single staged edits, by source track number; false when no such track
// (or, for the timecode scale, not a positive number).
bool StageName(Document& doc, const std::string& number, const std::string& name);
// Any form of a known language ("ger", "deu", "de", "fr-CA"): Language takes its
// ISO 639-2 code, LanguageBCP47 its BCP 47 tag, so the two always agree.
// False for a language no code table knows.
bool StageLanguage(Document& doc, const std::string& number, const std::string& language);
bool StageDefault(Document& doc, const std::string& number, bool isDefault);
bool StageForced(Document& doc, const std::string& number, bool forced);
bool StageTimecodeScale(Document& doc, const std::string& number, double scale);
// Moves every block of the track so that its first block lands at `time`,
// then merges the block list by time (other tracks first on equal times).
void ShiftTrackStart(Document& doc, const std::string& number, int64_t time);

// Swaps a track table row with its neighbour; false at the ends.
bool MoveTrackUp(Document& doc, size_t row);
bool MoveTrackDown(Document& doc, size_t row);

}  // namespace quillon
