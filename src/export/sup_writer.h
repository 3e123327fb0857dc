// PGS subtitles (S_HDMV/PGS) as a .sup file: each block holds whole
// presentation-graphics segments, and each segment is written behind the
// 13-byte header a .sup file gives it ("PG", its 90 kHz presentation time
// from the block's time, rounded down, and a decoding time of 0), as
// mkvextract writes them.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome SaveSUP(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
