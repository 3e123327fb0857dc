#include <gtest/gtest.h>

#include "writer/put_primitives.h"

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
    EXPECT_EQ(Written(1, [](V& b) { PutLaceVint(b, 0, 0); }), (V{0xBF}));
    EXPECT_EQ(Written(1, [](V& b) { PutLaceVint(b, 0, -63); }), (V{0x80}));
    EXPECT_EQ(Written(2, [](V& b) { PutLaceVint(b, 0, 64); }), (V{0x60, 0x3F}));
    EXPECT_EQ(Written(4, [](V& b) { PutHexID("1F43B675", b, 0); }), (V{0x1F, 0x43, 0xB6, 0x75}));
    EXPECT_EQ(Written(2, [](V& b) { PutByteVint(b, 0, 2, 3); }), (V{0x40, 0x03}));
    EXPECT_EQ(Written(1, [](V& b) { PutByteVint(b, 0, 1, 3); }), (V{0x83}));
    EXPECT_EQ(Written(3, [](V& b) { PutWord16Padded(b, 0, 3, 0x1234); }), (V{0x00, 0x12, 0x34}));
    EXPECT_EQ(Written(3, [](V& b) { PutText("abcd", b, 1); }), (V{0xEE, 'a', 'b'}));  // stops at the end
}

TEST(PutPrimitives, TextConversions) {
    const std::pair<const char*, uint8_t> hex[] = {{"a", 0x0A}, {"0A", 0x0A}, {"ff", 0xFF}, {"G1", 0}, {"123", 0}, {"", 0}};
    for (const auto& [text, byte] : hex) EXPECT_EQ(HexByte(text), byte) << text;
    const std::pair<const char*, uint8_t> bytes[] = {{"255", 255}, {"256", 0}, {"0255", 0}, {"", 0}, {"-1", 0}, {"7", 7}};
    for (const auto& [text, byte] : bytes) EXPECT_EQ(TextToByte(text), byte) << text;
    const std::pair<const char*, uint32_t> words[] = {{"", 0}, {"-5", 0}, {"4294967295", 4294967295u},
                                                      {"4294967296", 0}, {"12345678901", 0}, {"1000000", 1000000}};
    for (const auto& [text, word] : words) EXPECT_EQ(TextToUInt32(text), word) << text;
    // A 64-bit UID arrives printed signed and keeps all its bits.
    EXPECT_EQ(TextToUInt64("-937015130562534196"), 17509728943147017420ull);
    EXPECT_EQ(TextToInt64("-40"), -40);
    EXPECT_EQ(TextToInt64("x"), 0);
    EXPECT_TRUE(IsDigits("0123"));
    EXPECT_FALSE(IsDigits(""));
    EXPECT_FALSE(IsDigits("1a"));
}

}  // namespace
}  // namespace quillon
