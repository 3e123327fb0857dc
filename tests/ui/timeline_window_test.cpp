// The timeline window: shown after a full open of a file whose block times go
// backwards, keeping a save from running until the faults are repaired or
// left as they are, the five choices and their texts, and the plot checked
// by its pixels.
#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/generated/element_ids.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"
#include "ui/clickable_image.h"
#include "ui/form_tl.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using quillon::test::ByteVec;
using quillon::test::Master;
using quillon::test::MasterOf;
using quillon::test::TempFile;

const QColor kRed(0xFF, 0, 0);
const QColor kDarkBlue(0, 0, 0x80);

struct Block {
    uint64_t track;
    int16_t time;
    bool key;
};

ByteVec File(const std::vector<Block>& blocks) {
    std::vector<ByteVec> cluster = {quillon::test::Uint(kTimeCode, 0)};
    for (const Block& b : blocks)
        cluster.push_back(quillon::test::SimpleBlock(b.track, b.time, b.key ? 0x80 : 0x00, quillon::test::Frame(8)));
    return quillon::test::MatroskaFile(
        {quillon::test::InfoMaster({quillon::test::Uint(kTimecodeScale, 1000000)}),
         Master(kTracks, {quillon::test::TrackEntry(1, 2, "A_AC3"), quillon::test::TrackEntry(2, 2, "A_AC3")}),
         MasterOf(kCluster, cluster)});
}

// Track 1 steps back once (60 after 80); track 2 goes forward, with two
// blocks that are not key frames.
ByteVec BrokenFile() {
    return File({{1, 0, true},   {2, 0, true},    {1, 40, false}, {2, 40, false}, {1, 80, false},
                 {2, 80, true},  {1, 60, false},  {2, 120, false}, {1, 120, true}, {2, 160, true}});
}

// Track 1 starts before the Cluster's time.
ByteVec NegativeFile() { return File({{1, -10, true}, {2, 0, true}, {1, 0, true}, {1, 40, true}, {2, 40, true}}); }

ByteVec CleanFile() { return File({{1, 0, true}, {2, 0, true}, {1, 40, true}, {2, 40, true}}); }

// The rows of column x that have the colour, top to bottom.
std::vector<int> RowsOf(const QImage& image, int x, const QColor& colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == colour) rows.push_back(y);
    return rows;
}

bool HasColour(const QImage& image, const QColor& colour) {
    for (int x = 0; x < image.width(); ++x)
        if (!RowsOf(image, x, colour).empty()) return true;
    return false;
}

// Whether the file written holds a timeline without faults, as a fresh open sees it.
bool WrittenFileIsLinear(const QString& path) {
    Document doc;
    quillon::test::CaptureHost host;
    doc.sourcePath = path.toStdString();
    if (!CheckContainer(doc, host, true).opened) return false;
    FinishContainerCheck(doc, host, true);
    if (!prepare2export(doc, host)) return false;
    return !quillon::TimeLineCheck(doc).nonLinear;
}

class TimelineWindowTest : public UiTest {
protected:
    TFormTL& tl() { return *windows_.tl; }

