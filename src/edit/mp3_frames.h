// MPEG audio frames (MPEG-1, MPEG-2, MPEG-2.5; Layer I, II, III): header
// decoding and the walk over a file's frames. The frames' bytes stay in the
// file; a scan records where each frame starts and how long it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

enum class Mp3ScanResult {
    Ok,
    CannotOpen,   // "Can't open MP3 file."
    NoFrameSync,  // no frame at the start (after an ID3v2 tag): "не найден Frame sync"
    ParseFailed,  // a later header that is neither a frame nor a tag, or a free-format stream: "не удалось разобраться с файлом mp3"
};

struct Mp3Stream {
    Mp3ScanResult result = Mp3ScanResult::Ok;
    std::vector<mp3block> frames;  // empty unless result is Ok
    uint64_t fileSize = 0;
};

// Walks the frames of an MPEG audio file. An ID3v2 tag at the start is
// skipped; the first frame must follow at once (there is no search for a
// sync word). The walk ends normally at the end of the file, at the ID3v1
// and APEv2 tags at its end, or at a header that reads "TAG" or "APETAGEX".
// A last frame cut short by the end of the file keeps its full frameLength:
// its bytes past fileSize are missing. Reads only the frame headers.
Mp3Stream ScanMp3File(const std::string& path);

}  // namespace quillon
