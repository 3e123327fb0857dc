// The road into a file: choosing it, reading it as the current tab asks (a
// header read on the contents tab, a container check on the container tab),
// and showing the result: tree, grid, read-state picture.
#include <climits>
#include <filesystem>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "core/open_failure.h"
#include "reader/open_file.h"
#include "ui/attachments_tab.h"
#include "ui/blink_control.h"
#include "ui/codecs_tab.h"
#include "ui/container_tab.h"
#include "ui/contents_tab.h"
#include "ui/form_main.h"
#include "ui/form_me.h"
#include "ui/form_tl.h"
#include "ui/form_yes_no.h"
#include "ui/settings_tab.h"
#include "ui/structure_model.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

constexpr uint64_t kBigFile = 1000000000;

const QStringList& OpenFilters() {
    static const QStringList filters = {"*.* (*)", "*.mkv (*.mkv)", "*.mka (*.mka)", "*.mks (*.mks)"};
    return filters;
}

}  // namespace

bool TFormMain::AskWithCaptions(const QString& text, const QString& yes, const QString& no) {
    return formYesNo_ && formYesNo_->AskWithCaptions(text, yes, no, this, 'y');
}

void TFormMain::Inform(const QString& text) {
    if (formME_) formME_->Inform(text, this);
}

void TFormMain::ImageFIClick() {
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(OpenFilters());
    if (openDialogFilterIndex >= 1 && openDialogFilterIndex <= OpenFilters().size())
        dialog.selectNameFilter(OpenFilters()[openDialogFilterIndex - 1]);
    dialog.setDirectory(openDialogDir.isEmpty() ? QCoreApplication::applicationDirPath() : openDialogDir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString chosen = dialog.selectedFiles().first();
    openDialogDir = QFileInfo(chosen).absolutePath();
    openDialogFilterIndex = static_cast<int>(OpenFilters().indexOf(dialog.selectedNameFilter())) + 1;
    OpenChosenFile(chosen);
}

void TFormMain::OpenChosenFile(const QString& path) {
    EditIN->setText(QDir::toNativeSeparators(path));
    if (TabSheetCFG->SwitchesToContents()) PageControl1->setCurrentWidget(TabSheetRE);
    bigFileWarningPending = true;
    if (TabSheetCFG->OpensAtOnce()) {
        PleaseWait();
        BitBtnHDRClick();
        StopWait();
    }
}

void TFormMain::BitBtnHDRClick() { OpenEditIN(true); }

void TFormMain::OpenEditIN(bool clearLog) {
    if (Busy()) return;
    QWidget* page = PageControl1->currentWidget();
    if (page == TabSheetATT || page == TabSheetCDK || page == TabSheetCFG) PageControl1->setCurrentWidget(TabSheetRE);
    host_.Pump(true);
    if (clearLog) host_.ClearLog();
    TabSheetRE->LeaveOutputMode();
    if (formTL_) formTL_->hide();  // it shows the document this open replaces

    const char* placeholder = "сюда надо положить имя файла";
    const QString name = EditIN->text();
    if (name.isEmpty()) {
        EditIN->setText(Tr(placeholder));
        return;
    }
    if (name == QString::fromUtf8(placeholder) || name == FromCore(quillon::Tr(placeholder, Lang::Eng))) {
        BlinkControl(EditIN);
        return;
    }

    host_.ShowWorking(true);
    LabelBSE->setText(QStringLiteral("..."));
    host_.Pump(true);
    doc_.sourcePath = ToCore(name);
    TabSheetCH->ClearTree();  // the list is about to be refilled under it

    std::error_code error;
    const uint64_t size = std::filesystem::file_size(std::filesystem::path(doc_.sourcePath), error);
    if (!error && TabSheetCFG->WarnsOfBigFiles() && size > kBigFile) {
        if (bigFileWarningPending) {
            const QString text = Tr("Внимание!  Размер файла равен ") + GbText(size) + Tr("Gb.\r\nДумать буду долго.");
            if (!AskWithCaptions(text, Tr(" я знаю "), Tr("не приставай"))) TabSheetCFG->StopBigFileWarnings();
        }
        bigFileWarningPending = false;
    }

    TabSheetCFG->ResetPacking();
    SetBusy(true);
    bool opened = true;
    if (PageControl1->currentWidget() == TabSheetCH)
        opened = ReadStructAndShowTree();
    else if (PageControl1->currentWidget() == TabSheetRE)
        opened = ReadHeaderAndShow();
    SetBusy(false);

    if (opened) {
        TabSheetRE->FileOpened();
    } else {
        Inform(FromCore(OpenFailureText(doc_.sourcePath, host_)));
    }
    host_.ShowWorking(false);
    ShowOpenStatus();
    host_.SetStatus("r e a d y");
}

bool TFormMain::ReadStructAndShowTree() {
    doc_.readState = ReadState::Nothing;
    CheckFC->setEnabled(false);
    TabSheetCH->ClearTree();
    host_.SetStatus("p a r s i n g");
    const bool full = CheckFC->isChecked();
    const OpenOutcome outcome = CheckContainer(doc_, host_, full);
    CheckFC->setEnabled(true);
    if (!outcome.opened) return false;
    if (outcome.scan == ScanResult::Stopped) {
        // The core emptied the list and logged the cancel.
        TabSheetRE->ShowTracks();
        host_.SetStatus("r e a d y");
        return true;
    }
    host_.SetStatus("u p d a t i n g");
    lista2TV4();
    TabSheetRE->ShowTracks();
    AfterScanControls();
    FinishContainerCheck(doc_, host_, full);
    // The writer's model is built by the first save or track panel that needs
    // it (or by the timeline check here); after a full check that takes no
    // new pass over the file.
    if (full) TimelineCheckAfterOpen();
    return true;
}

bool TFormMain::ReadHeaderAndShow() {
    const OpenOutcome outcome = ReadHeader(doc_, host_);
    if (!outcome.opened) return false;
    if (outcome.scan == ScanResult::NoSignature || outcome.scan == ScanResult::NoSegment) {
        TabSheetRE->ShowTracks();
        PageControl1->setCurrentWidget(TabSheetCH);
        return true;
    }
    lista2TV4();
    TabSheetRE->ShowTracks();
    TabSheetRE->EnableAviByTracks();
    LabelBSE->setText(FromCore(doc_.blockTypeText));
    TabSheetRE->FitColumns();
    return true;
}

void TFormMain::AfterScanControls() {
    // Video with forward references cannot be packed as SimpleBlocks.
    TabSheetCFG->AllowSimpleBlocks(doc_.simpleBlockAllowed);
    LabelBSE->setText(FromCore(doc_.blockTypeText));
    TabSheetRE->EnableAviByTracks();
}

void TFormMain::lista2TV4() {
    const bool full = CheckFC->isChecked();
    GaugeX->setRange(0, static_cast<int>(std::min<size_t>(doc_.lista.size(), INT_MAX)));
    GaugeX->setValue(0);
    GaugeX->show();
    if (full) host_.AddLog("• загрузка данных");
    TabSheetCH->FillTree([this](size_t done) {
        GaugeX->setValue(static_cast<int>(std::min<size_t>(done, INT_MAX)));
        host_.Pump();
    });
    if (full) host_.AddLog("• индексирование");
    GaugeX->hide();
}

void TFormMain::ShowOpenStatus() {
    switch (doc_.readState) {
        case ReadState::FullTree: ImageRE->setPixmap(Image111); break;
        case ReadState::FullNoTree: ImageRE->setPixmap(Image110); break;
        case ReadState::QuickTree:
        case ReadState::Header: ImageRE->setPixmap(Image100); break;
        default: ImageRE->setPixmap(Image000); break;
    }
}

void TFormMain::TabSheetREShow() {
    BitBtnHDR->setText(Tr("открыть и прочитать заголовок"));
    CheckFC->setChecked(false);
    CheckFC->setEnabled(false);
    TabSheetRE->TabSheetREShow();
}

void TFormMain::TabSheetCHShow() {
    BitBtnHDR->setText(Tr("открыть и проверить контейнер"));
    CheckFC->setEnabled(true);
    if (doc_.readState == ReadState::FullNoTree) {
        // A save scanned the whole file already; only the tree is missing.
        CheckFC->setChecked(true);
        host_.SetStatus("p l e a s e  w a i t  . . .");
        TabSheetCH->ClearTree();
        lista2TV4();
        doc_.readState = ReadState::FullTree;
        host_.AddLog("• данные загружены");
        host_.SetStatus("r e a d y");
    }
    ShowOpenStatus();
}

}  // namespace quillon::ui
