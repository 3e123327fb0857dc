// AC-3 and MP3: the track's frames back to back, with no header of any kind.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "writer/save_command.h"

namespace quillon {

SaveOutcome SaveAudioStream(Document& doc, Host& host, const SaveRequest& request);

}  // namespace quillon
