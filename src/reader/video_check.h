// Whether the file's video may be repacked as SimpleBlocks: a Block that
// refers forward (to a later frame, a B-frame's second reference) cannot be
// told as a SimpleBlock.
#pragma once

#include "core/element_list.h"

namespace quillon {

enum class VideoBlocks {
    None,                 // no video track, no TrackNumber, or no block of that track
    NotInGroups,          // the first block of the video is not a Block (SimpleBlock or EncriptedBlock)
    BackwardReferences,   // in BlockGroups, no ReferenceBlock above 0
    ForwardReferences,    // some Block of it has a ReferenceBlock above 0: no SimpleBlock packing
};

// On a scanned list in document order, for the first video track. Every
// ReferenceBlock of a group counts, not only the first.
VideoBlocks CheckVideoTL(const tabrick& list);

}  // namespace quillon
