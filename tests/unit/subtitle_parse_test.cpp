#include <gtest/gtest.h>
#include <iconv.h>

#include "core/cp1251.h"

#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "edit/subtitle_parse.h"
#include "edit/text_lines.h"

namespace quillon {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The text with a UTF-16 byte-order mark, in either byte order.
Bytes Utf16(std::u16string_view text, bool littleEndian) {
    Bytes out = littleEndian ? Bytes{0xFF, 0xFE} : Bytes{0xFE, 0xFF};
    for (char16_t unit : text) {
        const auto high = static_cast<uint8_t>(unit >> 8), low = static_cast<uint8_t>(unit & 0xFF);
        out.push_back(littleEndian ? low : high);
        out.push_back(littleEndian ? high : low);
    }
    return out;
}

// An event as a comparable, printable value.
struct Event {
    uint32_t number;
    int64_t start, duration;
    std::string text;
    bool operator==(const Event&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Event& e) {
        return os << "{" << e.number << ", " << e.start << ", " << e.duration << ", \"" << e.text << "\"}";
    }
};

std::vector<Event> Events(const SubtitleScript& script) {
    std::vector<Event> out;
    for (const Tsrt& e : script.events) out.push_back({e.number, e.start, e.duration, e.text});
    return out;
}

// The lines a walk with ReadTextLine and NextLineStart sees.
std::vector<std::string> WalkLines(const Bytes& bytes) {
    std::vector<std::string> lines;
    for (int64_t pos = 0; pos != -1; pos = NextLineStart(bytes, pos)) lines.push_back(ReadTextLine(bytes, pos));
    return lines;
}

// ---------------------------------------------------------------------------
// Text routines

TEST(TextLines, LinesEndAtCrCrLfOrLfAndAreTrimmed) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"mixed breaks", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"empty line between CR LF pairs", "a\r\n\r\nb", {"a", "", "b"}},
        {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}},
        {"no line after the last break", "a\r\nbc\r\n", {"a", "bc"}},
        {"blanks and controls trimmed", " \tx y\x01 \r\n  z", {"x y", "z"}},
        {"last line without a break", "ab\nc", {"ab", "c"}},
        {"no break at all", "abc", {"abc"}},
    };
    for (const Case& c : cases) EXPECT_EQ(WalkLines(ToBytes(c.text)), c.lines) << c.name;
}

TEST(TextLines, OffsetsOutsideTheBytesGiveNothing) {
    const Bytes bytes = ToBytes("ab\r\ncd");
    for (int64_t offset : {int64_t{-1}, int64_t{6}, int64_t{100}}) {
        EXPECT_EQ(NextLineStart(bytes, offset), -1) << offset;
        EXPECT_EQ(ReadTextLine(bytes, offset), "") << offset;
    }
    EXPECT_EQ(NextLineStart(bytes, 5), -1);  // one byte left
    EXPECT_EQ(NextLineStart(Bytes{}, 0), -1);
}

