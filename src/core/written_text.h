// Texts as a new file holds them: every string a writer writes is one its
// element's type allows, whatever the source held.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// `valueType` is the dictionary's: 's' an ASCII string keeps its printable
// characters and its zero padding ('?' for every other byte), '8' a UTF-8
// string has each byte that starts no well-formed sequence replaced by
// U+FFFD; other types are returned as they are.
std::string WritableText(char valueType, std::string_view text);

}  // namespace quillon
