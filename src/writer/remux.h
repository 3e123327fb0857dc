// The remux: a new Matroska file from the model, with the chosen tracks
// renumbered, repacked blocks, new clusters, Cues and SeekHeads.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"
#include "writer/save_options.h"
#include "writer/track_map.h"

namespace quillon {

enum class RemuxResult {
    Written,
    Stopped,        // a valid file with the clusters written so far
    Declined,       // the user would not replace the existing output
    SourceFailed,   // "файл занят другим приложением"
    OutputFailed,   // "Can't create output file."
    TooManyTracks,  // more than 126 active tracks
};

// Layout: EBML header; Segment with an 8-byte size patched at the end;
// unless no SeekHeads, a 4000-byte reserve for the front SeekHead; Info;
// Tracks; optional Attachments and Chapters; the clusters; Cues; the SeekHead
// of all clusters; the front SeekHead over the reserve.
RemuxResult DoMKV(Document& doc, Host& host, const TrackMap& map, const std::string& outputPath,
                  const RemuxOptions& options, bool overwriteConfirmed);

}  // namespace quillon
