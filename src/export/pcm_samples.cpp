#include "export/pcm_samples.h"

#include <algorithm>

namespace quillon {

std::optional<PcmLayout> PcmLayoutOf(std::string_view codecId, uint32_t bitDepth) {
    PcmLayout layout;
    if (codecId == "A_PCM/INT/LIT" || codecId == "A_PCM/INT/BIG") {
        layout.bits = uint16_t(bitDepth ? bitDepth : 16);
        layout.bigEndian = codecId == "A_PCM/INT/BIG";
        if (layout.bits > 32) return std::nullopt;
        return layout;
    }
    if (codecId == "A_PCM/FLOAT/IEEE") {
        layout.bits = uint16_t(bitDepth ? bitDepth : 32);
        layout.isFloat = true;
        if (layout.bits != 32 && layout.bits != 64) return std::nullopt;
        return layout;
    }
    return std::nullopt;
}

void PcmToLittleEndian::Convert(std::span<const uint8_t> frame, std::vector<uint8_t>& out) {
    const size_t width = layout_.BytesPerSample();
    if (!layout_.bigEndian || width == 1) {
        out.insert(out.end(), frame.begin(), frame.end());
        return;
    }
    // Complete the sample the last frame began.
    size_t at = 0;
    if (!carry_.empty()) {
        const size_t take = std::min(width - carry_.size(), frame.size());
        carry_.insert(carry_.end(), frame.begin(), frame.begin() + take);
        at = take;
        if (carry_.size() < width) return;
        out.insert(out.end(), carry_.rbegin(), carry_.rend());
        carry_.clear();
    }
    const size_t whole = (frame.size() - at) / width * width;
    const size_t start = out.size();
    out.resize(start + whole);
    uint8_t* to = out.data() + start;
    for (size_t i = 0; i < whole; i += width)
        std::reverse_copy(frame.data() + at + i, frame.data() + at + i + width, to + i);
    carry_.assign(frame.begin() + at + whole, frame.end());
}

}  // namespace quillon
