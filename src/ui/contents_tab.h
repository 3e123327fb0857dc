// The contents tab as a widget of its own: the track grid (Tracks) with its
// select-all corner (PanelSE), the track editing over it (the track panel,
// the quick language panel, the grid's pop-ups and the commands that add
// tracks; track_panel.h) and the save panel under it (save_panel.h). It owns
// these controls and works on the document's track table. The main window
// shows it, tells it when a file was opened, and hears what only the window
// can do: read the file again, run a save, show its wait panel, keep the
// structure tree and the read-state lamp in step with a scan or an edit.
#pragma once

#include <string>

#include <QPixmap>
#include <QWidget>

#include "core/document.h"
#include "core/save_outcome.h"
#include "save/save_request.h"
#include "ui/gui_host.h"

class QFrame;
class QPainter;
class QTableWidget;

namespace quillon::ui {

class ClickableImage;
class SavePanel;
class SettingsTab;
class TFormMTL;
class TrackEditing;

class ContentsTab : public QWidget {
    Q_OBJECT
public:
    // The settings tab says how a remux packs and what an added subtitle track gets.
    ContentsTab(Document& doc, GuiHost& host, const SettingsTab& settings, QWidget* parent);

    // The window where the tracks of a file to import from are ticked.
    void SetImportWindow(TFormMTL* window);

    // The title row in the interface's language, then the tracks.
    void TabSheetREShow();
    // The grid from the document's tracks.
    void ShowTracks();
    // The description column takes the width the other four leave.
    void FitColumns();
    // The title row and the tooltips in the interface's language.
    void ApplyLanguage();

    // A file is about to be read: export and convert go off.
    void LeaveOutputMode();
    // A file was read: its output name is proposed, nothing waits for a new
    // file, the floating panels close.
    void FileOpened();
    // Convert is offered for one video and at most one audio track.
    void EnableAviByTracks();
    // An edit elsewhere (attachments, the timeline repair) needs a new file.
    void ShowNewFileNeeded();

    // The save as the window runs it: the panel's request (its name box
    // closes meanwhile), then the outcome; Ctrl+S asks as the save picture does.
    SaveRequest StartSave();
    void FinishSave(SaveOutcome outcome, const std::string& outputPath);
    void SaveByKey();

signals:
    // The save picture was clicked.
    void saveRequested();
    // A quick edit rewrote the Tracks master: the element list is read afresh.
    void fileReadAgainRequested();
    // A scan is about to refill the element list under the structure tree.
    void elementListOutdated();
    // A scan for the track panel or an add command changed what is read of the file.
    void readStateChanged();
    // A quick edit changed the value of one element of the list.
    void elementChanged(int element);
    // An add runs; the window shows its wait panel meanwhile.
    void longStepStarted();
    void longStepFinished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TrackEditing;

    void BuildGrid();
    void TracksDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected);
    // A press on the grid: the floating panels and the pop-ups by cell and
    // button; column 0 of a data row toggles the track's check mark.
    void TracksMouseDown(int row, int column, Qt::MouseButton button);
    // The corner of the title row: every track checked, or none when some are.
    void PanelSEClick();
    QString Tr(const char* rus) const;

    Document& doc_;
    GuiHost& host_;
    const SettingsTab& settings_;

    QTableWidget* Tracks;
    QFrame* PanelSE;
    ClickableImage* ImageTX;
    SavePanel* PanelSAVE;
    TrackEditing* trackEdit_;

    // The grid's glyphs: a checked track of the file, a checked added track,
    // the file's default mark, a default set by an edit.
    QPixmap ImageRG, ImagePL, ImageBD, ImageRD;
};

}  // namespace quillon::ui
