#include "export/ogg_writer.h"

#include <algorithm>

#include "export/export_driver.h"
#include "export/ogg_stream.h"
#include "export/vorbis_packets.h"

namespace quillon {
namespace {

class OggWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        if (!SplitXiphHeaders(track.codecPrivate, headers_))
            return Fail("В CodecPrivate дорожки нет заголовков Vorbis. Экспорт прерван.");
        exact_ = durations_.Init(headers_[0], headers_[2]);
        rate_ = exact_ && durations_.rate() > 0 ? durations_.rate() : track.audio.samplingFrequency;
        scale_ = track.timecodeScale;
        return true;
    }

    bool Begin(ExportSink& out) override {
        for (const auto& header : headers_) {
            stream_.AddPacket(header, 0);
            stream_.PageOut(pages_);
        }
        Emit(out);
        return true;
    }

    bool Block(const WalkBlock& block, ExportSink& out) override {
        const int64_t start = GranuleAt(block.timecode, scale_, rate_);
        if (pending_) {
            PageOutPending(start, false);
            Emit(out);
            interval_ = start - pendingStart_;
        }
        pending_ = true;
        pendingStart_ = start;
        pendingData_.assign(block.data.begin(), block.data.end());
        pendingSizes_.assign(block.frameSizes.begin(), block.frameSizes.end());
        return true;
    }

    bool Finish(ExportSink& out) override {
        // Granules stay at or below 2^62 (GranuleAt), the last block's end too.
        constexpr int64_t kMaxGranule = int64_t{1} << 62;
        if (pending_) PageOutPending(pendingStart_ + std::clamp<int64_t>(interval_, 0, kMaxGranule - pendingStart_), true);
        else stream_.PageOut(pages_, true);  // no audio at all: an empty last page
        Emit(out);
        return true;
    }

    const char* EndStatus() const override { return nullptr; }

private:
    // The pending block's frames as packets. Exact: each packet's end counts
    // the samples of all packets so far, from the first block's time on.
    // Otherwise the block's frames share the time up to the next block.
    void PageOutPending(int64_t nextStart, bool last) {
        if (!started_) {
            base_ = pendingStart_;
            started_ = true;
        }
        const int64_t end = std::max(nextStart, pendingStart_);
        size_t at = 0;
        for (size_t k = 0; k < pendingSizes_.size(); ++k) {
            const std::span<const uint8_t> packet(pendingData_.data() + at, pendingSizes_[k]);
            int64_t granule;
            if (exact_) {
                samples_ += durations_.Next(packet);
                granule = base_ + samples_;
            } else {
                granule = pendingStart_ + static_cast<int64_t>(static_cast<__int128>(end - pendingStart_) *
                                                               static_cast<int64_t>(k + 1) /
                                                               static_cast<int64_t>(pendingSizes_.size()));
            }
            stream_.AddPacket(packet, granule);
            at += pendingSizes_[k];
        }
        stream_.PageOut(pages_, last);
    }

    void Emit(ExportSink& out) {
        out.Put(pages_);
        pages_.clear();
    }

    std::array<std::vector<uint8_t>, 3> headers_;
    VorbisDurations durations_;
    bool exact_ = false;
    uint32_t rate_ = 0;
    int64_t scale_ = 1000000;
    OggStream stream_{kOggSerial};
    std::vector<uint8_t> pages_;

    bool pending_ = false;
    int64_t pendingStart_ = 0;
    std::vector<uint8_t> pendingData_;
    std::vector<uint32_t> pendingSizes_;
    int64_t interval_ = 0;  // between the last two block starts
    bool started_ = false;
    int64_t base_ = 0;
    int64_t samples_ = 0;
};

}  // namespace

SaveOutcome SaveOGG(Document& doc, Host& host, const ExportRequest& request) {
    OggWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
