#include "export/vorbis_packets.h"

#include <algorithm>

#include <cstring>

namespace quillon {
namespace {

// Bits of a Vorbis packet are packed from the least significant bit of each byte.
uint32_t BitsAt(std::span<const uint8_t> bytes, int64_t at, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const int64_t bit = at + i;
        if ((bytes[static_cast<size_t>(bit >> 3)] >> (bit & 7)) & 1) value |= 1u << i;
    }
    return value;
}

int ILog(uint32_t v) {
    int n = 0;
    for (; v; v >>= 1) ++n;
    return n;
}

bool HasSignature(std::span<const uint8_t> packet, uint8_t type) {
    return packet.size() >= 7 && packet[0] == type && std::memcmp(packet.data() + 1, "vorbis", 6) == 0;
}

}  // namespace

bool SplitXiphHeaders(std::span<const uint8_t> cp, std::array<std::vector<uint8_t>, 3>& packets) {
    if (cp.empty() || cp[0] != 2) return false;
    size_t at = 1;
    uint64_t sizes[2] = {0, 0};
    for (uint64_t& size : sizes) {
        for (;;) {
            if (at >= cp.size()) return false;
            const uint8_t b = cp[at++];
            size += b;
            if (b < 255) break;
        }
    }
    if (sizes[0] + sizes[1] > cp.size() - at) return false;
    packets[0].assign(cp.begin() + at, cp.begin() + at + sizes[0]);
    at += sizes[0];
    packets[1].assign(cp.begin() + at, cp.begin() + at + sizes[1]);
    at += sizes[1];
    packets[2].assign(cp.begin() + at, cp.end());
    return true;
}

int64_t GranuleAt(int64_t ticks, int64_t timecodeScale, uint32_t rate) {
    // Saturated far below the int64 range, so the sums and shares taken of
    // granules later cannot overflow either.
    constexpr __int128 kMaxGranule = __int128{1} << 62;
    if (ticks <= 0 || timecodeScale <= 0) return 0;
    const __int128 ns = static_cast<__int128>(ticks) * timecodeScale;  // below 2^127: both below 2^63
    if (ns > kMaxGranule * 1000000000 / (rate ? rate : 1)) return static_cast<int64_t>(kMaxGranule);
    const __int128 samples = (ns * rate + 500000000) / 1000000000;
    return static_cast<int64_t>(std::min(samples, kMaxGranule));
}

bool VorbisDurations::Init(std::span<const uint8_t> id, std::span<const uint8_t> setup) {
    longBlock_.clear();
    previous_ = 0;
    if (!HasSignature(id, 1) || id.size() < 30 || !HasSignature(setup, 5)) return false;
    rate_ = id[12] | (id[13] << 8) | (id[14] << 16) | (static_cast<uint32_t>(id[15]) << 24);
    const int small = id[28] & 0x0F, large = id[28] >> 4;
    if (small < 6 || large > 13 || small > large) return false;
    blockSize_[0] = 1u << small;
    blockSize_[1] = 1u << large;

    // The setup header ends with the modes: a 6-bit count less one, then per
    // mode a block flag, a 16-bit window type and a 16-bit transform type
    // (both 0) and an 8-bit mapping, then the framing bit. Read backwards from
    // the framing bit, the largest mode count whose entries all look right and
    // whose count field agrees is taken.
    size_t n = setup.size();
    while (n > 7 && setup[n - 1] == 0) --n;
    if (n <= 7) return false;
    int high = 7;
    while (!((setup[n - 1] >> high) & 1)) --high;
    const int64_t framing = static_cast<int64_t>(n - 1) * 8 + high;
    const int64_t lowest = 7 * 8;
    int count = 0;
    for (int j = 1; j <= 64; ++j) {
        const int64_t entry = framing - 41 * j;
        if (entry - 6 < lowest) break;
        if (BitsAt(setup, entry + 1, 16) != 0 || BitsAt(setup, entry + 17, 16) != 0) break;
        if (static_cast<int>(BitsAt(setup, entry - 6, 6)) + 1 == j) count = j;
    }
    if (count == 0) return false;
    for (int m = 0; m < count; ++m)
        longBlock_.push_back(static_cast<uint8_t>(BitsAt(setup, framing - 41 * (count - m), 1)));
    modeBits_ = ILog(static_cast<uint32_t>(count - 1));
    return true;
}

int64_t VorbisDurations::Next(std::span<const uint8_t> packet) {
    if (packet.empty() || (packet[0] & 1) != 0 || longBlock_.empty()) return 0;
    if (1 + modeBits_ > static_cast<int>(packet.size()) * 8) return 0;
    const uint32_t mode = BitsAt(packet, 1, modeBits_);
    if (mode >= longBlock_.size()) return 0;
    const uint32_t current = blockSize_[longBlock_[mode]];
    const int64_t samples = previous_ ? previous_ / 4 + current / 4 : 0;
    previous_ = current;
    return samples;
}

}  // namespace quillon
