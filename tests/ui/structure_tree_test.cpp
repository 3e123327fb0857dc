// The structure tree's view on a file of a hundred thousand elements: whole
// branches open and close with persistent indexes for their masters only, the
// window lets go of an expanded tree through one model reset, and long lines
// scroll sideways instead of being cut.
#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include "core/generated/element_ids.h"
#include "support/ebml_builder.h"
#include "ui/structure_model.h"
#include "ui/structure_tree_view.h"
#include "ui_test_support.h"

namespace quillon::ui::test {
namespace {

using quillon::test::ByteVec;
using namespace quillon::test;

constexpr int kClusters = 400, kBlocksPerCluster = 250;

// A film-like file: a video and an audio track, 400 Clusters of 250 small
// SimpleBlocks (a key frame every 50): about 100,800 elements.
ByteVec ManyBlocksFile() {
    std::vector<ByteVec> segment = {
        InfoMaster({Uint(kTimecodeScale, 1000000)}),
        Master(kTracks, {TrackEntry(1, 1, "V_MPEG4/ISO/AVC"), TrackEntry(2, 2, "A_AC3")}),
    };
    for (int c = 0; c < kClusters; ++c) {
        std::vector<ByteVec> cluster = {Uint(kTimeCode, static_cast<uint64_t>(c) * 1000)};
        for (int b = 0; b < kBlocksPerCluster; ++b)
            cluster.push_back(SimpleBlock(b % 2 + 1, static_cast<int16_t>(b * 4), b % 50 == 0 ? 0x80 : 0, Frame(3)));
        segment.push_back(MasterOf(kCluster, cluster));
    }
    return MatroskaFile(segment);
}

class StructureTreeTest : public UiTest {
protected:
    StructureModel& model() { return *main().structureModel(); }
    StructureTreeView& tree() { return *Find<StructureTreeView>("TreeEBML"); }
    QModelIndex Segment() { return model().index(model().rowCount() - 1, 0); }
    // Element rows of the branch under `row` (itself included) that have children.
    int MastersUnder(int row) {
        int masters = 0;
        const tabrick& lista = main().document().lista;
        for (size_t r = row; r < lista.size() && (r == static_cast<size_t>(row) || lista[r].depth > lista[row].depth); ++r)
            masters += model().hasChildren(model().IndexOfRow(static_cast<int>(r)));
        return masters;
    }
    void ExpandSegment() {
        tree().setCurrentIndex(Segment());
        Find<QAction>("MIexpand")->trigger();
        QCoreApplication::processEvents();
    }
};

TEST_F(StructureTreeTest, ABigSegmentOpensAndClosesWithIndexesForItsMastersOnly) {
    TempFile file(ManyBlocksFile());
    OpenOn(QString::fromStdString(file.path()), Find<QWidget>("TabSheetCH"), true);
    ASSERT_GT(main().document().lista.size(), 100000u);
    const int segmentRow = model().ElementRow(Segment());
    const int masters = MastersUnder(segmentRow);
    ASSERT_EQ(masters, 1 + 1 + 1 + 2 + kClusters);  // Segment, Info, Tracks, two TrackEntries, the Clusters

    ExpandSegment();
    // The last block of the last Cluster is on screen once scrolled to.
    const int lastBlock = static_cast<int>(main().document().lista.size()) - 1;
    const QModelIndex last = model().IndexOfRow(lastBlock);
    EXPECT_TRUE(tree().isExpanded(model().parent(last)));
    tree().scrollTo(last);
    EXPECT_TRUE(tree().viewport()->rect().intersects(tree().visualRect(last)));
    // One persistent index per open master (and the current node), none per block.
    EXPECT_LE(model().PersistentIndexCount(), masters + 1);

    Find<QAction>("MIcollapse")->trigger();
    EXPECT_FALSE(tree().isExpanded(Segment()));
    EXPECT_FALSE(tree().isExpanded(model().parent(last)));
    EXPECT_LE(model().PersistentIndexCount(), 1);
}

TEST_F(StructureTreeTest, OpeningAgainOrClosingAfterExpandingLetsGoThroughOneReset) {
    TempFile file(ManyBlocksFile());
    const QString path = QString::fromStdString(file.path());
    OpenOn(path, Find<QWidget>("TabSheetCH"), true);
    ExpandSegment();
    ASSERT_GT(model().PersistentIndexCount(), kClusters);

    // Opening a file resets the model before the list is refilled: the
    // expanded nodes go with it, not one by one.
    QSignalSpy resets(&model(), &QAbstractItemModel::modelReset);
    int persistentAtFirstReset = -1;
    QObject::connect(&model(), &QAbstractItemModel::modelAboutToBeReset, &model(), [&] {
        if (persistentAtFirstReset < 0) persistentAtFirstReset = model().PersistentIndexCount();
    });
    OpenOn(path, Find<QWidget>("TabSheetCH"), true);
    EXPECT_GT(persistentAtFirstReset, kClusters);  // the tree was still open when the reset came
    EXPECT_GE(resets.count(), 1);
    EXPECT_FALSE(tree().isExpanded(Segment()));
    EXPECT_LE(model().PersistentIndexCount(), 1);

    // Closing the window: one reset before the view lets go of the model.
    ExpandSegment();
    ASSERT_GT(model().PersistentIndexCount(), kClusters);
    QSignalSpy closingResets(&model(), &QAbstractItemModel::modelReset);
    QSignalSpy modelGone(&model(), &QObject::destroyed);
    windows_.main.reset();
    EXPECT_EQ(modelGone.count(), 1);
    EXPECT_EQ(closingResets.count(), 1);
}

TEST_F(StructureTreeTest, LongLinesScrollSidewaysInsteadOfBeingCut) {
    OpenOn(SamplePath(), Find<QWidget>("TabSheetCH"), true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree().header()->sectionSize(0) >= tree().viewport()->width(); }));
    EXPECT_EQ(tree().horizontalScrollBar()->maximum(), 0);  // two short top lines

    ExpandSegment();
    // The first laced block: its size list makes the longest line of the file.
    QModelIndex laced;
    const tabrick& lista = main().document().lista;
    for (size_t r = 0; r < lista.size() && !laced.isValid(); ++r)
        if (lista[r].isBlock() && lista[r].block.frameCount > 4) laced = model().IndexOfRow(static_cast<int>(r));
    ASSERT_TRUE(laced.isValid());
    tree().scrollTo(laced, QAbstractItemView::PositionAtTop);
    const int needed = tree().sizeHintForIndex(laced).width();
    ASSERT_GT(tree().visualRect(laced).left() + needed, tree().viewport()->width());  // longer than the view is wide
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree().visualRect(laced).width() >= needed; }));
    EXPECT_GT(tree().horizontalScrollBar()->maximum(), 0);

    // A new file starts narrow again.
    OpenOn(FfmpegSamplePath(), Find<QWidget>("TabSheetCH"), true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree().horizontalScrollBar()->maximum() == 0; }));
}

}  // namespace
}  // namespace quillon::ui::test
