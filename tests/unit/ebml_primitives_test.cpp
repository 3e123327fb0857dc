#include <gtest/gtest.h>

#include "core/dictionary.h"
#include "core/ebml.h"

namespace quillon {
namespace {

using V = std::vector<uint8_t>;

TEST(Dictionary, FixedRowsAndLookup) {
    struct Case {
        V bytes;
        int row;
    } cases[] = {
        {{0x1A, 0x45, 0xDF, 0xA3}, 0},   // EBML
        {{0xA3, 0x00}, 50},              // SimpleBlock
        {{0x69, 0x22}, 198},             // first ChapProcessTime
        {{0x69, 0x33}, 199},             // second ChapProcessTime
        {{0x44, 0x85}, 215},             // TagBinary
        {{0x05, 0x00, 0x00, 0x00}, -1},  // no valid ID
        {{0x08, 0x11, 0x22, 0x33}, -1},  // 5-byte marker: longer than any ID
    };
    for (const auto& c : cases) EXPECT_EQ(FindElementRow(c.bytes.data(), c.bytes.size()), c.row);
    EXPECT_STREQ(DictionaryRow(41).name, "Cluster");
    EXPECT_STREQ(DictionaryRow(177).name, "EditionFlagDefauilt");
    EXPECT_EQ(DictionaryRow(72).kind, 'c');
    EXPECT_EQ(DictionaryRow(75).valueType, 'h');  // TrackType shows as hex
}

TEST(Dictionary, SchemaRowsFollowTheFixedOnes) {
    struct Case {
        V bytes;
        const char* name;
        char kind;
        char valueType;
    } cases[] = {
        {{0x22, 0xB5, 0x9D}, "LanguageBCP47", 'e', 's'},
        {{0x56, 0xAA}, "CodecDelay", 'e', 'u'},
        {{0x56, 0xBB}, "SeekPreRoll", 'e', 'u'},
        {{0x55, 0xB0}, "Colour", 'c', 0},
        {{0x55, 0xAB}, "FlagHearingImpaired", 'e', 'u'},
        {{0x75, 0xA2}, "DiscardPadding", 'e', 'i'},
    };
    for (const auto& c : cases) {
        const int row = FindElementRow(c.bytes.data(), c.bytes.size());
        ASSERT_GE(row, kFixedDictionaryRows) << c.name;
        EXPECT_STREQ(DictionaryRow(row).name, c.name);
        EXPECT_EQ(DictionaryRow(row).kind, c.kind);
        EXPECT_EQ(DictionaryRow(row).valueType, c.valueType);
    }
    // Every ID appears once: the numeric lookup equals the first-match walk.
    for (int row = 0; row < DictionarySize(); ++row) EXPECT_EQ(FindElementById(DictionaryId(row)), row) << row;
}

TEST(Vint, LengthsAndValues) {
    struct Case {
        V bytes;
        int length;
        std::string text;
    } cases[] = {
        {{0x81}, 1, "1"},
        {{0x40, 0x02}, 2, "2"},
        {{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 8, "72057594037927935"},
        {{0xFF}, 1, "127"},
        {{0x10, 0x00, 0x01, 0x00}, 4, "256"},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05}, 0, "5"},  // 0x00 reads as 8 bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VintLen(c.bytes, 0), c.length);
        EXPECT_EQ(VintText(c.bytes, 0), c.text);
    }
    EXPECT_EQ(VintLen(V{0x81}, 1), 0);
    EXPECT_EQ(VintText(V{0x81}, 1), "");
    EXPECT_TRUE(IsUnknownSize(VintValue(V{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0), 8));
    EXPECT_TRUE(IsUnknownSize(127, 1));
    EXPECT_FALSE(IsUnknownSize(126, 1));
}

TEST(Vint, SignedLaceValues) {
    EXPECT_EQ(SVintText(V{0xBF}, 0), "0");
    EXPECT_EQ(SVintText(V{0x80}, 0), "-63");
    EXPECT_EQ(SVintText(V{0x5F, 0xFF}, 0), "0");
    EXPECT_EQ(SVintText(V{0x40, 0x00}, 0), "-8191");
}

TEST(ValueText, Integers) {
    struct Case {
        V bytes;
        std::string uintText, intText;
    } cases[] = {
        {{}, "0", "0"},
        {{0x2A}, "42", "42"},
        {{0xFF, 0xFE}, "65534", "-2"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, "-2", "-2"},  // a 64-bit UID prints signed
        {{0x0F, 0x42, 0x40}, "1000000", "1000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UIntText(c.bytes, c.bytes.size()), c.uintText);
        EXPECT_EQ(IntText(c.bytes, c.bytes.size()), c.intText);
    }
    EXPECT_EQ(Int16Text(V{0x80, 0x00}, 0), "-32768");
    EXPECT_EQ(Int16Text(V{0x80}, 0), "");
}

TEST(ValueText, FloatsTruncateTowardZero) {
    EXPECT_EQ(FloatText(V{0x40, 0x49, 0x0F, 0xDB}, 4), "3");
    EXPECT_EQ(FloatText(V{0xC0, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 8), "-2");    // -2.5
    EXPECT_EQ(FloatText(V{0x40, 0xE5, 0x88, 0x80, 0x00, 0x00, 0x00, 0x00}, 8), "44100");
    EXPECT_EQ(FloatText(V{0x40, 0xB3, 0x9F, 0xE6, 0x66, 0x66, 0x66, 0x66}, 8), "5023");  // 5023.9
    EXPECT_EQ(FloatText(V{0x40, 0x49}, 2), "");
    EXPECT_EQ(FloatText(V{}, 0), "");
}

TEST(ValueText, DatesAndStrings) {
    EXPECT_EQ(DateText(V(8, 0), 8), "2001-01-01");
    EXPECT_EQ(DateText(V{}, 0), "");
    // 2021-06-15 12:30:45 is 645_453_045 s after 2001-01-01.
    const uint64_t ns = 645453045ull * 1000000000ull;
    V bytes(8);
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(ns >> (56 - 8 * i));
    EXPECT_EQ(DateText(bytes, 8), "2021-06-15 12:30:45");
    // One second before the epoch.
    const int64_t before = -1000000000ll;
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(static_cast<uint64_t>(before) >> (56 - 8 * i));
    EXPECT_EQ(DateText(bytes, 8), "2000-12-31 23:59:59");

    EXPECT_EQ(StrText(V{'a', 'b'}, 2), "ab");
    EXPECT_EQ(StrText(V{}, 0), "");
    EXPECT_EQ(StrText(V{'e', 'n', 'g', 0, 0}, 5), "eng");  // padded with zeros after the text
    EXPECT_EQ(HexText(V{0x0A, 0xBC, 0x01}, 0, 3), "0ABC01");
    EXPECT_EQ(HexText(V{0x0A, 0xBC, 0x01}, 1, 5), "BC01");
    EXPECT_EQ(HexText(V{}, 0, 0), "");
}

TEST(Primitives, PutVintRoundTrips) {
    for (int length = 1; length <= 8; ++length) {
        V bytes(length + 1, 0xEE);
        const uint64_t value = (uint64_t{1} << (7 * length)) - 2;
        PutVint(value, length, bytes, 1);
        EXPECT_EQ(bytes[0], 0xEE);
        EXPECT_EQ(VintLen(bytes, 1), length);
        EXPECT_EQ(VintValue(bytes, 1), value);
    }
    V shortList(2, 0);
    PutVint(5, 4, shortList, 0);
    EXPECT_EQ(shortList, (V{0, 0}));
}

}  // namespace
}  // namespace quillon
