#include "export/av1_obus.h"

namespace quillon {
namespace {

constexpr int kSequenceHeader = 1;
constexpr int kTemporalDelimiter = 2;
constexpr int kFrameHeader = 3;

int ObuType(uint8_t header) { return (header >> 3) & 0x0F; }

}  // namespace

bool NeedsTemporalDelimiter(std::span<const uint8_t> frame) {
    if (frame.empty()) return true;
    const int type = ObuType(frame[0]);
    return type != kTemporalDelimiter && type != kFrameHeader;
}

bool HasSequenceHeader(std::span<const uint8_t> frame) {
    size_t at = 0;
    while (at < frame.size()) {
        const uint8_t header = frame[at];
        const bool extension = header & 0x04, hasSize = header & 0x02;
        if (ObuType(header) == kSequenceHeader) return true;
        if (!hasSize) return false;  // the last OBU runs to the frame's end
        at += extension ? 2 : 1;
        uint64_t size = 0;
        for (int k = 0;; ++k) {  // leb128, at most eight bytes
            if (at >= frame.size() || k == 8) return false;
            const uint8_t byte = frame[at++];
            size |= uint64_t(byte & 0x7F) << (7 * k);
            if (!(byte & 0x80)) break;
        }
        if (size > frame.size() - at) return false;
        at += static_cast<size_t>(size);
    }
    return false;
}

}  // namespace quillon
