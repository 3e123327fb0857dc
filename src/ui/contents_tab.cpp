// The contents tab: building the grid with the save panel under it and the
// track editing over it; what the window tells it as files open and save.
#include "ui/contents_tab.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/save_panel.h"
#include "ui/track_grid.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

ContentsTab::ContentsTab(Document& doc, GuiHost& host, const SettingsTab& settings, QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      host_(host),
      settings_(settings),
      ImageRG(pictures::ImageRG()),
      ImagePL(pictures::ImagePL()),
      ImageBD(pictures::ImageBD()),
      ImageRD(pictures::ImageRD()) {
    setObjectName("TabSheetRE");
    BuildGrid();
    PanelSAVE = new SavePanel(doc_, host_, settings_, this);
    connect(PanelSAVE, &SavePanel::saveRequested, this, &ContentsTab::saveRequested);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Tracks, 1);
    layout->addWidget(PanelSAVE);
    // After the grid's own filter: the track editing sees a press first (where it was, for the pop-ups).
    trackEdit_ = new TrackEditing(*this);
}

void ContentsTab::BuildGrid() {
    Tracks = Make<QTableWidget>(this, "Tracks");
    SetUpTrackGrid(*Tracks, [this](QPainter& painter, int column, int row, const QRect& rect, bool selected) {
        TracksDrawCell(painter, column, row, rect, selected);
    });
    PanelSE = Make<QFrame>(Tracks->viewport(), "PanelSE");
    PanelSE->setAutoFillBackground(true);
    ImageTX = Make<ClickableImage>(PanelSE, "ImageTX");
    ImageTX->setPixmap(pictures::SelectAll());
    ImageTX->setToolTip(QStringLiteral("все / ничего"));
    auto* panelLayout = new QHBoxLayout(PanelSE);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(ImageTX);
    PanelSE->installEventFilter(this);
    Tracks->viewport()->installEventFilter(this);
    connect(ImageTX, &ClickableImage::clicked, this, &ContentsTab::PanelSEClick);
}

bool ContentsTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched == Tracks->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex cell = Tracks->indexAt(mouse->position().toPoint());
        TracksMouseDown(cell.isValid() ? cell.row() : -1, cell.column(), mouse->button());
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched == PanelSE) {
        PanelSEClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString ContentsTab::Tr(const char* rus) const { return FromCore(host_.Tr(rus)); }

void ContentsTab::SetImportWindow(TFormMTL* window) { trackEdit_->SetImportWindow(window); }

void ContentsTab::TabSheetREShow() {
    const char* headers[5] = {nullptr, "тип", "описание", "язык", nullptr};
    for (int column = 1; column < 4; ++column) {
        if (!Tracks->item(0, column)) Tracks->setItem(0, column, new QTableWidgetItem);
        Tracks->item(0, column)->setText(Tr(headers[column]));
    }
    if (!Tracks->item(0, 4)) Tracks->setItem(0, 4, new QTableWidgetItem);
    Tracks->item(0, 4)->setText(QStringLiteral("def"));
    ShowTracks();
}

void ContentsTab::ApplyLanguage() {
    PanelSAVE->ApplyLanguage();
    const char* headers[] = {"тип", "описание", "язык"};
    for (int column = 1; column <= 3; ++column)
        if (QTableWidgetItem* cell = Tracks->item(0, column)) cell->setText(Tr(headers[column - 1]));
}

void ContentsTab::LeaveOutputMode() { PanelSAVE->UncheckOutputSwitches(); }

void ContentsTab::FileOpened() {
    PanelSAVE->ProposeOutputName();
    PanelSAVE->HideNewFileNeeded();
    trackEdit_->PanelTR->hide();
    trackEdit_->PanelLA->hide();
}

void ContentsTab::EnableAviByTracks() { PanelSAVE->EnableAviByTracks(); }

void ContentsTab::ShowNewFileNeeded() { PanelSAVE->ShowNewFileNeeded(); }

SaveRequest ContentsTab::StartSave() { return PanelSAVE->StartSave(); }

void ContentsTab::FinishSave(SaveOutcome outcome, const std::string& outputPath) { PanelSAVE->FinishSave(outcome, outputPath); }

void ContentsTab::SaveByKey() { PanelSAVE->SaveByKey(); }

}  // namespace quillon::ui
