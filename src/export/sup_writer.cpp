#include "export/sup_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

constexpr size_t kSegmentHeader = 3;  // type, size (16 bits)

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int k = 3; k >= 0; --k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

class SupWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        if (track.codecId != "S_HDMV/PGS") return Fail("В SUP пишутся только титры PGS (S_HDMV/PGS); кодек трека: ", track.codecId);
        timecodeScale_ = track.timecodeScale;
        return true;
    }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        const int64_t nanoseconds = static_cast<int64_t>(static_cast<__int128>(block.timecode) * timecodeScale_);
        const uint32_t pts = nanoseconds > 0 ? static_cast<uint32_t>(static_cast<unsigned __int128>(nanoseconds) * 9 / 100000) : 0;
        std::span<const uint8_t> data = block.data;
        // Segment after segment; a segment cut by the block's end is left out and counted.
        while (!data.empty()) {
            if (data.size() < kSegmentHeader) {
                ++cut_;
                break;
            }
            const size_t size = kSegmentHeader + (size_t(data[1]) << 8 | data[2]);
            if (size > data.size()) {
                ++cut_;
                break;
            }
            std::vector<uint8_t> header = {'P', 'G'};
            PutBe32(header, pts);
            PutBe32(header, 0);
            out.Put(header);
            out.Put(data.first(size));
            data = data.subspan(size);
        }
        return true;
    }
    void Report(Host& host) const override {
        if (cut_) host.AddLog("• блоков, где сегмент PGS выходит за конец блока (не записан): ", std::to_string(cut_));
    }
    bool HasWarnings() const override { return cut_ > 0; }

private:
    int64_t timecodeScale_ = 1000000;
    uint64_t cut_ = 0;
};

}  // namespace

SaveOutcome SaveSUP(Document& doc, Host& host, const ExportRequest& request) {
    SupWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Subtitles, writer);
}

}  // namespace quillon
