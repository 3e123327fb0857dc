// The timeline window: the tracks whose block times go backwards, a report
// per track, the five ways to deal with them, and the plot of the selected
// track's block times (block number across, time up; a backward step shows
// as a red point below the dark blue line). Made once at start; the main
// window runs its check after a full open and before a save.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QWidget>

#include "core/document.h"
#include "core/host.h"
#include "timeline/plot_geometry.h"
#include "timeline/timeline_check.h"

class QAction;
class QCheckBox;
class QFrame;
class QMenu;
class QPainter;
class QPlainTextEdit;
class QRadioButton;
class QSlider;
class QTableWidget;

namespace quillon::ui {

class ClickableImage;

// The window's own canvas: the whole client area under the panels, painted
// by the window's drawing.
class TimelineCanvas : public QWidget {
public:
    TimelineCanvas(std::function<void(QPainter&)> draw, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> draw_;
};

class TFormTL : public QWidget {
    Q_OBJECT
public:
    // The window reads and repairs `doc`; `host` gives the interface language.
    TFormTL(Document& doc, const Host& host, QWidget* parent = nullptr);

    // The check over the document's model: the report, nonLinear and the
    // caption. True when a track's times go backwards.
    bool TimeLineCheck();
    // Shows the window on the last check (FormShow), or refreshes it when it is up.
    void ShowReport();

    // Called after a repair that changed the model: a new file is needed.
    std::function<void()> modelChanged;

    bool nonLinear() const { return report_.nonLinear; }
    const TimelineReport& report() const { return report_; }
    const std::vector<TrackLineRow>& trackLine() const { return trackLine_; }
    uint64_t shownTrack() const { return shownTrack_; }

    // ---- handlers and steps
    void FormShow();
    void FillTN();
    void TRClick();
    void CheckKFClick();
    void Check1x1Click();
    void TrackBarChange();
    void Close1x1();
    void RadioOSClick();
    void RadioPEClick();
    void Image5Click();
    void MakeTrackTL(uint64_t trackNo);
    void ShowTrackError(uint64_t trackNo);
    // The plot's context menu entry: a save dialog, then SavePlotPNG.
    void MIpngClick();
    // The plot as the window shows it, without the panels; false when it cannot be written.
    bool SavePlotPNG(const QString& path);

    // ---- drawing (form_tl_draw.cpp)
    PlotFrame Frame() const;
    void DrawTL(QPainter& painter);
    void DrawTLfull(QPainter& painter);
    void DrawTL1x1(QPainter& painter);

    // Choices and apply.
    QFrame* PanelT;
    QRadioButton* RadioOS;
    QRadioButton* RadioPE;
    QRadioButton* RadioIS;
    QRadioButton* RadioIV;
    QRadioButton* RadioKF;
    QCheckBox* CheckRB;
    ClickableImage* Image5;
    QPlainTextEdit* MemoTL;
    // Tracks.
    QFrame* PanelL;
    QTableWidget* TR;
    QCheckBox* CheckKF;
    // 1:1 view.
    QFrame* PanelB;
    QCheckBox* Check1x1;
    QSlider* TrackBar;
    // The plot and its menu.
    TimelineCanvas* PlotTL;
    QMenu* PopupTL;
    QAction* MIpng;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString Tr(const char* rus) const;
    void BuildPanelT();
    void BuildPanelL();
    void BuildPanelB();
    void ApplyLanguage();
    void UncheckChoices();
    void FlashRadioOS();
    uint64_t SelectedTrack() const;
    void SelectTrackRow(int row);
    void DrawFrameAndAxes(QPainter& painter, const PlotView& view);
    void DrawPoints(QPainter& painter, const PlotView& view);

    Document& doc_;
    const Host& host_;
    TimelineReport report_;
    std::vector<TrackLineRow> trackLine_;
    uint64_t shownTrack_ = 0;
};

// Text turned by `angle` degrees counter-clockwise, its unturned top-left
// corner at x, y, in the painter's font (bold, italic, underline and
// strike-out kept).
void CanvasTextOut(QPainter& painter, int x, const QString& text, int angle, int y);
// Text reading upwards.
void CCVTextOut(QPainter& painter, int x, int y, const QString& text);

}  // namespace quillon::ui
