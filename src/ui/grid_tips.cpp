// The tips of the grid's language and default cells: what a click there does
// to the open file, or that the change waits for the track panel and the
// next saved file. Built when the pointer rests, so they follow the
// interface language and the staged state without being refreshed.
#include <QLabel>
#include <QStringList>
#include <QTableWidget>

#include "edit/quick_edits.h"
#include "ui/contents_tab.h"
#include "ui/save_panel.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"

namespace quillon::ui {

QString TrackEditing::CellTip(int row, int column) const {
    const Document& doc = tab_.doc_;
    if (row < 1 || row > static_cast<int>(doc.tatra.size())) return {};
    const size_t track = static_cast<size_t>(row - 1);
    // The same conditions as GridPress: quick edits are off while track edits are staged.
    const bool staged = tab_.PanelSAVE->NewFileNeeded();
    QStringList lines;
    if (column == 3) {
        const bool quick = !staged && doc.tatra[track].entryIndex != Track::kNotInSource;
        lines << tab_.Tr(quick ? "правый щелчок: новый код языка, сразу в этом файле"
                                : "язык меняется в панели трека (двойной щелчок) и попадёт в новый файл");
    }
    if (column == 4) {
        const bool inFile = doc.tatra[track].entryIndex != Track::kNotInSource;
        const bool marked = doc.tatra[track].defaultMark == "y";
        if (!staged && inFile && !marked) lines << tab_.Tr("щелчок: сделать трек основным своего типа, сразу в этом файле");
        if (inFile && marked) lines << tab_.Tr("правый щелчок: снять флаг, сразу в этом файле");
        if (staged || !inFile) lines << tab_.Tr("флаг меняется в панели трека (двойной щелчок) и попадёт в новый файл");
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace quillon::ui
