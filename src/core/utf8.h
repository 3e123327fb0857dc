// Unicode code points written as UTF-8: the one encoder of the subtitle
// reader, the track texts, the font names and the dump.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

void AppendUtf8(std::string& out, uint32_t code);

// Length of the well-formed UTF-8 sequence at `at` (overlong forms,
// surrogates and code points past U+10FFFF are not), or 0.
size_t Utf8SequenceLength(std::string_view text, size_t at);
bool IsValidUtf8(std::string_view text);
// The text with every byte that starts no well-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);
void AppendUtf8(std::vector<uint8_t>& out, uint32_t code);

}  // namespace quillon
