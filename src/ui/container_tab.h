// The container tab as a widget of its own: the log (MemoST) beside the
// structure tree (TreeEBML) over the document's element list, the tree's
// pop-up (dump, expand, collapse, find a block, view or save an attachment)
// and the find panel (PanelFB). It owns its controls and the tree's model;
// the main window fills and clears the tree as files open, hands the log to
// the host, and tells it which dump and viewer windows to use.
#pragma once

#include <cstddef>
#include <functional>

#include <QString>
#include <QWidget>

#include "core/document.h"
#include "core/host.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QPlainTextEdit;

namespace quillon::ui {

class ClickableImage;
class StructureModel;
class StructureTreeView;
class TFormDU;
class TFormView;

class ContainerTab : public QWidget {
    Q_OBJECT
public:
    ContainerTab(Document& doc, Host& host, QWidget* parent);

    void SetDumpWindow(TFormDU* window) { formDU_ = window; }
    void SetViewWindow(TFormView* window) { formView_ = window; }
    // The tooltips of the picture-only controls in the interface's language.
    void ApplyLanguage();

    // Where the host writes the log lines.
    QPlainTextEdit* logView() const { return MemoST; }
    StructureModel* structureModel() const { return treeModel_; }
    // Empties the tree before the element list under it is refilled.
    void ClearTree();
    // Builds the tree over the element list; `progress` hears how many rows are done.
    void FillTree(const std::function<void(size_t)>& progress);
    // The tree reads the document: the window lets go of it before its
    // document goes. (Clearing first drops every expanded node's persistent
    // index in one pass, where letting go of the model would remove them one
    // by one, minutes after expanding a big Segment.)
    void ForgetDocument();

    // MIsave once its dialog chose a file.
    bool SaveTreeAttachmentTo(const QString& path);

private:
    void Build();
    void BuildPopup();
    void BuildFindPanel();
    int RowOfIndex(const QModelIndex& index) const;
    // Before the pop-up shows: which items the current row offers.
    void PopupEBMLPopup();
    // The selected element in the dump window (its first 10 or 100 kB when
    // larger, as the question's answer says).
    void MIdumpClick();
    void MIexpandClick();
    void MIcollapseClick();
    void MIfbClick();
    void Image8Click();
    void MIviewClick();
    void MIsaveClick();

    Document& doc_;
    Host& host_;
    TFormDU* formDU_ = nullptr;
    TFormView* formView_ = nullptr;
    StructureModel* treeModel_ = nullptr;

    QPlainTextEdit* MemoST;
    StructureTreeView* TreeEBML;
    QMenu* PopupEBML;
    QAction* MIdump;
    QAction* MIexpand;
    QAction* MIcollapse;
    QAction* MIview;
    QAction* MIsave;
    QAction* MIfb;
    QFrame* PanelFB;
    QLabel* LabelFB;
    QLineEdit* EditFBTN;
    ClickableImage* Image8;
    ClickableImage* ImageFBX;
};

}  // namespace quillon::ui
