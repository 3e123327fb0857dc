#include "export/audio_stream_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

class AudioStreamWriter : public TrackWriter {
public:
    bool Block(const WalkBlock& block, ExportSink& out) override {
        out.Put(block.data);
        return true;
    }
};

}  // namespace

SaveOutcome SaveAudioStream(Document& doc, Host& host, const ExportRequest& request) {
    AudioStreamWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
