// What a press or a key on the track grid does, by cell and button; the
// cells' tips; track order; the quick default flag; dragging the floating panels.
#include <QAction>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTableWidget>
#include <QToolTip>

#include "edit/quick_edits.h"
#include "edit/staged_edits.h"
#include "ui/contents_tab.h"
#include "ui/save_panel.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"

namespace quillon::ui {

void TrackEditing::BeforeGridPress() {
    PanelLA->hide();
    for (QAction* action : {MIup, MIdown, MIpara}) action->setEnabled(true);
}

void TrackEditing::GridPress(int row, int column, Qt::MouseButton button) {
    const QPoint globalPos = pressGlobal_;
    Document& doc = tab_.doc_;
    if (doc.tatra.empty()) return;
    if (row == 0) {
        if (button != Qt::RightButton) return;
        for (QAction* action : {MIup, MIdown, MIpara}) action->setEnabled(false);
        PopupTR->popup(globalPos);
        return;
    }
    if (row < 1 || row > static_cast<int>(doc.tatra.size())) return;
    const bool staged = tab_.PanelSAVE->NewFileNeeded();
    if ((column == 1 || column == 2) && button == Qt::RightButton) PopupTR->popup(globalPos);
    // Any track of the file: what its elements cannot hold, the header editor writes.
    if (column == 3 && button == Qt::RightButton && !staged && doc.tatra[row - 1].entryIndex != Track::kNotInSource)
        OpenLanguagePanel(row);
    if (column == 4 && button == Qt::RightButton) PopupDEF->popup(globalPos);
    if (column == 4 && button == Qt::LeftButton && !staged) QuickDefaultSwitch(row);
}

void TrackEditing::QuickDefaultSwitch(int gridRow) {
    Document& doc = tab_.doc_;
    FollowQuickEdit(QuickSetDefault(doc, tab_.host_, gridRow - 1), gridRow, 4);
}

void TrackEditing::MIdefClick() {
    const int track = CurrentTrack();
    if (track < 0) return;
    const int column = tab_.Tracks->currentColumn();
    FollowQuickEdit(QuickDropDefault(tab_.doc_, tab_.host_, track), track + 1, std::max(column, 0));
}

void TrackEditing::FollowQuickEdit(PatchResult result, int gridRow, int column) {
    if (result == PatchResult::Rewritten) ReadFileAgain();
    else if (result == PatchResult::Written) tab_.ShowTracks();
    else return;
    tab_.Tracks->setCurrentCell(gridRow, column);
    RefreshTreeRows();
}

void TrackEditing::ReadFileAgain() {
    // The master moved or grew: the element list is read afresh, as the header read makes it.
    emit tab_.fileReadAgainRequested();
}

void TrackEditing::MIupClick() {
    const int track = CurrentTrack();
    const int column = std::max(tab_.Tracks->currentColumn(), 0);
    if (track < 0 || !MoveTrackUp(tab_.doc_, track)) return;
    tab_.ShowTracks();
    tab_.Tracks->setCurrentCell(track, column);  // grid row of the moved track: track + 1 - 1
    ShowStaged();
}

void TrackEditing::MIdownClick() {
    const int track = CurrentTrack();
    const int column = std::max(tab_.Tracks->currentColumn(), 0);
    if (track < 0 || !MoveTrackDown(tab_.doc_, track)) return;
    tab_.ShowTracks();
    tab_.Tracks->setCurrentCell(track + 2, column);
    ShowStaged();
}

bool TrackEditing::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress && watched == tab_.Tracks->viewport())
        pressGlobal_ = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();  // TracksMouseDown follows
    if (type == QEvent::ToolTip && watched == tab_.Tracks->viewport()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex cell = tab_.Tracks->indexAt(help->pos());
        const QString tip = cell.isValid() ? CellTip(cell.row(), cell.column()) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, tab_.Tracks->viewport(), tab_.Tracks->visualRect(cell));
        return true;
    }
    if (type == QEvent::MouseButtonDblClick && watched == tab_.Tracks->viewport()) {
        // TracksDblClick: the track under the pointer, then the track panel.
        const QModelIndex cell = tab_.Tracks->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (cell.isValid() && cell.row() >= 1) tab_.Tracks->setCurrentCell(cell.row(), cell.column());
        MIparaClick();
        return true;
    }
    if (type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == tab_.Tracks && (key->modifiers() & Qt::ControlModifier)) {
            if (key->key() == Qt::Key_Up) return MIupClick(), true;
            if (key->key() == Qt::Key_Down) return MIdownClick(), true;
        }
        if (watched == EditLA && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) return ImageLSClick(), true;
        if (watched == EditTTS || watched == EditTT || watched == EditTD)
            return EditTTSKeyPress(static_cast<QLineEdit*>(watched), key);
    }
    // The title strips move their panels.
    QWidget* panel = watched == PanelTRTitle ? PanelTR : watched == PanelLATitle ? PanelLA : nullptr;
    if (panel && (type == QEvent::MouseButtonPress || type == QEvent::MouseMove)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint inParent = panel->parentWidget()->mapFromGlobal(mouse->globalPosition().toPoint());
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) dragOffset_ = inParent - panel->pos();
        if (type == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton)) panel->move(inParent - dragOffset_);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillon::ui
