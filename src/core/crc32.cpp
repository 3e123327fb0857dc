#include "core/crc32.h"

#include <zlib.h>

#include <algorithm>

namespace quillon {

// zlib's: the same polynomial and conventions, several bytes a step.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t previous) {
    uLong crc = previous;
    while (size > 0) {
        const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        crc = crc32(crc, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace quillon
