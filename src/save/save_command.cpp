#include "save/save_command.h"

#include <cstring>
#include <filesystem>

#include "attach/attach_list.h"
#include "core/source_file.h"
#include "export/avi_convert.h"
#include "export/export_dispatch.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "reader/track_table.h"
#include "reader/model_builder.h"
#include "writer/remux.h"
#include "writer/track_map.h"

namespace quillon {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// After a new scan every track row points at its TrackEntry again.
void RelinkTracks(Document& doc) {
    for (Track& track : doc.tatra) {
        if (track.entryIndex == Track::kNotInSource) continue;
        const int entry = TrackEntryRow(doc.lista, track.numberText);
        track.entryIndex = entry < 0 ? Track::kNotInSource : static_cast<uint32_t>(entry);
    }
}

// A read that fails while the model is built would leave values out of it unseen.
bool BuildModel(Document& doc, Host& host, SourceFile& source) {
    lista2matros(doc, source, host);
    if (source.LastError() != 0) {
        host.Inform("Файл не прочитан: ", source.Path() + ": " + std::strerror(source.LastError()));
        return false;
    }
    doc.modelBuilt = true;
    return true;
}

}  // namespace

bool prepare2export(Document& doc, Host& host) {
    SourceFile source;
    if (!source.Open(doc.sourcePath)) {
        host.AddLog("• ошибка открытия исходного файла");
        return false;
    }
    if (doc.readState == ReadState::FullTree || doc.readState == ReadState::FullNoTree)
        return doc.modelBuilt || BuildModel(doc, host, source);
    host.SetStatus("p a r s i n g");
    const ScanOutcome scan = ScanDocument(doc, host, source, true);
    host.SetStatus("r e a d y");
    if (scan.result != ScanResult::Ok && scan.result != ScanResult::StructureError) return false;
    doc.readState = ReadState::FullNoTree;
    RelinkTracks(doc);
    return BuildModel(doc, host, source);
}

SaveOutcome SaveCommand(Document& doc, Host& host, const SaveRequest& request) {
    bool readFrom = SameFile(doc.sourcePath, request.outputPath);
    for (const AddedSource& added : doc.addedSources) readFrom = readFrom || SameFile(added.path, request.outputPath);
    if (readFrom) {
        host.Inform("Нельзя сохранить с тем же именем.\r\nИз этого файла сейчас будем читать.");
        return SaveOutcome::NothingWritten;
    }
    const TrackMap map = TrackMap::FromTracks(doc.tatra);
    if (map.ActiveCount() == 0) {
        host.Inform("надо указать хотя бы один поток\r\nдля выгрузки... типа того.");
        return SaveOutcome::NothingWritten;
    }
    if (!prepare2export(doc, host)) return host.StopRequested() ? SaveOutcome::Stopped : SaveOutcome::Failed;

    if (std::holds_alternative<std::monostate>(request.job)) return SaveOutcome::NothingWritten;
    if (const auto* track = std::get_if<TrackExportJob>(&request.job)) {
        if (const ExportWriter write = FindExportWriter(track->type)) return write(doc, host, request.ForExport());
        return SaveOutcome::NothingWritten;
    }
    if (std::holds_alternative<AviJob>(request.job)) return DoAviConvert(doc, host, request.ForExport());
    const RemuxOptions& options = std::get<RemuxJob>(request.job).options;
    // The attachments tab's edits, once it has been filled.
    if (options.attachments && !doc.attachList.empty() && ATTchanged(doc.attachList, doc.mkv.attachedFiles))
        replaceATT(doc.attachList, doc.mkv.attachedFiles);
    return DoMKV(doc, host, map, request.outputPath, options, request.overwriteConfirmed);
}

}  // namespace quillon
