// Finding elements in a list by name and parent. The lists are in document
// order (every scanner leaves them so), which keeps a child search inside
// its parent's subtree.
#pragma once

#include <string>
#include <string_view>

#include "core/element_list.h"

namespace quillon {

// Index of the first row with that name whose parent is `parent`; -1 if none.
int FindChildElement(const tabrick& list, std::string_view name, int parent);
// valueText of that row; empty if none.
std::string FindChildValue(const tabrick& list, std::string_view name, int parent);
std::string ChildValueIn(const tabrick& list, std::string_view name, int parent);
int FindFirstByName(const tabrick& list, std::string_view name);
// First row with that name after `index`; -1 if none.
int FindNextByName(const tabrick& list, std::string_view name, int index);
// For a BlockGroup row with children: its first ReferenceBlock child, looking
// at the children in order while they belong to the group; -1 otherwise.
int FindReferenceBlock(const tabrick& list, int groupRow);
// "b", "s", "e" for Block, SimpleBlock, EncriptedBlock present, then "-mode";
// "..." when the list holds no block.
std::string FindUsedBlockType(const tabrick& list);

}  // namespace quillon
