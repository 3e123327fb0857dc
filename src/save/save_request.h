// What a save is asked to do: the choices of the save panel and the settings
// tab as plain values. The fronts fill this; the core never sees a control.
#pragma once

#include <string>

#include "export/export_type.h"
#include "writer/remux_options.h"

namespace quillon {

struct SaveRequest {
    std::string outputPath;
    bool exportOn = false;                 // "экспорт": a single-track export
    bool aviConvert = false;               // "конверт": conversion to AVI
    ExportType exportType = ExportType::None;
    std::string assExtension = "ass";      // "ass" or "ssa" for ExportType::Ass
    bool overwriteConfirmed = false;       // the front has already agreed to replace the output
    RemuxOptions remux;

    ExportRequest ForExport() const { return ExportRequest{outputPath, assExtension, overwriteConfirmed}; }
};

}  // namespace quillon
