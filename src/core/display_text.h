// Display conversion of UTF-8 texts from the file: Cyrillic letters and the
// two typographic quotes show as themselves; any other multi-byte character
// shows as "%" and its UTF-8 bytes in hex, so nothing is hidden or garbled.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

std::string Utf8ToAnsiText(std::string_view text);

}  // namespace quillon
