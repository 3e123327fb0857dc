// The structure tree's model: a lazy view of the element list. Nothing is
// copied per row: a node's text is made when the view asks for it, and the
// tree shape comes from one O(n) pass over the depths (the list is in
// document order, so a row's children are the rows after it one level deeper,
// up to the first row at its own depth or above). The index costs three
// int32 per row, so a file with a million elements opens without a million
// widget items.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <QAbstractItemModel>

#include "core/element_list.h"
#include "core/findings.h"
#include "core/host.h"

namespace quillon::ui {

class StructureModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // `findings` give the tooltips of the marked rows, in `host`'s language.
    StructureModel(const tabrick& lista, const Findings& findings, const Host& host, QObject* parent = nullptr);

    // Rebuilds the shape from the list; `step` is called now and then with
    // the rows done so far (the gauge).
    template <class Step>
    void Rebuild(Step step);
    void Rebuild();
    // Shows nothing (before a new scan).
    void Clear();

    // The element row behind an index, or -1.
    int ElementRow(const QModelIndex& index) const;
    // The index that shows element row `row`.
    QModelIndex IndexOfRow(int row) const;
    // The element row's parent row, or -1.
    int ParentRow(int row) const { return row >= 0 && row < RowCount() ? parent_[row] : -1; }
    // Tells the view that a row's value text changed.
    void RowChanged(int row);
    // How many persistent indexes the views hold on this model (the tree
    // keeps one per expanded node).
    int PersistentIndexCount() const { return static_cast<int>(persistentIndexList().size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    // Leaves say they never have children: the view then keeps no persistent
    // index for them when it lays out an expanded branch.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int RowCount() const { return static_cast<int>(parent_.size()); }
    void BuildIndex(const std::function<void(size_t)>& step);
    // The children of element row `row` (-1: the top level) as a span of children_.
    std::pair<const int32_t*, const int32_t*> Children(int row) const;

    QString ToolTip(int row) const;

    const tabrick& lista_;
    const Findings& findings_;
    const Host& host_;
    std::vector<int32_t> parent_;        // per row: parent row, -1 at the top level
    std::vector<int32_t> childStart_;    // per row + 1: where its children start in children_
    std::vector<int32_t> children_;      // rows grouped by parent: the top level first, then per row
};

template <class Step>
void StructureModel::Rebuild(Step step) {
    beginResetModel();
    BuildIndex(step);
    endResetModel();
}

}  // namespace quillon::ui
