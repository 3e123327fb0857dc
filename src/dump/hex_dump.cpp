#include "dump/hex_dump.h"

#include <algorithm>
#include <cstdio>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/utf8.h"

namespace quillon {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Windows-1251's letters and signs for 0x80..0xFF as Unicode code points.
constexpr uint16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C,
    0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x002E, 0x2122, 0x0459, 0x203A,
    0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9,
    0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415,
    0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431,
    0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D,
    0x044E, 0x044F};  // 0x98 has no character in the code page: shown as "."

// The code point the character column shows for a byte.
uint32_t Shown(uint8_t b, DumpChars chars) {
    if (b < 0x20 || b == 0x7F) return '.';
    if (b < 0x80) return b;
    return chars == DumpChars::Ascii ? '.' : kCp1251High[b - 0x80];
}

int Width(DumpLayout l) { return l.width == 24 || l.width == 32 ? l.width : 16; }

// Where the character column starts: the hex part padded for a full row.
size_t CharColumn(int w) { return size_t(3 * w + 2 * (w / 4 - 1) + 12); }

// The line of one row: its characters as code points.
std::vector<uint32_t> RowChars(std::span<const uint8_t> bytes, uint64_t base, size_t start, int w, DumpChars chars) {
    std::vector<uint32_t> line;
    char offset[20];
    std::snprintf(offset, sizeof offset, "%08llX  ", static_cast<unsigned long long>(base + start));
    for (const char* p = offset; *p; ++p) line.push_back(uint8_t(*p));
    const size_t end = std::min(bytes.size(), start + size_t(w));
    for (size_t i = start; i < end; ++i) {
        line.push_back(kHex[bytes[i] >> 4]);
        line.push_back(kHex[bytes[i] & 15]);
        line.push_back(' ');
        if ((i - start) % 4 == 3) line.push_back('|'), line.push_back(' ');
    }
    while (line.size() < CharColumn(w)) line.push_back(' ');
    for (size_t i = start; i < end; ++i) line.push_back(Shown(bytes[i], chars));
    return line;
}

template <typename Visit>
void ForEachLine(std::span<const uint8_t> bytes, uint64_t base, DumpLayout layout, DumpChars chars, Visit visit) {
    const int w = Width(layout);
    size_t row = 0;
    for (size_t start = 0; start < bytes.size(); start += size_t(w), ++row) {
        visit(RowChars(bytes, base, start, w, chars), start);
        if ((layout.group == 4 || layout.group == 8) && (row + 1) % size_t(layout.group) == 0)
            visit(std::vector<uint32_t>{}, SIZE_MAX);
    }
}

}  // namespace

std::string DumpText(std::span<const uint8_t> bytes, uint64_t base, DumpLayout layout, DumpChars chars) {
    std::string text;
    text.reserve(bytes.size() * 5 + 64);
    ForEachLine(bytes, base, layout, chars, [&](const std::vector<uint32_t>& line, size_t) {
        for (uint32_t c : line) AppendUtf8(text, c);
        text += '\n';
    });
    return text;
}

size_t DumpRowLength(DumpLayout layout) {
    const int w = Width(layout);
    return CharColumn(w) + size_t(w) + 1;
}

size_t HexDigitsAt(size_t i, DumpLayout layout) {
    const int w = Width(layout);
    const size_t row = i / size_t(w), column = i % size_t(w);
    size_t at = row * DumpRowLength(layout);
    if (layout.group == 4 || layout.group == 8) at += row / size_t(layout.group);  // the empty lines before it
    return at + 10 + 3 * column + 2 * (column / 4);
}

std::vector<HeaderMark> PaintTags(std::span<const uint8_t> bytes) {
    std::vector<HeaderMark> marks;
    size_t at = 0;
    while (at < bytes.size()) {
        const int row = FindElementRow(bytes.data() + at, std::min<size_t>(12, bytes.size() - at));
        if (row < 0) break;
        const size_t idLength = IdLength(DictionaryId(row));
        if (at + idLength >= bytes.size()) {
            marks.push_back({at, bytes.size() - at, HeaderPart::Id});
            break;
        }
        marks.push_back({at, idLength, HeaderPart::Id});
        at += idLength;
        const Vint size = ReadVint(bytes, at);
        if (size.length == 0) break;
        marks.push_back({at, std::min<size_t>(size_t(size.length), bytes.size() - at), HeaderPart::Size});
        at += size_t(size.length);
        if (DictionaryRow(row).kind == 'e') {
            if (IsUnknownSize(size.value, size.length) || size.value > bytes.size() - std::min(at, bytes.size())) break;
            at += size_t(size.value);
        }
    }
    return marks;
}

