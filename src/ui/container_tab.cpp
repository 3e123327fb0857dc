// The container tab: the log and the structure tree side by side, the tree's
// pop-up and the find panel; filling and clearing the tree.
#include "ui/container_tab.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextOption>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

ContainerTab::ContainerTab(Document& doc, Host& host, QWidget* parent) : QWidget(parent), doc_(doc), host_(host) {
    setObjectName("TabSheetCH");
    Build();
    BuildPopup();
    BuildFindPanel();
}

void ContainerTab::ApplyLanguage() {
    const std::pair<QWidget*, const char*> icons[] = {{Image8, "найти"}, {ImageFBX, "закрыть"}};
    for (const auto& [icon, text] : icons) {
        icon->setToolTip(FromCore(host_.Tr(text)));
        icon->setAccessibleName(FromCore(host_.Tr(text)));
    }
}

void ContainerTab::ClearTree() { treeModel_->Clear(); }

void ContainerTab::FillTree(const std::function<void(size_t)>& progress) { treeModel_->Rebuild(progress); }

void ContainerTab::ForgetDocument() {
    treeModel_->Clear();
    TreeEBML->setModel(nullptr);
    delete treeModel_;
    treeModel_ = nullptr;
}

void ContainerTab::Build() {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    MemoST = Make<QPlainTextEdit>(splitter, "MemoST");
    MemoST->setReadOnly(true);
    // Long lines (paths, findings) wrap: every line's start stays in view.
    MemoST->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoST->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    MemoST->setMinimumWidth(260);
    TreeEBML = Make<StructureTreeView>(splitter, "TreeEBML");
    TreeEBML->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeEBML->setEditTriggers(QAbstractItemView::NoEditTriggers);
    splitter->addWidget(MemoST);
    splitter->addWidget(TreeEBML);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 4);
    splitter->setSizes({380, 540});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(splitter);

    treeModel_ = new StructureModel(doc_.lista, doc_.findings, host_, this);
    TreeEBML->setModel(treeModel_);
}

void ContainerTab::BuildPopup() {
    PopupEBML = Make<QMenu>(TreeEBML, "PopupEBML");
    auto entry = [this](const char* name, const char* caption) {
        auto* action = Make<QAction>(this, name);
        action->setText(QString::fromUtf8(caption));
        PopupEBML->addAction(action);
        return action;
    };
    MIdump = entry("MIdump", "посмотреть dump");
    MIexpand = entry("MIexpand", "развернуть ветку");
    MIcollapse = entry("MIcollapse", "свернуть ветку");
    MIfb = entry("MIfb", "найти блок");
    MIview = entry("MIview", "посмотреть файл");
    MIsave = entry("MIsave", "сохранить файл");

    // The items are fitted to the row under the mouse before the menu shows.
    connect(PopupEBML, &QMenu::aboutToShow, this, &ContainerTab::PopupEBMLPopup);
    connect(TreeEBML, &QTreeView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex under = TreeEBML->indexAt(at);
        if (under.isValid()) TreeEBML->setCurrentIndex(under);
        if (treeModel_->rowCount() == 0) return;
        PopupEBML->exec(TreeEBML->viewport()->mapToGlobal(at));
    });
    connect(MIexpand, &QAction::triggered, this, &ContainerTab::MIexpandClick);
    connect(MIcollapse, &QAction::triggered, this, &ContainerTab::MIcollapseClick);
    connect(MIfb, &QAction::triggered, this, &ContainerTab::MIfbClick);
    connect(MIdump, &QAction::triggered, this, &ContainerTab::MIdumpClick);
    connect(MIview, &QAction::triggered, this, &ContainerTab::MIviewClick);
    connect(MIsave, &QAction::triggered, this, &ContainerTab::MIsaveClick);
}

// The find panel floats over the tree, asking for a track number.
void ContainerTab::BuildFindPanel() {
    PanelFB = Make<QFrame>(this, "PanelFB");
    PanelFB->setFrameShape(QFrame::Panel);
    PanelFB->setFrameShadow(QFrame::Raised);
    PanelFB->setAutoFillBackground(true);
    LabelFB = Make<QLabel>(PanelFB, "LabelFB");
    LabelFB->setText(QStringLiteral("№"));
    EditFBTN = Make<QLineEdit>(PanelFB, "EditFBTN");
    EditFBTN->setMaximumWidth(60);
    EditFBTN->setText(QStringLiteral("1"));
    Image8 = Make<ClickableImage>(PanelFB, "Image8");
    Image8->setPixmap(pictures::Magnifier());
    ImageFBX = Make<ClickableImage>(PanelFB, "ImageFBX");
    ImageFBX->setPixmap(pictures::CrossMark());
    auto* findRow = new QHBoxLayout(PanelFB);
    findRow->addWidget(LabelFB);
    findRow->addWidget(EditFBTN);
    findRow->addWidget(Image8);
    findRow->addSpacing(6);
    findRow->addWidget(ImageFBX);
    PanelFB->adjustSize();
    PanelFB->hide();

    connect(Image8, &ClickableImage::clicked, this, &ContainerTab::Image8Click);
    connect(EditFBTN, &QLineEdit::returnPressed, this, &ContainerTab::Image8Click);
    connect(ImageFBX, &ClickableImage::clicked, PanelFB, &QWidget::hide);
}

}  // namespace quillon::ui
