// A track's times in the plain texts people feed other tools: the cue points
// of one track, and every frame's timestamp in "timestamp format v2" (one
// millisecond value a line, in presentation order), as mkvextract writes them.
#pragma once

#include <optional>
#include <string>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// nullopt when the file has no such track or cannot be read.
std::optional<std::string> CuesText(const Document& doc, uint64_t track);
std::optional<std::string> TimestampsV2(const Document& doc, uint64_t track, Host& host);

}  // namespace quillon
