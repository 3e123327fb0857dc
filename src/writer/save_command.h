// The save command: checks the names and the chosen tracks, makes sure the
// whole container is parsed into the model, and hands over to the writer
// the request asks for.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"
#include "writer/save_options.h"

namespace quillon {

enum class SaveOutcome {
    Written,          // "r e a d y"
    Stopped,          // the user stopped it: "a b o r t e d" (a remux still leaves a valid file)
    NothingWritten,   // refused or declined before writing; the reason was told through the Host
    Failed,           // a file could not be opened, created or written; told through the Host
};

// Full parse and model build when the document has not been fully scanned.
// False when the source cannot be opened or the scan was stopped.
bool prepare2export(Document& doc, Host& host);

// The whole save: same-name and no-track refusals, the track map, the
// preparation, the dispatch. Sets no status text itself beyond the writers'
// own; the front shows "r e a d y" / "a b o r t e d" from the outcome.
SaveOutcome SaveCommand(Document& doc, Host& host, const SaveRequest& request);

// A free output name beside the input: film.mkv -> film.001.mkv (or the next
// free number), film.001.mkv -> film.002.mkv; the extension in lower case.
std::string makeOutFN(const std::string& inputPath);

}  // namespace quillon
