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
    NotThatElement,  // the row is not a FlagDefault / Language element
    FileChanged,     // the file no longer holds that element where the scan saw it
    TooLong,         // the new language code is longer than the old one
    BadCode,         // an empty code or one with characters a code cannot hold
    OpenFailed,      // the file cannot be opened for writing
    WriteFailed,
};

// Checks, without writing, that the file can be opened for writing and still
// holds the element where the scan saw it (told through the host if not).
PatchResult VerifyElement(Document& doc, Host& host, int element);

// Sets the FlagDefault element of row `element` to `value` (0 or 1).
PatchResult TrackSetDef(Document& doc, Host& host, int element, uint8_t value);
// Replaces the code of the Language element of row `element`. A shorter code
// keeps the element's size by widening its size field by the bytes saved.
PatchResult TrackSetLang(Document& doc, Host& host, int element, const std::string& code);

}  // namespace quillon
