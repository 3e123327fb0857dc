// The save command as the window runs it: the save panel's request is
// written by the core (after the whole file is parsed and the timeline
// checked), the panel shows the result, and the window returns to idle (and
// reopens a file when the model had been edited).
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "ui/caption_panel.h"
#include "ui/container_tab.h"
#include "ui/contents_tab.h"
#include "ui/form_main.h"
#include "ui/settings_tab.h"
#include "ui/ui_text.h"
#include "save/save_command.h"

namespace quillon::ui {

void TFormMain::SaveFile() {
    if (Busy()) return;
    const SaveRequest request = TabSheetRE->StartSave();
    host_.ShowWorking(true);
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

    TabSheetRE->FinishSave(outcome, request.outputPath);
    host_.ShowWorking(false);
    host_.SetStatus(outcome == SaveOutcome::Stopped || host_.StopFlag() ? "a b o r t e d" : "r e a d y");
    ShowOpenStatus();
    if (needsScan && PageControl1->currentWidget() == TabSheetCH) TabSheetCHShow();
    // A refused save keeps the document: the timeline window works on it.
    if (allowed && doc_.saveMode == SaveMode::Build) Reopen(FromCore(request.outputPath));
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
