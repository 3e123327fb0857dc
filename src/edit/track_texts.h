// Small text helpers of the track editing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// 01:00:00.005 for one hour and 5 ms.
std::string FormatMsTime(int64_t milliseconds);
// Non-empty digits with at most one leading "-".
bool IsSignedInteger(std::string_view text);
// Windows-1251 Cyrillic letters and the curly double quotes to UTF-8; other
// bytes are copied. The reverse of Utf8ToAnsiText for those characters.
std::string AnsiToUtf8Text(std::string_view text);

}  // namespace quillon
