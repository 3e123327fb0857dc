// quillon-cli remux IN [-o OUT] [--tracks LIST] [--packing ...] [--clusters ...] ...
#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

#include "cli/arguments.h"
#include "cli/attachment_edits.h"
#include "cli/commands.h"
#include "edit/mp3_addition.h"
#include "edit/staged_edits.h"
#include "edit/subtitle_addition.h"
#include "edit/track_import.h"
#include "core/value_text.h"
#include "save/save_command.h"
#include "timeline/timeline_repair.h"

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
            Track track = doc.tatra[i];
            track.selectMark.assign(1, 'y');  // not = "y": GCC 12 warns falsely (-Wrestrict) on the inlined copy
            chosen.push_back(std::move(track));
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

// An edit the command line could not stage: the argument and why (Russian).
struct BadEdit {
    std::string argument;
    const char* why;
};

// The staged edits of the command line, applied to the model before the save.
std::optional<BadEdit> StageEdits(Document& doc, const Arguments& args) {
    constexpr const char* kNotAssignment = "ожидалось N=ЗНАЧЕНИЕ";
    constexpr const char* kNoTrack = "нет такого трека";
    const auto hasTrack = [&](const std::string& number) { return ModelTrack(doc.mkv, number) != nullptr; };
    std::string number, value;
    for (const std::string& a : args.Values("--name")) {
        if (!SplitAssignment(a, number, value)) return BadEdit{a, kNotAssignment};
        if (!StageName(doc, number, value)) return BadEdit{a, kNoTrack};
    }
    std::vector<std::string> languages = args.Values("--language");
    for (const std::string& a : args.Values("--lang")) languages.push_back(a);  // the older spelling
    for (const std::string& a : languages) {
        if (!SplitAssignment(a, number, value)) return BadEdit{a, kNotAssignment};
        if (value.empty()) return BadEdit{a, "пустой код языка"};
        if (!hasTrack(number)) return BadEdit{a, kNoTrack};
        if (!StageLanguage(doc, number, value)) return BadEdit{a, "неизвестный код языка"};
    }
    for (const std::string& a : args.Values("--timescale")) {
        if (!SplitAssignment(a, number, value)) return BadEdit{a, kNotAssignment};
        if (!hasTrack(number)) return BadEdit{a, kNoTrack};
        const auto scale = ParseDecimal(value);
        if (!scale || !StageTimecodeScale(doc, number, *scale)) return BadEdit{a, "масштаб должен быть положительным числом"};
    }
    for (const std::string& a : args.Values("--default"))
        if (!StageDefault(doc, a, true)) return BadEdit{a, kNoTrack};
    for (const std::string& a : args.Values("--start")) {
        if (!SplitAssignment(a, number, value)) return BadEdit{a, kNotAssignment};
        if (!hasTrack(number)) return BadEdit{a, kNoTrack};
        if (!IsDigits(value) || value.size() > 15) return BadEdit{a, "время должно быть целым числом миллисекунд"};
        ShiftTrackStart(doc, number, TextToInt64(value));
    }
    return std::nullopt;
}

// "OTHER.mkv:2,3" into the file and the tracks to take (none listed: all).
// The list is the text after the last ":" when it is numbers and commas, so
// a path with a ":" of its own still works.
void SplitImport(const std::string& text, std::string& path, std::vector<std::string>& numbers) {
    path = text;
    numbers.clear();
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon + 1 == text.size()) return;
    const std::string list = text.substr(colon + 1);
    if (list.find_first_not_of("0123456789,") != std::string::npos) return;
    path = text.substr(0, colon);
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty()) numbers.push_back(item);
}

// Ticks the listed rows of the other file's track table and puts them first,
// in the list's order, as --tracks orders the kept tracks; the first number
// it does not have, or empty.
std::string TickListed(TrackTable& tracks, const std::vector<std::string>& numbers) {
    if (numbers.empty()) return {};
    TrackTable listed;
    for (const std::string& n : numbers) {
        const auto row = std::find_if(tracks.begin(), tracks.end(), [&](const Track& t) { return t.numberText == n; });
        if (row == tracks.end()) return n;
        listed.push_back(*row);
        tracks.erase(row);
    }
    for (Track& t : tracks) t.selectMark.clear();
    listed.insert(listed.end(), tracks.begin(), tracks.end());
    tracks = std::move(listed);
    return {};
}

// The tracks the command line adds, in its order; the exit status of a failure, or kGoOn.
int AddTracks(const Command& self, Document& doc, const Arguments& args, TerminalHost& host) {
    for (const auto& [option, value] : args.ValuesInOrder({"--import", "--add-subtitles", "--add-audio"})) {
        bool added = false;
        if (option == "--import") {
            std::string path;
            std::vector<std::string> numbers;
            SplitImport(value, path, numbers);
            if (!ScanImportFile(doc, path, host)) return kExitFailed;
            if (const std::string missing = TickListed(doc.importTatra, numbers); !missing.empty())
                return UsageError(self, host, option + " " + value, "нет такого трека");
            added = MergeTracks(doc, path, host) > 0;
        } else if (option == "--add-subtitles") {
            added = AddSubtitleFile(doc, value, host);
        } else {
            added = AddMp3File(doc, value, host);
        }
        if (!added) return kExitFailed;
    }
    return kGoOn;
}

