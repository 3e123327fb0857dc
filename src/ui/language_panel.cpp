// The quick language panel PanelLA: a new code for one track, written into
// the open file in place.
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "edit/quick_edits.h"
#include "ui/clickable_image.h"
#include "ui/contents_tab.h"
#include "ui/track_panel.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

void TrackEditing::BuildLanguagePanel() {
    PanelLA = Make<QFrame>(&tab_, "PanelLA");
    PanelLA->setFrameShape(QFrame::Box);
    PanelLA->setAutoFillBackground(true);
    auto* row = new QHBoxLayout(PanelLA);
    PanelLATitle = Make<QLabel>(PanelLA, "PanelLATitle");
    PanelLATitle->setAutoFillBackground(true);
    PanelLATitle->setBackgroundRole(QPalette::Highlight);
    PanelLATitle->setFixedWidth(8);
    PanelLATitle->setCursor(Qt::SizeAllCursor);
    PanelLATitle->installEventFilter(this);
    LabelLLA = Make<QLabel>(PanelLA, "LabelLLA");
    EditLA = Make<QLineEdit>(PanelLA, "EditLA");
    EditLA->setFixedWidth(48);
    EditLA->installEventFilter(this);
    LabelLA = Make<QLabel>(PanelLA, "LabelLA");
    LabelLA->hide();
    ImageLS = Make<ClickableImage>(PanelLA, "ImageLS");
    ImageLS->setText(QStringLiteral("✔"));
    Image2 = Make<ClickableImage>(PanelLA, "Image2");
    Image2->setText(QStringLiteral("✘"));
    for (QWidget* widget : std::initializer_list<QWidget*>{PanelLATitle, LabelLLA, EditLA, ImageLS, Image2}) row->addWidget(widget);
    connect(ImageLS, &ClickableImage::clicked, this, &TrackEditing::ImageLSClick);
    connect(Image2, &ClickableImage::clicked, this, &TrackEditing::Image2Click);
    PanelLA->adjustSize();
    PanelLA->hide();
}

namespace {
// "zh-Hant-TW", "sr-Latn-RS-x-private": room for any tag people give a track.
constexpr int kLongestLanguageTag = 35;
}  // namespace

void TrackEditing::OpenLanguagePanel(int gridRow) {
    const Track& track = tab_.doc_.tatra[gridRow - 1];
    // A longer code than the old one is written too (the Tracks master is rewritten for it).
    EditLA->setMaxLength(kLongestLanguageTag);
    EditLA->setText(FromCore(track.language));
    LabelLA->setText(QString::number(gridRow));
    PanelLA->adjustSize();
    const QTableWidget& grid = *tab_.Tracks;
    const QPoint gridTop = grid.mapTo(&tab_, QPoint(0, 0));
    // Beside the row's language cell, on the description side: the language
    // and default cells of the rows around stay in view.
    const int languageLeft = gridTop.x() + grid.frameWidth() + grid.columnViewportPosition(3);
    const int rowTop = gridTop.y() + grid.frameWidth() + grid.rowViewportPosition(gridRow);
    PanelLA->move(std::max(languageLeft - PanelLA->width() - 2, 0), std::max(rowTop - 2, 0));
    PanelLA->show();
    PanelLA->raise();
    EditLA->selectAll();
    EditLA->setFocus();
}

void TrackEditing::ImageLSClick() {
    bool isNumber = false;
    const int gridRow = LabelLA->text().toInt(&isNumber);
    Document& doc = tab_.doc_;
    if (isNumber && gridRow >= 1 && gridRow <= static_cast<int>(doc.tatra.size())) {
        // The core keeps the element's size itself (a shorter code widens the size field).
        const std::string code = ToCore(EditLA->text());
        const PatchResult result = QuickSetLanguage(doc, tab_.host_, gridRow - 1, code);
        if (result == PatchResult::Written) {
            if (QTableWidgetItem* cell = tab_.Tracks->item(gridRow, 3)) cell->setText(FromCore(doc.tatra[gridRow - 1].language));
            tab_.Tracks->viewport()->update();
            RefreshTreeRows();
        } else if (result == PatchResult::Rewritten) {
            FollowQuickEdit(result, gridRow, 3);
        }
    }
    PanelLA->hide();
}

void TrackEditing::Image2Click() { PanelLA->hide(); }

void TrackEditing::RefreshTreeRows() {
    const Document& doc = tab_.doc_;
    for (size_t row = 0; row < doc.tatra.size(); ++row) {
        if (const int element = TrackFlagDefaultElement(doc, row); element >= 0) emit tab_.elementChanged(element);
        if (const int element = TrackLanguageElement(doc, row); element >= 0) emit tab_.elementChanged(element);
    }
}

}  // namespace quillon::ui
