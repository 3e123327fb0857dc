// Building the contents tab: the track grid and the save panel under it.
#include <QHBoxLayout>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/form_main.h"
#include "ui/pictures.h"
#include "ui/save_panel.h"
#include "ui/track_grid.h"
#include "ui/widget_factory.h"

namespace quillon::ui {

void TFormMain::BuildContentsTab() {
    Tracks = Make<QTableWidget>(TabSheetRE, "Tracks");
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
    connect(ImageTX, &ClickableImage::clicked, this, &TFormMain::PanelSEClick);

    auto* layout = new QVBoxLayout(TabSheetRE);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Tracks, 1);
    PanelSAVE = new SavePanel(doc_, host_, *TabSheetCFG, TabSheetRE);
    layout->addWidget(PanelSAVE);
}

}  // namespace quillon::ui
