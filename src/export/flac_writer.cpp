#include "export/flac_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

class FlacWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        header_ = track.codecPrivate;
        return true;
    }
    bool Begin(ExportSink& out) override {
        out.Put(header_);
        return true;
    }
    bool WantsBytes() const override { return false; }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        PutFrameBytes(out, block, 0, block.data.empty() ? block.frameBytes : block.data.size());
        return true;
    }

private:
    std::vector<uint8_t> header_;
};

}  // namespace

SaveOutcome SaveFLAC(Document& doc, Host& host, const ExportRequest& request) {
    FlacWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
