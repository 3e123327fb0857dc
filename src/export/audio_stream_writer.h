// AC-3 and MP3: the track's frames back to back, with no header of any kind.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome SaveAudioStream(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
