// The track panel's changes written into the open file at once, by the
// in-place header editor, instead of being staged for a new file: the name,
// the language and the default flag are header properties; the timing is
// not (it changes every block), so a panel that changed it is refused.
#pragma once

#include <vector>

#include "core/document.h"
#include "edit/header_edit.h"
#include "edit/staged_edits.h"

namespace quillon {

struct PanelInPlace {
    std::vector<PropertyEdit> edits;
    const char* refusal = nullptr;  // why not (a message key), or null
};

// What the panel changed against what it showed, as edits of the file's
// track; a refusal when something cannot be written in place or nothing changed.
PanelInPlace PanelChangesInPlace(const Document& doc, const TrackPanelInput& input, const TrackPanelValues& shown);

}  // namespace quillon
