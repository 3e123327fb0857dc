// The movi chunk list of an AVI conversion: one row per video frame and per
// audio frame, with where its bytes are in the source, and the two steps
// that order it: spreading the times of frames that share one (a laced
// audio block), and interleaving the two streams by time.
#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

enum class AviStream : uint8_t { Video, Audio };  // "00dc", "01wb"

struct AviChunk {
    AviStream stream = AviStream::Video;
    uint32_t size = 0;          // payload bytes (prefix included)
    uint8_t key = 0;            // 1: a key frame (every audio chunk)
    int64_t time = 0;           // cluster time + block time, in ticks
    uint64_t sourcePos = 0;     // where the frame's stored bytes start in the source
    uint32_t prefixBytes = 0;   // bytes header-stripping took off the frame, put back in front
};

// The four characters of a chunk's ID.
const char* ChunkId(AviStream stream);

// Audio chunks that share a time are spread over the time up to the next
// audio group: the k-th of a group of n gets time + (k + 1) × step, step =
// (next group's time − time) ÷ n; the last group uses the step of the group
// before it (0 when none). Single chunks and video chunks keep their times.
void TimePofixMOVI(std::vector<AviChunk>& chunks);

// The writing order, as indexes into `chunks`: by time, chunks of the same
// time in list order, and each stream's chunks in their own order (video
// frames stored in decode order with presentation times must stay in decode order).
std::vector<uint32_t> InterleaveByTime(const std::vector<AviChunk>& chunks);

}  // namespace quillon
