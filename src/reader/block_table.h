// The table of every block of the open file, in file order: a row and a time
// each (16 bytes), what the remux writes from and the staged edits move.
// Built from the element list the first time something needs it.
#pragma once

#include "core/document.h"

namespace quillon {

// Fills doc.mkv.blocks and doc.mkv.oldClusters from doc.lista, once per scan.
// Only blocks of the Segment's Clusters count; a block whose time cannot be
// known is marked xBlock::kBadTime.
void EnsureBlockTable(Document& doc);

}  // namespace quillon
