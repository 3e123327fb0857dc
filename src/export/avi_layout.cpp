#include "export/avi_layout.h"

#include <cmath>

#include <cstring>

namespace quillon {
namespace {

class Bytes {
public:
    void Text(const std::string& four) {
        for (size_t i = 0; i < 4; ++i) out_.push_back(i < four.size() ? uint8_t(four[i]) : uint8_t(' '));
    }
    void U16(uint32_t v) { Int(v, 2); }
    void U32(uint32_t v) { Int(v, 4); }
    void Raw(const std::vector<uint8_t>& b) { out_.insert(out_.end(), b.begin(), b.end()); }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    size_t Size() const { return out_.size(); }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    void Int(uint32_t v, int n) {
        for (int i = 0; i < n; ++i) out_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> out_;
};

constexpr uint32_t kAvihBytes = 56, kStrhBytes = 56, kWaveFormatExBytes = 18;

void StreamHeader(Bytes& b, const char* type, const std::string& handler, uint32_t scale, uint32_t rate,
                  uint32_t length, uint32_t bufferSize, uint32_t quality, uint32_t sampleSize) {
    b.Text("strh");
    b.U32(kStrhBytes);
    b.Text(type);
    if (handler.empty()) b.U32(0);
    else b.Text(handler);
    b.U32(0);              // dwFlags
    b.U16(0), b.U16(0);    // wPriority, wLanguage
    b.U32(0);              // dwInitialFrames
    b.U32(scale);
    b.U32(rate);
    b.U32(0);              // dwStart
    b.U32(length);
    b.U32(bufferSize);
    b.U32(quality);
    b.U32(sampleSize);
    b.U16(0), b.U16(0), b.U16(0), b.U16(0);  // rcFrame
}

}  // namespace

std::vector<uint8_t> DefaultBitmapInfo(uint32_t width, uint32_t height, const std::string& fourcc) {
    Bytes b;
    b.U32(40);
    b.U32(width);
    b.U32(height);
    b.U16(1);   // planes
    b.U16(24);  // bits
    b.Text(fourcc);
    b.Zeros(20);
    return b.Take();
}

AviFrameRate FrameRateOfDuration(uint64_t nanoseconds) {
    if (nanoseconds == 0 || nanoseconds > 0xFFFFFFFFull) return {};
    // A DefaultDuration is rounded to the nanosecond: a rate fits when the
    // frames it makes in `scale` seconds miss that time by less than a
    // nanosecond each.
    for (const uint64_t scale : {uint64_t{1}, uint64_t{1001}}) {
        const uint64_t rate = (1000000000ull * scale + nanoseconds / 2) / nanoseconds;
        const uint64_t made = rate * nanoseconds, wanted = 1000000000ull * scale;
        const uint64_t miss = made > wanted ? made - wanted : wanted - made;
        if (rate > 0 && rate <= 0xFFFFFFFFull && miss <= rate) return {uint32_t(rate), uint32_t(scale)};
    }
    return {1000000000u, uint32_t(nanoseconds)};
}

AviFrameRate FrameRateOfAverage(double nanoseconds) {
    if (!(nanoseconds >= 1) || nanoseconds > 4e9) return {};
    const double fps = 1e9 / nanoseconds;
    AviFrameRate best;
    double bestMiss = 5e-4;
    // Whole rates, and the NTSC family: N000/1001.
    const double whole = std::round(fps), ntsc = std::round(fps * 1.001);
    const AviFrameRate candidates[] = {{uint32_t(whole), 1}, {uint32_t(ntsc * 1000), 1001}};
    for (const AviFrameRate& c : candidates) {
        if (c.rate == 0) continue;
        const double miss = std::fabs(double(c.rate) / c.scale - fps) / fps;
        if (miss < bestMiss) best = c, bestMiss = miss;
    }
    if (best.rate == 0) best = {uint32_t(std::max(1.0, std::round(fps * 1000))), 1000};
    return best;
}

std::vector<uint8_t> BuildAviHeaders(const AviHeaders& h) {
    // A chunk of odd size is followed by a pad byte, which its list counts.
    const uint32_t videoStrf = uint32_t(h.bitmapInfo.size());
    const uint32_t videoStrl = 4 + (8 + kStrhBytes) + 8 + videoStrf + (videoStrf & 1);
    const uint32_t audioStrf = kWaveFormatExBytes + uint32_t(h.audioExtra.size());
    const uint32_t audioStrl = 4 + (8 + kStrhBytes) + 8 + audioStrf + (audioStrf & 1);
    const uint32_t hdrl = 4 + (8 + kAvihBytes) + (8 + videoStrl) + (h.hasAudio ? 8 + audioStrl : 0);

    Bytes b;
    b.Text("RIFF");
    b.U32(h.riffSize);
    b.Text("AVI ");
    b.Text("LIST");
    b.U32(hdrl);
    b.Text("hdrl");

    b.Text("avih");
    b.U32(kAvihBytes);
    b.U32(h.microSecPerFrame);
    b.U32(0);      // dwMaxBytesPerSec
    b.U32(0);      // dwPaddingGranularity
    b.U32(0x110);  // AVIF_HASINDEX | AVIF_ISINTERLEAVED
    b.U32(h.totalFrames);
    b.U32(0);      // dwInitialFrames
    b.U32(h.hasAudio ? 2 : 1);
    b.U32(0);      // dwSuggestedBufferSize
    b.U32(h.width);
    b.U32(h.height);
    b.Zeros(16);

    b.Text("LIST");
    b.U32(videoStrl);
    b.Text("strl");
    AviFrameRate videoRate = h.videoRate;
    if (videoRate.rate == 0)
        videoRate = {h.microSecPerFrame ? uint32_t(100ull * 1000000 / h.microSecPerFrame) : 0, 100};
    StreamHeader(b, "vids", h.handler, videoRate.scale, videoRate.rate, h.totalFrames, h.maxVideoChunk, 0, 0);
    b.Text("strf");
    b.U32(videoStrf);
    b.Raw(h.bitmapInfo);
    b.Zeros(videoStrf & 1);

    if (h.hasAudio) {
        b.Text("LIST");
        b.U32(audioStrl);
        b.Text("strl");
        StreamHeader(b, "auds", "", 1, h.audioBytesPerSec, h.audioBytes, h.maxAudioChunk, 0xFFFFFFFFu, 1);
        b.Text("strf");
        b.U32(audioStrf);
        b.U16(h.formatTag);
        b.U16(h.channels);
        b.U32(h.samplesPerSec);
        b.U32(h.audioBytesPerSec);
        b.U16(1);  // nBlockAlign
        b.U16(0);  // wBitsPerSample
        b.U16(uint32_t(h.audioExtra.size()));
        b.Raw(h.audioExtra);
        b.Zeros(audioStrf & 1);
    }
    // JUNK fills up to where the movi list starts; a header too long for it goes without.
    if (b.Size() + 8 <= kMoviListAt) {
        const uint32_t junk = uint32_t(kMoviListAt - b.Size() - 8);
        b.Text("JUNK");
        b.U32(junk);
        b.Zeros(junk);
    }
    b.Text("LIST");
    b.U32(h.moviSize);
    b.Text("movi");
    return b.Take();
}

std::vector<uint8_t> BuildIdx1(const std::vector<AviChunk>& chunks, const std::vector<uint32_t>& order) {
    Bytes b;
    b.Text("idx1");
    b.U32(uint32_t(16 * order.size()));
    uint64_t offset = 4;
    for (const uint32_t k : order) {
        const AviChunk& c = chunks[k];
        b.Text(ChunkId(c.stream));
        b.U32(c.key ? 0x10 : 0);
        b.U32(uint32_t(offset));
        b.U32(c.size);
        offset += ChunkSpan(c.size);
    }
    return b.Take();
}

}  // namespace quillon
