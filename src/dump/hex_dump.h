// The hex dump: the text (offset column, bytes in hex, character column),
// where each byte's hex digits stand in it, the element headers to paint,
// the search, and the dump as an RTF document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

// The most bytes a dump holds, and the smaller choice of the "what to show" question.
inline constexpr size_t kDumpLimit = 100000;
inline constexpr size_t kDumpShortLimit = 10000;

struct DumpLayout {
    int width = 16;  // bytes per row: 16, 24 or 32
    int group = 0;   // an empty line after every 4 or 8 rows; 0: none
};

// How the character column shows bytes 0x80..0xFF: as the Russian code page's
// letters (the window), or as "." (a terminal, which must never be handed
// escape sequences). Control codes 0x00..0x1F and 0x7F are "." either way.
enum class DumpChars { Cyrillic, Ascii };

// The dump text, lines ending in "\n". Offsets count from `base`.
std::string DumpText(std::span<const uint8_t> bytes, uint64_t base, DumpLayout layout, DumpChars chars);

// Characters per full row, line break included (one character per byte in the
// character column: the text counts in characters, not UTF-8 bytes).
size_t DumpRowLength(DumpLayout layout);
// Where byte i's two hex digits start in the text, in characters.
size_t HexDigitsAt(size_t i, DumpLayout layout);

// Element headers found by walking the bytes from the start: each ID and
// size field as a run of bytes. Containers are entered, a plain element's data
// is stepped over; an unknown ID ends the walk.
enum class HeaderPart { Id, Size };
struct HeaderMark {
    size_t at = 0, length = 0;
    HeaderPart part = HeaderPart::Id;
};
std::vector<HeaderMark> PaintTags(std::span<const uint8_t> bytes);

// Where the pattern occurs, each match's first byte; a match's bytes are not
// searched again. Nothing for an empty pattern or one longer than the bytes.
std::vector<size_t> FindPattern(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern);

// The text typed into the hex field: digits kept in pairs separated by single
// spaces, upper case; other characters dropped.
std::string NormalizeHexField(const std::string& typed);
// The bytes of a hex field: one per pair of digits, a last single digit one more.
std::vector<uint8_t> HexFieldBytes(const std::string& field);

// The dump as an RTF document in Courier 8: the text in cyan on dark blue,
// the headers' ID digits yellow and size digits green when `marks` are given,
// search matches highlighted. "\", "{", "}" are escaped and every character
// beyond ASCII written as \uN?, so any RTF reader gets the same text.
std::string DumpRtf(std::span<const uint8_t> bytes, uint64_t base, DumpLayout layout,
                    const std::vector<HeaderMark>& marks, const std::vector<size_t>& matches, size_t matchLength);

// The window's caption: the file position and the dump's length, each in hex
// (8 digits above 65535, else 4) and decimal, the two labels already translated.
std::string DumpCaption(const std::string& positionLabel, uint64_t position, const std::string& sizeLabel,
                        uint64_t length);

}  // namespace quillon
