// The hex dump's text, byte positions, header painting, search and RTF.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dump/hex_dump.h"
#include "support/ebml_builder.h"

namespace quillon::test {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) lines.push_back(text.substr(start, nl - start));
    return lines;
}

TEST(DumpText, OneByteAndAFullRow) {
    const ByteVec one = {0x41};
    // Eight zeros, two spaces, the digits and a space, spaces up to the character column, the character.
    EXPECT_EQ(DumpText(one, 0, {16, 0}, DumpChars::Ascii), "00000000  41 " + std::string(66 - 13, ' ') + "A\n");
    ByteVec row(16);
    for (int i = 0; i < 16; ++i) row[i] = uint8_t(0x30 + i);
    const std::string full = DumpText(row, 0, {16, 0}, DumpChars::Ascii);
    EXPECT_EQ(full,
              "00000000  30 31 32 33 | 34 35 36 37 | 38 39 3A 3B | 3C 3D 3E 3F | 0123456789:;<=>?\n");  // no filler
}

TEST(DumpText, WidthsGroupsAndTheCharacterColumn) {
    ByteVec bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
    const struct {
        int width, group;
        size_t column, lines;
    } cases[] = {{16, 0, 66, 7}, {24, 0, 94, 5}, {32, 0, 122, 4}, {16, 4, 66, 8}, {16, 8, 66, 7}, {32, 4, 122, 5}};
    for (const auto& c : cases) {
        const std::string text = DumpText(bytes, 0, {c.width, c.group}, DumpChars::Ascii);
        const auto lines = LinesOf(text);
        EXPECT_EQ(lines.size(), c.lines) << c.width << "/" << c.group;
        // Every row's characters start at the same column, the last row's too.
        EXPECT_EQ(lines[0].size(), c.column + size_t(c.width)) << c.width;
        const std::string& last = lines.back().empty() ? lines[lines.size() - 2] : lines.back();
        EXPECT_EQ(last.size(), c.column + (100 % size_t(c.width) ? 100 % size_t(c.width) : size_t(c.width)));
        // Each byte's digits stand where HexDigitsAt says.
        for (size_t i = 0; i < bytes.size(); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
            ASSERT_EQ(text.substr(HexDigitsAt(i, {c.width, c.group}), 2), hex) << i;
        }
    }
    EXPECT_EQ(LinesOf(DumpText(bytes, 0, {16, 4}, DumpChars::Ascii))[4], "");  // the group's empty line
    EXPECT_EQ(DumpText(ByteVec{0x10}, 0x1234, {16, 0}, DumpChars::Ascii).substr(0, 10), "00001234  ");
}

TEST(DumpText, ControlCodesAndHighBytes) {
    ByteVec bytes;
    for (int b : {0x00, 0x07, 0x1B, 0x1F, 0x7F, 0x20, 0x7E, 0xC0, 0xE9, 0xFF, 0x98}) bytes.push_back(uint8_t(b));
    const std::string window = DumpText(bytes, 0, {16, 0}, DumpChars::Cyrillic);
    const std::string terminal = DumpText(bytes, 0, {16, 0}, DumpChars::Ascii);
    EXPECT_EQ(terminal.substr(66), "..... ~....\n");  // no escape ever reaches a terminal
    EXPECT_EQ(window.substr(66), "..... ~Айя.\n");     // the Russian code page's letters
}

TEST(PaintTags, HeadersUntilAnUnknownId) {
    // EBML header with DocType "matroska", then a Segment (entered), then garbage.
    const ByteVec file = EbmlHeader();
    std::vector<HeaderMark> marks = PaintTags(file);
    ASSERT_GE(marks.size(), 4u);
    EXPECT_EQ(marks[0].at, 0u);
    EXPECT_EQ(marks[0].length, 4u);  // 1A 45 DF A3
    EXPECT_EQ(marks[0].part, HeaderPart::Id);
    EXPECT_EQ(marks[1].part, HeaderPart::Size);
    EXPECT_EQ(marks[2].at, marks[1].at + marks[1].length);  // the container is entered: its first child next
    // A block's payload paints nothing unless it starts with a known ID.
    EXPECT_TRUE(PaintTags(ByteVec{0x00, 0x81, 0x00, 0x80, 0x12, 0x34}).empty());
    EXPECT_TRUE(PaintTags(ByteVec{0xFF, 0xFF, 0x01}).empty());
    ByteVec withJunk = Uint(0x4286, 1);  // EBMLVersion
    withJunk.insert(withJunk.end(), {0x00, 0x00, 0x00});
    marks = PaintTags(withJunk);
    ASSERT_EQ(marks.size(), 2u);  // the element's ID and size, then the walk stops at 00
}

TEST(Search, MatchesAndTheHexField) {
    const ByteVec bytes = {'a', 'b', 'a', 'b', 'a', 'B', 'a', 'b'};
    EXPECT_EQ(FindPattern(bytes, ByteVec{'a', 'b'}), (std::vector<size_t>{0, 2, 6}));  // case-sensitive
    EXPECT_EQ(FindPattern(bytes, ByteVec{'a', 'b', 'a'}), (std::vector<size_t>{0}));   // no overlapping matches
    EXPECT_TRUE(FindPattern(bytes, ByteVec(9, 'a')).empty());  // longer than the dump
    EXPECT_TRUE(FindPattern(bytes, ByteVec{}).empty());
    EXPECT_EQ(NormalizeHexField("1a45dfa3"), "1A 45 DF A3");
    EXPECT_EQ(NormalizeHexField("1 a4 5g!"), "1A 45");
    EXPECT_EQ(HexFieldBytes("1A 45 D"), (ByteVec{0x1A, 0x45, 0x0D}));
}

TEST(DumpRtf, EscapesAndColours) {
    const ByteVec bytes = {'{', '}', '\\', 0xC0, 0x1A, 0x45, 0xDF, 0xA3};
    const std::string rtf = DumpRtf(bytes, 0, {16, 0}, {{4, 4, HeaderPart::Id}}, {0}, 1);
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("Courier"), std::string::npos);
    EXPECT_NE(rtf.find("\\fs16"), std::string::npos);
    EXPECT_NE(rtf.find("\\{\\}\\\\"), std::string::npos);  // the character column, escaped
    EXPECT_NE(rtf.find("\\u1040?"), std::string::npos);    // 0xC0 as the letter А
    EXPECT_NE(rtf.find("\\cf2 1A"), std::string::npos);    // the ID's digits yellow
    EXPECT_NE(rtf.find("\\highlight5 7B"), std::string::npos);  // the match highlighted
}

TEST(DumpCaption, HexWidthByValue) {
    EXPECT_EQ(DumpCaption("offset:", 0x1234, "size:", 70000),
              "offset:  $1234 (4660),   size:  $00011170 (70000)");
}

}  // namespace
}  // namespace quillon::test
