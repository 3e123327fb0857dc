#include "export/audio_stream_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

class AudioStreamWriter : public TrackWriter {
public:
    bool WantsBytes() const override { return false; }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        PutFrameBytes(out, block, 0, block.data.empty() ? block.frameBytes : block.data.size());
        return true;
    }
};

}  // namespace

SaveOutcome SaveAudioStream(Document& doc, Host& host, const ExportRequest& request) {
    AudioStreamWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
