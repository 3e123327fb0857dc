// Letter case of texts whose keywords are ASCII (extensions, section names
// of subtitle scripts): other bytes, UTF-8 included, stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::string AsciiLower(std::string_view text);

}  // namespace quillon
