#include "ui/structure_tree_view.h"

#include <algorithm>
#include <vector>

#include <QHeaderView>
#include <QScrollBar>

namespace quillon::ui {

StructureTreeView::StructureTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setUniformRowHeights(true);  // keeps a million-row tree fast
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(0);
    connect(&fitTimer_, &QTimer::timeout, this, &StructureTreeView::FitColumn);
    connect(this, &QTreeView::expanded, this, &StructureTreeView::FitColumnLater);
    // Closing a branch may take the long rows away: measure afresh.
    connect(this, &QTreeView::collapsed, this, [this] {
        widest_ = 0;
        FitColumnLater();
    });
}

void StructureTreeView::setModel(QAbstractItemModel* newModel) {
    disconnect(rowTextChanged_);
    QTreeView::setModel(newModel);
    // A row's text can grow (a quick edit); a reset comes through reset().
    if (newModel) rowTextChanged_ = connect(newModel, &QAbstractItemModel::dataChanged, this, &StructureTreeView::FitColumnLater);
}

void StructureTreeView::reset() {
    QTreeView::reset();
    widest_ = 0;
    FitColumnLater();
}

void StructureTreeView::ExpandBranch(const QModelIndex& node) {
    if (!node.isValid() || !model()) return;
    // While a layout is pending, expand() only records the node.
    scheduleDelayedItemsLayout();
    std::vector<QModelIndex> open = {node};
    while (!open.empty()) {
        const QModelIndex at = open.back();
        open.pop_back();
        expand(at);
        const int rows = model()->rowCount(at);
        for (int k = 0; k < rows; ++k) {
            const QModelIndex child = model()->index(k, 0, at);
            if (model()->hasChildren(child)) open.push_back(child);
        }
    }
}

void StructureTreeView::CollapseBranch(const QModelIndex& node) {
    if (!node.isValid() || !model() || !isExpanded(node)) return;
    scheduleDelayedItemsLayout();
    // Only open nodes can have open descendants, so the walk stays small.
    std::vector<QModelIndex> open = {node};
    while (!open.empty()) {
        const QModelIndex at = open.back();
        open.pop_back();
        const int rows = model()->rowCount(at);
        for (int k = 0; k < rows; ++k) {
            const QModelIndex child = model()->index(k, 0, at);
            if (isExpanded(child)) open.push_back(child);
        }
        collapse(at);
    }
}

void StructureTreeView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    if (dy != 0) FitColumnLater();
}

void StructureTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    FitColumnLater();
}

void StructureTreeView::FitColumn() {
    if (!model()) return;
    executeDelayedItemsLayout();
    const int bottom = viewport()->height();
    for (QModelIndex at = indexAt(QPoint(0, 0)); at.isValid(); at = indexBelow(at)) {
        const QRect rect = visualRect(at);
        if (rect.top() >= bottom) break;
        widest_ = std::max(widest_, rect.left() + horizontalOffset() + sizeHintForIndex(at).width());
    }
    const int width = std::max(widest_, viewport()->width());
    if (header()->sectionSize(0) != width) header()->resizeSection(0, width);
}

}  // namespace quillon::ui
