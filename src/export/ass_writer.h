// ASS/SSA from an ASS or SSA track: the script header of the CodecPrivate,
// then one "Dialogue: " line per block with its times put back.
#pragma once

#include <string>
#include <string_view>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

// The event line of one block: its text without ReadOrder, the Layer field
// ("0" when empty), the two times, then the rest (Style ... Text); no line end.
std::string AssDialogueLine(std::string_view blockText, int64_t startMs, int64_t endMs);

SaveOutcome SaveASS(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
