#include "edit/mp3_frames.h"

#include <algorithm>
#include <cstring>

#include "core/source_file.h"

namespace quillon {

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Where the audio ends: the file's end less an ID3v1 tag (the last 128 bytes,
// "TAG") and an APEv2 tag before it, found by its footer (32 bytes,
// "APETAGEX"; the size at 12 counts items and footer, flag bit 31 of the
// word at 20 says a 32-byte header precedes). A footer whose tag would reach
// before `audioStart` is not taken for one.
bool AudioEnd(SourceFile& file, uint64_t audioStart, uint64_t& end) {
    end = file.Size();
    uint8_t tail[32];
    if (end >= 128 && end - 128 >= audioStart) {
        if (!file.ReadInto(end - 128, 3, tail)) return false;
        if (std::memcmp(tail, "TAG", 3) == 0) end -= 128;
    }
    if (end >= 32 && end - 32 >= audioStart) {
        if (!file.ReadInto(end - 32, 32, tail)) return false;
        if (std::memcmp(tail, "APETAGEX", 8) == 0) {
            const uint64_t size = Le32(tail + 12);
            const uint64_t length = size + ((Le32(tail + 20) & 0x80000000u) ? 32 : 0);
            if (size >= 32 && length <= end - audioStart) end -= length;
        }
    }
    return true;
}

}  // namespace

Mp3Stream ScanMp3File(const std::string& path) {
    Mp3Stream stream;
    SourceFile file;
    if (!file.Open(path)) {
        stream.result = Mp3ScanResult::CannotOpen;
        return stream;
    }
    stream.fileSize = file.Size();
    auto fail = [&stream](Mp3ScanResult why) {
        stream.result = why;
        stream.frames.clear();
        stream.frames.shrink_to_fit();
        return stream;
    };

    // An ID3v2 tag: a 10-byte header whose bytes 6..9 hold the size of what
    // follows, seven bits each; a version 4 tag with the footer flag (bit 4 of
    // byte 5) has 10 more bytes after it.
    uint64_t start = 0;
    uint8_t head[10];
    if (!file.ReadInto(0, sizeof head, head)) return fail(Mp3ScanResult::CannotOpen);
    if (head[0] != 0xFF && std::memcmp(head, "ID3", 3) == 0) {
        start = 10 + (uint64_t(head[6] & 0x7F) << 21 | uint64_t(head[7] & 0x7F) << 14 |
                      uint64_t(head[8] & 0x7F) << 7 | uint64_t(head[9] & 0x7F));
        if (head[3] == 4 && (head[5] & 0x10)) start += 10;
        if (!file.ReadInto(start, 4, head)) return fail(Mp3ScanResult::CannotOpen);
    }
    mp3block first;
    if (!ParseMp3Header(head, 4, first)) return fail(Mp3ScanResult::NoFrameSync);

    uint64_t end = 0;
    if (!AudioEnd(file, start, end)) return fail(Mp3ScanResult::CannotOpen);
    const uint32_t samples = Mp3SamplesPerFrame(first);
    const uint32_t rate = Mp3SampleRate(first);
    // Every frame but a free-format one is at least 32 bytes long, so the
    // estimate is bounded by the file's size.
    if (first.frameLength > 0 && end > start)
        stream.frames.reserve(static_cast<size_t>((end - start) / first.frameLength + 1));

    uint64_t position = start;
    while (position < end && end - position >= 4) {
        uint8_t bytes[8];
        if (!file.ReadInto(position, sizeof bytes, bytes)) return fail(Mp3ScanResult::CannotOpen);
        mp3block frame;
        if (!ParseMp3Header(bytes, 4, frame)) {
            if (std::memcmp(bytes, "TAG", 3) == 0 || std::memcmp(bytes, "APETAGEX", 8) == 0) break;
            return fail(Mp3ScanResult::ParseFailed);
        }
        if (frame.frameLength == 0) return fail(Mp3ScanResult::ParseFailed);  // free format
        frame.offset = position;
        frame.startMs = static_cast<int64_t>(uint64_t(stream.frames.size()) * samples * 1000 / rate);
        stream.frames.push_back(frame);
        position += frame.frameLength;
    }
    stream.frames.shrink_to_fit();
    return stream;
}

}  // namespace quillon
