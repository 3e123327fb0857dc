// The dump window: opened from the tree's item on an element, its layout
// choices, header painting, the search, the large-element question, RTF.
#include <QAction>
#include <QTest>
#include <QScrollBar>
#include <QScreen>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "support/ebml_builder.h"
#include "ui/clickable_image.h"
#include "ui/form_du.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

class DumpWindowTest : public UiTest {
protected:
    TFormDU& du() { return *windows_.du; }
    void DumpRow(int row) {
        Find<StructureTreeView>("TreeEBML")->setCurrentIndex(main().structureModel()->IndexOfRow(row));
        ShowTreePopup();
        ASSERT_TRUE(Find<QAction>("MIdump")->isVisible());
        Find<QAction>("MIdump")->trigger();
    }
};

TEST_F(DumpWindowTest, TheTreeItemDumpsTheElementWithItsHeadersPainted) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    const int info = FindFirstById(main().document().lista, kInfo);
    ASSERT_GE(info, 0);
    du().CheckTG->setChecked(true);
    DumpRow(info);
    ASSERT_TRUE(du().isVisible());
    const Tbrick& row = main().document().lista[info];
    EXPECT_EQ(du().bytes().size(), row.totalSize);
    EXPECT_TRUE(du().DumpPlainText().startsWith("00000000  15 49 A9 66 | "));
    EXPECT_TRUE(du().windowTitle().contains(QString("(%1)").arg(row.position)));
    // Info's header, then each child's ID and size: painted, two runs per element.
    EXPECT_GE(du().paintedHeaders(), 2u * 5);
    EXPECT_EQ(du().RichEdit1->extraSelections().size() > 0, true);

    // Another width: the rows get longer and the painting follows.
    du().resize(400, du().height());
    du().Radio32->setChecked(true);
    EXPECT_EQ(du().DumpPlainText().section('\n', 0, 0).size(), 3 * 32 + 2 * 7 + 12 + 32);
    // The window widens so that a row fits without scrolling sideways, as far
    // as the screen allows (the test screen is narrower than a row of 32).
    const int rowWidth = du().RichEdit1->fontMetrics().horizontalAdvance(du().DumpPlainText().section('\n', 0, 0));
    EXPECT_GE(du().width(), std::min(rowWidth, du().screen()->availableGeometry().width()));
    du().RadioR4->setChecked(true);
    const QStringList lines = du().DumpPlainText().split('\n');
    if (lines.size() > 5) {
        EXPECT_TRUE(lines[4].isEmpty());
    }
}

TEST_F(DumpWindowTest, SearchMarksEveryMatchAndTheClearImageDropsThem) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    DumpRow(0);  // the EBML header: "matroska" once
    du().EditFI->setText("matroska");
    du().EditFI->textEdited("matroska");
    EXPECT_EQ(du().EditHE->text(), "6D 61 74 72 6F 73 6B 61");
    du().ImageFIClick();
    EXPECT_EQ(du().matches().size(), 1u);
    EXPECT_FALSE(du().ImageFIX->isHidden());
    // Typed as hex: "42 86" is EBMLVersion's ID.
    du().EditHE->setText("4286");
    du().EditHE->textEdited("4286");
    EXPECT_EQ(du().EditHE->text(), "42 86");
    du().ImageFIClick();
    EXPECT_EQ(du().matches().size(), 1u);
    du().ImageFIXClick();
    EXPECT_TRUE(du().ImageFIX->isHidden());
    EXPECT_TRUE(du().matches().empty());
}

TEST_F(DumpWindowTest, ALargeElementAsksHowMuchToShow) {
    // A file whose Segment holds a 150 kB attachment.
    using namespace quillon::test;
    QTemporaryDir files;
    const QString big = files.filePath("big.mkv");
    {
        const ByteVec bytes = MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}),
                                            Master(kAttachments, {Master(kAttachedFile, {Str(kFileName, "big.bin"),
                                                                                         Str(kFileMimeType, "application/octet-stream"),
                                                                                         Binary(kFileData, ByteVec(150000, 0x5A)),
                                                                                         Uint(kFileUID, 1)})})});
        QFile out(big);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
    OpenOn(big, Find<QWidget>("TabSheetCH"), true);
    const tabrick& lista = main().document().lista;
    int segment = FindFirstById(lista, kSegment);
    ASSERT_GT(lista[segment].totalSize, 100000u);
    AnswerNextModal(true);  // "first 10kb"
    DumpRow(segment);
    EXPECT_EQ(du().bytes().size(), 10000u);
    AnswerNextModal(false);  // "first 100kb"
    DumpRow(segment);
    EXPECT_EQ(du().bytes().size(), std::min<uint64_t>(100000, lista[segment].totalSize));

    QTemporaryDir dir;
    ASSERT_TRUE(du().SaveRtf(dir.filePath("dump.rtf")));
    QFile rtf(dir.filePath("dump.rtf"));
    ASSERT_TRUE(rtf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(rtf.read(6) == "{\\rtf1");
}

}  // namespace
}  // namespace quillon::ui::test
