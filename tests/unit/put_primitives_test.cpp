#include <gtest/gtest.h>

#include "core/put_primitives.h"

namespace quillon {
namespace {

using V = std::vector<uint8_t>;

template <typename F>
V Written(size_t size, F&& put) {
    V bytes(size, 0xEE);
    put(bytes);
    return bytes;
}

TEST(PutPrimitives, Widths) {
    struct Case {
        uint64_t value;
        int vint, uint;
    } cases[] = {{0, 1, 1}, {126, 1, 1}, {127, 2, 1}, {255, 2, 1}, {256, 2, 2}, {16382, 2, 2}, {16383, 3, 2},
                 {(1ull << 56) - 2, 8, 7}, {~0ull, 8, 8}};
    for (const auto& c : cases) {
        EXPECT_EQ(VintWidth(c.value), c.vint) << c.value;
        EXPECT_EQ(UIntWidth(c.value), c.uint) << c.value;
    }
    const std::pair<int64_t, int> signedCases[] = {{0, 1}, {126, 1}, {127, 2}, {-126, 1}, {-127, 2},
                                                   {32766, 2}, {32767, 3}, {8388607, 4}, {-40, 1}};
    for (const auto& [value, width] : signedCases) EXPECT_EQ(SIntWidth(value), width) << value;
}

TEST(PutPrimitives, SizesIntegersAndLaces) {
    EXPECT_EQ(Written(1, [](V& b) { PutSizeVint(b, 0, 0); }), (V{0x80}));
    EXPECT_EQ(Written(2, [](V& b) { PutSizeVint(b, 0, 127); }), (V{0x40, 0x7F}));
    EXPECT_EQ(Written(2, [](V& b) { PutSizeVint(b, 0, 3997); }), (V{0x4F, 0x9D}));
    EXPECT_EQ(Written(1, [](V& b) { PutUInt(b, 0, 0); }), (V{0x00}));
    EXPECT_EQ(Written(2, [](V& b) { PutUInt(b, 0, 256); }), (V{0x01, 0x00}));
    EXPECT_EQ(Written(2, [](V& b) { PutSInt(b, 0, 200); }), (V{0x00, 0xC8}));
    EXPECT_EQ(Written(1, [](V& b) { PutSInt(b, 0, -40); }), (V{0xD8}));
    EXPECT_EQ(Written(2, [](V& b) { PutSInt(b, 0, -300); }), (V{0xFE, 0xD4}));
    // A reference of more than 31 bits is not cut to four bytes.
    EXPECT_EQ(Written(5, [](V& b) { PutSInt(b, 0, -(int64_t{1} << 32)); }), (V{0xFF, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(Written(1, [](V& b) { PutLaceVint(b, 0, 0); }), (V{0xBF}));
    EXPECT_EQ(Written(1, [](V& b) { PutLaceVint(b, 0, -63); }), (V{0x80}));
    EXPECT_EQ(Written(2, [](V& b) { PutLaceVint(b, 0, 64); }), (V{0x60, 0x3F}));
}

}  // namespace
}  // namespace quillon
