// quillon-cli export IN --chapters OUT.xml | --chapters-ogm OUT.txt | --tags OUT.xml
// | --cues N:OUT.txt | --timestamps N:OUT.txt | --codec-private N:OUT | --attachments DIR:
// the file's other data, each in its plain form, all from one reading.
#include <cstdio>
#include <filesystem>

#include "attach/attach_list.h"
#include "cli/commands.h"
#include "core/generated/element_ids.h"
#include "core/output_file.h"
#include "core/value_text.h"
#include "export/matroska_xml.h"
#include "export/track_times.h"

namespace quillon::cli {
namespace {

namespace fs = std::filesystem;

// "N:PATH" into the track and the path.
bool SplitTrackPath(const std::string& text, uint64_t& track, std::string& path) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    const auto number = ParseUnsigned(text.substr(0, colon));
    if (!number || *number == 0) return false;
    track = *number;
    path = text.substr(colon + 1);
    return true;
}

}  // namespace

const std::set<std::string>& ExportDataOptions() {
    static const std::set<std::string> options = {"--chapters", "--chapters-ogm", "--tags", "--cues", "--timestamps",
                                                  "--codec-private", "--attachments"};
    return options;
}

int RunExportData(const Command& self, const Arguments& args, TerminalHost& host) {
    Document doc;
    if (const int status = OpenForSave(doc, host, args.Operands()[0]); status != kGoOn) return status;
    if (!prepare2export(doc, host)) return kExitFailed;
    const bool overwrite = args.Has("--overwrite");
    int status = kExitOk;
    // Writes one output; false (told) when it could not be.
    auto write = [&](const std::string& path, const std::string& data) {
        std::error_code error;
        if (!overwrite && fs::exists(path, error)) {
            std::fprintf(stderr, "%s%s\n", host.Tr("файл уже есть (--overwrite заменит): ").c_str(), path.c_str());
            return false;
        }
        if (const std::string failure = WriteWholeFile(path, data.data(), data.size()); !failure.empty()) {
            std::fprintf(stderr, "%s%s\n", host.Tr("Файл не записан: ").c_str(), failure.c_str());
            return false;
        }
        std::printf("%s\n", path.c_str());
        return true;
    };
    for (const auto& [option, value] : args.ValuesInOrder(ExportDataOptions())) {
        bool done = false;
        if (option == "--chapters" || option == "--chapters-ogm" || option == "--tags") {
            const uint32_t id = option == "--tags" ? kTags : kChapters;
            const std::optional<EbmlNode> master = ReadLevel1Master(doc, id);
            if (!master) {
                std::fprintf(stderr, "%s %s\n", host.Tr(id == kTags ? "в файле нет тегов:" : "в файле нет глав:").c_str(),
                             doc.sourcePath.c_str());
            } else {
                done = write(value, option == "--tags" ? TagsXml(*master)
                                    : option == "--chapters" ? ChaptersXml(*master)
                                                             : ChaptersOgm(*master));
            }
        } else if (option == "--attachments") {
            std::error_code error;
            if (!fs::is_directory(value, error)) return UsageError(self, host, option + " " + value, "нет такой папки");
            lista2attach(doc);
            done = true;
            for (size_t k = 0; k < doc.attachList.size(); ++k) {
                const std::string path = (fs::path(value) / SafeFileName(doc.attachList[k].fileName, k + 1)).string();
                if (SaveAttach(doc, doc.attachList[k], path, overwrite, host)) std::printf("%s\n", path.c_str());
                else done = false;
            }
        } else {
            uint64_t track = 0;
            std::string path;
            if (!SplitTrackPath(value, track, path)) return UsageError(self, host, option + " " + value, "нужно N:ФАЙЛ");
            std::optional<std::string> data;
            if (option == "--cues") {
                data = CuesText(doc, track);
            } else if (option == "--timestamps") {
                data = TimestampsV2(doc, track, host);
            } else if (const tTrackEntry* t = ModelTrack(doc.mkv, std::to_string(track))) {
                data = t->codecPrivate.present ? std::string(t->codecPrivate.value.begin(), t->codecPrivate.value.end())
                                               : std::string();
            }
            if (!data || !ModelTrack(doc.mkv, std::to_string(track))) {
                std::fprintf(stderr, "%s %llu\n", host.Tr("нет такого трека:").c_str(), static_cast<unsigned long long>(track));
                return kExitUsage;
            }
            done = write(path, *data);
        }
        if (!done) status = kExitFailed;
    }
    return status;
}

}  // namespace quillon::cli
