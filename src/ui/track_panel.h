// Track editing, a part of the contents tab: the track panel PanelTR
// (staged edits), the quick language panel PanelLA, the grid's popup menus
// PopupTR and PopupDEF with the commands that add tracks, and the grid's
// mouse and key dispatch. The edits themselves are the core's
// (edit/staged_edits.h, edit/quick_edits.h, edit/track_import.h,
// edit/subtitle_addition.h, edit/mp3_addition.h).
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "edit/in_place_patch.h"
#include "edit/staged_edits.h"

class QAction;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace quillon::ui {

class ClickableImage;
class ContentsTab;
class TFormMTL;

class TrackEditing : public QObject {
    Q_OBJECT
public:
    explicit TrackEditing(ContentsTab& tab);

    // ---- track panel (track_panel.cpp)
    void MIparaClick();
    void ImageTNSAClick();
    // "apply to the file now": the panel's changes written into the file in place.
    void ButtonTAPClick();
    void Image4Click();
    void Image3Click();
    void CodeButtonClick(const char* code);  // Panel1, Panel4, Panel5, Panel6
    // The numeric key filter of EditTTS, EditTT and EditTD: true when the key
    // is dropped; a "." is turned into "," in `event` terms by typing "," instead.
    bool EditTTSKeyPress(QLineEdit* box, QKeyEvent* event);

    // ---- quick language panel (language_panel.cpp)
    void OpenLanguagePanel(int gridRow);
    void ImageLSClick();
    void Image2Click();

    // ---- grid dispatch (grid_dispatch.cpp)
    // Called by ContentsTab::TracksMouseDown for every press.
    void BeforeGridPress();
    void GridPress(int row, int column, Qt::MouseButton button);
    void MIupClick();
    void MIdownClick();
    void MIdefClick();
    void QuickDefaultSwitch(int gridRow);
    // The tip of a grid cell, empty for cells without one (grid_tips.cpp).
    QString CellTip(int row, int column) const;

    // ---- adding tracks (track_adding_commands.cpp)
    // The window where the tracks of a file to import from are ticked.
    void SetImportWindow(TFormMTL* window) { importWindow_ = window; }
    // Each command asks for its file, then runs its ...With part, which
    // takes the file's path (what a test calls).
    void MIimportClick();
    void MIimportClickWith(const QString& path);
    void MIaudClick();
    void MIaudClickWith(const QString& path);
    void MIsubClick();
    void MIsubClickWith(const QString& path);
    // The add commands' open dialog remembers its folder here for the run.
    QString addDialogDir;

    // Track panel.
    QFrame* PanelTR;
    QLabel* PanelTRTitle;
    QLabel* LabelNN;
    QLabel* LabelTN;
    QLineEdit* EditTID;
    QLabel* LabelTNA;
    QLineEdit* EditTNA;
    ClickableImage* Image3;
    QLabel* LabelTLA;
    QLineEdit* EditTLA;
    QPushButton* Panel1;
    QPushButton* Panel4;
    QPushButton* Panel5;
    QPushButton* Panel6;
    QCheckBox* CheckTDE;
    QLabel* LabelTTS;
    QLineEdit* EditTTS;
    QLabel* LabelTFF;
    QLineEdit* EditTT;
    QLabel* LabelTD;
    QLabel* LabelTRW;  // why the last ✔ was refused, beside the buttons
    QLineEdit* EditTD;
    ClickableImage* ImageTNSA;
    QPushButton* ButtonTAP;
    ClickableImage* Image4;
    QString initialFirstFrame;
    TrackPanelValues panelShown;  // what the panel showed when it opened
    bool initialIsDefault = false;

    // Quick language panel.
    QFrame* PanelLA;
    QLabel* PanelLATitle;
    QLabel* LabelLLA;
    QLineEdit* EditLA;
    QLabel* LabelLA;
    ClickableImage* ImageLS;
    ClickableImage* Image2;

    // Popup menus of the grid.
    QMenu* PopupTR;
    QAction* MIup;
    QAction* MIdown;
    QAction* MIpara;
    QAction* MIimport;
    QAction* MIaud;
    QAction* MIsub;
    QMenu* PopupDEF;
    QAction* MIdef;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTrackPanel();
    // The panel's boxes as the core takes them.
    TrackPanelInput PanelInput() const;
    void BuildLanguagePanel();
    void BuildPopups();
    // The tree captions of the FlagDefault / Language elements of every track
    // follow the file (the tab tells the window, which owns the tree).
    void RefreshTreeRows();
    // After a quick edit: the grid shows what the file now holds.
    void FollowQuickEdit(PatchResult result, int gridRow, int column);
    void ReadFileAgain();
    void ShowStaged();
    int CurrentTrack() const;  // tatra index of the grid's current row, or -1
    // The add commands' open dialog; an empty text when the user cancels.
    QString ChooseFileToAdd(const QStringList& filters);
    // The full scan and the model the add commands work on; false to stop.
    bool PrepareToAdd();

    ContentsTab& tab_;
    QPoint dragOffset_;
    QPoint pressGlobal_;  // where the last press on the grid was, for the popups
    TFormMTL* importWindow_ = nullptr;
};

}  // namespace quillon::ui
