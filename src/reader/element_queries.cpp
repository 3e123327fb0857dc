#include "reader/element_queries.h"

#include <cstring>

namespace quillon {
namespace {

bool HasName(const Tbrick& row, std::string_view name) { return name == row.name(); }

}  // namespace

int FindChildElement(const tabrick& list, std::string_view name, int parent) {
    const int count = static_cast<int>(list.size());
    if (parent < 0 || parent >= count) {
        for (int i = 0; i < count; ++i)
            if (list[i].parent == parent && HasName(list[i], name)) return i;
        return -1;
    }
    const int32_t parentDepth = list[parent].depth;
    for (int i = parent + 1; i < count && list[i].depth > parentDepth; ++i)
        if (list[i].parent == parent && HasName(list[i], name)) return i;
    return -1;
}

std::string FindChildValue(const tabrick& list, std::string_view name, int parent) {
    const int row = FindChildElement(list, name, parent);
    return row < 0 ? std::string() : list[row].valueText;
}

std::string ChildValueIn(const tabrick& list, std::string_view name, int parent) {
    return FindChildValue(list, name, parent);
}

int FindFirstByName(const tabrick& list, std::string_view name) { return FindNextByName(list, name, -1); }

int FindNextByName(const tabrick& list, std::string_view name, int index) {
    const int count = static_cast<int>(list.size());
    for (int i = index < 0 ? 0 : index + 1; i < count; ++i)
        if (HasName(list[i], name)) return i;
    return -1;
}

int FindReferenceBlock(const tabrick& list, int groupRow) {
    const int count = static_cast<int>(list.size());
    if (groupRow < 0 || groupRow >= count) return -1;
    const Tbrick& group = list[groupRow];
    if (std::strcmp(group.idHex(), "A0") != 0 || !group.hasChildren()) return -1;
    // The group's own children, skipping the subtrees of BlockAdditions and the like.
    for (int i = group.firstChild; i < count && list[i].depth > group.depth; ++i)
        if (list[i].parent == groupRow && std::strcmp(list[i].idHex(), "FB") == 0) return i;
    return -1;
}

std::string FindUsedBlockType(const tabrick& list) {
    bool block = false, simple = false, encrypted = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        if (!row.isBlock()) continue;
        switch (DictionaryId(row.element)) {
            case 0xA1: block = true; break;
            case 0xA3: simple = true; break;
            default: encrypted = true; break;
        }
        if (block && simple && encrypted) break;
    }
    if (!block && !simple && !encrypted) return "...";
    std::string text;
    if (block) text += 'b';
    if (simple) text += 's';
    if (encrypted) text += 'e';
    return text + "-mode";
}

}  // namespace quillon
