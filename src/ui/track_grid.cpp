// Track grids: filling one from a track table, drawing its cells, fitting the
// description column.
#include "ui/track_grid.h"

#include <QFrame>
#include <QHeaderView>
#include <QPainter>
#include <QTableWidget>

#include "core/display_text.h"
#include "core/mkv_model.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

// Colours are kept as the 0x00BBGGRR values the grid was designed with.
QColor FromColorRef(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QColor Darkened(const QColor& colour) {
    return QColor(std::max(colour.red() - 0x10, 0), std::max(colour.green() - 0x10, 0), std::max(colour.blue() - 0x10, 0));
}

// Background of a data row by the first letter of its type.
uint32_t RowColorRef(const QString& typeText) {
    switch (typeText.isEmpty() ? 0 : typeText.at(0).toLower().unicode()) {
        case 'v': return 0xFFF0F0;  // light blue
        case 'a': return 0xF5FFF5;  // light green
        case 's': return 0xF0FFFF;  // light yellow
        default: return 0xFFFFFF;
    }
}

void ClearRow(QTableWidget& grid, int row) {
    for (int column = 0; column < grid.columnCount(); ++column) GridCell(grid, row, column)->setText(QString());
}

}  // namespace

TrackCellDelegate::TrackCellDelegate(TrackCellPainter draw, QObject* parent)
    : QStyledItemDelegate(parent), draw_(std::move(draw)) {}

void TrackCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    draw_(*painter, index.column(), index.row(), option.rect, option.state & QStyle::State_Selected);
    painter->restore();
}

QTableWidgetItem* GridCell(QTableWidget& grid, int row, int column) {
    QTableWidgetItem* item = grid.item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid.setItem(row, column, item);
    }
    return item;
}

void SetUpTrackGrid(QTableWidget& grid, TrackCellPainter draw) {
    grid.setColumnCount(5);
    grid.setRowCount(2);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setDefaultSectionSize(grid.fontMetrics().height() + 6);
    for (int column = 0; column < 5; ++column) grid.setColumnWidth(column, kTrackColumnWidths[column]);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setSelectionBehavior(QAbstractItemView::SelectItems);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.setItemDelegate(new TrackCellDelegate(std::move(draw), &grid));
    for (int row = 0; row < 2; ++row) ClearRow(grid, row);
}

void FillTrackGrid(QTableWidget& grid, const TrackTable& tracks, const QString& notSet) {
    grid.setRowCount(2);
    ClearRow(grid, 1);
    for (const Track& track : tracks) AddTrackGridRow(grid, track, notSet);
    grid.viewport()->update();
}

void AddTrackGridRow(QTableWidget& grid, const Track& track, const QString& notSet) {
    int row = 1;
    if (!(grid.rowCount() <= 2 && GridCell(grid, 1, 1)->text().isEmpty())) {
        row = grid.rowCount();
        grid.setRowCount(row + 1);
        ClearRow(grid, row);
    }
    GridCell(grid, row, 0)->setText(FromCore(track.selectMark));
    GridCell(grid, row, 1)->setText(FromCore(track.typeText));
    GridCell(grid, row, 2)->setText(FromCore(DisplayText(track.description)));
    // An added track's placeholder is no language: it says it is not set.
    GridCell(grid, row, 3)->setText(track.language == kPlaceholderLanguage ? notSet : FromCore(track.language));
    GridCell(grid, row, 4)->setText(FromCore(track.defaultMark));
}

void ShowSelectMarks(QTableWidget& grid, const TrackTable& tracks) {
    for (size_t i = 0; i < tracks.size() && static_cast<int>(i) + 1 < grid.rowCount(); ++i)
        GridCell(grid, static_cast<int>(i) + 1, 0)->setText(FromCore(tracks[i].selectMark));
    grid.viewport()->update();
}

void FitDescriptionColumn(QTableWidget& grid) {
    const int others = grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(3) + grid.columnWidth(4);
    grid.setColumnWidth(2, std::max(grid.viewport()->width() - others - 5, 60));
}

void DrawTrackCell(QPainter& painter, const QTableWidget& grid, const TrackTable& tracks, const TrackGlyphs& glyphs,
                   int column, int row, const QRect& rect, bool selected) {
    const QTableWidgetItem* item = grid.item(row, column);
    const QString text = item ? item->text() : QString();
    const QRect textRect = rect.adjusted(0, 2, 0, 0);
    const int left = Qt::AlignLeft | Qt::AlignTop, centred = Qt::AlignHCenter | Qt::AlignTop;
    // Data rows are drawn in light type colours of their own, under black
    // text; the title row takes the button face and its text colour from the
    // desktop's palette, so it stays readable under a dark theme too.
    painter.setPen(Qt::black);

    if (row == 0) {
        painter.fillRect(rect, grid.palette().color(QPalette::Button));
        painter.setPen(grid.palette().color(QPalette::ButtonText));
        const bool centre = column == 1 || column == 3 || column == 4;
        painter.drawText(centre ? textRect : textRect.adjusted(8, 0, 0, 0), centre ? centred : left, text);
        return;
    }

    const QTableWidgetItem* typeItem = grid.item(row, 1);
    QColor background = FromColorRef(RowColorRef(typeItem ? typeItem->text() : QString()));
    if (selected) background = Darkened(background);
    painter.fillRect(rect, background);
    if (column == 1 || column == 3) painter.drawText(textRect, centred, text);
    if (column == 2) painter.drawText(textRect.adjusted(8, 0, -2, 0), left, text);

    if (tracks.empty() || row - 1 >= static_cast<int>(tracks.size())) return;
    const Track& track = tracks[row - 1];
    if (column == 0 && track.selectMark == "y")
        painter.drawPixmap(rect.left() + 3, rect.top() + 2,
                           track.entryIndex == Track::kNotInSource ? glyphs.tickedAdded : glyphs.ticked);
    if (column == 4 && track.defaultMark == "y") painter.drawPixmap(rect.left() + 10, rect.top() + 2, glyphs.isDefault);
    if (column == 4 && track.defaultMark == "Y") painter.drawPixmap(rect.left() + 10, rect.top() + 2, glyphs.madeDefault);
}

}  // namespace quillon::ui
