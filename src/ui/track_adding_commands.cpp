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
#include "ui/contents_tab.h"
#include "ui/save_panel.h"
#include "ui/form_mtl.h"
#include "ui/settings_tab.h"
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
    QFileDialog dialog(tab_.window());
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
    Document& doc = tab_.doc_;
    // After a header read the scan refills the list under the tree, which is
    // built again when the container tab is shown.
    if (doc.readState != ReadState::FullTree && doc.readState != ReadState::FullNoTree) emit tab_.elementListOutdated();
    tab_.host_.SetBusy(true);
    tab_.host_.ClearStop();
    const bool prepared = prepare2export(doc, tab_.host_);
    tab_.host_.SetBusy(false);
    emit tab_.readStateChanged();
    return prepared;
}

void TrackEditing::MIimportClick() {
    const QString path = ChooseFileToAdd(ImportFilters());
    if (!path.isEmpty()) MIimportClickWith(path);
}

void TrackEditing::MIimportClickWith(const QString& path) {
    if (tab_.host_.Busy() || !PrepareToAdd()) return;
    Document& doc = tab_.doc_;
    GuiHost& host = tab_.host_;
    host.SetStatus("p l e a s e   w a i t");
    emit tab_.longStepStarted();
    tab_.PanelSAVE->UncheckOutputSwitches();
    tab_.host_.ShowWorking(true);
    host.Pump(true);

    tab_.host_.SetBusy(true);
    host.ClearStop();
    const bool added = Merge2TrackList(doc, ToCore(path), host, [this](TrackTable& tracks) {
        return importWindow_ && importWindow_->Choose(tracks, tab_.window(), tab_.host_.language());
    });
    tab_.host_.SetBusy(false);
    emit tab_.longStepFinished();
    tab_.host_.ShowWorking(false);
    // Also after a refused file or a closed window, which leave the wait text.
    host.SetStatus("r e a d y");
    if (!added) return;
    tab_.ShowTracks();
    tab_.PanelSAVE->EnableAviByTracks();
    ShowStaged();
}

void TrackEditing::MIaudClick() {
    const QString path = ChooseFileToAdd(Mp3Filters());
    if (!path.isEmpty()) MIaudClickWith(path);
}

void TrackEditing::MIaudClickWith(const QString& path) {
    if (tab_.host_.Busy()) return;
    GuiHost& host = tab_.host_;
    host.SetStatus("p l e a s e   w a i t");
    if (!PrepareToAdd()) return;
    emit tab_.longStepStarted();
    Document& doc = tab_.doc_;
    const std::string file = ToCore(path);
    if (LowerExtension(file) == ".mp3") host.SetStatus("p a r s i n g   MP3   f i l e");
    const QString progressText = tab_.host_.StatusShown();

    const size_t before = doc.tatra.size();
    tab_.host_.SetBusy(true);
    const bool added = AddMp3File(doc, file, host) && doc.tatra.size() > before;
    tab_.host_.SetBusy(false);
    emit tab_.longStepFinished();
    if (!added) {
        // A failure told in a message window only would leave the progress
        // text standing; one told in the status line keeps its text there.
        if (tab_.host_.StatusShown() == progressText) host.SetStatus("r e a d y");
        return;
    }
    tab_.ShowTracks();
    tab_.PanelSAVE->EnableAviByTracks();
    ShowStaged();
    host.SetStatus("r e a d y");
}

void TrackEditing::MIsubClick() {
    const QString path = ChooseFileToAdd(SubtitleFilters());
    if (!path.isEmpty()) MIsubClickWith(path);
}

void TrackEditing::MIsubClickWith(const QString& path) {
    if (tab_.host_.Busy() || !PrepareToAdd()) return;
    Document& doc = tab_.doc_;
    emit tab_.longStepStarted();
    const size_t before = doc.tatra.size();
    tab_.host_.SetBusy(true);
    const bool added = AddSubtitleFile(doc, ToCore(path), tab_.host_) && doc.tatra.size() > before;
    tab_.host_.SetBusy(false);
    emit tab_.longStepFinished();
    if (!added) return;
    tab_.ShowTracks();
    tab_.PanelSAVE->EnableAviByTracks();
    ShowStaged();

    // The new track is the grid's last row: the panel opens on it for a language.
    tab_.Tracks->setCurrentCell(tab_.Tracks->rowCount() - 1, 2);
    MIparaClick();
    const SubtitleDefaults defaults = tab_.settings_.subtitleDefaults();
    if (!defaults.apply || PanelTR->isHidden()) return;
    // The settings fill the panel and accept it; without a language there the
    // placeholder stays, the accept refuses it and the panel waits for one.
    if (!defaults.language.isEmpty()) EditTLA->setText(defaults.language);
    CheckTDE->setChecked(defaults.makeDefault);
    EditTNA->clear();
    ImageTNSAClick();
}

}  // namespace quillon::ui
