// The walk over the frames of an MPEG audio file (the headers are decoded
// by core/mpeg_audio_header). The frames' bytes stay in the
// file; a scan records where each frame starts and how long it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/mpeg_audio_header.h"

namespace quillon {

enum class Mp3ScanResult {
    Ok,
    CannotOpen,   // "не удалось открыть файл MP3."
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
