// Unicode code points written as UTF-8: the one encoder of the subtitle
// reader, the track texts, the font names and the dump.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

void AppendUtf8(std::string& out, uint32_t code);
void AppendUtf8(std::vector<uint8_t>& out, uint32_t code);

}  // namespace quillon
