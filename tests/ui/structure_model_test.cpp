// The structure tree's lazy model over element lists of known shape.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "ui/structure_model.h"

namespace quillon::ui::test {
namespace {

// The model's findings and the language of their tooltips.
class English : public Host {
public:
    English() { setLanguage(Lang::Eng); }

protected:
    void logLine(const std::string&) override {}
};
const Findings kNoFindings;
const English kEnglish;

tabrick ListOfDepths(const std::vector<int>& depths) {
    tabrick list;
    for (int depth : depths) list.push_back().depth = depth;
    return list;
}

// The element rows under `parent` (-1: the top level), as the model lists them.
std::vector<int> ChildRows(const StructureModel& model, int parent) {
    const QModelIndex at = parent < 0 ? QModelIndex() : model.IndexOfRow(parent);
    std::vector<int> rows;
    for (int k = 0; k < model.rowCount(at); ++k) rows.push_back(model.ElementRow(model.index(k, 0, at)));
    return rows;
}

TEST(StructureModelTest, ChildrenAreTheNextLevelUntilTheDepthFallsBack) {
    //            0  1  2  3  4  5  6  7  8
    tabrick list = ListOfDepths({0, 1, 2, 2, 1, 0, 1, 3, 1});
    StructureModel model(list, kNoFindings, kEnglish);
    model.Rebuild();
    EXPECT_EQ(ChildRows(model, -1), (std::vector<int>{0, 5}));
    EXPECT_EQ(ChildRows(model, 0), (std::vector<int>{1, 4}));
    EXPECT_EQ(ChildRows(model, 1), (std::vector<int>{2, 3}));
    EXPECT_EQ(ChildRows(model, 5), (std::vector<int>{6, 8}));
    EXPECT_EQ(ChildRows(model, 6), (std::vector<int>{7}));  // a skipped level still hangs under its nearest shallower row
    EXPECT_EQ(ChildRows(model, 3), (std::vector<int>{}));
    for (int row = 0; row < 9; ++row) EXPECT_EQ(model.ElementRow(model.IndexOfRow(row)), row);
    EXPECT_EQ(model.ParentRow(7), 6);
    EXPECT_EQ(model.ParentRow(5), -1);

    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.IndexOfRow(0).isValid());
}

TEST(StructureModelTest, ABigFlatClusterIsIndexedWithoutTouchingItsRows) {
    // A Segment with one Cluster of 300,000 blocks.
    std::vector<int> depths = {0, 1};
    depths.resize(300002, 2);
    tabrick list = ListOfDepths(depths);
    StructureModel model(list, kNoFindings, kEnglish);
    size_t steps = 0;
    model.Rebuild([&steps](size_t) { ++steps; });
    EXPECT_GT(steps, 1u);  // the gauge moves along
    const QModelIndex cluster = model.index(0, 0, model.index(0, 0));
    EXPECT_EQ(model.rowCount(cluster), 300000);
    const QModelIndex last = model.index(299999, 0, cluster);
    EXPECT_EQ(model.ElementRow(last), 300001);
    EXPECT_EQ(model.parent(last), cluster);
    EXPECT_EQ(model.IndexOfRow(150001).row(), 149999);
}

TEST(StructureModelTest, RowsOfAListRefilledUnderTheModelShowNothing) {
    tabrick list = ListOfDepths({0, 1, 1});
    StructureModel model(list, kNoFindings, kEnglish);
    model.Rebuild();
    const QModelIndex stale = model.IndexOfRow(2);
    list.truncate(1);
    EXPECT_FALSE(model.data(stale).isValid());
}


TEST(StructureModelTest, AMarkedRowTellsWhatTheCheckFoundInItsTooltip) {
    tabrick list = ListOfDepths({0, 1, 1});
    list[1].damage = kCrcMismatch;
    English host;
    Findings findings;
    findings.Add(host, Rule::CrcMismatch, 1, "Cluster", 4000, "1234ABCD / 00000000");
    StructureModel model(list, findings, kEnglish);
    model.Rebuild();
    EXPECT_EQ(model.data(model.IndexOfRow(1), Qt::ToolTipRole).toString().toStdString(),
              "• file structure error: CRC-32 mismatch: Cluster @ 4000: 1234ABCD / 00000000");
    EXPECT_FALSE(model.data(model.IndexOfRow(2), Qt::ToolTipRole).isValid() &&
                 !model.data(model.IndexOfRow(2), Qt::ToolTipRole).toString().isEmpty());
}

}  // namespace
}  // namespace quillon::ui::test
