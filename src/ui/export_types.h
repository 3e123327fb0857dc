// The save panel's type buttons as the save request's export types.
#pragma once

#include "export/export_type.h"

class QRadioButton;

namespace quillon::ui {

class TFormMain;

// The export type of a type button (ExportType::None for another widget).
ExportType ExportTypeOf(const TFormMain& form, const QRadioButton* button);

// The first checked, shown type button in the dispatch order (AC3, AAC, OGG,
// FLAC, MP3, WA3, WAV, SRT, ASS); else the Matroska output of the shown type
// panel (Mka, Mks), or None for a remux of several tracks.
ExportType ChosenExportType(const TFormMain& form);

}  // namespace quillon::ui
