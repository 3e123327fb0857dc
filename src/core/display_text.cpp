#include "core/display_text.h"

#include <cstdint>

namespace quillon {
namespace {

// The characters with a display form: А..Я, Ё, а..я, ё, “ and ”.
bool InDisplayTable(const unsigned char* s, int length) {
    if (length == 2) {
        const unsigned v = (s[0] << 8) | s[1];
        return (v >= 0xD090 && v <= 0xD0BF) || (v >= 0xD180 && v <= 0xD18F) || v == 0xD081 || v == 0xD191;
    }
    if (length == 3) return s[0] == 0xE2 && s[1] == 0x80 && (s[2] == 0x9C || s[2] == 0x9D);
    return false;
}

}  // namespace

// Length of the valid UTF-8 character at s[0] (no overlong forms, no
// surrogates, nothing above U+10FFFF); 0 when there is none.
static int ValidUtf8Length(const unsigned char* s, size_t left) {
    const unsigned char b = s[0];
    if (b < 0x80) return 1;
    int length;
    uint32_t min;
    uint32_t code;
    if ((b & 0xE0) == 0xC0) length = 2, min = 0x80, code = b & 0x1F;
    else if ((b & 0xF0) == 0xE0) length = 3, min = 0x800, code = b & 0x0F;
    else if ((b & 0xF8) == 0xF0) length = 4, min = 0x10000, code = b & 0x07;
    else return 0;
    if (static_cast<size_t>(length) > left) return 0;
    for (int k = 1; k < length; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        code = code << 6 | (s[k] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string DisplayText(std::string_view text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        const int length = ValidUtf8Length(s + i, text.size() - i);
        if (length > 0 && !(length == 1 && (s[i] < 0x20 || s[i] == 0x7F))) {
            out.append(text.substr(i, static_cast<size_t>(length)));
            i += static_cast<size_t>(length);
        } else {
            out.push_back('%');
            out.push_back(kDigits[s[i] >> 4]);
            out.push_back(kDigits[s[i] & 0x0F]);
            ++i;
        }
    }
    return out;
}

std::string Utf8ToAnsiText(std::string_view text) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        int length = 0;
        if ((b & 0xE0) == 0xC0) length = 2;
        else if ((b & 0xF0) == 0xE0) length = 3;
        else if ((b & 0xF8) == 0xF0) length = 4;
        bool sequence = length > 0 && i + length <= n;
        for (int k = 1; sequence && k < length; ++k) sequence = (s[i + k] & 0xC0) == 0x80;
        if (!sequence) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        if (InDisplayTable(s + i, length)) {
            out.append(text.substr(i, length));
        } else {
            out.push_back('%');
            for (int k = 0; k < length; ++k) {
                out.push_back(kDigits[s[i + k] >> 4]);
                out.push_back(kDigits[s[i + k] & 0x0F]);
            }
        }
        i += length;
    }
    return out;
}

}  // namespace quillon
