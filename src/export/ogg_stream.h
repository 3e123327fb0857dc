// Ogg pages (RFC 3533): packets laid out in pages of at most 255 lacing
// values, a packet that does not fit continued on the next page.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quillon {

// The Ogg CRC-32: polynomial 0x04C11DB7, most significant bit first, initial
// value 0, no final inversion.
uint32_t OggCrc(std::span<const uint8_t> bytes);

// Appends the lacing values of one packet: a 255 for every whole 255 bytes,
// then the remainder (0 when the size is a multiple of 255).
void AppendOggLacing(uint32_t packetSize, std::vector<uint8_t>& lacing);

class OggStream {
public:
    static constexpr int64_t kNoGranule = -1;

    explicit OggStream(uint32_t serial) : serial_(serial) {}

    // Queues one packet; `endGranule` is the granule position at its end.
    void AddPacket(std::span<const uint8_t> packet, int64_t endGranule);

    // Writes the queued packets as pages: as few as the 255 lacing values of a
    // page allow. A page's granule position is that of the last packet that
    // ends on it (-1 when none does); the stream's first page is marked as
    // its beginning, a page that opens inside a packet as continued, and with
    // `last` the final page as the end of the stream. With nothing queued and
    // `last`, an empty end-of-stream page is written.
    void PageOut(std::vector<uint8_t>& out, bool last = false);

    uint32_t pagesWritten() const { return sequence_; }

private:
    void WritePage(std::vector<uint8_t>& out, uint8_t flags, int64_t granule, std::span<const uint8_t> lacing,
                   std::span<const uint8_t> data);

    struct Queued {
        size_t offset;
        uint32_t size;
        int64_t endGranule;
    };

    uint32_t serial_;
    uint32_t sequence_ = 0;
    int64_t lastGranule_ = 0;
    std::vector<uint8_t> data_;
    std::vector<Queued> packets_;
};

}  // namespace quillon
