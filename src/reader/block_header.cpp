#include "reader/block_header.h"

#include <algorithm>

#include "core/ebml.h"

namespace quillon {
namespace {

// Reads the lace header of a block whose frames start behind `start`.
class LaceReader {
public:
    LaceReader(const uint8_t* bytes, size_t available, uint64_t totalSize)
        : data_(bytes, available), total_(totalSize), moreExists_(available < totalSize) {}

    // A byte of the element: false (with `need` set) when it is not at hand.
    bool Byte(size_t at, uint8_t& out) {
        if (at >= total_) return Fail(false);
        if (at >= data_.size()) return Fail(true);
        out = data_[at];
        return true;
    }
    // A vint that must lie wholly inside the element.
    bool VintAt(size_t at, int& length) {
        uint8_t first;
        if (!Byte(at, first)) return false;
        length = VintLen(data_, at);
        if (length == 0) return Fail(false);
        if (at + length > total_) return Fail(false);
        if (at + length > data_.size()) return Fail(true);
        return true;
    }
    BlockParse Result() const { return needMore_ ? BlockParse::NeedMore : BlockParse::Damaged; }
    Bytes Data() const { return data_; }

private:
    bool Fail(bool needMore) {
        needMore_ = needMore && moreExists_;
        return false;
    }
    Bytes data_;
    uint64_t total_;
    bool moreExists_;
    bool needMore_ = false;
};

uint32_t Clamp(uint64_t size) { return static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)); }

}  // namespace

BlockParse ParseBlockHeader(const uint8_t* bytes, size_t available, uint64_t totalSize, Tblock& block) {
    block = Tblock{};
    LaceReader in(bytes, available, totalSize);
    int sizeLength = 0, trackLength = 0;
    if (!in.VintAt(1, sizeLength)) return in.Result();
    const size_t t = 1 + static_cast<size_t>(sizeLength);
    if (!in.VintAt(t, trackLength)) return in.Result();
    block.trackNumber = VintValue(in.Data(), t);
    block.trackLen = static_cast<uint8_t>(trackLength);
    const size_t tc = t + static_cast<size_t>(trackLength);
    uint8_t high, low, flags;
    if (!in.Byte(tc, high) || !in.Byte(tc + 1, low) || !in.Byte(tc + 2, flags)) return in.Result();
    block.timecode = static_cast<int16_t>((high << 8) | low);
    block.flags = flags;
    const size_t p = tc + 3;

    if (block.lacing() == 0) {
        block.frameCount = 1;
        block.dataOffset = static_cast<uint32_t>(p);
        block.soleFrameSize = Clamp(totalSize - p);
        return BlockParse::Ok;
    }

    uint8_t lastIndex;
    if (!in.Byte(p, lastIndex)) return in.Result();
    const uint32_t count = lastIndex + 1u;
    block.frameCount = static_cast<uint16_t>(count);
    block.lacedSizes.assign(count, 0);
    block.dataOffset = static_cast<uint32_t>(p + 1);

    if (block.lacing() == 2) {  // fixed-size lacing: the frames share the data evenly, to the byte
        const uint64_t payload = totalSize - (p + 1);
        std::fill(block.lacedSizes.begin(), block.lacedSizes.end(), Clamp(payload / count));
        return payload % count == 0 ? BlockParse::Ok : BlockParse::Damaged;
    }

    size_t at = p + 1;
    uint64_t sum = 0;
    bool fits = true;
    if (block.lacing() == 1) {  // Xiph lacing
        for (uint32_t k = 0; k + 1 < count; ++k) {
            uint64_t size = 0;
            uint8_t b;
            do {
                if (!in.Byte(at++, b)) return in.Result();
                size += b;
            } while (b == 255);
            block.lacedSizes[k] = Clamp(size);
            sum += size;
        }
    } else {  // EBML lacing: a size, then differences
        int64_t previous = 0;
        for (uint32_t k = 0; k + 1 < count; ++k) {
            int length = 0;
            if (!in.VintAt(at, length)) return in.Result();
            const int64_t size = k == 0 ? static_cast<int64_t>(VintValue(in.Data(), at)) : previous + SVintValue(in.Data(), at);
            at += static_cast<size_t>(length);
            if (size < 0 || size > static_cast<int64_t>(totalSize)) fits = false;
            previous = std::clamp<int64_t>(size, 0, static_cast<int64_t>(totalSize));
            block.lacedSizes[k] = Clamp(static_cast<uint64_t>(previous));
            sum += static_cast<uint64_t>(previous);
        }
    }
    block.dataOffset = Clamp(at);
    // The last frame takes what the others leave; there must be something left.
    if (!fits || at + sum > totalSize) {
        // Sizes as far as the block's bytes go, so no frame claims bytes it does not have.
        uint64_t left = totalSize > at ? totalSize - at : 0;
        for (uint32_t& size : block.lacedSizes) {
            size = Clamp(std::min<uint64_t>(size, left));
            left -= size;
        }
        block.lacedSizes[count - 1] = 0;
        return BlockParse::Damaged;
    }
    block.lacedSizes[count - 1] = Clamp(totalSize - at - sum);
    return BlockParse::Ok;
}

}  // namespace quillon
