// The codecs tab: the decoders of the build in one grid, the WAVE tags of
// the selected one in the other, both in the string grid's shape.
#include <QTabWidget>
#include <QTableWidget>

#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class CodecsTabTest : public UiTest {
protected:
    // The tab owns its grids: they are found by their names.
    QWidget* Tab() { return main().findChild<QWidget*>("TabSheetCDK"); }
    QTableWidget* StringCDK() { return Tab()->findChild<QTableWidget*>("StringCDK"); }
    QTableWidget* StringTAG() { return Tab()->findChild<QTableWidget*>("StringTAG"); }
    static QString Cell(QTableWidget* grid, int row, int column) {
        const QTableWidgetItem* cell = grid->item(row, column);
        return cell ? cell->text() : QString();
    }
    int RowOf(const QString& decoder) {
        for (int row = 1; row < StringCDK()->rowCount(); ++row)
            if (Cell(StringCDK(), row, 1) == decoder) return row;
        return -1;
    }
};

TEST_F(CodecsTabTest, ShowingTheTabListsDecodersAndTheFirstOnesTags) {
    EXPECT_EQ(StringCDK()->rowCount(), 2);  // before the tab is shown: captions and one empty row
    main().PageControl1->setCurrentWidget(Tab());
    EXPECT_EQ(Cell(StringCDK(), 0, 1), QStringLiteral("драйвер"));
    EXPECT_EQ(Cell(StringTAG(), 0, 1), QStringLiteral("tag"));
    EXPECT_EQ(Cell(StringTAG(), 0, 2), QStringLiteral("tagName"));
    EXPECT_GT(StringCDK()->rowCount(), 20);
    EXPECT_EQ(StringCDK()->currentRow(), 1);
    EXPECT_GE(StringTAG()->rowCount(), 2);
}

TEST_F(CodecsTabTest, SelectingADecoderShowsItsTags) {
    main().PageControl1->setCurrentWidget(Tab());
    const struct {
        const char* decoder;
        QStringList tags;
    } cases[] = {{"ac3", {"2000"}}, {"mp3float", {"55"}}, {"pcm_s16le", {"1"}}};
    for (const auto& c : cases) {
        const int row = RowOf(c.decoder);
        ASSERT_GT(row, 0) << c.decoder;
        StringCDK()->setCurrentCell(row, 1);
        QStringList shown;
        for (int r = 1; r < StringTAG()->rowCount(); ++r) shown << Cell(StringTAG(), r, 1);
        EXPECT_EQ(shown, c.tags) << c.decoder;
        EXPECT_FALSE(Cell(StringTAG(), 1, 2).isEmpty());
    }
    // A decoder without WAVE tags leaves one empty row.
    const int opus = RowOf("opus");
    ASSERT_GT(opus, 0);
    StringCDK()->setCurrentCell(opus, 1);
    EXPECT_EQ(StringTAG()->rowCount(), 2);
    EXPECT_TRUE(Cell(StringTAG(), 1, 1).isEmpty());
}

}  // namespace
}  // namespace quillon::ui::test
