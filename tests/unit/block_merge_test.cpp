// The merge of block lists by time: each list keeps its order, and at equal
// times the blocks that stayed come first.
#include <gtest/gtest.h>

#include <vector>

#include "core/block_merge.h"

namespace quillon::test {
namespace {

std::vector<xBlock> Blocks(const std::vector<std::pair<int64_t, uint32_t>>& timesAndRows) {
    std::vector<xBlock> blocks;
    for (const auto& [time, row] : timesAndRows) {
        xBlock b;
        b.absTime = time;
        b.row = row;
        blocks.push_back(b);
    }
    return blocks;
}
std::vector<uint32_t> Rows(const std::vector<xBlock>& blocks) {
    std::vector<uint32_t> rows;
    for (const xBlock& b : blocks) rows.push_back(b.row);
    return rows;
}

TEST(BlockMerge, EachListKeepsItsOrderAndTiesGoToWhatStayed) {
    // Staying: rows 1-3; coming in: rows 10-13, one of them out of time order (a B-frame).
    std::vector<xBlock> blocks = Blocks({{0, 1}, {40, 2}, {80, 3}, {0, 10}, {80, 11}, {40, 12}, {120, 13}});
    MergeByTime(blocks, 3);
    EXPECT_EQ(Rows(blocks), (std::vector<uint32_t>{1, 10, 2, 3, 11, 12, 13}));

    // Taking the odd rows out, moving them 90 later (row 3 onto row 4's time), merging them back.
    std::vector<xBlock> again = Blocks({{0, 1}, {10, 2}, {20, 3}, {110, 4}, {120, 5}});
    RemergeByTime(again, [](const xBlock& b) { return b.row % 2 == 1; }, [](xBlock& b) { b.absTime += 90; });
    EXPECT_EQ(Rows(again), (std::vector<uint32_t>{2, 1, 4, 3, 5}));
    EXPECT_EQ(again[1].absTime, 90);
}

}  // namespace
}  // namespace quillon::test
