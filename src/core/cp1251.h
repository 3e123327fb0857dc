// Windows-1251, the code page of Russian subtitle files written on Windows,
// decoded whole: letters, dashes, quotes, the numero sign and the rest.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::string Cp1251ToUtf8(std::string_view text);

}  // namespace quillon
