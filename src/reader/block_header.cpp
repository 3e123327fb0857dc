#include "reader/block_header.h"

#include <algorithm>

#include "core/ebml.h"

namespace quillon {
namespace {

// Frame sizes that would run past the element are clamped: a damaged lace
// header must not claim bytes the block does not have.
uint32_t ClampSize(int64_t size, uint64_t room) {
    if (size < 0) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>({static_cast<uint64_t>(size), room, UINT32_MAX}));
}

}  // namespace

BlockParse ParseBlockHeader(const uint8_t* bytes, size_t available, uint64_t totalSize, Tblock& block) {
    const Bytes data(bytes, available);
    const bool moreExists = available < totalSize;
    block = Tblock{};

    const size_t t = 1 + static_cast<size_t>(VintLen(data, 1));
    const Vint track = ReadVint(data, t);
    const size_t trackLen = track.length == 0 ? 8 : static_cast<size_t>(track.length);
    block.trackNumber = track.value;
    block.trackLen = static_cast<uint8_t>(trackLen);
    const size_t tc = t + trackLen;
    if (tc + 3 > available && moreExists) return BlockParse::NeedMore;
    if (tc + 1 < available) block.timecode = static_cast<int16_t>((bytes[tc] << 8) | bytes[tc + 1]);
    block.flags = tc + 2 < available ? bytes[tc + 2] : 0;
    const size_t p = tc + 3;

    if (block.lacing() == 0) {
        block.frameCount = 1;
        block.dataOffset = static_cast<uint32_t>(p);
        block.soleFrameSize = totalSize > p ? ClampSize(static_cast<int64_t>(totalSize - p), totalSize) : 0;
        return BlockParse::Ok;
    }

    if (p >= available) {
        if (moreExists) return BlockParse::NeedMore;
    }
    const uint32_t count = (p < available ? bytes[p] : 0) + 1u;
    block.frameCount = static_cast<uint16_t>(count);
    block.lacedSizes.assign(count, 0);
    const uint64_t room = totalSize;

    if (block.lacing() == 2) {  // fixed-size lacing
        const uint64_t payload = totalSize > p + 1 ? totalSize - (p + 1) : 0;
        const uint32_t each = ClampSize(static_cast<int64_t>(payload / count), room);
        std::fill(block.lacedSizes.begin(), block.lacedSizes.end(), each);
        block.dataOffset = static_cast<uint32_t>(p + 1);
        return BlockParse::Ok;
    }

    size_t at = p + 1;
    int64_t sum = 0;
    if (block.lacing() == 1) {  // Xiph lacing
        for (uint32_t k = 0; k + 1 < count; ++k) {
            int64_t size = 0;
            for (;;) {
                if (at >= available) {
                    if (moreExists) return BlockParse::NeedMore;
                    break;  // the header runs past the element: a damaged block
                }
                const uint8_t b = bytes[at++];
                size += b;
                if (b < 255) break;
            }
            block.lacedSizes[k] = ClampSize(size, room);
            sum += block.lacedSizes[k];
        }
    } else {  // EBML lacing
        int64_t previous = 0;
        for (uint32_t k = 0; k + 1 < count; ++k) {
            const int length = VintLen(data, at);
            const size_t needed = at + (length == 0 ? 8 : length);
            if (needed > available && moreExists) return BlockParse::NeedMore;
            const int64_t size = k == 0 ? static_cast<int64_t>(VintValue(data, at)) : previous + SVintValue(data, at);
            at = needed;
            previous = size;
            block.lacedSizes[k] = ClampSize(size, room);
            sum += block.lacedSizes[k];
        }
    }
    block.dataOffset = static_cast<uint32_t>(std::min<uint64_t>(at, UINT32_MAX));
    const int64_t last = static_cast<int64_t>(totalSize) - static_cast<int64_t>(at) - sum;
    block.lacedSizes[count - 1] = ClampSize(last, room);
    return BlockParse::Ok;
}

}  // namespace quillon
