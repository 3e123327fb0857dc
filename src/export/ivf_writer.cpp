#include "export/ivf_writer.h"

#include <array>
#include <cstdlib>
#include <numeric>

#include "export/av1_obus.h"
#include "export/export_driver.h"

namespace quillon {
namespace {

constexpr size_t kFileHeaderSize = 32;
constexpr size_t kFrameCountAt = 24;
constexpr uint64_t kNanosecondsPerSecond = 1000000000;
constexpr uint8_t kTemporalDelimiter[] = {0x12, 0x00};

// The rates a DefaultDuration is taken for when it is within 20 µs of one.
constexpr IvfTimeBase kCommonRates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {48000, 1001},
                                        {48, 1},       {50, 1}, {60000, 1001}, {60, 1}, {15, 1}, {120, 1}};
constexpr int64_t kCommonRateTolerance = 20000;  // nanoseconds of a frame's duration

void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

struct Codec {
    std::string_view codecId;
    const char* fourcc;
    bool av1;
};
constexpr Codec kCodecs[] = {{"V_VP8", "VP80", false}, {"V_VP9", "VP90", false}, {"V_AV1", "AV01", true}};

class IvfWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        const Codec* codec = nullptr;
        for (const Codec& c : kCodecs)
            if (c.codecId == track.codecId) codec = &c;
        if (!codec) return Fail("В IVF пишутся только дорожки VP8, VP9 и AV1; кодек дорожки: ", track.codecId);
        codec_ = codec;
        base_ = IvfTimeBaseOf(track.defaultDuration);
        timecodeScale_ = track.timecodeScale;
        header_ = {'D', 'K', 'I', 'F'};
        PutLe(header_, 0, 2);                 // version
        PutLe(header_, kFileHeaderSize, 2);   // header size
        header_.insert(header_.end(), codec->fourcc, codec->fourcc + 4);
        PutLe(header_, track.pixelWidth & 0xFFFF, 2);
        PutLe(header_, track.pixelHeight & 0xFFFF, 2);
        PutLe(header_, base_.rate, 4);
        PutLe(header_, base_.scale, 4);
        PutLe(header_, 0, 4);  // the frame count, filled in at the end
        PutLe(header_, 0, 4);
        if (codec->av1 && track.codecPrivate.size() > kAv1ConfigSize)
            configObus_.assign(track.codecPrivate.begin() + kAv1ConfigSize, track.codecPrivate.end());
        return true;
    }
    bool Begin(ExportSink& out) override {
        headerAt_ = out.Position();
        out.Put(header_);
        return true;
    }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        const int64_t nanoseconds = static_cast<int64_t>(static_cast<__int128>(block.timecode) * timecodeScale_);
        const uint64_t time = IvfTimestamp(nanoseconds, base_);
        size_t at = 0;
        for (uint32_t size : block.frameSizes) {
            Frame(block.data.subspan(at, size), time, out);
            at += size;
        }
        return true;
    }
    bool Finish(ExportSink& out) override {
        std::vector<uint8_t> count;
        PutLe(count, frames_, 4);
        if (!out.Overwrite(headerAt_ + kFrameCountAt, count))
            return Fail("Не удалось записать число кадров в заголовок IVF. Экспорт прерван.");
        return true;
    }

private:
    void Frame(std::span<const uint8_t> frame, uint64_t time, ExportSink& out) {
        const bool delimiter = codec_->av1 && NeedsTemporalDelimiter(frame);
        const bool config = codec_->av1 && frames_ == 0 && !configObus_.empty() && !HasSequenceHeader(frame);
        const uint64_t size = frame.size() + (delimiter ? sizeof kTemporalDelimiter : 0) + (config ? configObus_.size() : 0);
        std::vector<uint8_t> header;
        PutLe(header, size, 4);
        PutLe(header, time, 8);
        out.Put(header);
        if (delimiter) out.Put(kTemporalDelimiter, sizeof kTemporalDelimiter);
        if (config) out.Put(configObus_);
        out.Put(frame);
        ++frames_;
    }

    const Codec* codec_ = nullptr;
    IvfTimeBase base_;
    int64_t timecodeScale_ = 1000000;
    std::vector<uint8_t> header_;
    std::vector<uint8_t> configObus_;
    uint64_t headerAt_ = 0;
    uint64_t frames_ = 0;
};

}  // namespace

IvfTimeBase IvfTimeBaseOf(uint64_t defaultDuration) {
    if (defaultDuration == 0) return {};
    for (const IvfTimeBase& common : kCommonRates) {
        const int64_t duration = static_cast<int64_t>(kNanosecondsPerSecond * common.scale / common.rate);
        const int64_t exact = static_cast<int64_t>(kNanosecondsPerSecond * common.scale % common.rate);
        // |DefaultDuration - 1e9 * scale / rate| < tolerance, in whole nanoseconds and the remainder
        const __int128 difference = static_cast<__int128>(defaultDuration) * common.rate -
                                    static_cast<__int128>(duration) * common.rate - exact;
        const __int128 limit = static_cast<__int128>(kCommonRateTolerance) * common.rate;
        if (difference > -limit && difference < limit) return common;
    }
    const uint64_t divisor = std::gcd(kNanosecondsPerSecond, defaultDuration);
    uint64_t rate = kNanosecondsPerSecond / divisor, scale = defaultDuration / divisor;
    constexpr uint64_t kMax = 0xFFFF;
    if (rate > kMax || scale > kMax) {
        if (rate >= scale) {
            scale = static_cast<uint64_t>(static_cast<unsigned __int128>(scale) * kMax / rate);
            rate = kMax;
        } else {
            rate = static_cast<uint64_t>(static_cast<unsigned __int128>(rate) * kMax / scale);
            scale = kMax;
        }
        const uint64_t common = std::gcd(rate, scale);
        if (common > 1) {
            rate /= common;
            scale /= common;
        }
    }
    return {static_cast<uint32_t>(rate), static_cast<uint32_t>(scale)};
}

uint64_t IvfTimestamp(int64_t nanoseconds, IvfTimeBase base) {
    if (nanoseconds <= 0 || base.scale == 0) return 0;
    return static_cast<uint64_t>(static_cast<unsigned __int128>(nanoseconds) * base.rate /
                                 (static_cast<unsigned __int128>(base.scale) * kNanosecondsPerSecond));
}

SaveOutcome SaveIVF(Document& doc, Host& host, const ExportRequest& request) {
    IvfWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Video, writer);
}

}  // namespace quillon
