#include "reader/video_check.h"

#include "core/value_text.h"
#include "reader/element_queries.h"

namespace quillon {
namespace {

bool HasForwardReference(const tabrick& list, int group) {
    bool forward = false;
    ForEachChild(list, group, [&](int child) {
        if (list[child].id() == kReferenceBlock && list[child].Signed() > 0) forward = true;
    });
    return forward;
}

}  // namespace

VideoBlocks CheckVideoTL(const tabrick& list) {
    int entry = FindFirstById(list, kTrackEntry);
    for (; entry >= 0; entry = FindNextById(list, kTrackEntry, entry))
        if (FindChildValue(list, kTrackType, entry).rfind("01", 0) == 0) break;
    if (entry < 0) return VideoBlocks::None;
    const std::string numberText = FindChildValue(list, kTrackNumber, entry);
    if (!IsDigits(numberText)) return VideoBlocks::None;
    const uint64_t number = TextToUInt64(numberText);

    bool firstSeen = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        if (!row.isBlock() || row.block.trackNumber != number) continue;
        const bool isBlock = row.id() == kBlock;
        if (!firstSeen) {
            firstSeen = true;
            if (!isBlock) return VideoBlocks::NotInGroups;
        }
        if (isBlock && row.parent >= 0 && HasForwardReference(list, row.parent)) return VideoBlocks::ForwardReferences;
    }
    return firstSeen ? VideoBlocks::BackwardReferences : VideoBlocks::None;
}

}  // namespace quillon
