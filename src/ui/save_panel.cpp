// The save panel: which output the checked tracks can become (a remux, a
// Matroska audio or subtitle file, a single-track export, an AVI), and the
// output name's extension that follows the choice.
#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QRadioButton>

#include "attach/attach_list.h"
#include "export/export_dispatch.h"
#include "reader/element_queries.h"
#include "ui/clickable_image.h"
#include "ui/export_types.h"
#include "ui/form_main.h"
#include "ui/ui_text.h"

namespace quillon::ui {

void TFormMain::ConnectSavePanelHandlers() {
    connect(CheckEX, &QCheckBox::clicked, this, &TFormMain::CheckEXClick);
    connect(CheckAVI, &QCheckBox::clicked, this, &TFormMain::CheckAVIClick);
    connect(ImageSA, &ClickableImage::clicked, this, &TFormMain::ImageSAClick);
    // Each type button puts its extension on the output name.
    for (QRadioButton* button : {RadioMKA, RadioAAC, RadioAC3, RadioMP3, RadioOGG, RadioFLAC, RadioWA3, RadioWAV, RadioMKS,
                                 RadioSRT, RadioASS})
        connect(button, &QRadioButton::clicked, this, [this, button] {
            ChangeOutExt(FromCore(ExportExtension(ExportTypeOf(*this, button), ToCore(RadioASS->text()))));
        });
}

void TFormMain::CheckEXClick() {
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

void TFormMain::CheckAVIClick() {
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

void TFormMain::OutOn() {
    EditOUT->setEnabled(true);
    QPalette colours = EditOUT->palette();
    // The desktop's own box colours: black on white in a light theme, and
    // still a readable pair in a dark one.
    colours.setColor(QPalette::Base, palette().color(QPalette::Base));
    colours.setColor(QPalette::Text, palette().color(QPalette::Text));
    EditOUT->setPalette(colours);
    ImageSA->show();
}

void TFormMain::OutOff() {
    EditOUT->setEnabled(false);
    QPalette colours = EditOUT->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, palette().color(QPalette::Button));
        colours.setColor(group, QPalette::Text, QColor(0x80, 0x80, 0x80));
    }
    EditOUT->setPalette(colours);
    ImageSA->hide();
}

void TFormMain::galkiOff() {
    for (QCheckBox* option : {CheckCH, CheckAT, CheckTG, CheckCU, CheckSH}) {
        option->setChecked(false);
        option->setEnabled(false);
    }
    RadioMKA->setChecked(true);
    RadioMKS->setChecked(true);
}

namespace {

// Shows the offered buttons of a type panel and hides the others; the
// panel's row layout places the shown ones left to right.
void ShowOffered(TFormMain& form, QFrame* panel, const OfferedTypes& offered) {
    for (QRadioButton* button : panel->findChildren<QRadioButton*>()) {
        const ExportType type = ExportTypeOf(form, button);
        button->setVisible(offered.Offers(type));
    }
    panel->adjustSize();
}

}  // namespace

void TFormMain::ActivateAudioTypes() {
    const OfferedTypes offered = quillon::ActivateAudioTypes(doc_);
    if (offered.types.empty()) {
        for (QRadioButton* button : {RadioAAC, RadioAC3, RadioMP3, RadioOGG, RadioFLAC, RadioWA3, RadioWAV}) button->hide();
        return;
    }
    ShowOffered(*this, PanelSND, offered);
}

void TFormMain::ActivateSubsTypes() {
    const OfferedTypes offered = quillon::ActivateSubsTypes(doc_);
    if (offered.types.empty()) return;
    RadioASS->setText(FromCore(offered.assCaption));
    ShowOffered(*this, PanelSUB, offered);
}

void TFormMain::ChangeOutExt(const QString& extension) {
    EditOUT->setText(FromCore(quillon::ChangeOutExt(ToCore(EditOUT->text()), ToCore(extension))));
}

}  // namespace quillon::ui
