// SRT files and ASS/SSA scripts read into subtitle events, ready to become the
// blocks of a new subtitle track. Works on the whole file in memory; opening
// the file and refusing one that is too small are the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/subtitle_event.h"

namespace quillon {

// Parsed events carry their SRT number or ASS count in Tsrt::number and
// always a duration (0 when the end lies before the start).
struct SubtitleScript {
    std::vector<Tsrt> events;           // in file order
    std::vector<uint8_t> codecPrivate;  // ASS/SSA: the script header, UTF-8 (empty for SRT)
    std::string error;                  // empty when parsed; else the status text, e.g. "SRT parsing error in line 7",
                                        // "ASS parsing error, no events found", "ASS parsing error",
                                        // "ASS parsing error in line 12"; no events then
};

// The encoding of both: a UTF-16 file (with its byte-order mark) is turned
// into UTF-8 first; then IsUtf8 decides. UTF-8 texts are kept as they are
// (reading starts after an EF BB BF mark); any other file is taken as
// Windows-1251 and its texts converted with AnsiToUtf8Text. Line numbers in
// errors count from 1.

// An SRT file: blocks of an index line (digits), a time line
// ("00:00:01,000 --> 00:00:02,500") and text lines, the non-empty ones joined
// with CR LF. A text line of digits alone is the next block's index line.
SubtitleScript ParseSrt(std::vector<uint8_t> bytes);

// An ASS/SSA script: the header runs up to and including the Format line that
// follows [Events] (both found in any letter case); after it every Dialogue
// line is one event, in the field order Layer (Marked in SSA), Start, End,
// then the rest of the line as it stands. Other lines (Comment ...) are skipped.
SubtitleScript ParseAss(std::vector<uint8_t> bytes);

}  // namespace quillon
