// What an Ogg writer needs to know of Vorbis: the three header packets as
// Matroska keeps them in the CodecPrivate, and how many samples each audio
// packet adds (for the granule positions).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// A CodecPrivate of the form Matroska gives Vorbis: the byte 2 (three
// packets), the sizes of the first two in Xiph lacing, then the packets back
// to back (the third is the rest). False when it is not of that form.
bool SplitXiphHeaders(std::span<const uint8_t> codecPrivate, std::array<std::vector<uint8_t>, 3>& packets);

// Granule position (in samples) of a time in ticks: ticks × scale (ns per
// tick) × rate ÷ 10^9, to the nearest sample; 0 for a negative time.
int64_t GranuleAt(int64_t ticks, int64_t timecodeScale, uint32_t rate);

class VorbisDurations {
public:
    // From the identification header (block sizes, rate) and the setup header
    // (the modes, read from its end). False when either does not parse.
    bool Init(std::span<const uint8_t> identification, std::span<const uint8_t> setup);

    uint32_t rate() const { return rate_; }
    size_t modeCount() const { return longBlock_.size(); }

    // Samples one audio packet adds to the stream: 0 for the first packet,
    // then a quarter of the previous block plus a quarter of this one.
    int64_t Next(std::span<const uint8_t> packet);

private:
    uint32_t rate_ = 0;
    uint32_t blockSize_[2] = {0, 0};
    std::vector<uint8_t> longBlock_;  // per mode: 1 when it uses the long block
    int modeBits_ = 0;
    uint32_t previous_ = 0;  // block size of the previous packet; 0 before the first
};

}  // namespace quillon
