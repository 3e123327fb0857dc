// quillon-cli export IN --track N --as TYPE [-o OUT] [--overwrite]: one track
// as a file of its own.
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "export/avi_compatible.h"
#include "export/export_dispatch.h"
#include "export/track_queries.h"

namespace quillon::cli {
namespace {

// The --as names: the type buttons' captions ("wav" and "wav-mp3" for
// "wav (pcm)" and "wav (mp3)", which would need quoting).
struct TypeName {
    const char* name;
    ExportType type;
};
constexpr TypeName kTypeNames[] = {
    {"ac3", ExportType::Ac3}, {"mp3", ExportType::Mp3}, {"aac", ExportType::Aac}, {"ogg", ExportType::Ogg},
    {"flac", ExportType::Flac}, {"wav", ExportType::WavPcm}, {"wav-mp3", ExportType::WavMp3}, {"srt", ExportType::Srt}, {"ass", ExportType::Ass}, {"ssa", ExportType::Ass},
    {"h264", ExportType::H264}, {"hevc", ExportType::Hevc}, {"ivf", ExportType::Ivf}, {"sup", ExportType::Sup},
    {"mka", ExportType::Mka}, {"mks", ExportType::Mks},
};

// --as auto: the form the track's codec has of its own.
constexpr const char* kAutoType = "auto";

const TypeName* FindTypeName(const std::string& name) {
    for (const TypeName& t : kTypeNames)
        if (name == t.name) return &t;
    return nullptr;
}

OfferedTypes OfferedFor(const Document& doc, const Track& track) {
    if (track.typeText == "AUDIO") return ActivateAudioTypes(doc);
    if (track.typeText == "SUBTITLES") return ActivateSubsTypes(doc);
    if (track.typeText == "VIDEO") return ActivateVideoTypes(doc);
    return {};
}

std::string NameOf(ExportType type, const OfferedTypes& offered) {
    if (type == ExportType::Ass) return offered.assCaption;
    for (const TypeName& t : kTypeNames)
        if (t.type == type) return t.name;
    return {};
}

// The --as names the track offers, as its type buttons would.
std::vector<std::string> OfferedNames(const Document& doc, const Track& track) {
    const OfferedTypes offered = OfferedFor(doc, track);
    std::vector<std::string> names;
    for (ExportType type : offered.types) names.push_back(NameOf(type, offered));
    return names;
}

// The --as name of the track's natural form; empty when its codec has none.
std::string NaturalName(const Document& doc, const Track& track) {
    const tTrackEntry* entry = ModelTrack(doc.mkv, track.numberText);
    const std::vector<uint8_t> none;
    const ExportType type = NaturalExportType(TrackCodecId(doc.lista, track.numberText),
                                              entry && entry->codecPrivate.present ? entry->codecPrivate.value : none);
    return type == ExportType::None ? std::string() : NameOf(type, OfferedFor(doc, track));
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

// --as avi --tracks V[,A]: the conversion of the file with those tracks ticked.
int RunAviConvert(const Command& self, const Arguments& args, TerminalHost& host) {
    const auto list = args.Value("--tracks");
    if (!list) return UsageError(self, host, "--tracks", "не указаны треки");
    Document doc;
    if (const int status = OpenForSave(doc, host, args.Operands()[0]); status != kGoOn) return status;
    std::vector<std::string> numbers;
    std::stringstream in(*list);
    for (std::string item; std::getline(in, item, ',');) numbers.push_back(item);
    for (Track& t : doc.tatra) t.selectMark = "";
    for (const std::string& n : numbers) {
        const auto row = std::find_if(doc.tatra.begin(), doc.tatra.end(), [&](const Track& t) { return t.numberText == n; });
        if (row == doc.tatra.end()) {
            std::fprintf(stderr, "%s %s\n", host.Tr("нет такого трека:").c_str(), n.c_str());
            return kExitUsage;
        }
        row->selectMark = "y";
    }
    if (!AVIcompatible(doc.tatra))
        return UsageError(self, host, "--tracks " + *list, "в AVI идут один видеотрек и не больше одного звукового");

    SaveRequest request;
    request.job = AviJob{};
    request.overwriteConfirmed = args.Has("--overwrite");
    request.outputPath = args.Value("-o").value_or(makeOutFN(ChangeOutExt(doc.sourcePath, ".avi")));
    if (!prepare2export(doc, host)) return kExitFailed;
    return SaveExitStatus(SaveCommand(doc, host, request), doc, request.outputPath, host);
}

}  // namespace

int RunExport(const Command& self, const Arguments& args, TerminalHost& host) {
    if (!args.ValuesInOrder(ExportDataOptions()).empty()) return RunExportData(self, args, host);
    const auto trackNumber = args.Value("--track");
    auto typeName = args.Value("--as");
    if (!typeName) return UsageError(self, host, "--as", "не указан тип выгрузки");
    if (*typeName == "avi") return RunAviConvert(self, args, host);
    if (!trackNumber) return UsageError(self, host, "--track", "не указан трек");
    const bool automatic = *typeName == kAutoType;
    if (!automatic && !FindTypeName(*typeName))
        return UsageError(self, host, "--as " + *typeName, "неизвестный тип выгрузки");

    Document doc;
    if (const int status = OpenForSave(doc, host, args.Operands()[0]); status != kGoOn) return status;

    // Only the chosen track takes part, as when it alone is ticked.
    const Track* track = nullptr;
    for (Track& t : doc.tatra) {
        const bool it = !track && t.numberText == *trackNumber;
        t.selectMark = it ? "y" : "";
        if (it) track = &t;
    }
    if (!track) {
        std::fprintf(stderr, "%s %s\n", host.Tr("нет такого трека:").c_str(), trackNumber->c_str());
        return kExitUsage;
    }
    if (automatic) {
        typeName = NaturalName(doc, *track);
        if (typeName->empty()) {
            std::fprintf(stderr, "%s %s\n", host.Tr("у кодека трека нет своего формата для выгрузки:").c_str(),
                         TrackCodecId(doc.lista, track->numberText).c_str());
            return kExitUsage;
        }
    }
    const TypeName* chosen = FindTypeName(*typeName);
    const std::vector<std::string> offered = OfferedNames(doc, *track);
    if (std::find(offered.begin(), offered.end(), *typeName) == offered.end()) {
        if (offered.empty())
            std::fprintf(stderr, "%s %s\n", host.Tr("этот трек нельзя выгрузить отдельно:").c_str(), trackNumber->c_str());
        else
            std::fprintf(stderr, "%s %s\n", host.Tr("этот тип не подходит треку; трек можно выгрузить как:").c_str(),
                         Joined(offered).c_str());
        return kExitUsage;
    }

    SaveRequest request;
    const std::string assExtension = chosen->type == ExportType::Ass ? chosen->name : "ass";
    request.job = ExportJob(chosen->type, assExtension, RemuxOptions{});
    request.overwriteConfirmed = args.Has("--overwrite");
    request.outputPath = args.Value("-o").value_or(
        makeOutFN(ChangeOutExt(doc.sourcePath, ExportExtension(chosen->type, assExtension))));
    if (!prepare2export(doc, host)) return kExitFailed;

    return SaveExitStatus(SaveCommand(doc, host, request), doc, request.outputPath, host);
}

}  // namespace quillon::cli
