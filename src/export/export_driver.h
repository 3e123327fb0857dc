// The common frame of every single-track writer: find the checked track,
// ask before replacing the output, open the source, create the output, walk
// the track's blocks and hand each to the writer, finish, and put the file in
// place only when everything went well (a failed or stopped export leaves no
// file behind).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "export/block_walk.h"
#include "export/export_sink.h"
#include "export/track_queries.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

enum class TrackKind { Audio, Subtitles, Video };

// What a writer knows of its track before the walk.
struct ExportTrack {
    std::string numberText;
    std::string codecId;
    std::vector<uint8_t> codecPrivate;  // of the model's record of the track
    AudioParams audio;                  // defaults filled in
    uint32_t pixelWidth = 0;            // 0 when the track has none
    uint32_t pixelHeight = 0;
    uint64_t defaultDuration = 0;       // nanoseconds per frame; 0 when the track has none
    int64_t timecodeScale = 1000000;    // nanoseconds per tick
    double durationSeconds = 0;         // the file's Duration; 0 when it has none
};

// One writer per output format, with the same few steps.
class TrackWriter {
public:
    virtual ~TrackWriter() = default;

    // Looks at the track before anything is asked or written; false refuses
    // the export (with the reason in failure()).
    virtual bool Prepare(const ExportTrack& track) {
        (void)track;
        return true;
    }
    // What goes before the blocks.
    virtual bool Begin(ExportSink& out) {
        (void)out;
        return true;
    }
    // One block of the track. False ends the export (reason in failure()).
    virtual bool Block(const WalkBlock& block, ExportSink& out) = 0;
    // What goes after the blocks.
    virtual bool Finish(ExportSink& out) {
        (void)out;
        return true;
    }
    // False for a writer that copies the frames as they are: the walk then
    // reads nothing of them, and the writer passes their place on (PutRange).
    virtual bool WantsBytes() const { return true; }
    // The status text shown while the blocks are written, and once they are (nullptr: none).
    virtual const char* WalkStatusText() const { return "d e m u x i n g"; }
    virtual const char* EndStatus() const { return "s a v i n g"; }
    // Log lines of a finished export (what was skipped on the way), and
    // whether they make it one completed with warnings.
    virtual void Report(Host& host) const { (void)host; }
    virtual bool HasWarnings() const { return false; }

    // Russian key of the message that explains a refusal; nullptr for none.
    const char* failure() const { return failure_; }
    // What follows the message untranslated (a codec ID, a tag); may be empty.
    const std::string& failureDetail() const { return failureDetail_; }

protected:
    bool Fail(const char* rus, std::string detail = {}) {
        failure_ = rus;
        failureDetail_ = std::move(detail);
        return false;
    }

private:
    const char* failure_ = nullptr;
    std::string failureDetail_;
};

// Frame bytes [at, at + size) of a block (offsets as in its frameSizes): the
// bytes when the walk read them, else the run of the source they stand in.
inline void PutFrameBytes(ExportSink& out, const WalkBlock& block, uint64_t at, uint64_t size) {
    if (!block.data.empty()) out.Put(block.data.subspan(static_cast<size_t>(at), static_cast<size_t>(size)));
    else out.PutRange(block.framesAt + at, size);
}

// The export of the first checked track of the kind to request.outputPath.
SaveOutcome RunTrackExport(Document& doc, Host& host, const ExportRequest& request, TrackKind kind, TrackWriter& writer);

}  // namespace quillon
