// What a save is asked to do: the choices of the save panel and the settings
// tab as plain values. The fronts fill this; the core never sees a control.
#pragma once

#include <string>
#include <variant>

#include "export/export_type.h"
#include "writer/remux_options.h"

namespace quillon {

// A Matroska file of the checked tracks (the save, and the .mka/.mks exports).
struct RemuxJob {
    RemuxOptions options;
};
// The checked track of a kind to a file of its own format.
struct TrackExportJob {
    ExportType type = ExportType::Ac3;
    std::string assExtension = "ass";  // "ass" or "ssa" for ExportType::Ass
};
// The checked video and audio tracks to an AVI.
struct AviJob {};

// std::monostate: neither the export nor the conversion was chosen, nothing is written.
using SaveJob = std::variant<std::monostate, RemuxJob, TrackExportJob, AviJob>;

// The job of an export of `type`: the Matroska types (and None, "as the
// source") are a remux with `options`, the others a track export.
inline SaveJob ExportJob(ExportType type, const std::string& assExtension, const RemuxOptions& options) {
    if (type == ExportType::None || type == ExportType::Mka || type == ExportType::Mks) return RemuxJob{options};
    return TrackExportJob{type, assExtension};
}

struct SaveRequest {
    std::string outputPath;
    bool overwriteConfirmed = false;  // the front has already agreed to replace the output
    SaveJob job;

    ExportRequest ForExport() const {
        const auto* track = std::get_if<TrackExportJob>(&job);
        return ExportRequest{outputPath, track ? track->assExtension : "ass", overwriteConfirmed};
    }
};

}  // namespace quillon
