#include "writer/save_command.h"

#include <filesystem>

#include "core/source_file.h"
#include "export/export_dispatch.h"
#include "reader/element_queries.h"
#include "reader/scanner.h"
#include "writer/model_builder.h"
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
        track.entryIndex = Track::kNotInSource;
        for (int e = FindFirstByName(doc.lista, "TrackEntry"); e >= 0; e = FindNextByName(doc.lista, "TrackEntry", e)) {
            if (FindChildValue(doc.lista, "TrackNumber", e) == track.numberText) {
                track.entryIndex = static_cast<uint32_t>(e);
                break;
            }
        }
    }
}

SaveOutcome FromRemux(RemuxResult result) {
    switch (result) {
        case RemuxResult::Written: return SaveOutcome::Written;
        case RemuxResult::Stopped: return SaveOutcome::Stopped;
        case RemuxResult::Declined:
        case RemuxResult::TooManyTracks: return SaveOutcome::NothingWritten;
        default: return SaveOutcome::Failed;
    }
}

}  // namespace

bool prepare2export(Document& doc, Host& host) {
    if (doc.readState == ReadState::FullTree || doc.readState == ReadState::FullNoTree) {
        if (!doc.modelBuilt) doc.modelBuilt = lista2matros(doc, host);
        return doc.modelBuilt;
    }
    SourceFile source;
    if (!source.Open(doc.sourcePath)) {
        host.AddLog("• ошибка открытия исходного файла");
        return false;
    }
    host.SetStatus("p a r s i n g");
    const ScanOutcome scan = ReadStruct(source, host, doc.lista, true);
    bool ready = false;
    if (scan.result == ScanResult::Stopped) {
        doc.lista.clear();
        host.AddLog("• операция прервана");
    } else {
        if (scan.result == ScanResult::Ok) {
            doc.simpleBlockAllowed = scan.videoCheck != 1;
            doc.blockTypeText = scan.blockTypeText;
        }
        doc.readState = ReadState::FullNoTree;
        RelinkTracks(doc);
        lista2matros(doc, source);
        doc.modelBuilt = true;
        ready = true;
    }
    host.SetStatus("r e a d y");
    return ready;
}

SaveOutcome SaveCommand(Document& doc, Host& host, const SaveRequest& request) {
    if (SameFile(doc.sourcePath, request.outputPath)) {
        host.AskWithCaptions("Нельзя сохранить с тем же именем.\r\nИз этого файла сейчас будем читать.", "понятно", " ясно ");
        return SaveOutcome::NothingWritten;
    }
    const TrackMap map = TrackMap::FromTracks(doc.tatra);
    if (map.ActiveCount() == 0) {
        host.AskWithCaptions("надо указать хотя бы один поток\r\nдля выгрузки... типа того.", "понятно", " ясно ");
        return SaveOutcome::NothingWritten;
    }
    if (!prepare2export(doc, host)) return host.StopRequested() ? SaveOutcome::Stopped : SaveOutcome::Failed;

    if (request.exportOn) {
        // A single-track type goes to its writer; the Matroska types to the remux.
        if (const ExportWriter write = FindExportWriter(request.exportType)) return write(doc, host, request);
    } else if (request.aviConvert) {
        host.Inform("этот вид экспорта пока не поддерживается");
        return SaveOutcome::NothingWritten;
    } else {
        return SaveOutcome::NothingWritten;
    }
    return FromRemux(DoMKV(doc, host, map, request.outputPath, request.remux, request.overwriteConfirmed));
}

}  // namespace quillon
