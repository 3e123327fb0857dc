#include "export/ogg_stream.h"

#include <algorithm>
#include <array>

namespace quillon {
namespace {

constexpr size_t kMaxSegments = 255;

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    return table;
}

void PutLE(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

uint32_t OggCrc(std::span<const uint8_t> bytes) {
    const auto& table = CrcTable();
    uint32_t crc = 0;
    for (uint8_t b : bytes) crc = table[((crc >> 24) ^ b) & 0xFF] ^ (crc << 8);
    return crc;
}

void AppendOggLacing(uint32_t packetSize, std::vector<uint8_t>& lacing) {
    lacing.insert(lacing.end(), packetSize / 255, 255);
    lacing.push_back(static_cast<uint8_t>(packetSize % 255));
}

void OggStream::AddPacket(std::span<const uint8_t> packet, int64_t endGranule) {
    packets_.push_back(Queued{data_.size(), static_cast<uint32_t>(packet.size()), endGranule});
    data_.insert(data_.end(), packet.begin(), packet.end());
}

void OggStream::WritePage(std::vector<uint8_t>& out, uint8_t flags, int64_t granule, std::span<const uint8_t> lacing,
                          std::span<const uint8_t> data) {
    if (sequence_ == 0) flags |= 0x02;
    const size_t start = out.size();
    static const uint8_t kCapture[] = {'O', 'g', 'g', 'S', 0};
    out.insert(out.end(), kCapture, kCapture + 5);
    out.push_back(flags);
    PutLE(out, static_cast<uint64_t>(granule), 8);
    PutLE(out, serial_, 4);
    PutLE(out, sequence_++, 4);
    PutLE(out, 0, 4);  // CRC, filled in below
    out.push_back(static_cast<uint8_t>(lacing.size()));
    out.insert(out.end(), lacing.begin(), lacing.end());
    out.insert(out.end(), data.begin(), data.end());
    const uint32_t crc = OggCrc(std::span<const uint8_t>(out).subspan(start));
    for (int i = 0; i < 4; ++i) out[start + 22 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

void OggStream::PageOut(std::vector<uint8_t>& out, bool last) {
    if (packets_.empty()) {
        if (last) WritePage(out, 0x04, lastGranule_, {}, {});
        return;
    }
    // Every lacing value with the packet it belongs to.
    std::vector<uint8_t> lacing;
    std::vector<size_t> owner;
    for (size_t p = 0; p < packets_.size(); ++p) {
        AppendOggLacing(packets_[p].size, lacing);
        owner.resize(lacing.size(), p);
    }
    size_t at = 0, dataAt = 0;
    bool continued = false;
    while (at < lacing.size()) {
        const size_t count = std::min(kMaxSegments, lacing.size() - at);
        size_t bytes = 0;
        int64_t granule = kNoGranule;
        for (size_t i = at; i < at + count; ++i) {
            bytes += lacing[i];
            if (lacing[i] < 255) granule = packets_[owner[i]].endGranule;  // a packet ends here
        }
        const bool final = at + count == lacing.size();
        const uint8_t flags = static_cast<uint8_t>((continued ? 0x01 : 0) | (final && last ? 0x04 : 0));
        WritePage(out, flags, granule, std::span<const uint8_t>(lacing).subspan(at, count),
                  std::span<const uint8_t>(data_).subspan(dataAt, bytes));
        if (granule != kNoGranule) lastGranule_ = granule;
        continued = lacing[at + count - 1] == 255;
        at += count;
        dataAt += bytes;
    }
    packets_.clear();
    data_.clear();
}

}  // namespace quillon
