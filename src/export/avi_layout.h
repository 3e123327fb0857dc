// The fixed part of an AVI file: RIFF, the hdrl list (main header, a stream
// list for the video and one for the audio), JUNK up to 2036 and the movi
// list's header there, so the frames start at 2048; and the idx1 index
// after them. Numbers little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/avi_chunks.h"

namespace quillon {

// A video stream's frame rate as AVI says it: rate ÷ scale frames a second.
struct AviFrameRate {
    uint32_t rate = 0;
    uint32_t scale = 1;
};

// The exact rate of frames `nanoseconds` long (a track's DefaultDuration):
// whole rates as N/1, the NTSC family as N/1001 (41708333 ns → 24000/1001),
// anything else as 1e9/nanoseconds.
AviFrameRate FrameRateOfDuration(uint64_t nanoseconds);
// The rate of frames `nanoseconds` long on average (from millisecond
// timestamps): the nearest N/1 or N000/1001 when it is within 0.05 %, else
// thousandths of a frame a second.
AviFrameRate FrameRateOfAverage(double nanoseconds);

struct AviHeaders {
    // Main header and video stream.
    uint32_t microSecPerFrame = 0;
    AviFrameRate videoRate;               // when rate is 0: 100 ÷ (microSecPerFrame ÷ 10^4)
    uint32_t totalFrames = 0;
    uint32_t width = 0, height = 0;
    std::string handler = "DIVX";         // the video stream's fccHandler
    std::vector<uint8_t> bitmapInfo;      // the video strf: a BITMAPINFOHEADER (40 bytes or more)
    uint32_t maxVideoChunk = 0;
    // Audio stream, when there is one.
    bool hasAudio = false;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t audioBytesPerSec = 0;
    uint32_t audioBytes = 0;
    uint32_t maxAudioChunk = 0;
    std::vector<uint8_t> audioExtra;      // after the WAVEFORMATEX (cbSize says how many)
    // Patched at the end.
    uint32_t riffSize = 0;                // file size − 8
    uint32_t moviSize = 0;                // from "movi" to the end of the last chunk
};

// Where the frames start when the headers fit before it (they always do
// unless a CodecPrivate is very large; then movi follows the hdrl at once).
inline constexpr uint32_t kMoviListAt = 2036;

// The bytes from the file's start up to and including "movi".
std::vector<uint8_t> BuildAviHeaders(const AviHeaders& h);

// A BITMAPINFOHEADER of the table's values: 24 bits, compression `fourcc`.
std::vector<uint8_t> DefaultBitmapInfo(uint32_t width, uint32_t height, const std::string& fourcc);

// "idx1" and one 16-byte entry per chunk in written order: the chunk ID, 16
// for a key frame, the offset counted from the "movi" FOURCC (the first chunk
// is at 4), the size.
std::vector<uint8_t> BuildIdx1(const std::vector<AviChunk>& chunks, const std::vector<uint32_t>& order);

// Bytes a chunk takes in movi: its 8-byte header and payload, padded to even.
inline uint64_t ChunkSpan(uint32_t size) { return 8 + uint64_t(size) + (size & 1); }

}  // namespace quillon
