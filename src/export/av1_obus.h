// The few facts the IVF writer needs of AV1's units (OBUs) in a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon {

// The av1C record in front of the configuration OBUs of an AV1 CodecPrivate.
constexpr size_t kAv1ConfigSize = 4;

// True unless the frame starts with a temporal delimiter or a frame header
// OBU (a frame shown again, which libaom stores in a block of its own).
bool NeedsTemporalDelimiter(std::span<const uint8_t> frame);
// True when one of the frame's OBUs is a sequence header; false too when the
// OBUs cannot be followed to the end.
bool HasSequenceHeader(std::span<const uint8_t> frame);

}  // namespace quillon
