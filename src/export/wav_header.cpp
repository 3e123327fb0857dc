#include "export/wav_header.h"

#include <cstring>

namespace quillon {
namespace {

constexpr uint32_t kSizeMax = 0xFFFFFFFFu;
constexpr uint32_t kDs64Bytes = 28;  // RIFF size, data size, sample count (64 bits each), table length

class Bytes {
public:
    void Text(const char* four) { out_.insert(out_.end(), four, four + 4); }
    void U16(uint16_t v) { Int(v, 2); }
    void U32(uint32_t v) { Int(v, 4); }
    void U64(uint64_t v) { Int(v, 8); }
    void Raw(const std::vector<uint8_t>& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    void Int(uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> out_;
};

uint32_t FormatChunkBytes(const WaveFormat& f) { return 16 + (f.hasExtra ? 2 + uint32_t(f.extra.size()) : 0); }

}  // namespace

WaveFormat PcmWaveFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint64_t channelMask, bool isFloat) {
    WaveFormat f;
    const uint16_t subFormat = isFloat ? kWaveFormatFloat : kWaveFormatPcm;
    f.formatTag = subFormat;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = uint16_t(channels * ((bits + 7) / 8));
    f.avgBytesPerSec = f.blockAlign * rate;
    if (channels <= 2 && bits <= 16) return f;
    f.formatTag = kWaveFormatExtensible;
    f.hasExtra = true;
    Bytes extra;
    extra.U16(bits);                       // valid bits per sample
    extra.U32(uint32_t(channelMask));      // speaker positions
    extra.U16(subFormat);                  // the subformat GUID: the tag, then the fixed tail
    static constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.extra = extra.Take();
    f.extra.insert(f.extra.end(), std::begin(kGuidTail), std::end(kGuidTail));
    return f;
}

std::optional<std::vector<uint8_t>> BuildWaveHeader(const WaveFormat& f, uint64_t dataBytes, bool room64) {
    const uint64_t fmtBytes = FormatChunkBytes(f);
    const uint64_t riffBytes = 4 + (room64 ? 8 + kDs64Bytes : 0) + 8 + fmtBytes + 8 + dataBytes + (dataBytes & 1);
    const bool rf64 = riffBytes > kSizeMax;
    if (rf64 && !room64) return std::nullopt;

    Bytes out;
    out.Text(rf64 ? "RF64" : "RIFF");
    out.U32(rf64 ? kSizeMax : uint32_t(riffBytes));
    out.Text("WAVE");
    if (room64) {
        out.Text(rf64 ? "ds64" : "JUNK");
        out.U32(kDs64Bytes);
        if (rf64) {
            out.U64(riffBytes);
            out.U64(dataBytes);
            out.U64(f.blockAlign ? dataBytes / f.blockAlign : 0);
            out.U32(0);
        } else {
            out.Zeros(kDs64Bytes);
        }
    }
    out.Text("fmt ");
    out.U32(uint32_t(fmtBytes));
    out.U16(f.formatTag);
    out.U16(f.channels);
    out.U32(f.samplesPerSec);
    out.U32(f.avgBytesPerSec);
    out.U16(f.blockAlign);
    out.U16(f.bitsPerSample);
    if (f.hasExtra) {
        out.U16(uint16_t(f.extra.size()));
        out.Raw(f.extra);
    }
    out.Text("data");
    out.U32(rf64 ? kSizeMax : uint32_t(dataBytes));
    return out.Take();
}

}  // namespace quillon
