// Vorbis in Ogg: the three header packets of the CodecPrivate on pages of
// their own, then the frames of each block on one page (more when a block
// needs more than 255 lacing values), the last page marked as the end of the
// stream. Granule positions count the samples at the end of each page's last
// packet, from the Vorbis block sizes when the headers can be read, else from
// the block times.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

constexpr uint32_t kOggSerial = 1;

SaveOutcome SaveOGG(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
