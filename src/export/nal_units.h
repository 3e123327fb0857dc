// NAL units of H.264 and HEVC as Matroska stores them: the decoder
// configuration in the CodecPrivate (avcC, hvcC) and frames of NAL units each
// behind a big-endian length of one to four bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

struct NalConfig {
    int lengthSize = 4;                           // bytes of each NAL unit's length in the frames
    std::vector<std::vector<uint8_t>> units;      // the parameter sets (and SEI) in their stored order
};

// False when the bytes are too short for what they announce, or a length
// size of 3 bytes (which neither format allows) is stored.
bool ReadAvcConfig(std::span<const uint8_t> codecPrivate, NalConfig& config);
bool ReadHevcConfig(std::span<const uint8_t> codecPrivate, NalConfig& config);

// The NAL units of one frame, in order. False when a length runs past the
// frame's end or a few bytes too short for a length are left over; the units
// before the fault are in `units` all the same.
bool SplitNalUnits(std::span<const uint8_t> frame, int lengthSize, std::vector<std::span<const uint8_t>>& units);

// The NAL unit type of a unit's first byte (H.264: the low five bits; HEVC:
// six bits after the forbidden bit).
inline int AvcNalType(std::span<const uint8_t> unit) { return unit.empty() ? -1 : unit[0] & 0x1F; }
inline int HevcNalType(std::span<const uint8_t> unit) { return unit.empty() ? -1 : (unit[0] >> 1) & 0x3F; }

}  // namespace quillon
