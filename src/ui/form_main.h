// The main window: the file-name row, the status row, the five tabs
// (container check, contents, attachments, audio codecs, settings) and the
// save panel. Controls carry their working names as object names and member
// names, so a reader can go from a handler to its widget. The document it
// shows lives here and is passed to the core by reference.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <QString>

#include "core/document.h"
#include "ui/gui_host.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QWidget;
class QPainter;
class QSplitter;
class QTextEdit;

namespace quillon::ui {

class TFormDU;
class TFormView;

class AttachmentsTab;
class CaptionPanel;
class ClickableImage;
class CodecsTab;
class ContainerTab;
class SavePanel;
class SettingsTab;
class StructureModel;
class StructureTreeView;
class TFormME;
class TFormTL;
class TFormYesNo;
class TrackEditing;

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
    bool Busy() const { return busy_; }
    QString Tr(const char* rus) const;

    // ---- open flow and structure tree (main_window_open.cpp, tree_popup.cpp)
    void ImageFIClick();
    // The second half of ImageFIClick, once a file was chosen.
    void OpenChosenFile(const QString& path);
    void BitBtnHDRClick();
    // A Matroska file dropped onto the window (file_drop.cpp): chosen and
    // opened, as the open image and the open button do.
    void OpenDroppedFile(const QString& path);
    // False when the file could not be opened.
    bool ReadStructAndShowTree();
    void lista2TV4();
    void ShowOpenStatus();
    void TabSheetREShow();
    void TabSheetCHShow();
    void SetDumpWindow(TFormDU* window);

    // ---- track grid (track_grid.cpp)
    void TrackList2Screen();
    void AddTrackRow(int trackIndex);
    void TracksDrawCell(QPainter& painter, int column, int row, const QRect& rect, bool selected);
    void dfx();
    void TracksMouseDown(int row, int column, Qt::MouseButton button);
    void PanelSEClick();

    // ---- the save command (main_window_save.cpp): what the save panel asks for
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
    QWidget* TabSheetRE;
    AttachmentsTab* TabSheetATT;
    CodecsTab* TabSheetCDK;
    SettingsTab* TabSheetCFG;

    // Contents tab: the grid and the save panel.
    QTableWidget* Tracks;
    QFrame* PanelSE;
    ClickableImage* ImageTX;
    SavePanel* PanelSAVE;

    // The hidden pictures that handlers draw or copy from: read-state lamps,
    // grid glyphs, highlighted and dimmed flags.
    QPixmap Image000, Image100, Image110, Image111;
    QPixmap ImageRG, ImagePL, ImageBD, ImageRD;
    QPixmap ImageBRU, ImageGRU, ImageBEN, ImageGEN;

    // Track editing: the track panel, the quick language panel, the grid popups (track_panel.h).
    TrackEditing* trackEdit = nullptr;

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
    friend class TrackEditing;

    // Building the window (form_main.cpp, form_main_tabs.cpp).
    QWidget* BuildTopRows();
    void BuildContentsTab();
    void ConnectHandlers();

    // Helpers of the handlers.
    void SetBusy(bool busy);
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
    Document doc_;
    GuiHost host_;
    TFormYesNo* formYesNo_ = nullptr;
    TFormME* formME_ = nullptr;
    TFormTL* formTL_ = nullptr;
    bool busy_ = false;
    bool languageApplied_ = false;
    bool waitUntilParsed_ = false;
};

}  // namespace quillon::ui
