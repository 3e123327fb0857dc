// The two WAV exports of an audio track: "wav (pcm)" decodes it to 16-bit
// PCM (a PCM track is copied at its own depth), "wav (mp3)" wraps MP3 frames
// unchanged in a WAVE file with an MPEG layer-3 format chunk.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome Sound2WAV(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome Sound2MP3WAV(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