    void OpenFull(const ByteVec& bytes, bool checkTimeline = true) {
        file_ = std::make_unique<TempFile>(bytes);
        Find<QCheckBox>("CheckTL")->setChecked(checkTimeline);
        OpenOn(QString::fromStdString(file_->path()), Find<QWidget>("TabSheetCH"), true);
    }
    QStringList Memo() const { return windows_.tl->MemoTL->toPlainText().split('\n', Qt::SkipEmptyParts); }
    QImage Plot() { return tl().PlotTL->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // x of block `row` of the shown track: one block per column while the track is short.
    static int Column(int row) { return kPlotLeft + row; }
    // A remux of every track through the save panel; true when the file was written.
    bool Save(const QString& name) {
        const QString output = dir_.filePath(name);
        Find<QCheckBox>("CheckEX")->click();
        Find<QLineEdit>("EditOUT")->setText(output);
        QTest::mouseClick(Find<ClickableImage>("ImageSA"), Qt::LeftButton);
        return QFileInfo::exists(output);
    }

    std::unique_ptr<TempFile> file_;
    QTemporaryDir dir_;
};

TEST_F(TimelineWindowTest, ShownAfterAFullOpenOnlyWhenTimesGoBackwards) {
    const struct {
        const char* what;
        bool broken, checkTimeline, full, shown;
    } cases[] = {
        {"broken, full open, check on", true, true, true, true},
        {"check off", true, false, true, false},
        {"quick open", true, true, false, false},
        {"clean file", false, true, true, false},
    };
    for (const auto& c : cases) {
        file_ = std::make_unique<TempFile>(c.broken ? BrokenFile() : CleanFile());
        Find<QCheckBox>("CheckTL")->setChecked(c.checkTimeline);
        OpenOn(QString::fromStdString(file_->path()), Find<QWidget>("TabSheetCH"), c.full);
        EXPECT_EQ(tl().isVisible(), c.shown) << c.what;
    }

    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    EXPECT_EQ(tl().windowTitle(), QStringLiteral("  TimeLine  ::  Номера треков с нелинейным временем: 1"));
    ASSERT_EQ(tl().TR->rowCount(), 2);
    EXPECT_EQ(tl().TR->item(0, 0)->text(), "1");
    EXPECT_EQ(tl().TR->item(1, 0)->text(), "2");
    EXPECT_EQ(tl().TR->currentRow(), 0);
    EXPECT_EQ(tl().shownTrack(), 1u);
    EXPECT_EQ(Memo(), QStringList{QStringLiteral("• трек 1: 1 раз время шло вспять  (60 мс)")});
    for (QRadioButton* radio : {tl().RadioOS, tl().RadioPE, tl().RadioIS, tl().RadioIV, tl().RadioKF})
        EXPECT_FALSE(radio->isChecked()) << radio->objectName().toStdString();
    EXPECT_TRUE(tl().CheckRB->isHidden());

    // A new open drops the window of the file it replaces.
    OpenFull(CleanFile());
    EXPECT_FALSE(tl().isVisible());
}

TEST_F(TimelineWindowTest, PlotShowsTheFaultAsARedPointBelowTheLine) {
    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    QImage plot = Plot();
    // Block 3 (time 60) is the fault, block 2 (time 80) the dark blue point before it.
    const std::vector<int> red = RowsOf(plot, Column(3), kRed);
    const std::vector<int> before = RowsOf(plot, Column(2), kDarkBlue);
    ASSERT_EQ(red.size(), 1u);
    ASSERT_EQ(before.size(), 1u);
    EXPECT_GT(red[0], before[0]);
    for (const int row : {0, 1, 2, 4}) EXPECT_TRUE(RowsOf(plot, Column(row), kRed).empty()) << row;
    const int axis = tl().Frame().axisY;
    EXPECT_EQ(RowsOf(plot, Column(0), kDarkBlue), std::vector<int>{axis});  // time 0 lies on the axis

    // The PNG holds the same plot, without the panels around it.
    const QString png = dir_.filePath("plot.png");
    ASSERT_TRUE(tl().SavePlotPNG(png));
    const QImage saved = QImage(png).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(RowsOf(saved, Column(3) - tl().PanelL->width(), kRed),
              std::vector<int>{red[0] - tl().PanelT->height()});
    EXPECT_EQ(tl().MIpng->text(), QStringLiteral("сохранить как PNG"));

    // Track 2 has no fault; key frames only hide its blocks 1 and 3.
    tl().TR->setCurrentCell(1, 0);
    EXPECT_EQ(tl().shownTrack(), 2u);
    EXPECT_TRUE(Memo().isEmpty());
    plot = Plot();
    for (int row = 0; row < 5; ++row) EXPECT_EQ(RowsOf(plot, Column(row), kDarkBlue).size(), 1u) << row;
    tl().CheckKF->click();
    plot = Plot();
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(RowsOf(plot, Column(row), kDarkBlue).size(), row % 2 ? 0u : 1u) << row;
}

TEST_F(TimelineWindowTest, OneToOneViewComesAndGoes) {
    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    tl().Check1x1->click();
    EXPECT_TRUE(tl().Check1x1->isChecked());
    EXPECT_TRUE(tl().TrackBar->isVisible());
    EXPECT_EQ(tl().TrackBar->maximum(), 0);  // five blocks fit in one window
    // One block per column there too, and the least time on the axis.
    const QImage plot = Plot();
    EXPECT_EQ(RowsOf(plot, Column(3), kRed).size(), 1u);
    EXPECT_EQ(RowsOf(plot, Column(0), kDarkBlue), std::vector<int>{tl().Frame().axisY});

    // A track click, the key-frame switch and a resize each leave the 1:1 view.
    const std::vector<std::function<void()>> leaves = {
        [&] { tl().TR->setCurrentCell(1, 0); },
        [&] { tl().CheckKF->click(); },
        [&] { tl().resize(tl().width() + 40, tl().height() + 30); },
    };
    for (size_t k = 0; k < leaves.size(); ++k) {
        if (!tl().Check1x1->isChecked()) tl().Check1x1->click();
        ASSERT_TRUE(tl().Check1x1->isChecked()) << k;
        leaves[k]();
        EXPECT_FALSE(tl().Check1x1->isChecked()) << k;
        EXPECT_FALSE(tl().TrackBar->isVisible()) << k;
        EXPECT_EQ(tl().TrackBar->value(), 0) << k;
    }
    // The panels follow the window's edges.
    EXPECT_EQ(tl().PanelB->geometry().bottom(), tl().height() - 1);
    EXPECT_EQ(tl().PanelB->width(), tl().width());
    EXPECT_EQ(tl().PanelL->geometry().bottom() + 1, tl().PanelB->y());
    EXPECT_EQ(tl().CheckKF->geometry().bottom() + 1 + 4, tl().PanelL->height());
    EXPECT_EQ(tl().TR->geometry().bottom() + 1 + 4, tl().CheckKF->y());
    EXPECT_EQ(tl().TrackBar->geometry().right() + 1 + 16, tl().PanelB->width());
}

TEST_F(TimelineWindowTest, CheckRBFollowsTheChoices) {
    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    EXPECT_TRUE(tl().CheckRB->isHidden());
    tl().RadioPE->click();
    EXPECT_TRUE(tl().CheckRB->isVisible());
    EXPECT_TRUE(tl().CheckRB->isChecked());
    tl().RadioIS->click();  // the other choices leave it as it is
    EXPECT_TRUE(tl().CheckRB->isVisible());
    EXPECT_TRUE(tl().CheckRB->isChecked());
    tl().RadioOS->click();
    EXPECT_TRUE(tl().CheckRB->isHidden());
    EXPECT_FALSE(tl().CheckRB->isChecked());

    tl().RadioPE->click();
    tl().ShowReport();  // showing again starts from no choice
    EXPECT_TRUE(tl().CheckRB->isHidden());
    EXPECT_FALSE(tl().CheckRB->isChecked());
    EXPECT_FALSE(tl().RadioPE->isChecked());
}

TEST_F(TimelineWindowTest, ApplyWithoutAChoiceFlashesTheFirstCaptionAndChangesNothing) {
    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    const QColor own = tl().RadioOS->palette().color(QPalette::WindowText);
    const std::vector<xBlock> blocks = main().document().mkv.blocks;
    const QStringList memo = Memo();
    bool flashed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        flashed = flashed || tl().RadioOS->palette().color(QPalette::WindowText) == QColor(0xFF, 0xA0, 0xA0);
    });
    watch.start(5);
    QTest::mouseClick(tl().Image5, Qt::LeftButton);
    watch.stop();
    EXPECT_TRUE(flashed);
    EXPECT_EQ(tl().RadioOS->palette().color(QPalette::WindowText), own);
    EXPECT_EQ(Memo(), memo);
    EXPECT_TRUE(tl().nonLinear());
    EXPECT_TRUE(tl().isVisible());
    ASSERT_EQ(main().document().mkv.blocks.size(), blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(main().document().mkv.blocks[i].absTime, blocks[i].absTime) << i;
}

