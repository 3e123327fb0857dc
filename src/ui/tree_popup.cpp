// The structure tree's pop-up: expand or collapse a branch, find the next
// block of a track, show an element's bytes, and view or save an attachment
// from its tree items.
#include <QAction>
#include <QFileDialog>
#include <QLineEdit>

#include "dump/dump_source.h"
#include "dump/hex_dump.h"
#include "attach/attach_list.h"
#include "attach/mime_table.h"
#include "reader/element_queries.h"
#include "ui/form_du.h"
#include "ui/container_tab.h"
#include "ui/form_view.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui/ui_text.h"

namespace quillon::ui {
namespace {

constexpr int kFindLevels = 11;

bool IsAttachmentRow(const Tbrick& row) {
    const std::string_view name = row.name();
    return name == "AttachedFile" || name == "FileName" || name == "FileData";
}

}  // namespace

int ContainerTab::RowOfIndex(const QModelIndex& index) const { return treeModel_->ElementRow(index); }

void ContainerTab::PopupEBMLPopup() {
    const int row = RowOfIndex(TreeEBML->currentIndex());
    MIdump->setVisible(row >= 0);
    const bool attachment = row >= 0 && IsAttachmentRow(doc_.lista[row]);
    MIsave->setVisible(attachment);
    MIview->setVisible(false);
    if (attachment) {
        const int attachedFile = doc_.lista[row].id() == kAttachedFile ? row : doc_.lista[row].parent;
        const std::string mime = FindChildValue(doc_.lista, kFileMimeType, attachedFile);
        MIview->setVisible(IsTextMime(mime) || IsPictureMime(mime));
    }
    MIfb->setEnabled(doc_.readState == ReadState::FullTree);
}

void ContainerTab::MIexpandClick() {
    const QModelIndex node = TreeEBML->currentIndex();
    TreeEBML->ExpandBranch(node);
}

void ContainerTab::MIcollapseClick() {
    const QModelIndex node = TreeEBML->currentIndex();
    TreeEBML->CollapseBranch(node);
}

void ContainerTab::MIfbClick() {
    const QRect tree = TreeEBML->geometry();
    const QPoint centre = TreeEBML->parentWidget()->mapTo(this, tree.center());
    PanelFB->adjustSize();
    PanelFB->move(centre.x() - PanelFB->width() / 2, centre.y() - PanelFB->height() / 2);
    PanelFB->raise();
    PanelFB->show();
    EditFBTN->setFocus();
    EditFBTN->selectAll();
}

void ContainerTab::Image8Click() {
    const std::string track = ToCore(EditFBTN->text().trimmed());
    // From the current row; from the one after it when the current row is
    // such a block already (the last one found), so a second press goes on.
    const int current = RowOfIndex(TreeEBML->currentIndex());
    const bool onFound = current >= 0 && doc_.lista[size_t(current)].isBlock() &&
                         doc_.lista[size_t(current)].block.trackText() == track;
    const int from = std::max(current, 0) + (onFound ? 1 : 0);
    int found = -1;
    for (size_t r = from; r < doc_.lista.size(); ++r) {
        const Tbrick& row = doc_.lista[r];
        if (row.isBlock() && row.block.trackText() == track) {
            found = static_cast<int>(r);
            break;
        }
    }
    if (found < 0) return;

    // The block and its ancestors, root last; opened root first when the
    // root is within reach, which brings the block into view.
    std::vector<int> chain;
    for (int r = found; r >= 0 && static_cast<int>(chain.size()) < kFindLevels; r = treeModel_->ParentRow(r)) chain.push_back(r);
    if (treeModel_->ParentRow(chain.back()) >= 0) return;
    for (auto r = chain.rbegin(); r != chain.rend(); ++r) TreeEBML->expand(treeModel_->IndexOfRow(*r));
    // Selected, in the middle of the view, and the keys stay with the tree.
    const QModelIndex index = treeModel_->IndexOfRow(found);
    TreeEBML->setCurrentIndex(index);
    TreeEBML->scrollTo(index, QAbstractItemView::PositionAtCenter);
    PanelFB->hide();
    TreeEBML->setFocus();
}

void ContainerTab::MIdumpClick() {
    const int row = RowOfIndex(TreeEBML->currentIndex());
    if (row < 0 || !formDU_) return;
    size_t limit = kDumpLimit;
    if (doc_.lista[row].totalSize > kDumpLimit)
        limit = host_.AskWithCaptions("Внимание!\r\nРазмер блока больше 100kb.\r\nЧто показать?", "первые 10kb", "первые 100kb")
                    ? kDumpShortLimit
                    : kDumpLimit;
    host_.SetStatus("d a t a   p r o c e s s i n g");
    std::vector<uint8_t> bytes;
    const DumpRead read = ReadElementBytes(doc_, size_t(row), limit, bytes);
    if (read != DumpRead::Ok) {
        host_.SetStatus(DumpReadMessage(read));
        return;
    }
    formDU_->ShowBytes(std::move(bytes), doc_.lista[row].position);
    host_.SetStatus("r e a d y");
}

void ContainerTab::MIviewClick() {
    TAttach a;
    if (!AttachFromRow(doc_, RowOfIndex(TreeEBML->currentIndex()), a)) {
        host_.SetStatus("ошибка в структуре вложения.");
        return;
    }
    std::vector<uint8_t> data;
    const AttachRead read = ReadAttachment(doc_, a, data);
    if (read != AttachRead::Ok) return host_.SetStatus(AttachReadMessage(read));
    if (formView_ && formView_->ShowAttach(data, a.fileMimeType)) {
        formView_->setWindowModality(Qt::NonModal);
        formView_->show();
        formView_->raise();
    }
}

void ContainerTab::MIsaveClick() {
    TAttach a;
    if (!AttachFromRow(doc_, RowOfIndex(TreeEBML->currentIndex()), a)) {
        host_.SetStatus("ошибка в структуре вложения.");
        return;
    }
    const QString path = QFileDialog::getSaveFileName(this, QString(), FromCore(SafeFileName(a.fileName, 1)), QString(), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) SaveTreeAttachmentTo(path);
}

bool ContainerTab::SaveTreeAttachmentTo(const QString& path) {
    TAttach a;
    if (!AttachFromRow(doc_, RowOfIndex(TreeEBML->currentIndex()), a)) {
        host_.SetStatus("ошибка в структуре вложения.");
        return false;
    }
    return SaveAttach(doc_, a, ToCore(path), false, host_);
}

}  // namespace quillon::ui
