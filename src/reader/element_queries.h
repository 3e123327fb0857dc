// Finding elements in a list by ID and parent. The lists are in document
// order (every scanner leaves them so), which keeps a child search inside
// its parent's subtree. IDs are the generated constants (kTrackEntry, ...).
#pragma once

#include <cstdint>
#include <string>

#include "core/element_list.h"
#include "core/generated/element_ids.h"

namespace quillon {

// Index of the first row with that ID whose parent is `parent`; -1 if none.
int FindChildElement(const tabrick& list, uint32_t id, int parent);
// The next such row after the child `after`; -1 if none.
int FindNextChild(const tabrick& list, uint32_t id, int parent, int after);
// valueText of the first such row; empty if none.
std::string FindChildValue(const tabrick& list, uint32_t id, int parent);
int FindFirstById(const tabrick& list, uint32_t id);
// First row with that ID after `index`; -1 if none.
int FindNextById(const tabrick& list, uint32_t id, int index);
// The list's TimecodeScale (its first one), or Matroska's default when it has
// none or one of 0.
uint64_t ListTimecodeScale(const tabrick& list);
// For a BlockGroup row with children: its first ReferenceBlock child; -1 otherwise.
int FindReferenceBlock(const tabrick& list, int groupRow);
// "b", "s", "e" for Block, SimpleBlock, EncriptedBlock present, then "-mode";
// "..." when the list holds no block.
std::string FindUsedBlockType(const tabrick& list);

// The row after `row` and all its subtree: its next sibling, or the next row
// higher up. Rows in document order lie at increasing offsets, so a subtree
// is jumped over by a binary search, not walked.
size_t SkipSubtree(const tabrick& list, size_t row);

// The direct children of a row, in order.
template <typename F>
void ForEachChild(const tabrick& list, int parent, F&& visit) {
    if (parent < 0 || static_cast<size_t>(parent) >= list.size() || !list[parent].hasChildren()) return;
    const int32_t depth = list[parent].depth;
    for (size_t i = static_cast<size_t>(parent) + 1; i < list.size() && list[i].depth > depth; i = SkipSubtree(list, i))
        visit(static_cast<int>(i));
}

}  // namespace quillon
