// Fuzz target: every export type each track offers, and the AVI conversion,
// on whatever the full scan can read. No export may crash, hang, or write much more than the
// source holds (decoded WAV aside).
#include <cstdint>

#include "export/export_dispatch.h"
#include "fuzz_support.h"
#include "reader/open_file.h"
#include "save/save_command.h"

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputFile input(data, size);
    fuzz::QuietHost host;
    Document doc;
    if (!fuzz::OpenForSave(input, doc, host)) return 0;

    for (size_t t = 0; t < doc.tatra.size() && t < 8; ++t) {
        for (size_t k = 0; k < doc.tatra.size(); ++k) doc.tatra[k].selectMark = k == t ? "y" : "";
        const OfferedTypes offered = doc.tatra[t].typeText == "AUDIO"       ? ActivateAudioTypes(doc)
                                     : doc.tatra[t].typeText == "SUBTITLES" ? ActivateSubsTypes(doc)
                                                                            : OfferedTypes{};
        for (const ExportType type : offered.types) {
            SaveRequest request;
            request.job = ExportJob(type, offered.assCaption, {});
            request.overwriteConfirmed = true;
            request.outputPath = input.Output(ExportExtension(type, offered.assCaption));
            const SaveOutcome outcome = SaveCommand(doc, host, request);
            if (outcome != SaveOutcome::Written && outcome != SaveOutcome::WrittenWithWarnings) continue;
            // Decoded sound is many times its compressed frames (a FLAC frame
            // of a few bytes can stand for 64k silent samples): no bound here.
            if (type == ExportType::WavPcm) continue;
            const uint64_t written = fuzz::FileSize(request.outputPath);
            if (written > fuzz::OutputLimit(size))
                fuzz::Finding(ExportCaption(type) + " of a " + std::to_string(size) + "-byte source wrote " +
                              std::to_string(written) + " bytes");
        }
    }

    // The AVI conversion of the first video track with the first audio track.
    int video = -1, audio = -1;
    for (size_t k = 0; k < doc.tatra.size(); ++k) {
        if (video < 0 && doc.tatra[k].typeText == "VIDEO") video = int(k);
        if (audio < 0 && doc.tatra[k].typeText == "AUDIO") audio = int(k);
    }
    if (video >= 0) {
        for (size_t k = 0; k < doc.tatra.size(); ++k) doc.tatra[k].selectMark = int(k) == video || int(k) == audio ? "y" : "";
        SaveRequest request;
        request.job = AviJob{};
        request.overwriteConfirmed = true;
        request.outputPath = input.Output(".avi");
        const SaveOutcome outcome = SaveCommand(doc, host, request);
        if ((outcome == SaveOutcome::Written || outcome == SaveOutcome::WrittenWithWarnings) &&
            fuzz::FileSize(request.outputPath) > fuzz::OutputLimit(size) + 2048)
            fuzz::Finding("the AVI of a " + std::to_string(size) + "-byte source wrote " +
                          std::to_string(fuzz::FileSize(request.outputPath)) + " bytes");
    }
    return 0;
}
