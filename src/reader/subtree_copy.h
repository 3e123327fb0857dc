// Copying elements of a scanned file into a new one: each master is written
// anew from its listed children, each plain element from its bytes in the
// source. What the scan found damaged (cut elements, values of a size their
// type forbids) and padding (Void, CRC-32, which would be stale) are left
// out, and every string is one its type allows, so the copy is always well
// formed, whatever the source was.
#pragma once

#include <cstdint>
#include <vector>

#include "core/element_list.h"
#include "core/source_file.h"

namespace quillon {

// Appends the element of `row` with its subtree to `out`; nothing when the
// element itself cannot be copied.
void AppendSubtree(const tabrick& list, int row, SourceFile& source, std::vector<uint8_t>& out);
// Appends every copyable child of `parent` (only their bytes, not the parent's header).
void AppendChildren(const tabrick& list, int parent, SourceFile& source, std::vector<uint8_t>& out);

// The data bytes of a plain element row.
bool ReadElementData(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out);

}  // namespace quillon