TEST(TextLines, IsUtf8DecidesByMarkOrFirstHighByte) {
    struct Case {
        const char* name;
        std::string text;
        bool utf8;
    } cases[] = {
        {"empty", "", false},
        {"pure ASCII", "Hello, world", false},
        {"mark", "\xEF\xBB\xBF" "a", true},
        {"two-byte sequence", "ab \xD0\x9F\xD1\x80", true},
        {"three-byte sequence", "\xE2\x80\x94", true},
        {"four-byte sequence", "x\xF0\x9F\x98\x80", true},
        {"Windows-1251 Cyrillic", "ab \xCF\xF0\xE8", false},
        {"sequence cut by the end", "ab\xE2\x80", false},
        {"lone continuation byte", "\x80" "abc", false},
        {"only the first high byte counts", "\xD0\x9F \xCF\xF0", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsUtf8(ToBytes(c.text)), c.utf8) << c.name;
}

TEST(TextLines, Utf16WithMarkBecomesUtf8WithMark) {
    // "AП", U+1F600 as a surrogate pair, a lone high surrogate before "B", a lone low surrogate.
    const std::u16string text = u"A\u041F\xD83D\xDE00\xD83D" u"B\xDC00";
    const std::string utf8 = "\xEF\xBB\xBF" "A\xD0\x9F\xF0\x9F\x98\x80\xEF\xBF\xBD" "B\xEF\xBF\xBD";
    for (bool littleEndian : {true, false}) {
        Bytes bytes = Utf16(text, littleEndian);
        EXPECT_TRUE(Utf16ToUtf8IfMarked(bytes)) << littleEndian;
        EXPECT_EQ(bytes, ToBytes(utf8)) << littleEndian;
    }
    Bytes odd = Utf16(u"A", true);
    odd.push_back('B');
    EXPECT_TRUE(Utf16ToUtf8IfMarked(odd));
    EXPECT_EQ(odd, ToBytes("\xEF\xBB\xBF" "A\xEF\xBF\xBD"));

    for (const std::string& unmarked : {std::string("plain"), std::string("\xEF\xBB\xBF" "x"), std::string("\xFF")}) {
        Bytes bytes = ToBytes(unmarked);
        EXPECT_FALSE(Utf16ToUtf8IfMarked(bytes));
        EXPECT_EQ(bytes, ToBytes(unmarked));
    }
}

TEST(TextLines, NextTokenSplitsAtTheFirstDelimiter) {
    struct Case {
        std::string text, delimiters, token, rest;
    } cases[] = {
        {"a:b:c", ":", "a", "b:c"},
        {"abc", ":", "abc", ""},
        {"a.b,c", ",.", "a", "b,c"},
        {":x", ":", "", "x"},
        {"", ":", "", ""},
    };
    for (Case c : cases) {
        const std::string original = c.text;
        EXPECT_EQ(NextToken(c.text, c.delimiters), c.token) << original;
        EXPECT_EQ(c.text, c.rest) << original;
    }
}

TEST(TextLines, TimeTexts) {
    struct Case {
        const char* text;
        bool srtValid;
        int64_t srtMs;
        bool assValid;
        int64_t assMs;
    } cases[] = {
        {"00:01:02,5", true, 62'500, false, 0},
        {"00:01:03,25", true, 63'250, false, 0},
        {"01:00:00,000", true, 3'600'000, false, 0},
        {"00:00:01,4567", true, 5'567, false, 0},
        {"0:00:01.50", false, 0, true, 1'500},
        {"0:00:03.00", false, 0, true, 3'000},
        {"12:34:56.789", false, 0, true, 45'296'789},
        {"0:0:7", true, 7'000, true, 7'000},  // no fraction: 0 ms
        {"0:0:7,", true, 7'000, false, 0},
        {"aa:00:01,000", false, 0, false, 0},
        {"00::01,000", false, 0, false, 0},
        {"00:00:,000", false, 0, false, 0},
        {"00:00:01,5x", false, 0, false, 0},
        {"-1:00:01,000", false, 0, false, 0},
        {"00:00:01", true, 1'000, true, 1'000},
        {"", false, 0, false, 0},
        {"00:00 :01,000", false, 0, false, 0},  // spaces are the caller's to remove
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SrtTimeValid(c.text), c.srtValid) << c.text;
        EXPECT_EQ(SrtTimeToMs(c.text), c.srtMs) << c.text;
        EXPECT_EQ(AssTimeValid(c.text), c.assValid) << c.text;
        EXPECT_EQ(AssTimeToMs(c.text), c.assMs) << c.text;
    }
    // Absurdly long parts must not overflow into a negative time.
    EXPECT_GT(SrtTimeToMs("99999999999999999999:99999999999:99999999999,99999999999"), 0);
}

TEST(TextLines, SrtTimeLines) {
    struct Case {
        const char* line;
        bool ok;
        const char* start;
        const char* end;
    } cases[] = {
        {"00:01:02,5 --> 00:01:03,25", true, "00:01:02,5", "00:01:03,25"},
        {"00:00:01,000-->00:00:02,000", true, "00:00:01,000", "00:00:02,000"},
        {"0 0:00:01, 000  -->  00:00 :02,000", true, "00:00:01,000", "00:00:02,000"},
        {"00:00:01,000 -> 00:00:02,000", false, "", ""},
        {"00:00:01,000 --> ", false, "", ""},
        {"00:00:01,000 --> 00:00:02.000", false, "", ""},
        {"Hello - world", false, "", ""},
        {"no arrow", false, "", ""},
        {"", false, "", ""},
    };
    for (const Case& c : cases) {
        std::string start, end;
        EXPECT_EQ(IsSrtTimeLine(c.line, start, end), c.ok) << c.line;
        EXPECT_EQ(start, c.start) << c.line;
        EXPECT_EQ(end, c.end) << c.line;
    }
}

// ---------------------------------------------------------------------------
// SRT

const char* const kSrtLines[] = {
    "1",
    "00:00:01,000 --> 00:00:02,500",
    "First line",
    "  second line  ",
    "",
    "2",
    "00:01:02,5 --> 00:01:03,25",
    "Next",
    "",
};

std::string JoinLines(const char* const* lines, size_t count, std::string_view lineEnd) {
    std::string out;
    for (size_t i = 0; i < count; ++i) out += std::string(lines[i]) + std::string(lineEnd);
    return out;
}

TEST(SubtitleSrt, AnyLineEndGivesTheSameEvents) {
    const std::vector<Event> expected = {
        {1, 1'000, 1'500, "First line\r\nsecond line"},
        {2, 62'500, 750, "Next"},
    };
    for (std::string_view lineEnd : {"\r\n", "\n", "\r"}) {
        const SubtitleScript script = ParseSrt(ToBytes(JoinLines(kSrtLines, std::size(kSrtLines), lineEnd)));
        EXPECT_EQ(script.error, "") << int(lineEnd.back());
        EXPECT_EQ(Events(script), expected) << int(lineEnd.back());
        EXPECT_TRUE(script.codecPrivate.empty());
    }
}

TEST(SubtitleSrt, EventsOfUnusualShape) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<Event> events;
    } cases[] = {
        {"the last event may end without text",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n\r\n7\r\n00:00:03,000 --> 00:00:04,000\r\n\r\n",
         {{1, 1'000, 1'000, "Hi"}, {7, 3'000, 1'000, ""}}},
        {"the last line needs no line end", "5\n01:00:00,000 --> 01:00:01,000\nA\nB",
         {{5, 3'600'000, 1'000, "A\r\nB"}}},
        {"an end before the start gives duration 0", "1\n00:00:05,000 --> 00:00:04,000\nBack\n",
         {{1, 5'000, 0, "Back"}}},
        {"empty lines inside a text are dropped", "1\n00:00:00,000 --> 00:00:01,000\nA\n\n\nB\n\n\n2\n"
                                                   "00:00:02,000 --> 00:00:03,000\nC\n",
         {{1, 0, 1'000, "A\r\nB"}, {2, 2'000, 1'000, "C"}}},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseSrt(ToBytes(c.file));
        EXPECT_EQ(script.error, "") << c.name;
        EXPECT_EQ(Events(script), c.events) << c.name;
    }
}

TEST(SubtitleSrt, BrokenStructureNamesTheLine) {
    struct Case {
        const char* name;
        std::string file;
        const char* error;
    } cases[] = {
        {"a text line of digits is the next index, so the line after it is no time line",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\nIn\r\n1984\r\nthe end\r\n", "SRT parsing error in line 5"},
        {"broken arrow", "1\r\n00:00:01,000 -> 00:00:02,000\r\nHi\r\n", "SRT parsing error in line 2"},
        {"broken time in the second event",
         "1\n00:00:01,000 --> 00:00:02,000\nHi\n\n2\n00:00:03;000 --> 00:00:04,000\nHo\n", "SRT parsing error in line 6"},
        {"no index line", "Hello\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n", "SRT parsing error in line 1"},
        {"empty lines before the first index", "\r\n1\r\n00:00:01,000 --> 00:00:02,000\r\nHi\r\n",
         "SRT parsing error in line 1"},
        {"an event ending at the next index has no text",
         "1\r\n00:00:01,000 --> 00:00:02,000\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\nHi\r\n",
         "SRT parsing error in line 4"},
        {"the file ends after the index", "1\r\n", "SRT parsing error in line 2"},
        {"the file ends after the time line", "1\r\n00:00:01,000 --> 00:00:02,000\r\n", "SRT parsing error in line 3"},
        {"empty file", "", "SRT parsing error in line 1"},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseSrt(ToBytes(c.file));
        EXPECT_EQ(script.error, c.error) << c.name;
        EXPECT_TRUE(script.events.empty()) << c.name;
    }
}

TEST(SubtitleSrt, EveryEncodingEndsAsUtf8) {
    const std::string utf8Text = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x80\x9C" "ok\xE2\x80\x9D";  // Привет “ok”
    const std::u16string utf16File = u"1\r\n00:00:01,000 --> 00:00:02,000\r\n\u041F\u0440\u0438\u0432\u0435\u0442 \u201Cok\u201D\r\n";
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"UTF-8 with mark", ToBytes("\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\n" + utf8Text + "\r\n")},
        {"UTF-8 without mark", ToBytes("1\r\n00:00:01,000 --> 00:00:02,000\r\n" + utf8Text + "\r\n")},
        {"Windows-1251", ToBytes("1\r\n00:00:01,000 --> 00:00:02,000\r\n\xCF\xF0\xE8\xE2\xE5\xF2 \x93ok\x94\r\n")},
        {"UTF-16LE", Utf16(utf16File, true)},
        {"UTF-16BE", Utf16(utf16File, false)},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseSrt(c.file);
        EXPECT_EQ(script.error, "") << c.name;
        EXPECT_EQ(Events(script), (std::vector<Event>{{1, 1'000, 1'000, utf8Text}})) << c.name;
    }
}

// A Russian dialogue line starts with a dash: every character of the code
// page comes through, not only the letters.
TEST(SubtitleSrt, Windows1251KeepsDashesQuotesAndTheNumeroSign) {
    const Bytes file = ToBytes("1\r\n00:00:01,000 --> 00:00:02,000\r\n\x97 \xC2\xF2\xEE\xF0\xE0\xFF \xF1\xF2\xF0\xEE\xEA\xE0 "
                               "\x97 \xB8\xE6\xE8\xEA \xAB\xB9 5\xBB\x85\r\n");
    const SubtitleScript script = ParseSrt(file);
    ASSERT_EQ(script.events.size(), 1u);
    EXPECT_EQ(script.events[0].text, "\u2014 \u0412\u0442\u043E\u0440\u0430\u044F \u0441\u0442\u0440\u043E\u043A\u0430 "
                                     "\u2014 \u0451\u0436\u0438\u043A \u00AB\u2116 5\u00BB\u2026");
}

// Every byte of the code page decodes as glibc's iconv decodes it.
TEST(SubtitleSrt, Windows1251TableIsIconvs) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (b == 0x98) continue;  // not a character of the code page
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1)) << b;
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(b))), std::string(out, outPtr)) << std::hex << b;
    }
    iconv_close(cd);
}

// ---------------------------------------------------------------------------
// ASS / SSA

// The header runs through the Format line after [Events]; the Styles section
// has a Format line of its own that must not end it.
const std::string kAssHeader =
    "[Script Info]\r\n"
    "Title: Test\r\n"
    "ScriptType: v4.00+\r\n"
    "\r\n"
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize\r\n"
    "Style: Default,Arial,20\r\n"
    "\r\n"
    "[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";

TEST(SubtitleAss, DialogueLinesBecomeEventsAndTheHeaderCodecPrivate) {
    const std::string file = kAssHeader +
                             "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,Hello\r\n"
                             "Comment: 0,0:00:02.00,0:00:04.00,Default,,0,0,0,,note\r\n"
                             "\r\n"
                             "Dialogue:  2,0:00:05.00,0:00:04.00,Default,Bob,0,0,0,,Back, {\\i1}in{\\i0} time  \r\n"
                             "dialogue: 0,0:01:00.5,0:01:01.25,Default,,0,0,0,,\r\n"
                             "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,last, no line end";
    const SubtitleScript script = ParseAss(ToBytes(file));
    EXPECT_EQ(script.error, "");
    EXPECT_EQ(std::string(script.codecPrivate.begin(), script.codecPrivate.end()), kAssHeader);
    const std::vector<Event> expected = {
        {0, 1'500, 1'500, "0,0,Default,,0,0,0,,Hello"},
        {1, 5'000, 0, "1,2,Default,Bob,0,0,0,,Back, {\\i1}in{\\i0} time"},
        {2, 60'500, 750, "2,0,Default,,0,0,0,,"},
        {3, 1'500, 1'500, "3,0,Default,,0,0,0,,last, no line end"},
    };
    EXPECT_EQ(Events(script), expected);
}

TEST(SubtitleAss, SectionAndFormatInAnyCaseAndLineEnd) {
    struct Case {
        const char* name;
        std::string header;
    } cases[] = {
        {"upper case, LF", "[Script Info]\nTitle: x\n\n  [EVENTS]  \n\n\nFORMAT: Layer, Start, End, Text\n"},
        {"mixed case, CR", "[Script Info]\rTitle: x\r[eVeNtS]\rformat:Marked, Start, End, Text\r"},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseAss(ToBytes(c.header + "Dialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hi\n"));
        EXPECT_EQ(script.error, "") << c.name;
        EXPECT_EQ(std::string(script.codecPrivate.begin(), script.codecPrivate.end()), c.header) << c.name;
        EXPECT_EQ(Events(script), (std::vector<Event>{{0, 1'000, 1'000, "0,Marked=0,Default,,0,0,0,,Hi"}})) << c.name;
    }
}

TEST(SubtitleAss, FormatAsTheLastLineGivesAHeaderWithoutEvents) {
    for (const std::string& file : {kAssHeader, kAssHeader + "\r\n\r\n", kAssHeader.substr(0, kAssHeader.size() - 2)}) {
        const SubtitleScript script = ParseAss(ToBytes(file));
        EXPECT_EQ(script.error, "");
        EXPECT_TRUE(script.events.empty());
        // Up to the line after Format, or to the end of the file when there is none.
        const std::string expected = file.size() > kAssHeader.size() ? kAssHeader : file;
        EXPECT_EQ(std::string(script.codecPrivate.begin(), script.codecPrivate.end()), expected);
    }
}

TEST(SubtitleAss, Errors) {
    struct Case {
        const char* name;
        std::string file;
        const char* error;
    } cases[] = {
        {"no [Events]", "[Script Info]\r\nTitle: x\r\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\r\n",
         "ASS parsing error, no events found"},
        {"[Events] only as part of a line", "[Script Info]\r\n; see [Events]\r\n", "ASS parsing error, no events found"},
        {"nothing after [Events]", "[Script Info]\r\nTitle: x\r\n[Events]\r\n\r\n  \r\n", "ASS parsing error"},
        {"[Events] is the last line", "[Script Info]\r\nTitle: x\r\n[Events]", "ASS parsing error"},
        {"no Format after [Events]",
         "[Script Info]\r\nTitle: x\r\n[Events]\r\n\r\nDialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\r\n",
         "ASS parsing error in line 5"},
        {"bad start time", kAssHeader + "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Hi\r\nComment: x\r\n"
                                        "Dialogue: 0,0:00:0a.00,0:00:02.00,,,0,0,0,,Hi\r\n",
         "ASS parsing error in line 13"},
        {"bad end time", kAssHeader + "Dialogue: 0,0:00:01.00,0:00:02;00,,,0,0,0,,Hi\r\n",
         "ASS parsing error in line 11"},
        {"too few fields", kAssHeader + "\r\nDialogue: 0,0:00:01.00\r\n", "ASS parsing error in line 12"},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseAss(ToBytes(c.file));
        EXPECT_EQ(script.error, c.error) << c.name;
        EXPECT_TRUE(script.events.empty()) << c.name;
        EXPECT_TRUE(script.codecPrivate.empty()) << c.name;
    }
}

TEST(SubtitleAss, EveryEncodingEndsAsUtf8InHeaderAndText) {
    // Title: Тест / Dialogue text: Привет
    const std::string utf8Header = "[Script Info]\r\nTitle: \xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\r\n[Events]\r\nFormat: Layer, Start, End, Text\r\n";
    const std::string utf8Text = "0,0,Default,,0,0,0,,\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const std::string dialogue = "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,";
    const std::u16string utf16File = u"[Script Info]\r\nTitle: \u0422\u0435\u0441\u0442\r\n[Events]\r\n"
                                     u"Format: Layer, Start, End, Text\r\n"
                                     u"Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,\u041F\u0440\u0438\u0432\u0435\u0442\r\n";
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"UTF-8 with mark", ToBytes("\xEF\xBB\xBF" + utf8Header + dialogue + "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n")},
        {"Windows-1251", ToBytes("[Script Info]\r\nTitle: \xD2\xE5\xF1\xF2\r\n[Events]\r\nFormat: Layer, Start, End, Text\r\n" +
                                 dialogue + "\xCF\xF0\xE8\xE2\xE5\xF2\r\n")},
        {"UTF-16LE", Utf16(utf16File, true)},
        {"UTF-16BE", Utf16(utf16File, false)},
    };
    for (const Case& c : cases) {
        const SubtitleScript script = ParseAss(c.file);
        EXPECT_EQ(script.error, "") << c.name;
        EXPECT_EQ(std::string(script.codecPrivate.begin(), script.codecPrivate.end()), utf8Header) << c.name;
        EXPECT_EQ(Events(script), (std::vector<Event>{{0, 1'000, 1'000, utf8Text}})) << c.name;
    }
}

}  // namespace
}  // namespace quillon
