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
// Windows-1251 text to UTF-8, every character of the code page.
std::string AnsiToUtf8Text(std::string_view text);

}  // namespace quillon
