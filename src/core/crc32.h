// The CRC-32 of EBML's CRC-32 element (IEEE 802.3, reflected: zlib's own),
// stored little-endian over the data of its parent that follows it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// `previous` continues a CRC over several pieces (0 to start).
// Folded by carry-less multiplication where the processor has it: a full
// container check verifies every Cluster's CRC-32, the whole file.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t previous = 0);
// zlib's byte-table computation of the same value, to compare with.
uint32_t ReferenceCrc32(const uint8_t* data, size_t size, uint32_t previous = 0);

}  // namespace quillon
