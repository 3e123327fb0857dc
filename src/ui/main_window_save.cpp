// The save command: the save panel and the settings tab become a save
// request, the core writes, and the window returns to idle (and reopens a
// file when the model had been edited).
#include <QLocale>
#include <QFileInfo>
#include <filesystem>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "ui/caption_panel.h"
#include "ui/export_types.h"
#include "ui/container_tab.h"
#include "ui/form_main.h"
#include "ui/settings_tab.h"
#include "ui/structure_model.h"
#include "ui/ui_text.h"
#include "save/output_name.h"
#include "save/save_command.h"

namespace quillon::ui {
namespace {

SaveRequest RequestFromControls(const TFormMain& form) {
    SaveRequest request;
    request.outputPath = ToCore(form.EditOUT->text());
    RemuxOptions remux;
    remux.packing = form.TabSheetCFG->packing();
    remux.clusterRule = form.TabSheetCFG->clusterRule();
    remux.writeCues = !form.CheckCU->isChecked();
    remux.writeSeekHeads = !form.CheckSH->isChecked();
    remux.chapters = form.CheckCH->isChecked();
    remux.attachments = form.CheckAT->isChecked();
    remux.tags = form.CheckTG->isChecked();
    if (form.CheckEX->isChecked()) request.job = ExportJob(ChosenExportType(form), ToCore(form.RadioASS->text()), remux);
    else if (form.CheckAVI->isChecked()) request.job = AviJob{};
    return request;
}

}  // namespace

void TFormMain::ImageSAClick() {
    if (busy_) return;
    const SaveRequest request = RequestFromControls(*this);
    OutOff();
    ImageWO->show();
    host_.Pump(true);

    // A save needs the whole file parsed; that scan refills the list under the tree.
    const bool needsScan = doc_.readState != ReadState::FullTree && doc_.readState != ReadState::FullNoTree;
    if (needsScan) {
        TabSheetCH->ClearTree();
        PleaseWait();
        waitUntilParsed_ = true;
    }
    SetBusy(true);
    host_.ClearStop();
    // With faults in the timeline the window shows them and nothing is saved.
    const bool allowed = TimelineAllowsSave();
    const SaveOutcome outcome = allowed ? SaveCommand(doc_, host_, request) : SaveOutcome::NothingWritten;
    SetBusy(false);
    waitUntilParsed_ = false;
    StopWait();

    UncheckOutputSwitches();
    ShowSaveResult(outcome, request.outputPath);
    ImageWO->hide();
    ImageSATT->hide();
    host_.SetStatus(outcome == SaveOutcome::Stopped || host_.StopFlag() ? "a b o r t e d" : "r e a d y");
    ShowOpenStatus();
    if (needsScan && PageControl1->currentWidget() == TabSheetCH) TabSheetCHShow();
    // A refused save keeps the document: the timeline window works on it.
    if (allowed && doc_.saveMode == SaveMode::Build) Reopen(FromCore(request.outputPath));
}

void TFormMain::ShowSaveResult(SaveOutcome outcome, const std::string& outputPath) {
    const QString path = FromCore(outputPath);
    if (outcome != SaveOutcome::Written && outcome != SaveOutcome::WrittenWithWarnings) {
        const char* what = outcome == SaveOutcome::Stopped  ? "запись остановлена: "
                           : outcome == SaveOutcome::Failed ? "файл не записан: "
                                                            : "ничего не записано";
        LabelSR->setText(outcome == SaveOutcome::NothingWritten ? Tr(what) : Tr(what) + path.toHtmlEscaped());
        return;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(outputPath, error);
    const QFileInfo file(path);
    QString line = Tr(outcome == SaveOutcome::Written ? "записан файл: " : "записан файл (с предупреждениями, см. журнал): ") +
                   file.fileName().toHtmlEscaped();
    if (!error) line += " (" + QLocale().formattedDataSize(qint64(bytes)) + ")";
    line += QStringLiteral(" &nbsp;<a href=\"%1\">%2</a>").arg(file.absolutePath().toHtmlEscaped(), Tr("открыть папку"));
    LabelSR->setText(line);
    // The next save would ask to overwrite this one: its proposed name moves on.
    EditOUT->setText(FromCore(makeOutFN(outputPath)));
}

void TFormMain::Reopen(const QString& outputName) {
    const ReopenChoice choice = TabSheetCFG->reopenChoice();
    bool result = choice == ReopenChoice::Result;
    if (choice == ReopenChoice::Ask) result = !AskWithCaptions(Tr("какой файл открыть?"), Tr("исходный"), Tr("результат"));
    if (result) EditIN->setText(outputName);
    // The log keeps the save's lines (where it wrote, how many bytes) above the new reading.
    OpenEditIN(false);
}

void TFormMain::PleaseWait() {
    PanelWA->move((width() - PanelWA->width()) / 2, (height() - PanelWA->height()) / 2);
    PanelWA->raise();
    PanelWA->show();
    host_.Pump(true);
}

void TFormMain::StopWait() { PanelWA->hide(); }

}  // namespace quillon::ui
