// Display conversions of texts from the file.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The byte conversion to the old code page's repertoire: Cyrillic letters and
// the two typographic quotes as themselves; any other multi-byte character as
// "%" and its UTF-8 bytes in hex, so nothing is hidden or garbled.
std::string Utf8ToAnsiText(std::string_view text);

// Text from the file as the screen and the terminal show it: valid UTF-8 as
// it is; every byte that is not part of a valid UTF-8 character, and every
// control character, as "%" and two hex digits.
std::string DisplayText(std::string_view text);

}  // namespace quillon
