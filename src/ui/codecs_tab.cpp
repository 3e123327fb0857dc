#include "ui/codecs_tab.h"

// Both grids keep the string grid's shape: row 0 holds the captions, column 0
// is a narrow fixed column.

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "ui/track_grid.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {
namespace {

// Data cells: black text 4 pixels from the left and 2 from the top, on white
// or on the grid's selection colour.
class CodecCellDelegate : public QStyledItemDelegate {
public:
    CodecCellDelegate(QColor selected, QObject* parent) : QStyledItemDelegate(parent), selected_(selected) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.row() < 1 || index.column() < 1) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const bool isSelected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, isSelected ? selected_ : QColor(Qt::white));
        painter->setPen(Qt::black);
        const QRect text = option.rect.adjusted(4, 2, 0, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    }

private:
    QColor selected_;
};

void SetUpCodecGrid(QTableWidget& grid, int columns, QColor selected) {
    grid.setColumnCount(columns);
    grid.setRowCount(2);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setDefaultSectionSize(grid.fontMetrics().height() + 6);
    grid.setColumnWidth(0, 12);
    grid.horizontalHeader()->setStretchLastSection(true);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setSelectionBehavior(QAbstractItemView::SelectRows);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setItemDelegate(new CodecCellDelegate(selected, &grid));
}

void SetCell(QTableWidget& grid, int row, int column, const QString& text) { GridCell(grid, row, column)->setText(text); }

// Row 0 (captions) and one empty data row.
void ResetGrid(QTableWidget& grid) {
    grid.setRowCount(2);
    for (int column = 0; column < grid.columnCount(); ++column) SetCell(grid, 1, column, QString());
}

}  // namespace

CodecsTab::CodecsTab(Host& host, QWidget* parent) : QWidget(parent), host_(host) {
    setObjectName("TabSheetCDK");
    // Selection colours: 0xFFE0E0 and 0xE0FFE0, blue first, as the window gives them.
    StringCDK = Make<QTableWidget>(this, "StringCDK");
    SetUpCodecGrid(*StringCDK, 2, QColor(0xE0, 0xE0, 0xFF));
    StringTAG = Make<QTableWidget>(this, "StringTAG");
    SetUpCodecGrid(*StringTAG, 3, QColor(0xE0, 0xFF, 0xE0));
    StringTAG->setColumnWidth(1, 80);
    ResetGrid(*StringCDK);
    ResetGrid(*StringTAG);
    // Each grid takes half the tab's width, 2 pixels apart, and its full height.
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(StringCDK, 1);
    layout->addWidget(StringTAG, 1);
    connect(StringCDK, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 1) StringCDKClick();
    });
}

void CodecsTab::ApplyLanguage() {
    if (QTableWidgetItem* cell = StringCDK->item(0, 1)) cell->setText(FromCore(host_.Tr("драйвер")));
}

void CodecsTab::TabSheetCDKShow() {
    SetCell(*StringCDK, 0, 1, FromCore(host_.Tr("драйвер")));
    SetCell(*StringTAG, 0, 1, QStringLiteral("tag"));
    SetCell(*StringTAG, 0, 2, QStringLiteral("tagName"));
    ResetGrid(*StringCDK);
    ResetGrid(*StringTAG);
    acmEnum(drivers_);
    if (drivers_.empty()) return;
    StringCDK->setRowCount(int(drivers_.size()) + 1);
    for (size_t i = 0; i < drivers_.size(); ++i) {
        SetCell(*StringCDK, int(i) + 1, 0, QString());
        SetCell(*StringCDK, int(i) + 1, 1, FromCore(drivers_[i].shortName));
    }
    const QSignalBlocker quiet(StringCDK);
    StringCDK->setCurrentCell(1, 1);
    StringCDKClick();
}

void CodecsTab::StringCDKClick() {
    const int row = StringCDK->currentRow();
    ResetGrid(*StringTAG);
    if (row < 1 || size_t(row) > drivers_.size()) return;
    const std::vector<tftag>& tags = drivers_[size_t(row) - 1].tags;
    if (tags.empty()) return;
    StringTAG->setRowCount(int(tags.size()) + 1);
    for (size_t i = 0; i < tags.size(); ++i) {
        SetCell(*StringTAG, int(i) + 1, 0, QString());
        SetCell(*StringTAG, int(i) + 1, 1, FromCore(TagHexText(tags[i].tag)));
        SetCell(*StringTAG, int(i) + 1, 2, FromCore(tags[i].name));
    }
}

}  // namespace quillon::ui
