#include "ui/form_tl.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "timeline/timeline_repair.h"
#include "ui/clickable_image.h"
#include "ui/pictures.h"
#include "ui/ui_text.h"
#include "ui/widget_factory.h"

namespace quillon::ui {
namespace {

constexpr int kPanelTHeight = 134;
constexpr int kPanelLWidth = 40;
constexpr int kPanelBHeight = 34;

// TRDrawCell: the panel's text colour centred on the panel's colour; the
// selected cell black on light blue (0xFFE0E0 as BGR) and bold.
class TrackNumberDelegate : public QStyledItemDelegate {
public:
    TrackNumberDelegate(const QWidget* panel, QObject* parent) : QStyledItemDelegate(parent), panel_(panel) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? QColor(0xE0, 0xE0, 0xFF) : panel_->palette().color(QPalette::Window));
        QFont font = option.font;
        font.setBold(selected);
        painter->setFont(font);
        painter->setPen(selected ? QColor(Qt::black) : panel_->palette().color(QPalette::WindowText));
        painter->drawText(option.rect, Qt::AlignCenter, index.data().toString());
        painter->restore();
    }

private:
    const QWidget* panel_;
};

void Pause50ms() {
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

TimelineCanvas::TimelineCanvas(std::function<void(QPainter&)> draw, QWidget* parent)
    : QWidget(parent), draw_(std::move(draw)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimelineCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    draw_(painter);
}

TFormTL::TFormTL(Document& doc, const Host& host, QWidget* parent) : QWidget(parent), doc_(doc), host_(host) {
    setObjectName("TFormTL");
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);  // the program ends with the main window
    setWindowTitle(QStringLiteral("  TimeLine  ::  "));
    resize(820, 620);

    PlotTL = new TimelineCanvas([this](QPainter& painter) { DrawTL(painter); }, this);
    PlotTL->setObjectName("PlotTL");
    PlotTL->setContextMenuPolicy(Qt::CustomContextMenu);
    PopupTL = Make<QMenu>(this, "PopupTL");
    MIpng = PopupTL->addAction(QStringLiteral("сохранить как PNG"));
    MIpng->setObjectName("MIpng");
    connect(PlotTL, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupTL->popup(PlotTL->mapToGlobal(at)); });
    connect(MIpng, &QAction::triggered, this, &TFormTL::MIpngClick);

    BuildPanelT();
    BuildPanelL();
    BuildPanelB();
    UncheckChoices();
    CheckRB->hide();
}

void TFormTL::BuildPanelT() {
    PanelT = Make<QFrame>(this, "PanelT");
    PanelT->setFrameShape(QFrame::StyledPanel);
    PanelT->setAutoFillBackground(true);
    RadioOS = Make<QRadioButton>(PanelT, "RadioOS");
    RadioPE = Make<QRadioButton>(PanelT, "RadioPE");
    RadioIS = Make<QRadioButton>(PanelT, "RadioIS");
    RadioIV = Make<QRadioButton>(PanelT, "RadioIV");
    RadioKF = Make<QRadioButton>(PanelT, "RadioKF");
    CheckRB = Make<QCheckBox>(PanelT, "CheckRB");
    Image5 = Make<ClickableImage>(PanelT, "Image5");
    Image5->setPixmap(pictures::ConfirmMark());
    MemoTL = Make<QPlainTextEdit>(PanelT, "MemoTL");
    MemoTL->setReadOnly(true);
    ApplyLanguage();

    auto* choices = new QVBoxLayout;
    choices->setSpacing(1);
    for (QWidget* choice : {static_cast<QWidget*>(RadioOS), static_cast<QWidget*>(RadioPE), static_cast<QWidget*>(RadioIS),
                            static_cast<QWidget*>(RadioIV), static_cast<QWidget*>(RadioKF), static_cast<QWidget*>(CheckRB)})
        choices->addWidget(choice);
    choices->addStretch();
    auto* layout = new QHBoxLayout(PanelT);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addLayout(choices);
    layout->addWidget(Image5, 0, Qt::AlignTop);
    layout->addWidget(MemoTL, 1);

    connect(RadioOS, &QRadioButton::clicked, this, &TFormTL::RadioOSClick);
    connect(RadioPE, &QRadioButton::clicked, this, &TFormTL::RadioPEClick);
    connect(Image5, &ClickableImage::clicked, this, &TFormTL::Image5Click);
}

