// Whether the file's video may be repacked as SimpleBlocks.
#pragma once

#include "core/element_list.h"

namespace quillon {

// On a freshly scanned list (document order), for the first video track:
//  -2  no video track, no TrackNumber, or no block of that track;
//  -1  its first block is not a Block (SimpleBlock or EncriptedBlock);
//   1  some Block of it has a ReferenceBlock above 0 (forward reference);
//   0  otherwise.
// Only 1 forbids converting to SimpleBlock.
int CheckVideoTL(const tabrick& list);

}  // namespace quillon
