// What an AVI can carry without re-encoding: one video codec (Matroska's VFW
// compatibility mode) and three audio codecs, with the AVI values of each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

bool SupportedVideoCodec(std::string_view codecId);
bool SupportedAudioCodec(std::string_view codecId);
// The stream handler and bitmap compression FOURCCs of a video codec ("DIVX",
// "DX50"); "xxxx" when it is not in the table.
std::string getVideoDeviceHandler(std::string_view codecId);
std::string getVideoCompression(std::string_view codecId);
// The WAVE format tag of an audio codec; 0 when it is not in the table.
uint16_t getFormatTag(std::string_view codecId);

}  // namespace quillon
