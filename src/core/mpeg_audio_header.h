// MPEG audio frame headers (MPEG-1, MPEG-2, MPEG-2.5; Layer I, II, III):
// the bit fields, the frame length and the rate tables, for the MP3 addition
// and the WAV exports alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quillon {

// One MPEG audio frame. The codes are the header's bit fields as they stand:
// version 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1 (1 reserved); layer 1 Layer III,
// 2 Layer II, 3 Layer I (0 reserved); channel mode 3 is a single channel.
struct mp3block {
    uint8_t version = 0, layer = 0, protection = 0, bitrateIndex = 0, sampleRateIndex = 0, padding = 0,
            privateBit = 0, channelMode = 0, modeExtension = 0, copyright = 0, original = 0, emphasis = 0;
    uint32_t frameLength = 0;  // bytes, header included; 0 for free format (bitrate index 0)
    int64_t startMs = 0;       // k × samples per frame × 1000 div sample rate, from the first frame's parameters
    uint64_t offset = 0;       // where the frame starts in the file
};

// Decodes one frame header: false unless `count` is exactly 4, the 11 sync
// bits are set, and the version, layer, bitrate index and sample-rate index
// are not the reserved ones (1, 0, 15, 3). On success fills the header fields
// and frameLength (truncating divisions; a free-format header decodes with
// frameLength 0, since its header does not give it); offset and startMs are
// left alone. On failure `frame` is untouched.
bool ParseMp3Header(const uint8_t* bytes, size_t count, mp3block& frame);

// Of a decoded header; 0 for codes a decoded header cannot hold.
uint32_t Mp3SampleRate(const mp3block& frame);       // Hz
uint32_t Mp3SamplesPerFrame(const mp3block& frame);  // 384, 1152 or 576
uint32_t Mp3Bitrate(const mp3block& frame);          // kbit/s; 0 for free format

// Where a frame header starts in data that may begin with a few stray
// bytes: at 0 when the first byte is 0xFF, else at the first 0xFF followed
// by a byte whose top four bits are set, with more than four bytes from
// there to the end. Nothing when there is no such place.
std::optional<size_t> FindMpegFrameSync(const uint8_t* data, size_t size);

}  // namespace quillon
