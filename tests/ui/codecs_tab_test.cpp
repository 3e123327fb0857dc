// The codecs tab: the decoders of the build in one grid, the WAVE tags of
// the selected one in the other, both in the string grid's shape.
#include <QTabWidget>
#include <QTableWidget>

#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class CodecsTabTest : public UiTest {
protected:
    static QString Cell(QTableWidget* grid, int row, int column) {
        const QTableWidgetItem* cell = grid->item(row, column);
        return cell ? cell->text() : QString();
    }
    int RowOf(const QString& decoder) {
        for (int row = 1; row < main().StringCDK->rowCount(); ++row)
            if (Cell(main().StringCDK, row, 1) == decoder) return row;
        return -1;
    }
};

TEST_F(CodecsTabTest, ShowingTheTabListsDecodersAndTheFirstOnesTags) {
    EXPECT_EQ(main().StringCDK->rowCount(), 2);  // before the tab is shown: captions and one empty row
    main().PageControl1->setCurrentWidget(main().TabSheetCDK);
    EXPECT_EQ(Cell(main().StringCDK, 0, 1), QStringLiteral("драйвер"));
    EXPECT_EQ(Cell(main().StringTAG, 0, 1), QStringLiteral("tag"));
    EXPECT_EQ(Cell(main().StringTAG, 0, 2), QStringLiteral("tagName"));
    EXPECT_GT(main().StringCDK->rowCount(), 20);
    EXPECT_EQ(main().StringCDK->currentRow(), 1);
    EXPECT_GE(main().StringTAG->rowCount(), 2);
}

TEST_F(CodecsTabTest, SelectingADecoderShowsItsTags) {
    main().PageControl1->setCurrentWidget(main().TabSheetCDK);
    const struct {
        const char* decoder;
        QStringList tags;
    } cases[] = {{"ac3", {"2000"}}, {"mp3float", {"55"}}, {"pcm_s16le", {"1"}}};
    for (const auto& c : cases) {
        const int row = RowOf(c.decoder);
        ASSERT_GT(row, 0) << c.decoder;
        main().StringCDK->setCurrentCell(row, 1);
        QStringList shown;
        for (int r = 1; r < main().StringTAG->rowCount(); ++r) shown << Cell(main().StringTAG, r, 1);
        EXPECT_EQ(shown, c.tags) << c.decoder;
        EXPECT_FALSE(Cell(main().StringTAG, 1, 2).isEmpty());
    }
    // A decoder without WAVE tags leaves one empty row.
    const int opus = RowOf("opus");
    ASSERT_GT(opus, 0);
    main().StringCDK->setCurrentCell(opus, 1);
    EXPECT_EQ(main().StringTAG->rowCount(), 2);
    EXPECT_TRUE(Cell(main().StringTAG, 1, 1).isEmpty());
}

}  // namespace
}  // namespace quillon::ui::test
