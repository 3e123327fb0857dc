#include "reader/node_text.h"

#include <cstring>

#include "core/display_text.h"

namespace quillon {

bool IsUtf8TextId(const char* idHex) {
    static const char* const kIds[] = {"7384", "3C83AB", "3E83BB", "7BA9", "4D80", "5741", "536E",
                                       "258688", "3A9697", "467E", "466E", "85", "45A3", "4487"};
    for (const char* id : kIds)
        if (std::strcmp(id, idHex) == 0) return true;
    return false;
}

std::string NodeText(const Tbrick& row) {
    std::string text = row.name();
    text += " [";
    text += std::to_string(row.totalSize);
    text += ']';
    if (!row.valueText.empty()) {
        text += " = ";
        text += IsUtf8TextId(row.idHex()) ? Utf8ToAnsiText(row.valueText) : row.valueText;
    }
    if (row.isBlock()) {
        const Tblock& b = row.block;
        text += "  (track: " + b.trackText() + ", " + std::to_string(b.frameCount) + " ";
        if (b.keyFrame()) text += "key";
        text += b.frameCount == 1 ? "frame" : "frames";
        text += ", timecode: " + b.timecodeText() + ", lacetype: " + b.lacingText() + ", size(s): ";
        for (size_t k = 0; k < b.frameCount; ++k) {
            if (k) text += ", ";
            text += std::to_string(b.frameSize(k));
        }
        text += ')';
    }
    return text;
}

}  // namespace quillon
