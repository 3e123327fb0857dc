// The track panel PanelTR: opening it on the grid's current track, the accept
// that stages its values (or blinks the box it refuses), cancel, and the
// numeric key filter of its time boxes.
#include "ui/track_panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "edit/header_edit.h"
#include "edit/panel_in_place.h"
#include "edit/staged_edits.h"
#include "ui/blink_control.h"
#include "ui/clickable_image.h"
#include "ui/contents_tab.h"
#include "ui/save_panel.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"
#include "save/save_command.h"

namespace quillon::ui {

TrackEditing::TrackEditing(ContentsTab& tab) : QObject(&tab), tab_(tab) {
    setObjectName(QStringLiteral("TrackEditing"));
    BuildTrackPanel();
    BuildLanguagePanel();
    BuildPopups();
    tab_.Tracks->installEventFilter(this);
    tab_.Tracks->viewport()->installEventFilter(this);
}

void TrackEditing::BuildTrackPanel() {
    PanelTR = Make<QFrame>(&tab_, "PanelTR");
    PanelTR->setFrameShape(QFrame::Box);
    PanelTR->setAutoFillBackground(true);
    auto* grid = new QGridLayout(PanelTR);
    PanelTRTitle = Make<QLabel>(PanelTR, "PanelTRTitle");
    PanelTRTitle->setAutoFillBackground(true);
    PanelTRTitle->setBackgroundRole(QPalette::Highlight);
    PanelTRTitle->setMinimumHeight(12);
    PanelTRTitle->setCursor(Qt::SizeAllCursor);
    PanelTRTitle->installEventFilter(this);
    grid->addWidget(PanelTRTitle, 0, 0, 1, 6);

    LabelNN = Make<QLabel>(PanelTR, "LabelNN");
    LabelTN = Make<QLabel>(PanelTR, "LabelTN");
    EditTID = Make<QLineEdit>(PanelTR, "EditTID");
    EditTID->setReadOnly(true);
    grid->addWidget(LabelNN, 1, 0);
    grid->addWidget(LabelTN, 1, 1);
    grid->addWidget(EditTID, 1, 2, 1, 4);

    LabelTNA = Make<QLabel>(PanelTR, "LabelTNA");
    EditTNA = Make<QLineEdit>(PanelTR, "EditTNA");
    EditTNA->setMaxLength(100);
    Image3 = Make<ClickableImage>(PanelTR, "Image3");
    Image3->setText(QStringLiteral("×"));
    grid->addWidget(LabelTNA, 2, 0);
    grid->addWidget(EditTNA, 2, 1, 1, 4);
    grid->addWidget(Image3, 2, 5);

    LabelTLA = Make<QLabel>(PanelTR, "LabelTLA");
    EditTLA = Make<QLineEdit>(PanelTR, "EditTLA");
    EditTLA->setMaxLength(3);
    grid->addWidget(LabelTLA, 3, 0);
    grid->addWidget(EditTLA, 3, 1);
    const std::pair<QPushButton**, const char*> codes[] = {
        {&Panel1, "rus"}, {&Panel4, "eng"}, {&Panel5, "jpn"}, {&Panel6, "und"}};
    const char* names[] = {"Panel1", "Panel4", "Panel5", "Panel6"};
    for (int k = 0; k < 4; ++k) {
        QPushButton* button = Make<QPushButton>(PanelTR, names[k]);
        button->setText(QString::fromLatin1(codes[k].second));
        button->setFocusPolicy(Qt::NoFocus);
        const char* code = codes[k].second;
        connect(button, &QPushButton::clicked, this, [this, code] { CodeButtonClick(code); });
        *codes[k].first = button;
        grid->addWidget(button, 3, 2 + k);
    }

    CheckTDE = Make<QCheckBox>(PanelTR, "CheckTDE");
    CheckTDE->setText(QStringLiteral("трэк по умолчанию"));
    grid->addWidget(CheckTDE, 4, 0, 1, 6);

    LabelTTS = Make<QLabel>(PanelTR, "LabelTTS");
    LabelTTS->setText(QStringLiteral("TrackTimecodeScale:"));
    EditTTS = Make<QLineEdit>(PanelTR, "EditTTS");
    EditTTS->setMaxLength(20);
    LabelTFF = Make<QLabel>(PanelTR, "LabelTFF");
    EditTT = Make<QLineEdit>(PanelTR, "EditTT");
    EditTT->setMaxLength(20);
    LabelTD = Make<QLabel>(PanelTR, "LabelTD");
    EditTD = Make<QLineEdit>(PanelTR, "EditTD");
    EditTD->setReadOnly(true);
    grid->addWidget(LabelTTS, 5, 0, 1, 2);
    grid->addWidget(EditTTS, 5, 2, 1, 4);
    grid->addWidget(LabelTFF, 6, 0, 1, 2);
    grid->addWidget(EditTT, 6, 2, 1, 4);
    grid->addWidget(LabelTD, 7, 0, 1, 2);
    grid->addWidget(EditTD, 7, 2, 1, 4);
    for (QLineEdit* box : {EditTTS, EditTT, EditTD}) box->installEventFilter(this);

    ImageTNSA = Make<ClickableImage>(PanelTR, "ImageTNSA");
    ImageTNSA->setText(QStringLiteral("✔"));
    Image4 = Make<ClickableImage>(PanelTR, "Image4");
    Image4->setText(QStringLiteral("✘"));
    LabelTRW = Make<QLabel>(PanelTR, "LabelTRW");
    LabelTRW->setWordWrap(true);
    LabelTRW->setForegroundRole(QPalette::BrightText);
    grid->addWidget(LabelTRW, 8, 0, 1, 4);
    grid->addWidget(ImageTNSA, 8, 4);
    grid->addWidget(Image4, 8, 5);
    // Beside the staged edit for a new file, the same change written into this file now.
    ButtonTAP = Make<QPushButton>(PanelTR, "ButtonTAP");
    grid->addWidget(ButtonTAP, 9, 0, 1, 6);
    connect(ButtonTAP, &QPushButton::clicked, this, &TrackEditing::ButtonTAPClick);

    connect(ImageTNSA, &ClickableImage::clicked, this, &TrackEditing::ImageTNSAClick);
    connect(Image4, &ClickableImage::clicked, this, &TrackEditing::Image4Click);
    connect(Image3, &ClickableImage::clicked, this, &TrackEditing::Image3Click);
    PanelTR->adjustSize();
    PanelTR->hide();
}

void TrackEditing::MIparaClick() {
    Document& doc = tab_.doc_;
    // After a header read the panel's scan refills the list under the tree,
    // which is built again when the container tab is shown.
    if (doc.readState != ReadState::FullTree && doc.readState != ReadState::FullNoTree) emit tab_.elementListOutdated();
    if (!prepare2export(doc, tab_.host_) || doc.tatra.empty()) return;
    const int track = CurrentTrack();
    if (track < 0) return;
    const auto values = OpenTrackPanel(doc, doc.tatra[track].numberText);
    if (!values) return;

    ImageTNSA->setToolTip(tab_.Tr("принять изменения"));
    ButtonTAP->setText(tab_.Tr("записать в файл сейчас"));
    ButtonTAP->setToolTip(tab_.Tr("имя, язык и флаг по умолчанию записываются в сам файл, без нового файла"));
    panelShown = *values;
    LabelTRW->clear();
    Image4->setToolTip(tab_.Tr("отмена"));
    PanelTR->adjustSize();
    const QSize area = tab_.size();
    PanelTR->move(std::max((area.width() - PanelTR->width()) / 2, 0), std::max((area.height() - PanelTR->height()) / 2, 0));
    PanelTR->show();
    PanelTR->raise();
    tab_.PanelSAVE->UncheckOutputSwitches();

    LabelTN->setText(FromCore(values->number));
    EditTID->setText(FromCore(values->codecID));
    EditTNA->setText(FromCore(values->name));  // UTF-8 on a Unicode screen
    // An added track's placeholder is no language: the box stays empty and says so.
    EditTLA->setText(values->language == kPlaceholderLanguage ? QString() : FromCore(values->language));
    EditTLA->setPlaceholderText(tab_.Tr("не задан"));
    EditTTS->setText(FromCore(values->timecodeScale));
    EditTT->setText(FromCore(values->firstFrame));
    initialFirstFrame = EditTT->text();
    EditTD->setText(FromCore(values->duration));
    const QSignalBlocker quiet(CheckTDE);
    CheckTDE->setChecked(values->isDefault);
    initialIsDefault = values->isDefault;
    LabelTRW->clear();
}

namespace {

// Why the panel refused, said beside its buttons (Russian key).
const char* RefusalText(PanelField field) {
    switch (field) {
        case PanelField::Language: return "укажите язык: трёхбуквенный код, например rus";
        case PanelField::LanguagePlaceholder: return "язык не задан: укажите код, например rus";
        case PanelField::UnknownLanguage: return "такого кода языка нет";
        case PanelField::TimecodeScale: return "TrackTimecodeScale: нужно число больше нуля";
        case PanelField::FirstFrame: return "время первого кадра: целое число, не меньше нуля";
        case PanelField::None:
        case PanelField::NoSuchTrack: break;
    }
    return "";
}

}  // namespace

TrackPanelInput TrackEditing::PanelInput() const {
    TrackPanelInput input;
    input.number = ToCore(LabelTN->text());
    input.name = ToCore(EditTNA->text());
    input.language = ToCore(EditTLA->text());
    input.timecodeScale = ToCore(EditTTS->text());
    input.firstFrame = ToCore(EditTT->text());
    input.initialFirstFrame = ToCore(initialFirstFrame);
    input.isDefault = CheckTDE->isChecked();
    input.initialIsDefault = initialIsDefault;
    return input;
}

void TrackEditing::ImageTNSAClick() {
    const TrackPanelInput input = PanelInput();

    const PanelField refused = AcceptTrackPanel(tab_.doc_, input);
    QLineEdit* box = nullptr;
    switch (refused) {
        case PanelField::None: break;
        case PanelField::Language:
        case PanelField::LanguagePlaceholder:
        case PanelField::UnknownLanguage: box = EditTLA; break;
        case PanelField::TimecodeScale: box = EditTTS; break;
        case PanelField::FirstFrame: box = EditTT; break;
        case PanelField::NoSuchTrack: return;
    }
    LabelTRW->setText(tab_.Tr(RefusalText(refused)));
    if (box) {
        BlinkControl(box);
        box->setFocus();
        if (refused == PanelField::LanguagePlaceholder || refused == PanelField::UnknownLanguage || refused == PanelField::FirstFrame)
            box->selectAll();
        return;
    }
    const int current = tab_.Tracks->currentRow();
    tab_.ShowTracks();
    if (current > 0) tab_.Tracks->setCurrentCell(current, std::max(tab_.Tracks->currentColumn(), 0));
    ShowStaged();
    PanelTR->hide();
}

void TrackEditing::ButtonTAPClick() {
    const TrackPanelInput input = PanelInput();
    Document& doc = tab_.doc_;
    const PanelInPlace plan = PanelChangesInPlace(doc, input, panelShown);
    if (plan.refusal) {
        LabelTRW->setText(tab_.Tr(plan.refusal));
        return;
    }
    const HeaderEditResult result = EditHeaders(doc.sourcePath, plan.edits);
    if (!result.ok) {
        LabelTRW->setText(tab_.Tr(result.refusal.key) + FromCore(result.refusal.detail));
        return;
    }
    tab_.host_.AddLog("• изменено в файле, заголовок переписан: трек ", input.number);
    const int row = tab_.Tracks->currentRow();
    PanelTR->hide();
    ReadFileAgain();
    if (row >= 1 && row < tab_.Tracks->rowCount()) tab_.Tracks->setCurrentCell(row, 1);
}

void TrackEditing::Image4Click() { PanelTR->hide(); }

void TrackEditing::Image3Click() {
    EditTNA->clear();
    EditTNA->setFocus();
}

void TrackEditing::CodeButtonClick(const char* code) { EditTLA->setText(QString::fromLatin1(code)); }

bool TrackEditing::EditTTSKeyPress(QLineEdit* box, QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) return false;  // arrows, Home, Delete...: no character
    const QChar key = text.at(0);
    if (key.unicode() < 32) return false;  // Backspace and other control characters
    if (key.isDigit() && key.unicode() <= '9') return false;
    if (key == QLatin1Char('.') || key == QLatin1Char(',')) {
        // The comma test always looks at EditTTS, whichever box has the focus.
        if (!EditTTS->text().isEmpty() && !EditTTS->text().contains(QLatin1Char(',')) && !box->isReadOnly())
            box->insert(QStringLiteral(","));
        return true;
    }
    return true;
}

void TrackEditing::ShowStaged() {
    tab_.doc_.saveMode = SaveMode::Build;
    tab_.PanelSAVE->ShowNewFileNeeded();
}

int TrackEditing::CurrentTrack() const {
    const int row = tab_.Tracks->currentRow();
    if (row < 1 || row > static_cast<int>(tab_.doc_.tatra.size())) return -1;
    return row - 1;
}

}  // namespace quillon::ui
