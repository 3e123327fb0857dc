// Fuzz target: the timeline check on whatever the full scan can read, then
// every repair (the kind chosen by the input) on each track it finds faults
// in, with references re-pointed, and a remux of the result. Nothing may
// crash or hang; the repaired file must scan clean and hold every block of
// the source that a remux without the repair writes.
#include <cstdint>

#include "fuzz_support.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "timeline/timeline_repair.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputFile input(data, size);
    fuzz::QuietHost host;
    Document doc;
    if (!fuzz::OpenForSave(input, doc, host) || !prepare2export(doc, host)) return 0;
    const TimelineReport report = TimeLineCheck(doc);
    const auto repair = static_cast<TimelineRepair>(size % 4);
    for (const TrackFaults& t : report.tracks)
        if (!t.faults.empty()) RepairTrack(doc, t.trackNo, repair, true);

    SaveRequest request;
    request.job = RemuxJob{};
    request.overwriteConfirmed = true;
    request.outputPath = input.Output(".mkv");
    const SaveOutcome outcome = SaveCommand(doc, host, request);
    if (outcome != SaveOutcome::Written && outcome != SaveOutcome::WrittenWithWarnings) return 0;
    Document out;
    out.sourcePath = request.outputPath;
    if (!fuzz::WrittenScansClean(CheckContainer(out, host, true), out, doc)) fuzz::Finding("the repaired remux does not scan clean");

    // The same remux without the repair writes the same number of blocks.
    Document plain;
    if (!fuzz::OpenForSave(input, plain, host)) return 0;
    request.outputPath = input.Output(".mkv");
    if (SaveCommand(plain, host, request) != outcome) fuzz::Finding("the repair changed what could be written");
    Document plainOut;
    plainOut.sourcePath = request.outputPath;
    CheckContainer(plainOut, host, true);
    if (fuzz::BlocksPerTrack(plainOut.lista) != fuzz::BlocksPerTrack(out.lista)) fuzz::Finding("the repair lost or added blocks");
    return 0;
}
