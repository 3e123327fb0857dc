#include "edit/track_texts.h"

#include "core/cp1251.h"

#include <cstdio>

#include "core/utf8.h"

namespace quillon {

std::string FormatMsTime(int64_t milliseconds) {
    const bool negative = milliseconds < 0;
    const uint64_t ms = negative ? static_cast<uint64_t>(-(milliseconds + 1)) + 1 : static_cast<uint64_t>(milliseconds);
    char text[48];
    std::snprintf(text, sizeof text, "%s%02llu:%02llu:%02llu.%03llu", negative ? "-" : "",
                  static_cast<unsigned long long>(ms / 3600000), static_cast<unsigned long long>(ms / 60000 % 60),
                  static_cast<unsigned long long>(ms / 1000 % 60), static_cast<unsigned long long>(ms % 1000));
    return text;
}

bool IsSignedInteger(std::string_view text) {
    if (!text.empty() && text[0] == '-') text.remove_prefix(1);
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string AnsiToUtf8Text(std::string_view text) { return Cp1251ToUtf8(text); }

}  // namespace quillon
