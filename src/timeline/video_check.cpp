#include "timeline/video_check.h"

#include <cstdlib>
#include <cstring>

#include "reader/element_queries.h"

namespace quillon {

int CheckVideoTL(const tabrick& list) {
    int entry = FindFirstByName(list, "TrackEntry");
    for (; entry >= 0; entry = FindNextByName(list, "TrackEntry", entry))
        if (FindChildValue(list, "TrackType", entry).rfind("01", 0) == 0) break;
    if (entry < 0) return -2;
    const std::string numberText = FindChildValue(list, "TrackNumber", entry);
    if (numberText.empty()) return -2;
    const uint64_t number = std::strtoull(numberText.c_str(), nullptr, 10);

    bool firstSeen = false;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        if (!row.isBlock() || row.block.trackNumber != number) continue;
        const bool isBlock = std::strcmp(row.idHex(), "A1") == 0;
        if (!firstSeen) {
            firstSeen = true;
            if (!isBlock) return -1;
        }
        if (!isBlock || row.parent < 0) continue;
        const int reference = FindReferenceBlock(list, row.parent);
        if (reference >= 0 && std::strtoll(list[reference].valueText.c_str(), nullptr, 10) > 0) return 1;
    }
    return firstSeen ? 0 : -2;
}

}  // namespace quillon
