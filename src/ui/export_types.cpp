// The save panel's type buttons as the save request's export types.
#include <QFrame>
#include <QRadioButton>

#include "ui/save_panel.h"

namespace quillon::ui {
namespace {

constexpr size_t kDispatchedButtons = 9;  // the rows before RadioMKA

}  // namespace

SavePanel::TypeButtonRows SavePanel::TypeButtons() const {
    // In the order the save command checks them.
    return {{
        {RadioAC3, ExportType::Ac3},
        {RadioAAC, ExportType::Aac},
        {RadioOGG, ExportType::Ogg},
        {RadioFLAC, ExportType::Flac},
        {RadioMP3, ExportType::Mp3},
        {RadioWA3, ExportType::WavMp3},
        {RadioWAV, ExportType::WavPcm},
        {RadioSRT, ExportType::Srt},
        {RadioASS, ExportType::Ass},
        {RadioMKA, ExportType::Mka},
        {RadioMKS, ExportType::Mks},
    }};
}

ExportType SavePanel::ExportTypeOf(const QRadioButton* button) const {
    for (const auto& [rowButton, type] : TypeButtons())
        if (rowButton == button) return type;
    return ExportType::None;
}

ExportType SavePanel::ChosenExportType() const {
    const TypeButtonRows rows = TypeButtons();
    for (size_t k = 0; k < kDispatchedButtons; ++k) {
        const QRadioButton* button = rows[k].first;
        const bool shown = !button->isHidden() && !button->parentWidget()->isHidden();
        if (shown && button->isChecked()) return rows[k].second;
    }
    if (!PanelSND->isHidden()) return ExportType::Mka;
    if (!PanelSUB->isHidden()) return ExportType::Mks;
    return ExportType::None;
}

}  // namespace quillon::ui
