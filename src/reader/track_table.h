// The track table built from an element list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/element_list.h"
#include "core/track.h"

namespace quillon {

// Empties `tracks` and appends one row per TrackEntry of `list`, in list order.
void FillTrackList(const tabrick& list, TrackTable& tracks);

// The row of the first TrackEntry (in Tracks) whose TrackNumber text is
// `numberText`; -1 when none.
int TrackEntryRow(const tabrick& list, std::string_view numberText);

// "VIDEO", "AUDIO", "COMPLEX", "LOGO", "SUBTITLES", "BUTTONS", "CONTROL" or "UNKNOWN".
const char* TrackTypeName(uint64_t trackType);

// first + ", " + second; the ", " only when both are non-empty.
std::string JoinComma(const std::string& first, const std::string& second);

}  // namespace quillon
