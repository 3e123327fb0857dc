#include "reader/node_text.h"

#include "core/display_text.h"

namespace quillon {

std::string NodeText(const Tbrick& row) {
    std::string text = row.name();
    text += " [";
    text += std::to_string(row.totalSize);
    text += ']';
    if (const std::string value = row.ValueText(); !value.empty()) {
        text += " = ";
        text += DisplayText(value);
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
    // Where the scan found the element cut or damaged.
    if (row.damage) text += "  \u26A0";
    return text;
}

}  // namespace quillon
