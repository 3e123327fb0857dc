// The conversion of the open Matroska file into an AVI without re-encoding:
// the checked video track (stored in Matroska's VFW mode) and at most one
// checked MP3, AC-3 or AAC track. Every frame becomes a chunk of the movi
// list, the two streams interleaved by time, and an idx1 index follows.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome DoAviConvert(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
