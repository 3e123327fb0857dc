// The track grid `Tracks`: five columns (check, type, description, language,
// default), row 0 the title row, data row r showing track r - 1. Every cell
// is drawn by TFormMain::TracksDrawCell through this delegate.
#pragma once

#include <QStyledItemDelegate>

class QTableWidget;

namespace quillon::ui {

class TFormMain;

class TrackCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TrackCellDelegate(TFormMain& form, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TFormMain& form_;
};

// Columns, widths, row height and the drawing delegate of a fresh grid.
void SetUpTrackGrid(QTableWidget& grid, TFormMain& form);

// Initial column widths, in pixels.
inline constexpr int kTrackColumnWidths[5] = {18, 83, 272, 34, 33};

}  // namespace quillon::ui
