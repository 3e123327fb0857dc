#include "core/mpeg_audio_header.h"

namespace quillon {
namespace {

constexpr uint8_t kMpeg25 = 0, kMpeg2 = 2, kMpeg1 = 3;
constexpr uint8_t kLayer3 = 1, kLayer2 = 2, kLayer1 = 3;

// Sample rates by version code (0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1) and index.
constexpr uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000},
    {0, 0, 0},
    {22050, 24000, 16000},
    {44100, 48000, 32000},
};

// Bitrates in kbit/s by index 0..14 (0: free format).
constexpr uint16_t kBitrates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2/2.5 Layer II and III
};

bool ValidCodes(const mp3block& f) {
    return f.version != 1 && f.version <= kMpeg1 && f.layer >= kLayer3 && f.layer <= kLayer1 && f.bitrateIndex < 15 &&
           f.sampleRateIndex < 3;
}

}  // namespace

bool ParseMp3Header(const uint8_t* bytes, size_t count, mp3block& frame) {
    if (count != 4 || bytes == nullptr) return false;
    const uint8_t b0 = bytes[0], b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
    if (b0 != 0xFF || (b1 & 0xE0) != 0xE0) return false;
    mp3block f = frame;
    f.version = (b1 >> 3) & 3;
    f.layer = (b1 >> 1) & 3;
    f.protection = b1 & 1;
    f.bitrateIndex = b2 >> 4;
    f.sampleRateIndex = (b2 >> 2) & 3;
    f.padding = (b2 >> 1) & 1;
    f.privateBit = b2 & 1;
    f.channelMode = b3 >> 6;
    f.modeExtension = (b3 >> 4) & 3;
    f.copyright = (b3 >> 3) & 1;
    f.original = (b3 >> 2) & 1;
    f.emphasis = b3 & 3;
    if (!ValidCodes(f)) return false;

    const uint64_t bitsPerSecond = uint64_t(Mp3Bitrate(f)) * 1000;
    const uint64_t rate = Mp3SampleRate(f);
    if (bitsPerSecond == 0)
        f.frameLength = 0;
    else if (f.layer == kLayer1)
        f.frameLength = static_cast<uint32_t>((12 * bitsPerSecond / rate + f.padding) * 4);
    else
        f.frameLength = static_cast<uint32_t>(Mp3SamplesPerFrame(f) / 8 * bitsPerSecond / rate + f.padding);
    frame = f;
    return true;
}

uint32_t Mp3SampleRate(const mp3block& f) {
    if (f.version > kMpeg1 || f.sampleRateIndex > 2) return 0;
    return kSampleRates[f.version][f.sampleRateIndex];
}

uint32_t Mp3SamplesPerFrame(const mp3block& f) {
    switch (f.layer) {
    case kLayer1: return 384;
    case kLayer2: return 1152;
    case kLayer3: return f.version == kMpeg1 ? 1152 : (f.version == kMpeg2 || f.version == kMpeg25) ? 576 : 0;
    default: return 0;
    }
}

uint32_t Mp3Bitrate(const mp3block& f) {
    if (!ValidCodes(f)) return 0;
    int table;
    if (f.version == kMpeg1)
        table = f.layer == kLayer1 ? 0 : f.layer == kLayer2 ? 1 : 2;
    else
        table = f.layer == kLayer1 ? 3 : 4;
    return kBitrates[table][f.bitrateIndex];
}

std::optional<size_t> FindMpegFrameSync(const uint8_t* data, size_t size) {
    if (size == 0 || data == nullptr) return std::nullopt;
    if (data[0] == 0xFF) return size >= 4 ? std::optional<size_t>(0) : std::nullopt;
    for (size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && (data[i + 1] & 0xF0) == 0xF0 && size - i > 4) return i;
    return std::nullopt;
}

}  // namespace quillon
