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

// A Matroska ASS/SSA block always holds ReadOrder, Layer, Style, Name,
// MarginL, MarginR, MarginV, Effect and Text, whatever the Format line of the
// script says (the muxers rebuild every event in this order): the dialogue
// text follows the eighth comma.
inline constexpr int kAssFieldsBeforeText = 8;
// The text after `count` times the part up to and including the first ",".
std::string_view CutLeadingFields(std::string_view text, int count);

// By the codec of the checked subtitle track: ExportASS2SRT for "S_TEXT/ASS"
// and "S_TEXT/SSA", SaveSRT for anything else.
SaveOutcome SaveSRTX(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome SaveSRT(Document& doc, Host& host, const ExportRequest& request);
SaveOutcome ExportASS2SRT(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
