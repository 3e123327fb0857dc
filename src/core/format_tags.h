// WAVE format tags of the audio codecs the exports know.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillon {

// 0x00FF AAC (exactly "A_AAC"), 0x2000 AC-3, 0x0055 MP3, 1 PCM ("A_PCM..."),
// 0x566F Vorbis, 0xF1AC FLAC; 0 for anything else.
uint16_t acFormatTag(std::string_view codecId);

}  // namespace quillon
