// The remux: a new Matroska file from the model, with the chosen tracks
// renumbered, repacked blocks, new clusters, Cues and SeekHeads.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "writer/remux_options.h"
#include "writer/track_map.h"

namespace quillon {

// Layout: EBML header; Segment with an 8-byte size patched at the end;
// unless no SeekHeads, a 4000-byte reserve for the front SeekHead; Info;
// Tracks; optional Attachments and Chapters; the clusters; Cues; the SeekHead
// of all clusters; the front SeekHead over the reserve.
// Stopped: a valid file with the clusters written so far. WrittenWithWarnings:
// blocks the source does not hold whole were left out (their number logged).
SaveOutcome DoMKV(Document& doc, Host& host, const TrackMap& map, const std::string& outputPath,
                  const RemuxOptions& options, bool overwriteConfirmed);

}  // namespace quillon
