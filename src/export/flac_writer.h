// FLAC: the track's CodecPrivate (the "fLaC" marker and the metadata blocks,
// as Matroska stores them), then the frames back to back.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome SaveFLAC(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
