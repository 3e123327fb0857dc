#include "reader/element_queries.h"

namespace quillon {

size_t SkipSubtree(const tabrick& list, size_t row) {
    const size_t count = list.size();
    if (row + 1 >= count || list[row + 1].depth <= list[row].depth) return row + 1;  // no children
    // The first row past the subtree starts at or after its end.
    const uint64_t end = list[row].end();
    size_t low = row + 1, high = count;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (list[middle].position < end && list[middle].depth > list[row].depth) low = middle + 1;
        else high = middle;
    }
    return low;
}

int FindNextChild(const tabrick& list, uint32_t id, int parent, int after) {
    const int count = static_cast<int>(list.size());
    if (parent < 0 || parent >= count) {
        for (int i = after < 0 ? 0 : after + 1; i < count; ++i)
            if (list[i].parent == parent && list[i].id() == id) return i;
        return -1;
    }
    const int32_t parentDepth = list[parent].depth;
    size_t i = static_cast<size_t>(after < parent ? parent + 1 : after);
    if (after >= parent) i = SkipSubtree(list, i);
    for (; i < list.size() && list[i].depth > parentDepth; i = SkipSubtree(list, i))
        if (list[i].id() == id) return static_cast<int>(i);
    return -1;
}

int FindChildElement(const tabrick& list, uint32_t id, int parent) { return FindNextChild(list, id, parent, -1); }

uint64_t ListTimecodeScale(const tabrick& list) {
    const int row = FindFirstById(list, kTimecodeScale);
    const uint64_t scale = row >= 0 && list[row].hasValue ? list[row].Unsigned() : 0;
    return scale > 0 && scale < (uint64_t{1} << 63) ? scale : 1000000;
}

std::string FindChildValue(const tabrick& list, uint32_t id, int parent) {
    const int row = FindChildElement(list, id, parent);
    return row < 0 ? std::string() : list[row].ValueText();
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
