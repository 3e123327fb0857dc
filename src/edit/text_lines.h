// Line and token routines over a text file held whole in memory, and the time
// texts of SRT and ASS/SSA subtitles. Lines end at CR, CR LF or LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The bytes from `offset` up to the first CR or LF (or the end), without
// leading and trailing blanks and control characters (bytes up to 0x20).
// Empty for an offset outside the bytes.
std::string ReadTextLine(const std::vector<uint8_t>& bytes, int64_t offset);
// The same trimming of a text.
std::string_view TrimmedText(std::string_view text);

// Where the line after the one at `offset` starts: after its CR, CR LF or LF.
// −1 when the offset is −1 or outside the bytes, when fewer than 2 bytes remain
// from it, when no line end follows, or when the next line would start at the
// end of the bytes (a last line ending in a line break has no line after it).
int64_t NextLineStart(const std::vector<uint8_t>& bytes, int64_t offset);

// Whether the bytes are taken as UTF-8: true when longer than 3 bytes and
// starting with the mark EF BB BF; otherwise the first byte from 0x80 up
// decides, true when it starts a well-formed 2-, 3- or 4-byte sequence.
// False for an empty list and for pure ASCII (which reads the same either way).
bool IsUtf8(const std::vector<uint8_t>& bytes);

// A text starting with a UTF-16 byte-order mark (FF FE little-endian, FE FF
// big-endian) is replaced by its UTF-8 form with the mark EF BB BF in front,
// and true is returned; anything else is left alone (false). Surrogate pairs
// become one character; a lone surrogate or an odd last byte becomes U+FFFD.
bool Utf16ToUtf8IfMarked(std::vector<uint8_t>& bytes);

// The text without its " " characters.
std::string RemoveSpaces(std::string_view text);

// The characters before the first of `delimiters`; they and that delimiter are
// removed from `text`. With no delimiter in it, the whole text is returned and
// `text` is left empty.
std::string NextToken(std::string& text, std::string_view delimiters);

// Time texts: hours ":" minutes ":" seconds, then "," (SRT) or "." (ASS) and a
// fraction of a second. Hours, minutes and seconds must be non-empty decimal
// digits; the fraction is right-padded with "0" to at least 3 characters and
// must be digits after that (so "5" counts 500 ms, "50" 500 ms, "4567" 4567 ms,
// and a missing fraction 0 ms). The value is in milliseconds, 0 for an invalid
// text; a part of more than 9 digits counts as 999,999,999.
bool SrtTimeValid(std::string_view text);
int64_t SrtTimeToMs(std::string_view text);
bool AssTimeValid(std::string_view text);
int64_t AssTimeToMs(std::string_view text);

// An SRT time line: a start time, "-->", an end time, spaces anywhere. The
// start is what stands before the first "-", the end what follows the "-->"
// that must begin there (with at least two characters after it); both, with
// their spaces removed, must be valid SRT times. On success `startText` and
// `endText` receive them without spaces; otherwise they are left alone.
bool IsSrtTimeLine(std::string_view line, std::string& startText, std::string& endText);

}  // namespace quillon
