#include "edit/subtitle_parse.h"

#include <string_view>
#include <utility>

#include "core/ascii_text.h"
#include "core/value_text.h"
#include "edit/text_lines.h"
#include "edit/track_texts.h"

namespace quillon {

namespace {

// The decoded bytes of a subtitle file and where its text starts.
struct SourceText {
    std::vector<uint8_t> bytes;
    bool utf8 = false;
    int64_t start = 0;  // 3 after a UTF-8 byte-order mark, else 0

    explicit SourceText(std::vector<uint8_t> raw) : bytes(std::move(raw)) {
        Utf16ToUtf8IfMarked(bytes);
        utf8 = IsUtf8(bytes);
        if (utf8 && bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    }
    // A text of the file as UTF-8.
    std::string Text(std::string text) const { return utf8 ? text : AnsiToUtf8Text(text); }
};

// A position in the file and the number of its line, moving forward together.
struct LineCursor {
    const std::vector<uint8_t>& bytes;
    int64_t pos;
    int64_t line = 1;

    std::string Read() const { return ReadTextLine(bytes, pos); }
    // False at the end of the file. The line count grows either way, so an
    // error at the end names the line that is missing.
    bool Advance() {
        pos = NextLineStart(bytes, pos);
        ++line;
        return pos != -1;
    }
};

int64_t DurationMs(int64_t start, int64_t end) { return end >= start ? end - start : 0; }

SubtitleScript Failed(std::string error) {
    SubtitleScript failed;
    failed.error = std::move(error);
    return failed;
}

}  // namespace

SubtitleScript ParseSrt(std::vector<uint8_t> bytes) {
    const SourceText source(std::move(bytes));
    LineCursor cursor{source.bytes, source.start};
    SubtitleScript script;
    auto error = [&] { return Failed("SRT parsing error in line " + std::to_string(cursor.line)); };

    for (;;) {
        Tsrt event;
        const std::string indexLine = cursor.Read();
        if (!IsDigits(indexLine)) return error();
        event.number = TextToUInt32(indexLine);

        if (!cursor.Advance()) return error();
        std::string startText, endText;
        if (!IsSrtTimeLine(cursor.Read(), startText, endText)) return error();
        event.start = SrtTimeToMs(startText);
        event.duration = DurationMs(event.start, SrtTimeToMs(endText));

        if (!cursor.Advance()) return error();
        bool atNextIndex = false;
        std::string text;
        for (;;) {
            const std::string line = cursor.Read();
            if (IsDigits(line)) {  // the next event's index line, read again above
                atNextIndex = true;
                break;
            }
            if (!line.empty()) {
                if (!text.empty()) text += "\r\n";
                text += line;
            }
            if (!cursor.Advance()) break;
        }
        // An event cut short by the end of the file is kept even without text.
        if (atNextIndex && text.empty()) return error();
        event.text = source.Text(std::move(text));
        script.events.push_back(std::move(event));
        if (!atNextIndex) break;
    }
    return script;
}

SubtitleScript ParseAss(std::vector<uint8_t> bytes) {
    const SourceText source(std::move(bytes));
    LineCursor cursor{source.bytes, source.start};

    while (AsciiLower(cursor.Read()) != "[events]")
        if (!cursor.Advance()) return Failed("ASS parsing error, no events found");
    do {
        if (!cursor.Advance()) return Failed("ASS parsing error");
    } while (cursor.Read().empty());
    if (!AsciiLower(cursor.Read()).starts_with("format:"))
        return Failed("ASS parsing error in line " + std::to_string(cursor.line));

    SubtitleScript script;
    // The header: everything before the line after Format, or the whole file
    // when Format is its last line. Matroska takes an ASS/SSA CodecPrivate as
    // UTF-8, so a Windows-1251 header is converted like the event texts.
    const bool more = cursor.Advance();
    const auto headerEnd = more ? cursor.pos : static_cast<int64_t>(source.bytes.size());
    const std::string header(source.bytes.begin() + source.start, source.bytes.begin() + headerEnd);
    const std::string headerUtf8 = source.Text(header);
    script.codecPrivate.assign(headerUtf8.begin(), headerUtf8.end());

    for (bool atLine = more; atLine; atLine = cursor.Advance()) {
        std::string rest = cursor.Read();
        if (rest.empty()) continue;
        if (AsciiLower(NextToken(rest, ":")) != "dialogue") continue;
        rest = std::string(TrimmedText(rest));
        const std::string first = NextToken(rest, ",");  // Layer; Marked in SSA
        const std::string startText = NextToken(rest, ",");
        const std::string endText = NextToken(rest, ",");
        if (!AssTimeValid(startText) || !AssTimeValid(endText))
            return Failed("ASS parsing error in line " + std::to_string(cursor.line));
        Tsrt event;
        event.number = static_cast<uint32_t>(script.events.size());
        event.start = AssTimeToMs(startText);
        event.duration = DurationMs(event.start, AssTimeToMs(endText));
        // ReadOrder, Layer, then Style, Name, MarginL, MarginR, MarginV, Effect, Text as they stand.
        event.text = source.Text(std::to_string(event.number) + "," + first + "," + rest);
        script.events.push_back(std::move(event));
    }
    return script;
}

}  // namespace quillon
