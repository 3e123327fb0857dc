// The track menu's adding commands: tracks imported from another Matroska
// file (chosen in the import window), an MP3 file as an audio track, and
// SRT/ASS/SSA files as subtitle tracks. Each needs the whole open file
// scanned and its model built; the core does the adding and tells its
// failures through the host, after which the window changes nothing.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "edit/mp3_addition.h"
#include "edit/subtitle_addition.h"
#include "edit/track_adding.h"
#include "edit/track_import.h"
#include "save/save_command.h"
#include "ui/form_main.h"
#include "ui/save_panel.h"
#include "ui/form_mtl.h"
#include "ui/settings_tab.h"
#include "ui/structure_model.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

// Every filter list starts with all files; the second entry is the one offered.
const QStringList& ImportFilters() {
    static const QStringList filters = {"*.* (*)", "*.mkv, *.mka, *.mks (*.mkv *.mka *.mks)"};
    return filters;
}

const QStringList& Mp3Filters() {
    static const QStringList filters = {"*.* (*)", "*.mp3 (*.mp3)"};
    return filters;
}

const QStringList& SubtitleFilters() {
    static const QStringList filters = {"*.* (*)", "*.srt, *.ssa, *.ass (*.srt *.ssa *.ass)"};
    return filters;
}

}  // namespace

QString TrackEditing::ChooseFileToAdd(const QStringList& filters) {
    QFileDialog dialog(&form_);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(1));
    // One dialog for the three commands: the program's folder until a file was chosen.
    dialog.setDirectory(addDialogDir.isEmpty() ? QCoreApplication::applicationDirPath() : addDialogDir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString chosen = dialog.selectedFiles().first();
    addDialogDir = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool TrackEditing::PrepareToAdd() {
    Document& doc = form_.document();
    // After a header read the scan refills the list under the tree, which is
    // built again when the container tab is shown.
    if (doc.readState != ReadState::FullTree && doc.readState != ReadState::FullNoTree) form_.structureModel()->Clear();
    form_.SetBusy(true);
    form_.host().ClearStop();
    const bool prepared = prepare2export(doc, form_.host());
    form_.SetBusy(false);
    form_.ShowOpenStatus();
    return prepared;
}

void TrackEditing::MIimportClick() {
    const QString path = ChooseFileToAdd(ImportFilters());
    if (!path.isEmpty()) MIimportClickWith(path);
}

void TrackEditing::MIimportClickWith(const QString& path) {
    if (form_.Busy() || !PrepareToAdd()) return;
    Document& doc = form_.document();
    GuiHost& host = form_.host();
    host.SetStatus("p l e a s e   w a i t");
    form_.PleaseWait();
    form_.PanelSAVE->UncheckOutputSwitches();
    form_.ImageWO->show();
    host.Pump(true);

    form_.SetBusy(true);
    host.ClearStop();
    const bool added = Merge2TrackList(doc, ToCore(path), host, [this](TrackTable& tracks) {
        return importWindow_ && importWindow_->Choose(tracks, &form_, form_.language());
    });
    form_.SetBusy(false);
    form_.StopWait();
    form_.ImageWO->hide();
    // Also after a refused file or a closed window, which leave the wait text.
    host.SetStatus("r e a d y");
    if (!added) return;
    form_.TrackList2Screen();
    form_.PanelSAVE->EnableAviByTracks();
    ShowStaged();
}

void TrackEditing::MIaudClick() {
    const QString path = ChooseFileToAdd(Mp3Filters());
    if (!path.isEmpty()) MIaudClickWith(path);
}

void TrackEditing::MIaudClickWith(const QString& path) {
    if (form_.Busy()) return;
    GuiHost& host = form_.host();
    host.SetStatus("p l e a s e   w a i t");
    if (!PrepareToAdd()) return;
    form_.PleaseWait();
    Document& doc = form_.document();
    const std::string file = ToCore(path);
    if (LowerExtension(file) == ".mp3") host.SetStatus("p a r s i n g   MP3   f i l e");
    const QString progressText = form_.LabelST->text();

    const size_t before = doc.tatra.size();
    form_.SetBusy(true);
    const bool added = AddMp3File(doc, file, host) && doc.tatra.size() > before;
    form_.SetBusy(false);
    form_.StopWait();
    if (!added) {
        // A failure told in a message window only would leave the progress
        // text standing; one told in the status line keeps its text there.
        if (form_.LabelST->text() == progressText) host.SetStatus("r e a d y");
        return;
    }
    form_.TrackList2Screen();
    form_.PanelSAVE->EnableAviByTracks();
    ShowStaged();
    host.SetStatus("r e a d y");
}

void TrackEditing::MIsubClick() {
    const QString path = ChooseFileToAdd(SubtitleFilters());
    if (!path.isEmpty()) MIsubClickWith(path);
}

void TrackEditing::MIsubClickWith(const QString& path) {
    if (form_.Busy() || !PrepareToAdd()) return;
    Document& doc = form_.document();
    form_.PleaseWait();
    const size_t before = doc.tatra.size();
    form_.SetBusy(true);
    const bool added = AddSubtitleFile(doc, ToCore(path), form_.host()) && doc.tatra.size() > before;
    form_.SetBusy(false);
    form_.StopWait();
    if (!added) return;
    form_.TrackList2Screen();
    form_.PanelSAVE->EnableAviByTracks();
    ShowStaged();

    // The new track is the grid's last row: the panel opens on it for a language.
    form_.Tracks->setCurrentCell(form_.Tracks->rowCount() - 1, 2);
    MIparaClick();
    const SubtitleDefaults defaults = form_.TabSheetCFG->subtitleDefaults();
    if (!defaults.apply || PanelTR->isHidden()) return;
    // The settings fill the panel and accept it; without a language there the
    // placeholder stays, the accept refuses it and the panel waits for one.
    if (!defaults.language.isEmpty()) EditTLA->setText(defaults.language);
    CheckTDE->setChecked(defaults.makeDefault);
    EditTNA->clear();
    ImageTNSAClick();
}

}  // namespace quillon::ui
