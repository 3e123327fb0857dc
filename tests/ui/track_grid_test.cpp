// The track grid: its cells, its colours and glyphs, and the check column.
#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "ui/clickable_image.h"
#include "ui/contents_tab.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class TrackGridTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        OpenOn(SamplePath(), Find<QWidget>("TabSheetRE"));
    }
    QTableWidget& grid() { return *Find<QTableWidget>("Tracks"); }
    QString Cell(int row, int column) { return grid().item(row, column)->text(); }
    void PressCell(int row, int column, Qt::MouseButton button = Qt::LeftButton) {
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        QTest::mousePress(grid().viewport(), button, Qt::NoModifier, cell.center());
    }
    QColor PixelAt(int row, int column, QPoint offset) {
        const QImage shot = grid().viewport()->grab().toImage();
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        return shot.pixelColor(cell.topLeft() + offset * shot.devicePixelRatio());
    }
    template <class Test>
    bool CellHas(int row, int column, Test test) {
        const QImage shot = grid().viewport()->grab().toImage();
        const QRect cell = grid().visualRect(grid().model()->index(row, column));
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (test(shot.pixelColor(x, y))) return true;
        return false;
    }
    std::vector<std::string> Marks() {
        std::vector<std::string> marks;
        for (const Track& track : main().document().tatra) marks.push_back(track.selectMark);
        return marks;
    }
};

TEST_F(TrackGridTest, ShowsTitleRowAndOneRowPerTrack) {
    ASSERT_EQ(grid().rowCount(), 4);
    const QStringList title = {"", QStringLiteral("тип"), QStringLiteral("описание"), QStringLiteral("язык"), "def"};
    for (int column = 1; column < 5; ++column) EXPECT_EQ(Cell(0, column), title[column]);
    const QStringList rows[] = {
        {"y", "VIDEO", "160x120, V_MPEG4/ISO/AVC, Test picture", "en", ""},  // mkvmerge wrote only LanguageBCP47
        {"y", "AUDIO", QStringLiteral("A_AC3, Звук"), "rus", ""},
        {"y", "SUBTITLES", QStringLiteral("S_TEXT/UTF8, Русские субтитры"), "rus", "y"},  // no FlagDefault: default
    };
    for (int row = 1; row <= 3; ++row)
        for (int column = 0; column < 5; ++column) EXPECT_EQ(Cell(row, column), rows[row - 1][column]) << row << "," << column;
}

TEST_F(TrackGridTest, RowsAreColouredByTypeAndGlyphsFollowTheMarks) {
    // Away from glyphs and text: the background of the row's type.
    const std::pair<int, QColor> backgrounds[] = {
        {1, QColor(0xF0, 0xF0, 0xFF)}, {2, QColor(0xF5, 0xFF, 0xF5)}, {3, QColor(0xFF, 0xFF, 0xF0)}};
    for (const auto& [row, colour] : backgrounds) EXPECT_EQ(PixelAt(row, 4, QPoint(28, 14)), colour) << row;

    const auto green = [](QColor c) { return c.green() > c.red() + 60 && c.green() > c.blue() + 60; };
    const auto yellow = [](QColor c) { return c.red() > 200 && c.green() > 140 && c.blue() < 110; };
    const auto red = [](QColor c) { return c.red() > 180 && c.green() < 120 && c.blue() < 120; };
    EXPECT_TRUE(CellHas(1, 0, green));
    PressCell(1, 0);
    EXPECT_FALSE(CellHas(1, 0, green));
    // The pressed cell is current: its background is a shade darker.
    EXPECT_EQ(PixelAt(1, 0, QPoint(2, 14)), QColor(0xE0, 0xE0, 0xEF));

    EXPECT_FALSE(CellHas(2, 4, yellow));  // no FlagDefault 1 in the sample
    main().document().tatra[1].defaultMark = "y";
    main().document().tatra[2].defaultMark = "Y";
    grid().viewport()->repaint();
    EXPECT_TRUE(CellHas(2, 4, yellow));
    EXPECT_TRUE(CellHas(3, 4, red));
}

TEST_F(TrackGridTest, LeftPressOnTheCheckColumnTogglesTheTrack) {
    PressCell(2, 0);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"y", "", "y"}));
    EXPECT_EQ(Cell(2, 0), "");
    PressCell(2, 0);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"y", "y", "y"}));

    // Other columns and the right button only move the current cell.
    PressCell(2, 1);
    PressCell(2, 0, Qt::RightButton);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"y", "y", "y"}));
    EXPECT_EQ(grid().currentRow(), 2);
}

TEST_F(TrackGridTest, ConvertIsOfferedExactlyForOneVideoAndAtMostOneAudio) {
    EXPECT_FALSE(Find<QCheckBox>("CheckAVI")->isEnabled());  // the subtitles are checked too
    PressCell(3, 0);
    EXPECT_TRUE(Find<QCheckBox>("CheckAVI")->isEnabled());
    PressCell(2, 0);
    EXPECT_TRUE(Find<QCheckBox>("CheckAVI")->isEnabled());
    PressCell(1, 0);
    EXPECT_FALSE(Find<QCheckBox>("CheckAVI")->isEnabled());
}

TEST_F(TrackGridTest, PressOnTheGridLeavesExportMode) {
    Find<QCheckBox>("CheckEX")->click();
    ASSERT_TRUE(Find<QCheckBox>("CheckEX")->isChecked());
    ASSERT_TRUE(Find<QLineEdit>("EditOUT")->isEnabled());
    PressCell(1, 2);
    EXPECT_FALSE(Find<QCheckBox>("CheckEX")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>("EditOUT")->isEnabled());  // the panel went back to idle with it
}

TEST_F(TrackGridTest, SelectAllOrNone) {
    PressCell(1, 0);
    QTest::mouseClick(Find<ClickableImage>("ImageTX"), Qt::LeftButton);  // some are checked: all off
    EXPECT_EQ(Marks(), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(Cell(3, 0), "");
    QTest::mouseClick(Find<ClickableImage>("ImageTX"), Qt::LeftButton);  // none checked: all on
    EXPECT_EQ(Marks(), (std::vector<std::string>{"y", "y", "y"}));
    QTest::mouseClick(Find<QFrame>("PanelSE"), Qt::LeftButton);  // the header cell's panel around it does the same
    EXPECT_EQ(Marks(), (std::vector<std::string>{"", "", ""}));
}

TEST_F(TrackGridTest, DescriptionColumnTakesTheRestOfTheWidth) {
    main().resize(1200, 700);
    Find<ContentsTab>("TabSheetRE")->FitColumns();
    int sum = 0;
    for (int column = 0; column < 5; ++column) sum += grid().columnWidth(column);
    EXPECT_EQ(sum, grid().viewport()->width() - 5);
}

}  // namespace
}  // namespace quillon::ui::test
