// The two quick edits that patch the open file in place: a track's
// FlagDefault and its Language. Only the element's own bytes change and its
// total size never does; the element list follows only a patch that was
// written.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

enum class PatchResult {
    Written,
    Rewritten,       // written by rewriting the track's master: the document no longer matches the file
    NotThatElement,  // the row is not a FlagDefault / Language element
    FileChanged,     // the file no longer holds that element where the scan saw it
    TooLong,         // the new language code is longer than the old one
    BadCode,         // an empty code, one with characters a code cannot hold, or no language's
    NoElement,       // the track has no such element, and no room to add one: only a new file can
    OpenFailed,      // the file cannot be opened for writing
    WriteFailed,
};

// Checks, without writing, that the file can be opened for writing and still
// holds the element where the scan saw it (told through the host if not).
PatchResult VerifyElement(Document& doc, Host& host, int element);

// Sets the FlagDefault element of row `element` to `value` (0 or 1).
PatchResult TrackSetDef(Document& doc, Host& host, int element, uint8_t value);
// Replaces the code of the Language (or LanguageBCP47) element of row
// `element`. A shorter code keeps the element's size by widening its size
// field by the bytes saved.
PatchResult TrackSetLang(Document& doc, Host& host, int element, const std::string& code);
// Whether `code` can replace the element's value in place (without writing).
bool LanguageFits(const Tbrick& row, const std::string& code);
// Tells the host what a refusal means.
PatchResult Report(Host& host, PatchResult result, const std::string& path = {}, int error = 0);

}  // namespace quillon
