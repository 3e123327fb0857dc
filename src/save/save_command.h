// The save command: checks the names and the chosen tracks, makes sure the
// whole container is parsed into the model, and hands over to the writer
// the request asks for.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "save/save_request.h"

namespace quillon {

// Full parse and model build when the document has not been fully scanned.
// False when the source cannot be opened or the scan was stopped.
bool prepare2export(Document& doc, Host& host);

// The whole save: same-name and no-track refusals, the track map, the
// preparation, the dispatch. Sets no status text itself beyond the writers'
// own; the front shows "r e a d y" / "a b o r t e d" from the outcome.
SaveOutcome SaveCommand(Document& doc, Host& host, const SaveRequest& request);

}  // namespace quillon
