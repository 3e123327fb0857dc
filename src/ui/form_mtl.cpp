#include "ui/form_mtl.h"

#include <algorithm>

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/form_yes_no.h"
#include "ui/pictures.h"
#include "ui/track_grid.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"
#include "ui/window_placement.h"

namespace quillon::ui {

TFormMTL::TFormMTL(TFormYesNo* yesNo, QWidget* parent)
    : QDialog(parent), ImageRG(pictures::ImageRG()), ImageBD(pictures::ImageBD()), yesNo_(yesNo) {
    setObjectName("TFormMTL");
    setWindowTitle(QStringLiteral("  список импортируемых треков"));
    setModal(true);
    resize(480, 220);

    Tracks = Make<QTableWidget>(this, "Tracks");
    // The rows of the other file are all tracks of that file: the "added"
    // and "made default" glyphs never show here.
    SetUpTrackGrid(*Tracks, [this](QPainter& painter, int column, int row, const QRect& rect, bool selected) {
        static const TrackTable none;
        DrawTrackCell(painter, *Tracks, tracks_ ? *tracks_ : none, {ImageRG, ImageRG, ImageBD, ImageBD}, column, row,
                      rect, selected);
    });

    PanelSE = Make<QFrame>(Tracks->viewport(), "PanelSE");
    PanelSE->setAutoFillBackground(true);
    ImageSE = Make<ClickableImage>(PanelSE, "ImageSE");
    ImageSE->setPixmap(pictures::SelectAll());
    auto* panelLayout = new QHBoxLayout(PanelSE);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(ImageSE);
    PanelSE->installEventFilter(this);

    Image2 = Make<ClickableImage>(this, "Image2");
    Image2->setPixmap(pictures::ConfirmMark());

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Image2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Tracks, 1);
    layout->addLayout(bottom);

    connect(Tracks, &QTableWidget::cellClicked, this, &TFormMTL::TracksClick);
    connect(ImageSE, &ClickableImage::clicked, this, &TFormMTL::ImageSEClick);
    connect(Image2, &ClickableImage::clicked, this, &TFormMTL::Image2Click);
}

QString TFormMTL::Tr(const char* rus) const { return FromCore(quillon::Tr(rus, lang_)); }

bool TFormMTL::Choose(TrackTable& tracks, QWidget* owner, Lang lang) {
    tracks_ = &tracks;
    owner_ = owner;
    lang_ = lang;
    // The other windows look their texts up when they show them; so does this one.
    setWindowTitle(Tr("  список импортируемых треков"));
    ImageSE->setToolTip(Tr("все / ничего"));
    const QString title[5] = {QString(), Tr("тип"), Tr("описание"), Tr("язык"), QStringLiteral("def")};
    for (int column = 0; column < 5; ++column) Tracks->item(0, column)->setText(title[column]);
    TrackList2Screen();
    exec();
    tracks_ = nullptr;
    return confirmed_;
}

void TFormMTL::TrackList2Screen() {
    static const TrackTable none;
    FillTrackGrid(*Tracks, tracks_ ? *tracks_ : none, Tr("не задан"));
    FitColumns();
}

void TFormMTL::showEvent(QShowEvent* event) {
    confirmed_ = false;
    QDialog::showEvent(event);
    CentreOver(this, owner_);
    FitColumns();
}

void TFormMTL::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitColumns();
}

void TFormMTL::FitColumns() {
    FitDescriptionColumn(*Tracks);
    PanelSE->setGeometry(Tracks->visualRect(Tracks->model()->index(0, 0)));
}

void TFormMTL::TracksClick(int row, int column) {
    if (!tracks_ || tracks_->empty() || column != 0 || row < 1 || row > static_cast<int>(tracks_->size())) return;
    Track& track = (*tracks_)[row - 1];
    track.selectMark = track.selectMark == "y" ? "" : "y";
    ShowSelectMarks(*Tracks, *tracks_);
}

void TFormMTL::ImageSEClick() {
    if (!tracks_) return;
    const bool anyTicked =
        std::any_of(tracks_->begin(), tracks_->end(), [](const Track& track) { return track.selectMark == "y"; });
    for (Track& track : *tracks_) track.selectMark = anyTicked ? "" : "y";
    ShowSelectMarks(*Tracks, *tracks_);
}

void TFormMTL::Image2Click() {
    const bool anyTicked = tracks_ && std::any_of(tracks_->begin(), tracks_->end(),
                                                  [](const Track& track) { return track.selectMark == "y"; });
    if (anyTicked) {
        confirmed_ = true;
        accept();
        return;
    }
    // Both buttons only close the box; the window stays for another choice.
    if (yesNo_) yesNo_->AskWithCaptions(Tr("надо указать хотя бы один трек..."), Tr("понятно"), Tr(" ясно "), this, 'y');
}

bool TFormMTL::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PanelSE && event->type() == QEvent::MouseButtonPress) {
        ImageSEClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quillon::ui
