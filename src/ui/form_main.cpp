#include "ui/form_main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/attachments_tab.h"
#include "ui/batch_window.h"
#include "ui/caption_panel.h"
#include "ui/clickable_image.h"
#include "ui/codecs_tab.h"
#include "ui/container_tab.h"
#include "ui/contents_tab.h"
#include "ui/form_du.h"
#include "ui/form_me.h"
#include "ui/form_yes_no.h"
#include "ui/pictures.h"
#include "ui/settings_tab.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

TFormMain::TFormMain(QWidget* parent)
    : QMainWindow(parent),
      Image000(pictures::Image000()),
      Image100(pictures::Image100()),
      Image110(pictures::Image110()),
      Image111(pictures::Image111()),
      ImageBRU(pictures::ImageBRU()),
      ImageGRU(pictures::ImageGRU()),
      ImageBEN(pictures::ImageBEN()),
      ImageGEN(pictures::ImageGEN()) {
    setObjectName("TFormMain");
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(940, 680);
    setAcceptDrops(true);  // a Matroska file dropped from the file manager is opened

    auto* central = new QWidget(this);
    central->setObjectName("PanelMAIN");
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(BuildTopRows());

    PageControl1 = Make<QTabWidget>(central, "PageControl1");
    TabSheetCFG = new SettingsTab(PageControl1);  // first: the contents tab asks it
    TabSheetCH = new ContainerTab(doc_, host_, PageControl1);
    TabSheetRE = new ContentsTab(doc_, host_, *TabSheetCFG, PageControl1);
    TabSheetATT = new AttachmentsTab(doc_, host_, openDialogDir, PageControl1);
    TabSheetCDK = new CodecsTab(host_, PageControl1);
    // The captions as the window defines them; the language switch replaces
    // them with the caption table's.
    PageControl1->addTab(TabSheetCH, QStringLiteral("проверка контейнера"));
    PageControl1->addTab(TabSheetRE, QStringLiteral("содержание"));
    PageControl1->addTab(TabSheetATT, QStringLiteral("вложение"));
    PageControl1->addTab(TabSheetCDK, QStringLiteral("ACM audio кодеки"));
    PageControl1->addTab(TabSheetCFG, QStringLiteral("настройки"));
    PageControl1->tabBar()->installEventFilter(this);
    layout->addWidget(PageControl1, 1);

    PanelWA = Make<CaptionPanel>(this, "PanelWA");
    PanelWA->setText(QStringLiteral("ждите, идёт обработка"));
    PanelWA->resize(300, 70);
    PanelWA->hide();

    host_.SetViews({TabSheetCH->logView(), LabelST, GaugeX, ImageX, ImageWO});
    host_.onStatus = [this](const std::string& text) {
        // The wait panel of a save's preparation goes once the parsing is over.
        if (waitUntilParsed_ && text != host_.Tr("p a r s i n g")) StopWait();
    };
    ConnectHandlers();

    ReadConfig();
    PageControl1->setCurrentWidget(TabSheetRE);
    TabSheetREShow();
    ShowOpenStatus();
}

TFormMain::~TFormMain() {
    // The tree's model reads the document, which goes before the widgets do.
    TabSheetCH->ForgetDocument();
}

StructureModel* TFormMain::structureModel() const { return TabSheetCH->structureModel(); }

void TFormMain::SetDumpWindow(TFormDU* window) {
    formDU_ = window;
    TabSheetCH->SetDumpWindow(window);
}

QWidget* TFormMain::BuildTopRows() {
    auto* top = new QWidget(this);
    top->setObjectName("PanelTOP");

    ImageFI = Make<ClickableImage>(top, "ImageFI");
    ImageFI->setPixmap(pictures::OpenFolder());
    EditIN = Make<QLineEdit>(top, "EditIN");
    BitBtnHDR = Make<QPushButton>(top, "BitBtnHDR");
    BitBtnHDR->setText(QStringLiteral("открыть и прочитать заголовок"));
    BitBtnHDR->setMinimumWidth(230);
    ButtonBATCH = Make<QPushButton>(top, "ButtonBATCH");
    ButtonBATCH->setText(QStringLiteral("много файлов…"));
    ButtonBATCH->setToolTip(QStringLiteral("пересобрать много файлов по одним правилам (Ctrl+B)"));
    ImageRU = Make<ClickableImage>(top, "ImageRU");
    ImageEN = Make<ClickableImage>(top, "ImageEN");
    ImageRU->setPixmap(ImageBRU);
    ImageEN->setPixmap(ImageGEN);

    CheckFC = Make<QCheckBox>(top, "CheckFC");
    CheckFC->setText(QStringLiteral("полная проверка контейнера"));
    LabelST = Make<QLabel>(top, "LabelST");
    LabelST->setText(QStringLiteral("r e a d y"));
    LabelST->setMinimumWidth(200);
    LabelST->setFrameShape(QFrame::StyledPanel);
    LabelST->setAlignment(Qt::AlignCenter);
    LabelBSE = Make<QLabel>(top, "LabelBSE");
    LabelBSE->setText(QStringLiteral("..."));
    LabelBSE->setMinimumWidth(60);
    LabelBSE->setAlignment(Qt::AlignCenter);
    LabelBSE->setToolTip(QStringLiteral("b: Block, s: SimpleBlock, e: EncryptedBlock"));
    GaugeX = Make<QProgressBar>(top, "GaugeX");
    GaugeX->setTextVisible(false);
    GaugeX->setMaximumHeight(14);
    GaugeX->setMinimumWidth(120);
    GaugeX->hide();
    ImageX = Make<ClickableImage>(top, "ImageX");
    ImageX->setPixmap(pictures::StopSign());
    ImageX->setToolTip(QStringLiteral("остановить процесс"));
    ImageX->hide();
    ImageWO = Make<QLabel>(top, "ImageWO");
    ImageWO->setPixmap(pictures::Hourglass());
    ImageWO->hide();
    ImageRE = Make<QLabel>(top, "ImageRE");

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(ImageFI);
    fileRow->addWidget(EditIN, 1);
    fileRow->addWidget(BitBtnHDR);
    fileRow->addWidget(ButtonBATCH);
    fileRow->addSpacing(12);
    fileRow->addWidget(ImageRU);
    fileRow->addWidget(ImageEN);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(CheckFC);
    statusRow->addSpacing(12);
    statusRow->addWidget(LabelST);
    statusRow->addWidget(LabelBSE);
    statusRow->addWidget(GaugeX, 1);
    statusRow->addStretch();
    statusRow->addWidget(ImageX);
    statusRow->addWidget(ImageWO);
    statusRow->addWidget(ImageRE);

    auto* rows = new QVBoxLayout(top);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->addLayout(fileRow);
    rows->addLayout(statusRow);
    return top;
}

