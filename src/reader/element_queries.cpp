#include "reader/element_queries.h"

namespace quillon {

int FindNextChild(const tabrick& list, uint32_t id, int parent, int after) {
    const int count = static_cast<int>(list.size());
    if (parent < 0 || parent >= count) {
        for (int i = after < 0 ? 0 : after + 1; i < count; ++i)
            if (list[i].parent == parent && list[i].id() == id) return i;
        return -1;
    }
    const int32_t parentDepth = list[parent].depth;
    for (int i = after < parent ? parent + 1 : after + 1; i < count && list[i].depth > parentDepth; ++i)
        if (list[i].parent == parent && list[i].id() == id) return i;
    return -1;
}

int FindChildElement(const tabrick& list, uint32_t id, int parent) { return FindNextChild(list, id, parent, -1); }

std::string FindChildValue(const tabrick& list, uint32_t id, int parent) {
    const int row = FindChildElement(list, id, parent);
    return row < 0 ? std::string() : list[row].valueText;
}

int FindFirstById(const tabrick& list, uint32_t id) { return FindNextById(list, id, -1); }

int FindNextById(const tabrick& list, uint32_t id, int index) {
    const int count = static_cast<int>(list.size());
    for (int i = index < 0 ? 0 : index + 1; i < count; ++i)
        if (list[i].id() == id) return i;
    return -1;
}

int FindReferenceBlock(const tabrick& list, int groupRow) {
    if (groupRow < 0 || static_cast<size_t>(groupRow) >= list.size() || list[groupRow].id() != kBlockGroup) return -1;
    return FindChildElement(list, kReferenceBlock, groupRow);
}

std::string FindUsedBlockType(const tabrick& list) {
    bool block = false, simple = false, encrypted = false;
    for (size_t i = 0; i < list.size(); ++i) {
        switch (list[i].id()) {
            case kBlock: block = true; break;
            case kSimpleBlock: simple = true; break;
            case kEncriptedBlock: encrypted = true; break;
            default: continue;
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