std::vector<size_t> FindPattern(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern) {
    std::vector<size_t> found;
    if (pattern.empty() || pattern.size() > bytes.size()) return found;
    for (size_t i = 0; i + pattern.size() <= bytes.size();) {
        if (std::equal(pattern.begin(), pattern.end(), bytes.begin() + i)) {
            found.push_back(i);
            i += pattern.size();
        } else {
            ++i;
        }
    }
    return found;
}

std::string NormalizeHexField(const std::string& typed) {
    std::string digits;
    for (char c : typed) {
        if (c >= 'a' && c <= 'f') c = char(c - 'a' + 'A');
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) digits += c;
    }
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && i % 2 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

std::vector<uint8_t> HexFieldBytes(const std::string& field) {
    std::vector<uint8_t> bytes;
    int half = -1;
    for (char c : NormalizeHexField(field)) {
        if (c == ' ') continue;
        const int v = c <= '9' ? c - '0' : c - 'A' + 10;
        if (half < 0) half = v;
        else bytes.push_back(uint8_t(half << 4 | v)), half = -1;
    }
    if (half >= 0) bytes.push_back(uint8_t(half));
    return bytes;
}

std::string DumpRtf(std::span<const uint8_t> bytes, uint64_t base, DumpLayout layout,
                    const std::vector<HeaderMark>& marks, const std::vector<size_t>& matches, size_t matchLength) {
    // Colour and highlight of every byte's hex digits.
    enum : uint8_t { kText = 1, kId = 2, kSize = 3 };
    std::vector<uint8_t> colour(bytes.size(), kText);
    std::vector<bool> found(bytes.size(), false);
    for (const HeaderMark& m : marks)
        for (size_t i = m.at; i < m.at + m.length && i < bytes.size(); ++i) colour[i] = m.part == HeaderPart::Id ? kId : kSize;
    for (size_t at : matches)
        for (size_t i = at; i < at + matchLength && i < bytes.size(); ++i) found[i] = true;

    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fmodern Courier;}}"
                      "{\\colortbl;\\red0\\green255\\blue255;\\red255\\green255\\blue0;\\red0\\green255\\blue0;"
                      "\\red0\\green0\\blue128;\\red192\\green0\\blue192;}\n"
                      "\\f0\\fs16\\cb4\\highlight4\\cf1 ";
    uint8_t current = kText;
    bool lit = false;
    const auto put = [&](uint32_t c) {
        if (c == '\\' || c == '{' || c == '}') rtf += '\\', rtf += char(c);
        else if (c < 0x80) rtf += char(c);
        else rtf += "\\u" + std::to_string(int16_t(c)) + "?";
    };
    // Which byte of its row each character of a line shows the digits of
    // (10 + 3c + 2(c div 4) and the character after it); -1 for the others.
    const int w = Width(layout);
    std::vector<int> digitsOf(CharColumn(w), -1);
    for (int c = 0; c < w; ++c) {
        const size_t at = 10 + 3 * size_t(c) + 2 * size_t(c / 4);
        digitsOf[at] = digitsOf[at + 1] = c;
    }
    ForEachLine(bytes, base, layout, DumpChars::Cyrillic, [&](const std::vector<uint32_t>& line, size_t start) {
        for (size_t k = 0; k < line.size(); ++k) {
            uint8_t want = kText;
            bool hit = false;
            if (start != SIZE_MAX && k < digitsOf.size() && digitsOf[k] >= 0 && start + size_t(digitsOf[k]) < bytes.size()) {
                want = colour[start + size_t(digitsOf[k])];
                hit = found[start + size_t(digitsOf[k])];
            }
            if (want != current) rtf += "\\cf" + std::to_string(want) + " ", current = want;
            if (hit != lit) rtf += hit ? "\\highlight5 " : "\\highlight4 ", lit = hit;
            put(line[k]);
        }
        rtf += "\\par\n";
    });
    rtf += "}\n";
    return rtf;
}

std::string DumpCaption(const std::string& positionLabel, uint64_t position, const std::string& sizeLabel,
                        uint64_t length) {
    const auto hex = [](uint64_t v) {
        char text[24];
        std::snprintf(text, sizeof text, v > 65535 ? "%08llX" : "%04llX", static_cast<unsigned long long>(v));
        return std::string(text);
    };
    return positionLabel + "  $" + hex(position) + " (" + std::to_string(position) + "),   " + sizeLabel + "  $" +
           hex(length) + " (" + std::to_string(length) + ")";
}

}  // namespace quillon
