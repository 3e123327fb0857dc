// Building the contents tab: the track grid and the save panel under it.
#include <QUrl>
#include <QDesktopServices>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/clickable_image.h"
#include "ui/form_main.h"
#include "ui/pictures.h"
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
    layout->addWidget(BuildSavePanel());
}

QWidget* TFormMain::BuildSavePanel() {
    auto* panel = new QFrame(TabSheetRE);
    panel->setObjectName("PanelSAVE");
    panel->setFrameShape(QFrame::StyledPanel);

    CheckEX = Make<QCheckBox>(panel, "CheckEX");
    CheckEX->setText(QStringLiteral("экспорт"));
    CheckAVI = Make<QCheckBox>(panel, "CheckAVI");
    CheckAVI->setText(QStringLiteral("конверт"));
    EditOUT = Make<QLineEdit>(panel, "EditOUT");
    ImageSA = Make<ClickableImage>(panel, "ImageSA");
    ImageSA->setPixmap(pictures::SaveDisk());
    ImageSATT = Make<QLabel>(panel, "ImageSATT");
    ImageSATT->setPixmap(pictures::NewFileMark());
    ImageSATT->hide();

    PanelSND = Make<QFrame>(panel, "PanelSND");
    PanelSUB = Make<QFrame>(panel, "PanelSUB");
    auto typeButton = [](QFrame* typePanel, const char* name, const char* caption) {
        auto* button = Make<QRadioButton>(typePanel, name);
        button->setText(QString::fromUtf8(caption));
        typePanel->layout()->addWidget(button);
        return button;
    };
    for (QFrame* typePanel : {PanelSND, PanelSUB}) {
        typePanel->setFrameShape(QFrame::StyledPanel);
        typePanel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(typePanel);
        row->setContentsMargins(8, 2, 8, 2);
        row->setSpacing(8);
    }
    // The row order is the order the buttons are laid out in.
    RadioMKA = typeButton(PanelSND, "RadioMKA", "mka");
    RadioAAC = typeButton(PanelSND, "RadioAAC", "aac");
    RadioAC3 = typeButton(PanelSND, "RadioAC3", "ac3");
    RadioMP3 = typeButton(PanelSND, "RadioMP3", "mp3");
    RadioOGG = typeButton(PanelSND, "RadioOGG", "ogg");
    RadioFLAC = typeButton(PanelSND, "RadioFLAC", "flac");
    RadioWA3 = typeButton(PanelSND, "RadioWA3", "wav (mp3)");
    RadioWAV = typeButton(PanelSND, "RadioWAV", "wav (pcm)");
    RadioMKS = typeButton(PanelSUB, "RadioMKS", "mks");
    RadioSRT = typeButton(PanelSUB, "RadioSRT", "srt");
    RadioASS = typeButton(PanelSUB, "RadioASS", "ass");

    CheckCH = Make<QCheckBox>(panel, "CheckCH");
    CheckCH->setText(QStringLiteral("выгрузить Chapters"));
    CheckAT = Make<QCheckBox>(panel, "CheckAT");
    CheckAT->setText(QStringLiteral("выгрузить Attachments"));
    CheckTG = Make<QCheckBox>(panel, "CheckTG");
    CheckTG->setText(QStringLiteral("выгрузить Tags"));
    CheckCU = Make<QCheckBox>(panel, "CheckCU");
    CheckCU->setText(QStringLiteral("не создавать Cues"));
    CheckSH = Make<QCheckBox>(panel, "CheckSH");
    CheckSH->setText(QStringLiteral("не создавать SeekHead"));

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(CheckEX);
    nameRow->addWidget(CheckAVI);
    nameRow->addWidget(EditOUT, 1);
    nameRow->addWidget(ImageSA);
    nameRow->addWidget(ImageSATT);
    // The type panels sit right-aligned with the output name.
    auto* typeRow = new QHBoxLayout;
    typeRow->addStretch();
    typeRow->addWidget(PanelSND);
    typeRow->addWidget(PanelSUB);
    typeRow->addSpacing(ImageSA->sizeHint().width() + 6);
    auto* optionRow = new QHBoxLayout;
    for (QCheckBox* option : {CheckCH, CheckAT, CheckTG, CheckCU, CheckSH}) optionRow->addWidget(option);
    optionRow->addStretch();

    // What the last save did, where the user looks: the file, its size, its folder.
    LabelSR = Make<QLabel>(panel, "LabelSR");
    LabelSR->setTextFormat(Qt::RichText);
    LabelSR->setTextInteractionFlags(Qt::TextBrowserInteraction);
    LabelSR->setWordWrap(true);
    connect(LabelSR, &QLabel::linkActivated, this, [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    });

    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(6, 4, 6, 4);
    rows->addLayout(nameRow);
    rows->addLayout(typeRow);
    rows->addLayout(optionRow);
    rows->addWidget(LabelSR);
    return panel;
}

}  // namespace quillon::ui
