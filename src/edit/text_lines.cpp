#include "edit/text_lines.h"

#include <cstddef>
#include <utility>

#include "core/utf8.h"
#include "core/value_text.h"

namespace quillon {

namespace {

constexpr uint8_t kCr = 13;
constexpr uint8_t kLf = 10;

bool IsBlankOrControl(uint8_t b) { return b <= 0x20; }

// Digits as a number, saturating so that the sum of the time parts cannot overflow.
int64_t ClampedDigits(std::string_view digits) {
    constexpr int64_t kMax = 999'999'999;
    int64_t value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > kMax) return kMax;
    }
    return value;
}

struct TimeParts {
    bool valid = false;
    int64_t ms = 0;
};

// hours ":" minutes ":" seconds `fractionMark` fraction.
TimeParts ParseTime(std::string_view text, char fractionMark) {
    std::string rest(text);
    const std::string hours = NextToken(rest, ":");
    const std::string minutes = NextToken(rest, ":");
    const std::string seconds = NextToken(rest, std::string_view(&fractionMark, 1));
    std::string fraction = rest;
    if (fraction.size() < 3) fraction.append(3 - fraction.size(), '0');
    if (!IsDigits(hours) || !IsDigits(minutes) || !IsDigits(seconds) || !IsDigits(fraction)) return {};
    return {true, ClampedDigits(fraction) + ClampedDigits(seconds) * 1000 + ClampedDigits(minutes) * 60'000 +
                      ClampedDigits(hours) * 3'600'000};
}

}  // namespace

std::string ReadTextLine(const std::vector<uint8_t>& bytes, int64_t offset) {
    if (offset < 0 || offset >= static_cast<int64_t>(bytes.size())) return {};
    size_t end = static_cast<size_t>(offset);
    while (end < bytes.size() && bytes[end] != kCr && bytes[end] != kLf) ++end;
    const auto* line = reinterpret_cast<const char*>(bytes.data()) + offset;
    return std::string(TrimmedText(std::string_view(line, end - static_cast<size_t>(offset))));
}

std::string_view TrimmedText(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlankOrControl(static_cast<uint8_t>(text[begin]))) ++begin;
    while (end > begin && IsBlankOrControl(static_cast<uint8_t>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

int64_t NextLineStart(const std::vector<uint8_t>& bytes, int64_t offset) {
    const auto size = static_cast<int64_t>(bytes.size());
    if (offset < 0 || offset >= size || size - offset < 2) return -1;
    int64_t p = offset;
    while (p < size && bytes[static_cast<size_t>(p)] != kCr && bytes[static_cast<size_t>(p)] != kLf) ++p;
    if (p == size) return -1;
    if (bytes[static_cast<size_t>(p)] == kCr && p + 1 < size && bytes[static_cast<size_t>(p + 1)] == kLf) ++p;
    ++p;
    return p >= size ? -1 : p;
}

bool IsUtf8(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return false;
    if (bytes.size() > 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) continue;
        size_t followers = 0;
        if ((lead & 0xE0) == 0xC0) followers = 1;
        else if ((lead & 0xF0) == 0xE0) followers = 2;
        else if ((lead & 0xF8) == 0xF0) followers = 3;
        else return false;
        if (i + followers >= bytes.size()) return false;
        for (size_t k = 1; k <= followers; ++k)
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
        return true;
    }
    return false;
}

bool Utf16ToUtf8IfMarked(std::vector<uint8_t>& bytes) {
    if (bytes.size() < 2) return false;
    bool littleEndian;
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) littleEndian = true;
    else if (bytes[0] == 0xFE && bytes[1] == 0xFF) littleEndian = false;
    else return false;

    constexpr uint32_t kReplacement = 0xFFFD;
    std::vector<uint8_t> out{0xEF, 0xBB, 0xBF};
    out.reserve(bytes.size() * 3 / 2 + 3);
    const size_t units = (bytes.size() - 2) / 2;
    auto unitAt = [&](size_t k) -> uint32_t {
        const uint8_t a = bytes[2 + 2 * k], b = bytes[3 + 2 * k];
        return littleEndian ? (a | (b << 8)) : ((a << 8) | b);
    };
    for (size_t k = 0; k < units; ++k) {
        const uint32_t unit = unitAt(k);
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    if ((bytes.size() - 2) % 2 != 0) AppendUtf8(out, kReplacement);
    bytes = std::move(out);
    return true;
}

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ') out.push_back(c);
    return out;
}

std::string NextToken(std::string& text, std::string_view delimiters) {
    const size_t at = text.find_first_of(delimiters);
    if (at == std::string::npos) return std::exchange(text, std::string());
    std::string token = text.substr(0, at);
    text.erase(0, at + 1);
    return token;
}

bool SrtTimeValid(std::string_view text) { return ParseTime(text, ',').valid; }
int64_t SrtTimeToMs(std::string_view text) { return ParseTime(text, ',').ms; }
bool AssTimeValid(std::string_view text) { return ParseTime(text, '.').valid; }
int64_t AssTimeToMs(std::string_view text) { return ParseTime(text, '.').ms; }

bool IsSrtTimeLine(std::string_view line, std::string& startText, std::string& endText) {
    const size_t p = line.find('-');
    if (p == std::string_view::npos || line.size() < p + 3 + 2) return false;
    if (line.substr(p, 3) != "-->") return false;
    std::string start = RemoveSpaces(line.substr(0, p));
    std::string end = RemoveSpaces(line.substr(p + 3));
    if (!SrtTimeValid(start) || !SrtTimeValid(end)) return false;
    startText = std::move(start);
    endText = std::move(end);
    return true;
}

}  // namespace quillon