TEST_F(TimelineWindowTest, SaveIsRefusedWhileFaultsRemainAndGoesOnAfterLeaveAsIs) {
    OpenFull(BrokenFile());
    tl().close();
    EXPECT_FALSE(Save("refused.mkv"));
    EXPECT_TRUE(tl().isVisible());
    EXPECT_EQ(main().LabelST->text(), "r e a d y");

    tl().RadioOS->click();
    QTest::mouseClick(tl().Image5, Qt::LeftButton);
    EXPECT_FALSE(tl().isVisible());
    EXPECT_TRUE(main().document().leaveAsIs);
    EXPECT_TRUE(Save("kept.mkv"));
    EXPECT_FALSE(WrittenFileIsLinear(dir_.filePath("kept.mkv")));

    // After a header read the save scans the file for the check first.
    file_ = std::make_unique<TempFile>(BrokenFile());
    OpenOn(QString::fromStdString(file_->path()), Find<QWidget>("TabSheetRE"));
    EXPECT_FALSE(tl().isVisible());
    EXPECT_FALSE(Save("after-header.mkv"));
    EXPECT_TRUE(tl().isVisible());
    EXPECT_EQ(Memo(), QStringList{QStringLiteral("• трек 1: 1 раз время шло вспять  (60 мс)")});
}