void TFormTL::BuildPanelL() {
    PanelL = Make<QFrame>(this, "PanelL");
    PanelL->setAutoFillBackground(true);
    TR = Make<QTableWidget>(PanelL, "TR");
    TR->setColumnCount(1);
    TR->horizontalHeader()->hide();
    TR->verticalHeader()->hide();
    TR->verticalHeader()->setDefaultSectionSize(18);
    TR->setShowGrid(false);
    TR->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TR->setSelectionMode(QAbstractItemView::SingleSelection);
    TR->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TR->setItemDelegate(new TrackNumberDelegate(PanelL, TR));
    CheckKF = Make<QCheckBox>(PanelL, "CheckKF");
    CheckKF->setText(QStringLiteral("KF"));
    connect(TR, &QTableWidget::currentCellChanged, this, [this] { TRClick(); });
    connect(CheckKF, &QCheckBox::clicked, this, &TFormTL::CheckKFClick);
}

void TFormTL::BuildPanelB() {
    PanelB = Make<QFrame>(this, "PanelB");
    PanelB->setAutoFillBackground(true);
    Check1x1 = Make<QCheckBox>(PanelB, "Check1x1");
    Check1x1->setText(QStringLiteral("1:1"));
    Check1x1->move(kPanelLWidth + 8, 8);
    Check1x1->adjustSize();
    TrackBar = Make<QSlider>(PanelB, "TrackBar");
    TrackBar->setOrientation(Qt::Horizontal);
    TrackBar->setRange(0, 0);
    TrackBar->hide();
    connect(Check1x1, &QCheckBox::clicked, this, &TFormTL::Check1x1Click);
    connect(TrackBar, &QSlider::valueChanged, this, &TFormTL::TrackBarChange);
}

QString TFormTL::Tr(const char* rus) const { return FromCore(quillon::Tr(rus, host_.language())); }

void TFormTL::ApplyLanguage() {
    RadioOS->setText(Tr("оставить как есть"));
    RadioPE->setText(Tr("пересортировать по времени"));
    RadioIS->setText(Tr("порядок не менять, исправить время"));
    RadioIV->setText(Tr("время исправить, кривые  кадры сделать invisible"));
    RadioKF->setText(Tr("время KeyFrames считать правильным, остальные пересчитать "));
    CheckRB->setText(Tr("если есть ReferenceBlock - пересчитывать его на предшествующий кадр"));
    MIpng->setText(Tr("сохранить как PNG"));
    setWindowTitle(FromCore(TimelineCaption(report_, host_.language())));
}

bool TFormTL::TimeLineCheck() {
    report_ = quillon::TimeLineCheck(doc_);
    setWindowTitle(FromCore(TimelineCaption(report_, host_.language())));
    return report_.nonLinear;
}

void TFormTL::ShowReport() {
    if (isVisible())
        FormShow();
    else
        show();  // FormShow runs as it shows
    raise();
    activateWindow();
}

void TFormTL::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TFormTL::FormShow() {
    ApplyLanguage();
    Close1x1();
    FillTN();
    UncheckChoices();
    CheckRB->hide();
    // The window opens on the first track the check found faults in (the
    // first track when there are none), selected in the grid.
    int row = 0;
    for (size_t k = 0; k < report_.tracks.size(); ++k)
        if (!report_.tracks[k].faults.empty()) {
            row = static_cast<int>(k);
            break;
        }
    SelectTrackRow(row);
    const uint64_t track = SelectedTrack();
    MakeTrackTL(track);
    ShowTrackError(track);
    PlotTL->update();
}

void TFormTL::FillTN() {
    const QSignalBlocker quiet(TR);
    TR->setRowCount(static_cast<int>(report_.tracks.size()));
    for (size_t k = 0; k < report_.tracks.size(); ++k)
        TR->setItem(static_cast<int>(k), 0, new QTableWidgetItem(QString::number(report_.tracks[k].trackNo)));
}

void TFormTL::SelectTrackRow(int row) {
    const QSignalBlocker quiet(TR);
    if (row < TR->rowCount()) TR->setCurrentCell(row, 0);
}

uint64_t TFormTL::SelectedTrack() const {
    const int row = TR->currentRow();
    if (row < 0 || row >= static_cast<int>(report_.tracks.size())) return 0;
    return report_.tracks[row].trackNo;
}

void TFormTL::TRClick() {
    if (Check1x1->isChecked()) Close1x1();
    const uint64_t track = SelectedTrack();
    ShowTrackError(track);
    MakeTrackTL(track);
    PlotTL->update();
}

void TFormTL::MakeTrackTL(uint64_t trackNo) {
    shownTrack_ = trackNo;
    trackLine_ = quillon::MakeTrackTL(doc_, report_, trackNo);
}

void TFormTL::ShowTrackError(uint64_t trackNo) {
    MemoTL->clear();
    for (const std::string& line : quillon::ShowTrackError(report_, trackNo, host_.language()))
        MemoTL->appendPlainText(FromCore(line));
    MemoTL->moveCursor(QTextCursor::Start);
}

