// SRT from a subtitle track: from plain text as it is, or from an ASS/SSA
// track with the leading fields of each event cut off.
#pragma once

#include <string>
#include <string_view>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

// How many leading fields to cut from an ASS/SSA block's text so that the
// dialogue text remains: from the Format line after "[Events]" of the
// track's CodecPrivate, the 1-based position of its Text field less 2 (a
// Matroska block carries ReadOrder in front and lacks Start and End). 0 or
// less when there is no such line: nothing is cut.
int AssTextFieldsToCut(std::string_view codecPrivate);
// The text after `count` times the part up to and including the first ",".
std::string_view CutLeadingFields(std::string_view text, int count);

// By the codec of the checked subtitle track: ExportASS2SRT for "S_TEXT/ASS"
// and "S_TEXT/SSA", SaveSRT for anything else.
SaveOutcome SaveSRTX(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome SaveSRT(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome ExportASS2SRT(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
