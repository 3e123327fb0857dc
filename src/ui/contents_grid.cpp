// The contents tab's track grid: filling and drawing it from the document's
// tracks, fitting its columns, and what a press on it does: the check
// column, the select-all corner, and the press handed to the track editing.
#include <algorithm>

#include <QFrame>
#include <QTableWidget>

#include "ui/contents_tab.h"
#include "ui/save_panel.h"
#include "ui/track_grid.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"

namespace quillon::ui {

void ContentsTab::ShowTracks() {
    FillTrackGrid(*Tracks, doc_.tatra, Tr("не задан"));
    FitColumns();
}

void ContentsTab::TracksDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
    DrawTrackCell(painter, *Tracks, doc_.tatra, {ImageRG, ImagePL, ImageBD, ImageRD}, column, row, rect, selected);
}

void ContentsTab::FitColumns() {
    FitDescriptionColumn(*Tracks);
    PanelSE->setGeometry(Tracks->visualRect(Tracks->model()->index(0, 0)));
}

void ContentsTab::TracksMouseDown(int row, int column, Qt::MouseButton button) {
    PanelSAVE->UncheckOutputSwitches();
    trackEdit_->BeforeGridPress();
    if (doc_.tatra.empty()) return;
    if (row == 0) return trackEdit_->GridPress(row, column, button);
    if (row < 1 || row > static_cast<int>(doc_.tatra.size())) return;
    Tracks->setCurrentCell(row, column);
    trackEdit_->GridPress(row, column, button);
    if (column == 0 && button == Qt::LeftButton) {
        Track& track = doc_.tatra[row - 1];
        track.selectMark = track.selectMark == "y" ? "" : "y";
        GridCell(*Tracks, row, 0)->setText(FromCore(track.selectMark));
        Tracks->viewport()->update();
        PanelSAVE->EnableAviByTracks();
    }
}

void ContentsTab::PanelSEClick() {
    const bool anySelected =
        std::any_of(doc_.tatra.begin(), doc_.tatra.end(), [](const Track& track) { return track.selectMark == "y"; });
    for (Track& track : doc_.tatra) track.selectMark = anySelected ? "" : "y";
    ShowSelectMarks(*Tracks, doc_.tatra);
    PanelSAVE->UncheckOutputSwitches();
    PanelSAVE->EnableAviByTracks();
}

}  // namespace quillon::ui
