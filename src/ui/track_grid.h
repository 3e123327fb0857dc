// A track grid: five columns (check, type, description, language, default),
// row 0 the title row, data row r showing track r - 1 of a track table. The
// main window's `Tracks` and the import window's `Tracks` are both such grids;
// they share the filling and the drawing here, each with its own table and glyphs.
#pragma once

#include <functional>

#include <QStyledItemDelegate>

#include "core/track.h"

class QPixmap;
class QTableWidget;
class QTableWidgetItem;

namespace quillon::ui {

// Draws one cell: painter, column, row, cell rectangle, selected.
using TrackCellPainter = std::function<void(QPainter&, int, int, const QRect&, bool)>;

class TrackCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TrackCellDelegate(TrackCellPainter draw, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TrackCellPainter draw_;
};

// The pictures a grid draws from: a ticked track of the file, a ticked track
// that was added, the file's default mark, a default set by an edit.
struct TrackGlyphs {
    const QPixmap& ticked;
    const QPixmap& tickedAdded;
    const QPixmap& isDefault;
    const QPixmap& madeDefault;
};

// Columns, widths, row height and the drawing delegate of a fresh grid.
// The cell of a string-grid-shaped table (row 0 the captions), made when missing;
// not editable.
QTableWidgetItem* GridCell(QTableWidget& grid, int row, int column);

void SetUpTrackGrid(QTableWidget& grid, TrackCellPainter draw);

// Two rows (title and one empty data row), then one row per track. An added
// track whose language is not set yet shows `notSet` in the language column.
void FillTrackGrid(QTableWidget& grid, const TrackTable& tracks, const QString& notSet);
// Writes one track into the grid: into the empty first data row, else appended.
void AddTrackGridRow(QTableWidget& grid, const Track& track, const QString& notSet);
// Rewrites the check column from the tracks' select marks.
void ShowSelectMarks(QTableWidget& grid, const TrackTable& tracks);
// The description column takes the width the other four leave.
void FitDescriptionColumn(QTableWidget& grid);

// One cell as every track grid looks: the title row on the button face, data
// rows coloured by type, the glyphs of the row's track.
void DrawTrackCell(QPainter& painter, const QTableWidget& grid, const TrackTable& tracks, const TrackGlyphs& glyphs,
                   int column, int row, const QRect& rect, bool selected);

// Initial column widths, in pixels.
inline constexpr int kTrackColumnWidths[5] = {18, 83, 272, 34, 33};

}  // namespace quillon::ui
