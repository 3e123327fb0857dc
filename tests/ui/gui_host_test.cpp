// The window's Host: the 500-line log rule in the memo, the stop flag of the
// stop image, and a gauge that copes with 64-bit maxima.
#include <QTabWidget>
#include <QScrollBar>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>

#include "ui/clickable_image.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using GuiHostTest = UiTest;

TEST_F(GuiHostTest, LogIsEmptiedBeforeLine501) {
    GuiHost& host = main().host();
    for (int k = 1; k <= 500; ++k) host.AddLog("line " + std::to_string(k));
    EXPECT_EQ(Find<QPlainTextEdit>("MemoST")->blockCount(), 500);
    host.AddLog("line 501");
    EXPECT_EQ(LogLines(), QStringList{"line 501"});
    EXPECT_EQ(host.Log().Lines().size(), 1u);
}

TEST_F(GuiHostTest, ALongLineLeavesEveryLinesStartInView) {
    main().PageControl1->setCurrentWidget(Find<QWidget>("TabSheetCH"));
    GuiHost& host = main().host();
    host.AddLog("• first");
    host.AddLog("• " + std::string(400, 'x') + " /a/very/long/path/of/a/film/that/does/not/fit.mkv");
    host.AddLog("• last");
    QApplication::processEvents();
    const QScrollBar* sideways = Find<QPlainTextEdit>("MemoST")->horizontalScrollBar();
    EXPECT_EQ(sideways->value(), sideways->minimum());
    EXPECT_EQ(sideways->maximum(), 0);  // wrapped: nothing to scroll to
}

TEST_F(GuiHostTest, StopImageSetsTheFlagUntilALoopClearsIt) {
    GuiHost& host = main().host();
    EXPECT_FALSE(host.StopRequested());
    QTest::mouseClick(main().ImageX, Qt::LeftButton);
    EXPECT_TRUE(host.StopRequested());
    host.ClearStop();
    EXPECT_FALSE(host.StopRequested());
}

TEST_F(GuiHostTest, GaugeScalesHugeMaximaAndHidesWithTheStopImage) {
    GuiHost& host = main().host();
    const uint64_t maximum = 5000000000000ull;  // a 5 TB file
    host.ProgressShow(maximum);
    EXPECT_TRUE(main().GaugeX->isVisible());
    EXPECT_TRUE(main().ImageX->isVisible());
    host.ProgressTo(maximum / 2);
    EXPECT_NEAR(double(main().GaugeX->value()) / main().GaugeX->maximum(), 0.5, 0.001);
    host.ProgressTo(maximum);
    EXPECT_EQ(main().GaugeX->value(), main().GaugeX->maximum());
    host.ProgressHide();
    EXPECT_FALSE(main().GaugeX->isVisible());
    EXPECT_FALSE(main().ImageX->isVisible());
}

TEST_F(GuiHostTest, StatusGoesToTheLabelTranslated) {
    main().ImageENClick();
    main().host().SetStatus("ждите, идёт обработка");
    EXPECT_EQ(main().LabelST->text(), "wait, work in progress");
}

}  // namespace
}  // namespace quillon::ui::test