void TFormTL::CheckKFClick() {
    TR->setFocus();
    Close1x1();
    PlotTL->update();
}

void TFormTL::Check1x1Click() {
    if (Check1x1->isChecked()) {
        TrackBar->setMaximum(OneToOneMaximum(trackLine_.size(), Frame()));
        TrackBar->show();
    } else {
        TrackBar->setValue(0);
        TrackBar->hide();
    }
    PlotTL->update();
}

void TFormTL::TrackBarChange() { PlotTL->update(); }

void TFormTL::Close1x1() {
    {
        const QSignalBlocker quiet(TrackBar);
        TrackBar->setValue(0);
    }
    Check1x1->setChecked(false);  // `clicked` only: the handler does not run
    TrackBar->hide();
}

void TFormTL::UncheckChoices() {
    for (QRadioButton* radio : {RadioOS, RadioPE, RadioIS, RadioIV, RadioKF}) {
        // An exclusive group keeps one button checked unless told otherwise.
        radio->setAutoExclusive(false);
        radio->setChecked(false);
        radio->setAutoExclusive(true);
    }
    CheckRB->setChecked(false);
}

void TFormTL::RadioOSClick() {
    CheckRB->setChecked(false);
    CheckRB->hide();
}

void TFormTL::RadioPEClick() {
    CheckRB->show();
    CheckRB->setChecked(true);
}

void TFormTL::FlashRadioOS() {
    const QPalette own = RadioOS->palette();
    QPalette flash = own;
    flash.setColor(QPalette::WindowText, QColor(0xFF, 0xA0, 0xA0));  // 0xA0A0FF as BGR
    flash.setColor(QPalette::ButtonText, QColor(0xFF, 0xA0, 0xA0));
    for (int k = 0; k < 5; ++k) {
        RadioOS->setPalette(flash);
        Pause50ms();
        RadioOS->setPalette(own);
        Pause50ms();
    }
}

void TFormTL::Image5Click() {
    if (RadioOS->isChecked()) {
        doc_.leaveAsIs = true;
        close();
        return;
    }
    TimelineRepair repair;
    if (RadioPE->isChecked())
        repair = TimelineRepair::Reorder;
    else if (RadioIS->isChecked())
        repair = TimelineRepair::Retime;
    else if (RadioIV->isChecked())
        repair = TimelineRepair::RetimeInvisible;
    else if (RadioKF->isChecked())
        repair = TimelineRepair::KeyFrames;
    else
        return FlashRadioOS();

    const uint64_t track = SelectedTrack();
    const RepairOutcome outcome = RepairTrack(doc_, track, repair, CheckRB->isChecked());
    for (const std::string& line : outcome.memo) MemoTL->appendPlainText(Tr(line.c_str()));
    if (outcome.changed && modelChanged) modelChanged();
    report_ = outcome.after;
    setWindowTitle(FromCore(TimelineCaption(report_, host_.language())));
    MakeTrackTL(track);
    PlotTL->update();
}

void TFormTL::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int w = width(), h = height();
    PlotTL->setGeometry(0, 0, w, h);
    PlotTL->lower();
    PanelT->setGeometry(0, 0, w, kPanelTHeight);
    PanelB->setGeometry(0, h - kPanelBHeight, w, kPanelBHeight);
    PanelL->setGeometry(0, kPanelTHeight, kPanelLWidth, std::max(PanelB->y() - kPanelTHeight, 0));
    const int boxHeight = CheckKF->sizeHint().height();
    CheckKF->setGeometry(2, PanelL->height() - 4 - boxHeight, kPanelLWidth - 2, boxHeight);
    TR->setGeometry(2, 2, kPanelLWidth - 4, std::max(CheckKF->y() - 4 - 2, 0));
    TR->setColumnWidth(0, TR->width() - 2 * TR->frameWidth());  // a hidden header does not stretch it
    const int barLeft = Check1x1->geometry().right() + 12;
    TrackBar->setGeometry(barLeft, 6, std::max(PanelB->width() - 16 - barLeft, 0), kPanelBHeight - 12);
    Close1x1();
    PlotTL->update();
}

void TFormTL::MIpngClick() {
    const QString path = QFileDialog::getSaveFileName(this, Tr("сохранить как PNG"), QStringLiteral("timeline.png"),
                                                      QStringLiteral("*.png (*.png)"));
    if (!path.isEmpty()) SavePlotPNG(path);
}

bool TFormTL::SavePlotPNG(const QString& path) {
    // The plot area: right of the track panel, between the top and bottom panels.
    const QRect area(PanelL->width(), PanelT->height(), width() - PanelL->width(), PanelB->y() - PanelT->height());
    return PlotTL->grab(area).toImage().save(path, "PNG");
}

}  // namespace quillon::ui
