// quillon-cli remux IN [-o OUT] [--tracks LIST] [--packing ...] [--clusters ...] ...
#include <cstdio>
#include <sstream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "edit/staged_edits.h"
#include "core/value_text.h"
#include "save/save_command.h"

namespace quillon::cli {
namespace {

// "3,1": keep tracks 3 and 1, in that order, before the others (left out).
bool ChooseTracks(Document& doc, const std::string& list, std::string& bad) {
    TrackTable chosen;
    std::stringstream in(list);
    std::string item;
    std::vector<bool> taken(doc.tatra.size(), false);
    while (std::getline(in, item, ',')) {
        bool found = false;
        for (size_t i = 0; i < doc.tatra.size(); ++i) {
            if (taken[i] || doc.tatra[i].numberText != item) continue;
            taken[i] = found = true;
            chosen.push_back(doc.tatra[i]);
            chosen.back().selectMark = "y";
            break;
        }
        if (!found) {
            bad = item;
            return false;
        }
    }
    for (size_t i = 0; i < doc.tatra.size(); ++i) {
        if (taken[i]) continue;
        chosen.push_back(doc.tatra[i]);
        chosen.back().selectMark.clear();
    }
    doc.tatra = std::move(chosen);
    return true;
}

// "N=VALUE" into its two halves.
bool SplitAssignment(const std::string& text, std::string& number, std::string& value) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) return false;
    number = text.substr(0, eq);
    value = text.substr(eq + 1);
    return true;
}

// The staged edits of the command line, applied to the model before the save.
// Returns the offending argument, or an empty text when all applied.
std::string StageEdits(Document& doc, const Arguments& args) {
    std::string number, value;
    for (const std::string& a : args.Values("--name"))
        if (!SplitAssignment(a, number, value) || !StageName(doc, number, value)) return a;
    for (const std::string& a : args.Values("--lang"))
        if (!SplitAssignment(a, number, value) || value.empty() || !StageLanguage(doc, number, value)) return a;
    for (const std::string& a : args.Values("--timescale")) {
        if (!SplitAssignment(a, number, value)) return a;
        const auto scale = ParseDecimal(value);
        if (!scale || !StageTimecodeScale(doc, number, *scale)) return a;
    }
    for (const std::string& a : args.Values("--default"))
        if (!StageDefault(doc, a, true)) return a;
    for (const std::string& a : args.Values("--start")) {
        if (!SplitAssignment(a, number, value) || !IsDigits(value) || !OpenTrackPanel(doc, number)) return a;
        ShiftTrackStart(doc, number, TextToInt64(value));
    }
    return {};
}

}  // namespace

int RunRemux(const std::vector<std::string>& args, TerminalHost& host) {
    const Command& self = *FindCommand("remux");
    std::string bad;
    const auto parsed = Arguments::Parse(
        args, {"--help", "--no-cues", "--no-seekhead", "--chapters", "--attachments", "--overwrite"},
        {"-o", "--tracks", "--packing", "--clusters", "--name", "--lang", "--default", "--timescale", "--start"}, bad);
    if (!parsed) return UsageError(self, host, bad);
    if (parsed->Has("--help")) {
        PrintUsage(self, host, stdout);
        return kExitOk;
    }
    if (parsed->Operands().size() != 1) return UsageError(self, host, parsed->Operands().empty() ? "" : parsed->Operands()[1]);

    SaveRequest request;
    request.exportOn = true;
    request.overwriteConfirmed = parsed->Has("--overwrite");
    RemuxOptions& options = request.remux;
    options.writeCues = !parsed->Has("--no-cues");
    options.writeSeekHeads = !parsed->Has("--no-seekhead");
    options.chapters = parsed->Has("--chapters");
    options.attachments = parsed->Has("--attachments");
    const std::string packing = parsed->Value("--packing").value_or("keep");
    if (packing == "keep") options.packing = Packing::AsBefore;
    else if (packing == "simple") options.packing = Packing::SimpleBlock;
    else if (packing == "group") options.packing = Packing::BlockGroup;
    else return UsageError(self, host, packing);
    const std::string clusters = parsed->Value("--clusters").value_or("time");
    if (clusters == "time") options.clusterRule = ClusterRule::Time;
    else if (clusters == "keyframe") options.clusterRule = ClusterRule::KeyFrame;
    else if (clusters == "source") options.clusterRule = ClusterRule::OldClusters;
    else return UsageError(self, host, clusters);

    Document doc;
    if (const int status = OpenForSave(doc, host, parsed->Operands()[0]); status != kGoOn) return status;

    if (const auto tracks = parsed->Value("--tracks"); tracks && !ChooseTracks(doc, *tracks, bad)) {
        std::fprintf(stderr, "%s %s\n", host.Tr("нет такого трека:").c_str(), bad.c_str());
        return kExitUsage;
    }
    if (options.packing == Packing::SimpleBlock && !doc.simpleBlockAllowed) {
        std::fprintf(stderr, "%s\n", host.Tr("Видео использует ссылки вперёд: блоки нельзя упаковать в SimpleBlock.").c_str());
        return kExitFailed;
    }
    request.outputPath = parsed->Value("-o").value_or(makeOutFN(doc.sourcePath));
    if (!prepare2export(doc, host)) return kExitFailed;
    if (const std::string wrong = StageEdits(doc, *parsed); !wrong.empty()) return UsageError(self, host, wrong);

    return SaveExitStatus(SaveCommand(doc, host, request), request.outputPath);
}

}  // namespace quillon::cli