TEST_F(TimelineWindowTest, EachRepairClearsTheFaultsAndTheSaveGoesOn) {
    const struct {
        QRadioButton* TFormTL::*choice;
        const char* firstLine;
    } cases[] = {
        {&TFormTL::RadioPE, "• сортировка трека..."},
        {&TFormTL::RadioIS, "• пересчет времени трека..."},
        {&TFormTL::RadioIV, "• пересчет времени трека..."},
        {&TFormTL::RadioKF, "• пересчет времени трека..."},
    };
    int n = 0;
    for (const auto& c : cases) {
        OpenFull(BrokenFile());
        ASSERT_TRUE(tl().isVisible());
        QRadioButton* radio = tl().*c.choice;
        radio->click();
        QTest::mouseClick(tl().Image5, Qt::LeftButton);
        const QString what = radio->objectName();
        EXPECT_EQ(Memo(), (QStringList{QStringLiteral("• трек 1: 1 раз время шло вспять  (60 мс)"),
                                      QString::fromUtf8(c.firstLine), QStringLiteral("• готово")}))
            << what.toStdString();
        EXPECT_EQ(tl().windowTitle(), QStringLiteral("  TimeLine  ::  Ошибок не обнаружено")) << what.toStdString();
        EXPECT_FALSE(tl().nonLinear());
        EXPECT_FALSE(HasColour(Plot(), kRed)) << what.toStdString();
        EXPECT_FALSE(main().document().leaveAsIs);
        EXPECT_FALSE(Find<QLabel>("ImageSATT")->isHidden()) << what.toStdString();  // the repaired model needs a new file
        const QString output = QStringLiteral("repaired%1.mkv").arg(++n);
        EXPECT_TRUE(Save(output)) << what.toStdString();
        EXPECT_TRUE(WrittenFileIsLinear(dir_.filePath(output))) << what.toStdString();
    }
}

TEST_F(TimelineWindowTest, ResortRefusesNegativeTimesAndTheFaultsRemain) {
    OpenFull(NegativeFile());
    ASSERT_TRUE(tl().isVisible());
    EXPECT_EQ(Memo(), (QStringList{QStringLiteral("• трек 1: 1 раз время шло вспять  (-10 мс)"),
                                   QStringLiteral("• 1 блок имеет отрицательное время")}));
    tl().RadioPE->click();
    QTest::mouseClick(tl().Image5, Qt::LeftButton);
    EXPECT_EQ(Memo().mid(2), (QStringList{QStringLiteral("• сортировка трека..."), QStringLiteral("• время < 0"),
                                          QStringLiteral("• готово"), QStringLiteral("• ошибки остались")}));
    EXPECT_EQ(tl().windowTitle(), QStringLiteral("  TimeLine  ::  Номера треков с нелинейным временем: 1"));
    // The negative block lies below the base line: on the axis, with time 0 above it.
    const QImage plot = Plot();
    const std::vector<int> negative = RowsOf(plot, Column(0), kRed), zero = RowsOf(plot, Column(1), kDarkBlue);
    ASSERT_EQ(negative.size(), 1u);
    ASSERT_EQ(zero.size(), 1u);
    EXPECT_EQ(negative[0], tl().Frame().axisY);
    EXPECT_LT(zero[0], negative[0]);
}

TEST_F(TimelineWindowTest, TextsFollowTheLanguage) {
    main().ImageENClick();
    OpenFull(BrokenFile());
    ASSERT_TRUE(tl().isVisible());
    EXPECT_EQ(tl().windowTitle(), "  TimeLine  ::  Tracks with non linear timeline: 1");
    EXPECT_EQ(tl().RadioOS->text(), "leave as is");
    EXPECT_EQ(tl().RadioPE->text(), "resort by time");
    EXPECT_EQ(tl().RadioIS->text(), "do not change frame sequence, fix the time");
    EXPECT_EQ(tl().RadioIV->text(), "fix the time, awry frames set as invisible");
    EXPECT_EQ(tl().RadioKF->text(), "time of KeyFrame take as correct, recalc time for other frames");
    EXPECT_EQ(tl().CheckRB->text(), "if ReferenceBlock present - recalc it to previous frame");
    EXPECT_EQ(tl().MIpng->text(), "save as PNG");
    tl().RadioPE->click();
    QTest::mouseClick(tl().Image5, Qt::LeftButton);
    EXPECT_EQ(Memo(), (QStringList{"• track 1: 1 times the time went backwards  (60 ms)", "• track sorting...", "• done"}));
    EXPECT_EQ(tl().windowTitle(), "  TimeLine  ::  No errors found");

    main().ImageRUClick();
    tl().ShowReport();
    EXPECT_EQ(tl().RadioOS->text(), QStringLiteral("оставить как есть"));
    EXPECT_EQ(tl().windowTitle(), QStringLiteral("  TimeLine  ::  Ошибок не обнаружено"));
}

}  // namespace
}  // namespace quillon::ui::test