// The timeline repairs of the command line, in its order, after the edits;
// `faultsRemain` tells whether any left its track out of order.
std::optional<BadEdit> RunRepairs(Document& doc, const Arguments& args, Host& host, bool& faultsRemain) {
    static const std::pair<const char*, TimelineRepair> kRepairs[] = {
        {"reorder", TimelineRepair::Reorder},
        {"retime", TimelineRepair::Retime},
        {"retime-invisible", TimelineRepair::RetimeInvisible},
        {"keyframes", TimelineRepair::KeyFrames},
    };
    std::string number, value;
    for (const std::string& a : args.Values("--repair")) {
        if (!SplitAssignment(a, number, value)) return BadEdit{a, "ожидалось N=reorder, retime, retime-invisible или keyframes"};
        if (!ModelTrack(doc.mkv, number)) return BadEdit{a, "нет такого трека"};
        const auto kind = std::find_if(std::begin(kRepairs), std::end(kRepairs), [&](const auto& r) { return value == r.first; });
        if (kind == std::end(kRepairs)) return BadEdit{a, "ожидалось N=reorder, retime, retime-invisible или keyframes"};
        const RepairOutcome outcome = RepairTrack(doc, TextToUInt64(number), kind->second, args.Has("--fix-references"));
        for (const std::string& line : outcome.memo) host.AddLog(line);
        faultsRemain = faultsRemain || outcome.faultsRemain;
    }
    return std::nullopt;
}

}  // namespace

int RunRemux(const Command& self, const Arguments& args, TerminalHost& host) {
    SaveRequest request;
    request.overwriteConfirmed = args.Has("--overwrite");
    RemuxOptions& options = request.job.emplace<RemuxJob>().options;
    options.writeCues = !args.Has("--no-cues");
    options.writeSeekHeads = !args.Has("--no-seekhead");
    options.chapters = args.Has("--chapters");
    options.tags = !args.Has("--no-tags");
    // Editing the attachments means writing them.
    options.attachments = args.Has("--attachments") || HasAttachmentEdits(args);
    const std::string packing = args.Value("--packing").value_or("keep");
    if (packing == "keep") options.packing = Packing::AsBefore;
    else if (packing == "simple") options.packing = Packing::SimpleBlock;
    else if (packing == "group") options.packing = Packing::BlockGroup;
    else return UsageError(self, host, "--packing " + packing, "ожидалось keep, simple или group");
    const std::string clusters = args.Value("--clusters").value_or("time");
    if (clusters == "time") options.clusterRule = ClusterRule::Time;
    else if (clusters == "keyframe") options.clusterRule = ClusterRule::KeyFrame;
    else if (clusters == "source") options.clusterRule = ClusterRule::OldClusters;
    else return UsageError(self, host, "--clusters " + clusters, "ожидалось time, keyframe или source");

    // Track rules (and many files into a folder) choose the tracks by what they are.
    bool byRules = args.Value("--output-dir").has_value();
    for (const char* rule : {"--keep", "--drop", "--forced", "--order", "--rules"}) byRules = byRules || args.Value(rule);
    if (byRules) {
        for (const char* single : {"--tracks", "--import", "--add-subtitles", "--add-audio", "--repair", "--timescale", "--start"})
            if (args.Value(single)) return UsageError(self, host, single, "с правилами треки выбираются правилами");
        if (args.Value("-o") && args.Value("--output-dir")) return UsageError(self, host, "-o", "нельзя вместе с --output-dir");
        if (!args.Value("--output-dir") && args.Operands().size() > 1)
            return UsageError(self, host, args.Operands()[1], "много файлов пишутся в папку: --output-dir ПАПКА");
        return RunRuleRemux(self, args, host, options);
    }
    if (args.Operands().size() > 1) return UsageError(self, host, args.Operands()[1], "лишний аргумент: нужен один файл");

    Document doc;
    if (const int status = OpenForSave(doc, host, args.Operands()[0]); status != kGoOn) return status;

    std::string bad;
    if (const auto tracks = args.Value("--tracks"); tracks && !ChooseTracks(doc, *tracks, bad)) {
        std::fprintf(stderr, "%s %s\n", host.Tr("нет такого трека:").c_str(), bad.c_str());
        return kExitUsage;
    }
    if (options.packing == Packing::SimpleBlock && !doc.simpleBlockAllowed) {
        std::fprintf(stderr, "%s\n", host.Tr("Видео использует ссылки вперёд: блоки нельзя упаковать в SimpleBlock.").c_str());
        return kExitFailed;
    }
    request.outputPath = args.Value("-o").value_or(makeOutFN(doc.sourcePath));
    if (!prepare2export(doc, host)) return kExitFailed;
    if (const int status = AddTracks(self, doc, args, host); status != kGoOn) return status;
    if (const auto wrong = StageEdits(doc, args)) return UsageError(self, host, wrong->argument, wrong->why);
    bool faultsRemain = false;
    if (const auto wrong = RunRepairs(doc, args, host, faultsRemain)) return UsageError(self, host, wrong->argument, wrong->why);
    if (HasAttachmentEdits(args))
        if (const auto wrong = ApplyAttachmentEdits(doc, args, host)) return UsageError(self, host, wrong->argument, wrong->why);

    const int status = SaveExitStatus(SaveCommand(doc, host, request), doc, request.outputPath, host);
    // A repair that left faults is no clean result, whatever was written.
    return status == kExitOk && faultsRemain ? kExitFailed : status;
}

}  // namespace quillon::cli
