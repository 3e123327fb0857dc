// PCM tracks as a WAVE file holds them: Matroska stores integer PCM in
// either byte order (A_PCM/INT/LIT, A_PCM/INT/BIG) and IEEE floats
// (A_PCM/FLOAT/IEEE, little-endian); WAVE wants little-endian samples of the
// track's own depth.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quillon {

struct PcmLayout {
    uint16_t bits = 16;
    bool bigEndian = false;
    bool isFloat = false;
    uint16_t BytesPerSample() const { return uint16_t((bits + 7) / 8); }
};

// From the CodecID and the Audio element's BitDepth (0: absent, then 16 for
// integers and 32 for floats). Nothing for another CodecID, or a depth WAVE
// cannot hold (above 32 bits for integers; floats other than 32 or 64).
std::optional<PcmLayout> PcmLayoutOf(std::string_view codecId, uint32_t bitDepth);

// Turns a track's frames into little-endian samples. A sample split between
// two frames is carried over; a stray byte left at the end is dropped.
class PcmToLittleEndian {
public:
    explicit PcmToLittleEndian(PcmLayout layout) : layout_(layout) {}
    // Appends the converted bytes of `frame` to `out`.
    void Convert(std::span<const uint8_t> frame, std::vector<uint8_t>& out);

private:
    PcmLayout layout_;
    std::vector<uint8_t> carry_;
};

}  // namespace quillon
