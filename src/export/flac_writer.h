// FLAC: the track's CodecPrivate (the "fLaC" marker and the metadata blocks,
// as Matroska stores them), then the frames back to back.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "writer/save_command.h"

namespace quillon {

SaveOutcome SaveFLAC(Document& doc, Host& host, const SaveRequest& request);

}  // namespace quillon
