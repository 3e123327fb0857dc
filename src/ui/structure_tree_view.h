// The structure tree's view: a QTreeView that opens and closes whole
// branches with one layout pass, and whose single column is as wide as the
// widest row it has shown, so long lines (a laced block's sizes) scroll
// sideways instead of being cut. Only rows on screen are measured: the model
// stays lazy however many rows an expanded branch holds.
#pragma once

#include <QTimer>
#include <QTreeView>

namespace quillon::ui {

class StructureTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit StructureTreeView(QWidget* parent = nullptr);

    // Opens `node` and every node under it that has children. Leaves get no
    // persistent index, and the view lays itself out once afterwards.
    void ExpandBranch(const QModelIndex& node);
    // Closes `node` and every open node under it, with one layout pass.
    void CollapseBranch(const QModelIndex& node);

    void setModel(QAbstractItemModel* model) override;
    void reset() override;

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Widens the column to the widest row on screen (never narrower than the
    // viewport); runs once the pending layout is done.
    void FitColumn();
    void FitColumnLater() { fitTimer_.start(); }

    QTimer fitTimer_;
    QMetaObject::Connection rowTextChanged_;
    int widest_ = 0;  // the widest row shown since the last reset or collapse
};

}  // namespace quillon::ui
