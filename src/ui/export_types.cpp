#include "ui/export_types.h"

#include <QFrame>
#include <QRadioButton>

#include "ui/form_main.h"

namespace quillon::ui {
namespace {

// In the order the save command checks them.
struct ButtonRow {
    QRadioButton* TFormMain::*button;
    ExportType type;
};
constexpr ButtonRow kButtons[] = {
    {&TFormMain::RadioAC3, ExportType::Ac3},    {&TFormMain::RadioAAC, ExportType::Aac},
    {&TFormMain::RadioOGG, ExportType::Ogg},    {&TFormMain::RadioFLAC, ExportType::Flac},
    {&TFormMain::RadioMP3, ExportType::Mp3},    {&TFormMain::RadioWA3, ExportType::WavMp3},
    {&TFormMain::RadioWAV, ExportType::WavPcm}, {&TFormMain::RadioSRT, ExportType::Srt},
    {&TFormMain::RadioASS, ExportType::Ass},    {&TFormMain::RadioMKA, ExportType::Mka},
    {&TFormMain::RadioMKS, ExportType::Mks},
};
constexpr size_t kDispatchedButtons = 9;  // the rows before RadioMKA

}  // namespace

ExportType ExportTypeOf(const TFormMain& form, const QRadioButton* button) {
    for (const ButtonRow& row : kButtons)
        if (form.*row.button == button) return row.type;
    return ExportType::None;
}

ExportType ChosenExportType(const TFormMain& form) {
    for (size_t k = 0; k < kDispatchedButtons; ++k) {
        const QRadioButton* button = form.*kButtons[k].button;
        const bool shown = !button->isHidden() && !button->parentWidget()->isHidden();
        if (shown && button->isChecked()) return kButtons[k].type;
    }
    if (!form.PanelSND->isHidden()) return ExportType::Mka;
    if (!form.PanelSUB->isHidden()) return ExportType::Mks;
    return ExportType::None;
}

}  // namespace quillon::ui