void TFormMain::ConnectHandlers() {
    connect(ImageFI, &ClickableImage::clicked, this, &TFormMain::ImageFIClick);
    connect(BitBtnHDR, &QPushButton::clicked, this, &TFormMain::BitBtnHDRClick);
    connect(ButtonBATCH, &QPushButton::clicked, this, [this] { OpenBatchWindow(); });
    connect(ImageX, &ClickableImage::clicked, this, &TFormMain::ImageXClick);
    connect(ImageRU, &ClickableImage::clicked, this, &TFormMain::ImageRUClick);
    connect(ImageEN, &ClickableImage::clicked, this, &TFormMain::ImageENClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int) {
        if (PageControl1->currentWidget() == TabSheetRE) TabSheetREShow();
        if (PageControl1->currentWidget() == TabSheetCH) TabSheetCHShow();
        if (PageControl1->currentWidget() == TabSheetCDK) TabSheetCDK->TabSheetCDKShow();
        if (PageControl1->currentWidget() == TabSheetATT) TabSheetATT->TabSheetATTShow();
    });
    connect(TabSheetATT, &AttachmentsTab::attachmentsEdited, TabSheetRE, &ContentsTab::ShowNewFileNeeded);
    connect(TabSheetATT, &AttachmentsTab::longStepStarted, this, &TFormMain::PleaseWait);
    connect(TabSheetATT, &AttachmentsTab::longStepFinished, this, &TFormMain::StopWait);
    ConnectContentsTab();
}

void TFormMain::ConnectContentsTab() {
    connect(TabSheetRE, &ContentsTab::saveRequested, this, &TFormMain::SaveFile);
    connect(TabSheetRE, &ContentsTab::fileReadAgainRequested, this, [this] { OpenEditIN(false); });
    connect(TabSheetRE, &ContentsTab::elementListOutdated, TabSheetCH, &ContainerTab::ClearTree);
    connect(TabSheetRE, &ContentsTab::readStateChanged, this, &TFormMain::ShowOpenStatus);
    connect(TabSheetRE, &ContentsTab::elementChanged, this, [this](int element) {
        if (StructureModel* model = structureModel()) model->RowChanged(element);
    });
    connect(TabSheetRE, &ContentsTab::longStepStarted, this, &TFormMain::PleaseWait);
    connect(TabSheetRE, &ContentsTab::longStepFinished, this, &TFormMain::StopWait);
}

void TFormMain::SetMessageWindows(TFormYesNo* yesNo, TFormME* me) {
    formYesNo_ = yesNo;
    formME_ = me;
    host_.SetMessageWindows(
        [this](const std::string& text, const std::string& yes, const std::string& no) {
            return formYesNo_ && formYesNo_->AskWithCaptions(FromCore(text), FromCore(yes), FromCore(no), this, 'y');
        },
        [this](const std::string& text) {
            if (formME_) formME_->Inform(FromCore(text), this);
        });
    if (formYesNo_) formYesNo_->SetLanguageChar(host_.language() == Lang::Rus ? 'r' : 'e');
}

QString TFormMain::Tr(const char* rus) const { return FromCore(host_.Tr(rus)); }

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (languageApplied_) return;
    languageApplied_ = true;
    ApplyLanguage(host_.language());
    TabSheetRE->FitColumns();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        // A scan or save is running inside this very call stack: stop it first.
        host_.RequestStop();
        event->ignore();
        return;
    }
    SaveConfig();
    QMainWindow::closeEvent(event);
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (PanelWA->isVisible()) PleaseWait();
    TabSheetRE->FitColumns();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    // While a scan or save runs, the pages stay where they are.
    if (watched == PageControl1->tabBar() && Busy()) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::KeyPress:
                return true;
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::ImageXClick() { host_.RequestStop(); }

void TFormMain::SetViewWindow(TFormView* window) {
    formView_ = window;
    TabSheetATT->SetViewWindow(window);
    TabSheetCH->SetViewWindow(window);
}

}  // namespace quillon::ui
