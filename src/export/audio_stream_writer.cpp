#include "export/audio_stream_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

class AudioStreamWriter : public TrackWriter {
public:
    bool WantsBytes() const override { return false; }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        // Frames with a stripped header put back arrive as bytes; the others are copied where they stand.
        if (block.data.empty()) out.PutRange(block.framesAt, block.frameBytes);
        else out.Put(block.data);
        return true;
    }
};

}  // namespace

SaveOutcome SaveAudioStream(Document& doc, Host& host, const ExportRequest& request) {
    AudioStreamWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
