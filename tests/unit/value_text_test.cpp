#include <gtest/gtest.h>

#include "core/value_text.h"

namespace quillon {
namespace {

TEST(ValueText, Conversions) {
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

TEST(ValueText, Decimals) {
    EXPECT_EQ(ParseDecimal("2,5").value(), 2.5);
    EXPECT_EQ(ParseDecimal(" 0.25 ").value(), 0.25);
    EXPECT_FALSE(ParseDecimal(","));
    EXPECT_FALSE(ParseDecimal("2,5,1"));
    EXPECT_FALSE(ParseDecimal("inf"));
}

}  // namespace
}  // namespace quillon
