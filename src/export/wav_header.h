// The RIFF WAVE header of the WAV exports: "RIFF" size "WAVE", the format
// chunk, then the "data" chunk's header, sizes little-endian. The header is
// written first with the sizes still unknown and written again, the same
// length, once the data is complete. A file that may pass 4 GiB gets a
// 28-byte "JUNK" chunk after "WAVE"; if it does pass, the header becomes an
// RF64 one with a "ds64" chunk in the JUNK's place (as ffmpeg writes
// with -rf64 auto), since the 32-bit sizes of RIFF would wrap.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatFloat = 3;
inline constexpr uint16_t kWaveFormatMp3 = 0x55;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The format chunk's fields.
struct WaveFormat {
    uint16_t formatTag = kWaveFormatPcm;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    // cbSize and the bytes after it; without it the chunk is the 16-byte PCM one.
    bool hasExtra = false;
    std::vector<uint8_t> extra;
};

// Integer or float PCM: the plain 16-byte chunk for one or two channels of
// at most 16 bits, else WAVE_FORMAT_EXTENSIBLE with the channel mask (a
// player needs the mask to place more than two speakers).
WaveFormat PcmWaveFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint64_t channelMask, bool isFloat);

// The header for `dataBytes` of data. `room64`: with the JUNK chunk that
// can become ds64. Nothing when the sizes do not fit (past 4 GiB without room).
std::optional<std::vector<uint8_t>> BuildWaveHeader(const WaveFormat& format, uint64_t dataBytes, bool room64);

// Room is kept when the output may reach this size.
inline constexpr uint64_t kRoom64From = uint64_t{2} << 30;

}  // namespace quillon
