// The save panel's switches: which output the checked tracks can become (a
// remux, a Matroska audio or subtitle file, a single-track export, an AVI),
// and the output name's extension that follows the choice.
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>

#include "attach/attach_list.h"
#include "export/avi_compatible.h"
#include "export/export_dispatch.h"
#include "reader/element_queries.h"
#include "ui/clickable_image.h"
#include "ui/save_panel.h"
#include "ui/ui_text.h"

namespace quillon::ui {

void SavePanel::ConnectHandlers() {
    connect(CheckEX, &QCheckBox::clicked, this, &SavePanel::CheckEXClick);
    connect(CheckAVI, &QCheckBox::clicked, this, &SavePanel::CheckAVIClick);
    connect(ImageSA, &ClickableImage::clicked, this, &SavePanel::saveRequested);
    // Each type button puts its extension on the output name.
    for (const auto& [button, type] : TypeButtons())
        connect(button, &QRadioButton::clicked, this, [this, type] {
            ChangeOutExt(FromCore(ExportExtension(type, ToCore(RadioASS->text()))));
        });
}

void SavePanel::SetChecked(QCheckBox* box, bool checked) {
    if (box->isChecked() == checked) return;
    box->setChecked(checked);
    if (box == CheckEX) CheckEXClick();
    if (box == CheckAVI) CheckAVIClick();
}

void SavePanel::UncheckOutputSwitches() {
    SetChecked(CheckEX, false);
    SetChecked(CheckAVI, false);
}

void SavePanel::EnableAviByTracks() { CheckAVI->setEnabled(AVIcompatible(doc_.tatra)); }

void SavePanel::CheckEXClick() {
    CheckAVI->setChecked(false);  // at most one of export and convert; no handler runs
    if (!CheckEX->isChecked()) {
        OutOff();
        galkiOff();
        PanelSND->hide();
        PanelSUB->hide();
        return;
    }
    OutOn();
    const ExportPanel panel = ChooseExportPanel(doc_.tatra);
    ChangeOutExt(QString::fromLatin1(PanelExtension(panel)));
    PanelSND->setVisible(panel == ExportPanel::Audio);
    PanelSUB->setVisible(panel == ExportPanel::Subtitles);
    if (panel == ExportPanel::Audio) {
        RadioMKA->setChecked(true);
        ActivateAudioTypes();
    } else if (panel == ExportPanel::Subtitles) {
        RadioMKS->setChecked(true);
        ActivateSubsTypes();
    }
    galkiOff();
    if (panel == ExportPanel::None) {
        // Both are read by the remux.
        if (FindFirstById(doc_.lista, kChapters) >= 0) {
            CheckCH->setEnabled(true);
            CheckCH->setChecked(true);
        }
        if (FindFirstById(doc_.lista, kTags) >= 0) {
            CheckTG->setEnabled(true);
            CheckTG->setChecked(true);
        }
        // The file's attachments, or those the attachments tab added.
        if (FindFirstById(doc_.lista, kAttachedFile) >= 0 || AttachesDA(doc_.attachList)) {
            CheckAT->setEnabled(true);
            CheckAT->setChecked(true);
        }
    }
    CheckCU->setEnabled(true);
    CheckSH->setEnabled(true);
}

void SavePanel::CheckAVIClick() {
    CheckEX->setChecked(false);  // no handler runs
    PanelSND->hide();
    PanelSUB->hide();
    if (!CheckAVI->isChecked()) {
        OutOff();
        galkiOff();
        return;
    }
    OutOn();
    ChangeOutExt(".avi");
    galkiOff();
}

void SavePanel::OutOn() {
    EditOUT->setEnabled(true);
    QPalette colours = EditOUT->palette();
    // The desktop's own box colours: black on white in a light theme, and
    // still a readable pair in a dark one.
    colours.setColor(QPalette::Base, palette().color(QPalette::Base));
    colours.setColor(QPalette::Text, palette().color(QPalette::Text));
    EditOUT->setPalette(colours);
    ImageSA->show();
}

void SavePanel::OutOff() {
    EditOUT->setEnabled(false);
    QPalette colours = EditOUT->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, palette().color(QPalette::Button));
        colours.setColor(group, QPalette::Text, QColor(0x80, 0x80, 0x80));
    }
    EditOUT->setPalette(colours);
    ImageSA->hide();
}

void SavePanel::galkiOff() {
    for (QCheckBox* option : {CheckCH, CheckAT, CheckTG, CheckCU, CheckSH}) {
        option->setChecked(false);
        option->setEnabled(false);
    }
    RadioMKA->setChecked(true);
    RadioMKS->setChecked(true);
}

// The type panel's row layout places the shown buttons left to right.
void SavePanel::ShowOffered(QFrame* typePanel, const OfferedTypes& offered) {
    for (QRadioButton* button : typePanel->findChildren<QRadioButton*>()) button->setVisible(offered.Offers(ExportTypeOf(button)));
    typePanel->adjustSize();
}

void SavePanel::ActivateAudioTypes() {
    const OfferedTypes offered = quillon::ActivateAudioTypes(doc_);
    if (offered.types.empty()) {
        for (QRadioButton* button : {RadioAAC, RadioAC3, RadioMP3, RadioOGG, RadioFLAC, RadioWA3, RadioWAV}) button->hide();
        return;
    }
    ShowOffered(PanelSND, offered);
}

void SavePanel::ActivateSubsTypes() {
    const OfferedTypes offered = quillon::ActivateSubsTypes(doc_);
    if (offered.types.empty()) return;
    RadioASS->setText(FromCore(offered.assCaption));
    ShowOffered(PanelSUB, offered);
}

void SavePanel::ChangeOutExt(const QString& extension) {
    EditOUT->setText(FromCore(quillon::ChangeOutExt(ToCore(EditOUT->text()), ToCore(extension))));
}

}  // namespace quillon::ui
