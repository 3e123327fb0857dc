// The main window: the file-name row, the status row and the five tabs
// (container check, contents, attachments, audio codecs, settings), each a
// widget of its own that the window composes. Controls carry their working
// names as object names and member names, so a reader can go from a handler
// to its widget. The document it shows lives here and is passed to the core
// by reference.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include "core/document.h"
#include "ui/gui_host.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QWidget;

namespace quillon::ui {

class TFormBatch;
class TFormDU;
class TFormView;

class AttachmentsTab;
class CaptionPanel;
class ClickableImage;
class CodecsTab;
class ContainerTab;
class ContentsTab;
class SettingsTab;
class StructureModel;
class TFormME;
class TFormTL;
class TFormYesNo;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kCaption = " Quillon    beta 1.012";

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The message windows are created after this one; the host asks through them.
    void SetMessageWindows(TFormYesNo* yesNo, TFormME* me);
    // The timeline window is created after this one too; the full open and the save run its check.
    void SetTimelineWindow(TFormTL* timeline) { formTL_ = timeline; }

    Document& document() { return doc_; }
    GuiHost& host() { return host_; }
    StructureModel* structureModel() const;
    bool Busy() const { return host_.Busy(); }
    QString Tr(const char* rus) const;

    // ---- open flow and structure tree (main_window_open.cpp, tree_popup.cpp)
    void ImageFIClick();
    // The second half of ImageFIClick, once a file was chosen.
    void OpenChosenFile(const QString& path);
    void BitBtnHDRClick();
    // A Matroska file dropped onto the window (file_drop.cpp): chosen and
    // opened, as the open image and the open button do.
    void OpenDroppedFile(const QString& path);
    // The batch window, shown with these files or folders added (made anew in
    // the interface's language when it is not running).
    void OpenBatchWindow(const QStringList& paths = {});
    TFormBatch* batchWindow() const { return batch_.get(); }
    // False when the file could not be opened.
    bool ReadStructAndShowTree();
    void lista2TV4();
    void ShowOpenStatus();
    void TabSheetREShow();
    void TabSheetCHShow();
    void SetDumpWindow(TFormDU* window);

    // ---- the save command (main_window_save.cpp): what the contents tab's save panel asks for
    void SaveFile();
    void PleaseWait();
    void StopWait();
    void ImageXClick();

    // The attachment viewer, for the attachments tab and the tree's attachment items.
    void SetViewWindow(TFormView* window);

    // ---- stored preferences (settings_store.cpp)
    void ReadConfig();
    void SaveConfig();

    // ---- interface language (language.cpp)
    void TranslateMainWindow();
    void ImageRUClick();
    void ImageENClick();
    Lang language() const { return host_.language(); }

    // Top rows.
    ClickableImage* ImageFI;
    QLineEdit* EditIN;
    QPushButton* BitBtnHDR;
    QPushButton* ButtonBATCH;  // the batch window: many files remuxed by rules
    ClickableImage* ImageRU;
    ClickableImage* ImageEN;
    QCheckBox* CheckFC;
    QLabel* LabelST;
    QLabel* LabelBSE;
    QProgressBar* GaugeX;
    ClickableImage* ImageX;
    QLabel* ImageWO;
    QLabel* ImageRE;

    // Pages.
    QTabWidget* PageControl1;
    ContainerTab* TabSheetCH;
    ContentsTab* TabSheetRE;
    AttachmentsTab* TabSheetATT;
    CodecsTab* TabSheetCDK;
    SettingsTab* TabSheetCFG;

    // The hidden pictures that handlers draw or copy from: read-state lamps,
    // highlighted and dimmed flags.
    QPixmap Image000, Image100, Image110, Image111;
    QPixmap ImageBRU, ImageGRU, ImageBEN, ImageGEN;

    // The wait panel, over everything while a long step runs.
    CaptionPanel* PanelWA;

    // The open dialog's memory, kept in the settings.
    QString openDialogDir;
    int openDialogFilterIndex = 2;  // 1-based, as the filter list counts: 2 is "*.mkv"
    bool bigFileWarningPending = false;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building the window.
    QWidget* BuildTopRows();
    void ConnectHandlers();
    // What the contents tab asks of the window: a save, a new reading, the
    // wait panel, the tree and the lamp in step with its scans and edits.
    void ConnectContentsTab();

    // Helpers of the handlers.
    void SetBusy(bool busy) { host_.SetBusy(busy); }
    void AfterScanControls();
    void ApplyLanguage(Lang lang);
    void Reopen(const QString& outputName);
    // Opens the file EditIN names, as the current tab asks; BitBtnHDRClick empties the log first.
    void OpenEditIN(bool clearLog);
    bool ReadHeaderAndShow();
    bool AskWithCaptions(const QString& text, const QString& yes, const QString& no);
    // The timeline check (main_window_timeline.cpp): after a full open it shows the
    // window when a track's times go backwards; before a save it also keeps the
    // save from running then, unless the user chose to leave the file as it is.
    void TimelineCheckAfterOpen();
    bool TimelineAllowsSave();
    void Inform(const QString& text);

    // The secondary windows whose captions follow the interface language.
    TFormDU* formDU_ = nullptr;
    TFormView* formView_ = nullptr;
    std::unique_ptr<TFormBatch> batch_;
    Document doc_;
    GuiHost host_;
    TFormYesNo* formYesNo_ = nullptr;
    TFormME* formME_ = nullptr;
    TFormTL* formTL_ = nullptr;
    bool languageApplied_ = false;
    bool waitUntilParsed_ = false;
};

}  // namespace quillon::ui
