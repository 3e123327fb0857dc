// Subtitle files as new tracks: an SRT file or an ASS/SSA script is read
// whole, parsed into events, and each event becomes one Block (its text held
// in memory) merged by time among the blocks of the other tracks.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// Parse and add; false (told through the host) when the file cannot be
// read or parsed, and then nothing changes.
bool AddSRT2TrackList(Document& doc, const std::string& path, Host& host);
bool AddASS2TrackList(Document& doc, const std::string& path, const std::string& kind, Host& host);  // "ASS" or "SSA"

// By the file's extension (.srt, .ass, .ssa in any letter case); another
// extension is refused with "субтитры должны быть в формате SRT или SSA/ASS".
bool AddSubtitleFile(Document& doc, const std::string& path, Host& host);

}  // namespace quillon
