// Parsing the header of a Block, SimpleBlock or EncriptedBlock: track number,
// relative timecode, flags and the frame sizes of all three lacings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/element_list.h"

namespace quillon {

enum class BlockParse {
    Ok,
    NeedMore,  // the lace header runs past `available` and more of the element exists
    Damaged,   // the header or the lace sizes do not fit the element: sizes are clamped to it
};

// `bytes` holds the first `available` bytes of the block element (ID first);
// `totalSize` is the element's whole length.
BlockParse ParseBlockHeader(const uint8_t* bytes, size_t available, uint64_t totalSize, Tblock& block);

}  // namespace quillon
