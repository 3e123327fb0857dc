// The quick edits of the track list: default flag and language, written into
// the open file in place. Grid marks change only when the file did. What the
// element's own bytes cannot hold (a longer code, a flag the track lacks) is
// written by the header editor, which rewrites the Tracks master: then the
// result is Rewritten, and the caller reads the file again.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"
#include "edit/in_place_patch.h"

namespace quillon {

// Index of the FlagDefault / Language element of a track row, or -1.
int TrackFlagDefaultElement(const Document& doc, size_t row);
int TrackLanguageElement(const Document& doc, size_t row);

// Makes the row the default track of its type: the other rows of the type
// marked "y" lose their flag first. Nothing happens for a row already marked
// or without a FlagDefault element (NotThatElement).
PatchResult QuickSetDefault(Document& doc, Host& host, size_t row);
// Drops the row's default flag (only for a row marked "y").
PatchResult QuickDropDefault(Document& doc, Host& host, size_t row);
// Writes a new language code into the row's Language element.
PatchResult QuickSetLanguage(Document& doc, Host& host, size_t row, const std::string& code);

}  // namespace quillon
