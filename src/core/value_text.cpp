#include "core/value_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace quillon {

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

uint8_t TextToByte(std::string_view text) {
    if (!IsDigits(text) || text.size() > 3) return 0;
    unsigned value = 0;
    for (char c : text) value = value * 10 + static_cast<unsigned>(c - '0');
    return value < 256 ? static_cast<uint8_t>(value) : 0;
}

uint32_t TextToUInt32(std::string_view text) {
    if (!IsDigits(text) || text.size() > 10) return 0;
    uint64_t value = 0;
    for (char c : text) value = value * 10 + static_cast<uint64_t>(c - '0');
    return value <= UINT32_MAX ? static_cast<uint32_t>(value) : 0;
}

int64_t TextToInt64(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    return (end == s.c_str() || *end != '\0' || errno == ERANGE) ? 0 : value;
}

uint64_t TextToUInt64(std::string_view text) { return static_cast<uint64_t>(TextToInt64(text)); }

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
    if (!IsDigits(text) || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        const uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
        if (next / 10 != value) return std::nullopt;
        value = next;
    }
    return value;
}

uint8_t HexByte(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    if (text.empty() || text.size() > 2) return 0;
    const int high = text.size() == 2 ? digit(text[0]) : 0;
    const int low = digit(text.back());
    if (high < 0 || low < 0) return 0;
    return static_cast<uint8_t>(high * 16 + low);
}

std::optional<double> ParseDecimal(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    std::string s(text.substr(first, text.find_last_not_of(" \t") - first + 1));
    for (char& c : s)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace quillon
