// Fuzz target: a remux of whatever the full scan can read, read back by our
// own scanner. The output must scan clean (but for the mandatory elements a
// damaged or incomplete source did not have), hold per kept track exactly
// the blocks the source holds whole, and never be much larger than the source.
#include <cstdint>
#include <map>

#include "fuzz_support.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "writer/track_map.h"

using namespace quillon;

namespace {

// What the source holds whole of each kept track, under its new number.
std::map<uint64_t, uint64_t> ExpectedBlocks(const Document& doc, const TrackMap& map) {
    std::map<uint64_t, uint64_t> count;
    for (const xBlock& b : doc.mkv.blocks) {
        const Tbrick& row = doc.lista[b.row];
        const tnewto* track = map.Find(row.block.trackNumber);
        if (track && track->active && row.intactBlock() && !(b.flags & xBlock::kBadTime)) ++count[track->newNumber];
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputFile input(data, size);
    fuzz::QuietHost host;
    Document doc;
    if (!fuzz::OpenForSave(input, doc, host)) return 0;
    const TrackMap map = TrackMap::FromTracks(doc.tatra);
    if (map.ActiveCount() == 0 || map.ActiveCount() > kMaxActiveTracks) return 0;

    SaveRequest request;
    request.job = RemuxJob{RemuxOptions{.chapters = true, .attachments = true}};
    request.overwriteConfirmed = true;
    request.outputPath = input.Output(".mkv");
    const SaveOutcome outcome = SaveCommand(doc, host, request);
    if (outcome != SaveOutcome::Written && outcome != SaveOutcome::WrittenWithWarnings) return 0;

    const uint64_t written = fuzz::FileSize(request.outputPath);
    if (written > fuzz::OutputLimit(size))
        fuzz::Finding("a " + std::to_string(size) + "-byte source remuxed into " + std::to_string(written) + " bytes");
    Document out;
    out.sourcePath = request.outputPath;
    const OpenOutcome reread = CheckContainer(out, host, true);
    if (!fuzz::WrittenScansClean(reread, out, doc)) fuzz::Finding("our remux does not scan clean");
    if (fuzz::BlocksPerTrack(out.lista) != ExpectedBlocks(doc, map)) fuzz::Finding("the remux holds other blocks than the source");
    return 0;
}
