#include "ui/structure_model.h"

#include <algorithm>

#include "reader/node_text.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

constexpr size_t kStepEvery = 65536;

// An index carries its element row multiplied by an odd constant. Qt hashes
// a model index as row * 16 + internal id and takes the low bits as the
// bucket, so plain element rows put the persistent indexes of an expanded
// branch (the view keeps one per open node) into long runs of colliding
// buckets: expanding a Segment with half a million rows took seconds.
// Multiplying by an odd number is undone by its inverse modulo 2^64.
static_assert(sizeof(quintptr) == 8, "the row tag needs a 64-bit internal id");
constexpr quintptr kRowSpread = 0x9E3779B97F4A7C15u;
constexpr quintptr kRowSpreadInverse = 0xF1DE83E19937733Du;
static_assert(kRowSpread * kRowSpreadInverse == 1);

quintptr RowTag(int32_t row) { return static_cast<quintptr>(row) * kRowSpread; }
uint64_t TaggedRow(quintptr tag) { return tag * kRowSpreadInverse; }

}  // namespace

StructureModel::StructureModel(const tabrick& lista, const Findings& findings, const Host& host, QObject* parent)
    : QAbstractItemModel(parent), lista_(lista), findings_(findings), host_(host) {}

void StructureModel::Rebuild() {
    Rebuild([](size_t) {});
}

void StructureModel::Clear() {
    beginResetModel();
    parent_.clear();
    childStart_.clear();
    children_.clear();
    endResetModel();
}

void StructureModel::BuildIndex(const std::function<void(size_t)>& step) {
    const size_t n = lista_.size();
    parent_.assign(n, -1);
    childStart_.assign(n + 2, 0);
    children_.resize(n);

    // Parents from the depths: the nearest earlier row that is less deep.
    std::vector<int32_t> open;
    for (size_t r = 0; r < n; ++r) {
        const int32_t depth = lista_[r].depth;
        while (!open.empty() && lista_[open.back()].depth >= depth) open.pop_back();
        parent_[r] = open.empty() ? -1 : open.back();
        open.push_back(static_cast<int32_t>(r));
        ++childStart_[parent_[r] + 2];
        if (r % kStepEvery == 0) step(r);
    }
    // Slot 0 is the top level, slot r + 1 the children of row r.
    for (size_t s = 1; s < childStart_.size(); ++s) childStart_[s] += childStart_[s - 1];
    std::vector<int32_t> fill(childStart_.begin(), childStart_.end() - 1);
    for (size_t r = 0; r < n; ++r) children_[fill[parent_[r] + 1]++] = static_cast<int32_t>(r);
    step(n);
}

std::pair<const int32_t*, const int32_t*> StructureModel::Children(int row) const {
    if (children_.empty() || row < -1 || row >= RowCount()) return {nullptr, nullptr};
    const int32_t* base = children_.data();
    return {base + childStart_[row + 1], base + childStart_[row + 2]};
}

int StructureModel::ElementRow(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return -1;
    const uint64_t row = TaggedRow(index.internalId());
    return row < static_cast<uint64_t>(RowCount()) ? static_cast<int>(row) : -1;
}

QModelIndex StructureModel::IndexOfRow(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    const auto [first, last] = Children(parent_[row]);
    const int32_t* at = std::lower_bound(first, last, row);
    return createIndex(static_cast<int>(at - first), 0, RowTag(row));
}

void StructureModel::RowChanged(int row) {
    const QModelIndex at = IndexOfRow(row);
    if (at.isValid()) emit dataChanged(at, at, {Qt::DisplayRole});
}

QModelIndex StructureModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (parent.isValid() && ElementRow(parent) < 0) return {};
    const auto [first, last] = Children(parent.isValid() ? ElementRow(parent) : -1);
    if (row >= last - first) return {};
    return createIndex(row, 0, RowTag(first[row]));
}

QModelIndex StructureModel::parent(const QModelIndex& child) const {
    const int row = ElementRow(child);
    return row < 0 ? QModelIndex() : IndexOfRow(parent_[row]);
}

int StructureModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && (parent.column() != 0 || ElementRow(parent) < 0)) return 0;
    const auto [first, last] = Children(parent.isValid() ? ElementRow(parent) : -1);
    return static_cast<int>(last - first);
}

int StructureModel::columnCount(const QModelIndex& parent) const {
    (void)parent;
    return 1;
}

bool StructureModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

Qt::ItemFlags StructureModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    if (ElementRow(index) >= 0 && !hasChildren(index)) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

// What the check found at a marked row, one finding a line.
QString StructureModel::ToolTip(int row) const {
    const Tbrick& element = lista_[row];
    if (!element.damage) return {};
    std::string text;
    for (const Finding& f : findings_.items()) {
        if (f.row != row) continue;
        if (!text.empty()) text += '\n';
        text += FindingLine(host_, f);
    }
    if (element.damage & kContentLost) {
        if (!text.empty()) text += '\n';
        text += host_.Tr("• внутри элемента повреждённое место: его содержимое за ним не прочитано");
    }
    return FromCore(text);
}

QVariant StructureModel::data(const QModelIndex& index, int role) const {
    const int row = ElementRow(index);
    // The list may be refilled under a stale view; such rows show nothing.
    if (row < 0 || static_cast<size_t>(row) >= lista_.size()) return {};
    if (role == Qt::DisplayRole) return FromCore(NodeText(lista_[row]));
    if (role == Qt::ToolTipRole) return ToolTip(row);
    return {};
}

}  // namespace quillon::ui
