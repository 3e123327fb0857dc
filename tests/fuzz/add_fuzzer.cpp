// Fuzz target: the input as a subtitle file (SRT and ASS) and as an MP3 file,
// each added as a new track to a small Matroska file and saved. No parse may
// crash or hang, and whatever is added must save into a file our own scanner
// reads without an error.
#include <cstdint>
#include <fstream>

#include "core/generated/element_ids.h"
#include "core/put_primitives.h"
#include "core/source_file.h"
#include "edit/mp3_addition.h"
#include "edit/subtitle_addition.h"
#include "fuzz_support.h"
#include "reader/scanner.h"
#include "save/save_command.h"

using namespace quillon;

namespace {

// EBML header, Info, one AC-3 track and a cluster with one key frame.
ByteList BaseFile() {
    ByteList ebml, info, entry, tracks, block, cluster, segment, file;
    AppendUInt(ebml, kEBMLVersion, 1);
    AppendBytes(ebml, kDocType, reinterpret_cast<const uint8_t*>("matroska"), 8);
    AppendUInt(info, kTimecodeScale, 1000000);
    AppendUInt(entry, kTrackNumber, 1);
    AppendUInt(entry, kTrackUID, 1);
    AppendUInt(entry, kTrackType, 2);
    AppendBytes(entry, kCodecID, reinterpret_cast<const uint8_t*>("A_AC3"), 5);
    AppendBytes(tracks, kTrackEntry, entry.data(), entry.size());
    const uint8_t frame[] = {0x81, 0x00, 0x00, 0x80, 1, 2, 3, 4, 5, 6, 7, 8};
    AppendUInt(cluster, kTimeCode, 0);
    AppendBytes(cluster, kSimpleBlock, frame, sizeof frame);
    AppendBytes(segment, kInfo, info.data(), info.size());
    AppendBytes(segment, kTracks, tracks.data(), tracks.size());
    AppendBytes(segment, kCluster, cluster.data(), cluster.size());
    AppendBytes(file, kEBML, ebml.data(), ebml.size());
    AppendBytes(file, kSegment, segment.data(), segment.size());
    return file;
}

void Check(const fuzz::InputFile& base, const std::string& added, bool isMp3) {
    fuzz::QuietHost host;
    Document doc;
    if (!fuzz::OpenForSave(base, doc, host) || !prepare2export(doc, host)) fuzz::Finding("the base file does not open");
    const bool ok = isMp3 ? AddMp3File(doc, added, host) : AddSubtitleFile(doc, added, host);
    if (!ok) {
        if (doc.tatra.size() != 1 || !doc.addedSources.empty()) fuzz::Finding("a refused file changed the document");
        return;
    }
    SaveRequest request;
    request.job = RemuxJob{};
    request.overwriteConfirmed = true;
    request.outputPath = base.Output(".mkv");
    const SaveOutcome outcome = SaveCommand(doc, host, request);
    if (outcome != SaveOutcome::Written) fuzz::Finding("the file with the added track was not written cleanly");
    SourceFile written;
    tabrick list;
    if (!written.Open(request.outputPath) || ReadStruct(written, host, list, true).result != ScanResult::Ok)
        fuzz::Finding("the file with the added track does not scan cleanly");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ByteList base = BaseFile();
    fuzz::InputFile file(base.data(), base.size());
    for (const char* extension : {".srt", ".ass", ".mp3"}) {
        const std::string added = file.Output(extension);
        std::ofstream(added, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Check(file, added, std::string(extension) == ".mp3");
    }
    return 0;
}
