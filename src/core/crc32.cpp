#include "core/crc32.h"

#include <zlib.h>

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quillon {
namespace {

// zlib's: the reference, and the one for short pieces and other machines.
uint32_t ZlibCrc32(const uint8_t* data, size_t size, uint32_t previous) {
    uLong crc = previous;
    while (size > 0) {
        const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        crc = crc32(crc, data, piece);
        data += piece;
        size -= piece;
    }
    return static_cast<uint32_t>(crc);
}

#if defined(__x86_64__)
// Carry-less multiplication folds the data 64 bytes a step, four 128-bit
// lanes at once, then one lane, then reduces it to 32 bits (Barrett). The
// constants are powers of x modulo the reflected CRC-32 polynomial, the
// published ones of this method: x^(4*128+32), x^(4*128-32) for the four
// lanes; x^(128+32), x^(128-32) for one; x^64; the polynomial and its
// Barrett quotient.
struct FoldConstants {
    static constexpr uint64_t kFour[2] = {0x0154442bd4, 0x01c6e41596};
    static constexpr uint64_t kOne[2] = {0x01751997d0, 0x00ccaa009e};
    static constexpr uint64_t kTo64 = 0x0163cd6124;
    static constexpr uint64_t kBarrett[2] = {0x01db710641, 0x01f7011641};
};

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i lane, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// `size` is at least 64 and a multiple of 16; `crc` is the running value
// before its final inversion.
__attribute__((target("pclmul,sse4.1"))) uint32_t FoldedCrc(const uint8_t* data, size_t size, uint32_t crc) {
    const auto load = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    __m128i lanes[4] = {load(data), load(data + 16), load(data + 32), load(data + 48)};
    lanes[0] = _mm_xor_si128(lanes[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
    data += 64;
    size -= 64;
    const __m128i four = _mm_set_epi64x(static_cast<int64_t>(FoldConstants::kFour[1]), static_cast<int64_t>(FoldConstants::kFour[0]));
    for (; size >= 64; data += 64, size -= 64)
        for (int k = 0; k < 4; ++k) lanes[k] = Fold(lanes[k], four, load(data + 16 * k));

    const __m128i one = _mm_set_epi64x(static_cast<int64_t>(FoldConstants::kOne[1]), static_cast<int64_t>(FoldConstants::kOne[0]));
    __m128i x = lanes[0];
    for (int k = 1; k < 4; ++k) x = Fold(x, one, lanes[k]);
    for (; size >= 16; data += 16, size -= 16) x = Fold(x, one, load(data));

    // 128 bits to 64, then to 32 by Barrett reduction.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x = _mm_xor_si128(_mm_srli_si128(x, 8), _mm_clmulepi64_si128(x, one, 0x10));
    const __m128i to64 = _mm_set_epi64x(0, static_cast<int64_t>(FoldConstants::kTo64));
    x = _mm_xor_si128(_mm_srli_si128(x, 4), _mm_clmulepi64_si128(_mm_and_si128(x, low32), to64, 0x00));
    const __m128i barrett = _mm_set_epi64x(static_cast<int64_t>(FoldConstants::kBarrett[1]), static_cast<int64_t>(FoldConstants::kBarrett[0]));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    x = _mm_xor_si128(x, t);
    return static_cast<uint32_t>(_mm_extract_epi32(x, 1));
}

bool CanFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}
#endif

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t previous) {
#if defined(__x86_64__)
    if (size >= 64 && CanFold()) {
        const size_t folded = size & ~size_t{15};
        const uint32_t crc = ~FoldedCrc(data, folded, ~previous);
        return ZlibCrc32(data + folded, size - folded, crc);
    }
#endif
    return ZlibCrc32(data, size, previous);
}

uint32_t ReferenceCrc32(const uint8_t* data, size_t size, uint32_t previous) { return ZlibCrc32(data, size, previous); }

}  // namespace quillon
