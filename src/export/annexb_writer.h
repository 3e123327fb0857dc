// H.264 and HEVC as Annex B byte streams: the parameter sets of the
// CodecPrivate, then every NAL unit of every frame, each behind a start code.
// The start codes and the repeated parameter sets follow what mkvextract
// writes, so that the two programs give the same bytes:
//  - H.264: a 4-byte start code before every unit; the avcC's sets once, first.
//  - HEVC: a 4-byte start code before VPS, SPS and PPS and before the very
//    first unit, 3 bytes elsewhere. The hvcC's units go first unless the first
//    frame brings parameter sets of its own; a later key frame (by its block or
//    by an IRAP unit) that brings none gets the hvcC's VPS, SPS and PPS before it.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

SaveOutcome SaveH264(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome SaveHevc(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
