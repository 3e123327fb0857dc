#include "reader/block_table.h"

#include "core/dictionary.h"
#include "core/generated/element_ids.h"
#include "core/value_text.h"
#include "reader/element_queries.h"

namespace quillon {
namespace {

// A cluster's TimeCode as a time; false when it is missing, damaged or out of range.
bool ClusterTime(const tabrick& list, int cluster, int64_t& time) {
    const int row = FindChildElement(list, kTimeCode, cluster);
    if (row < 0 || list[row].damage || !IsDigits(list[row].valueText)) return false;
    time = TextToInt64(list[row].valueText);
    return time <= kMaxBlockTime;
}

void AddBlock(const tabrick& list, int blockRow, int64_t clusterTime, bool timeKnown, uint8_t flags, TMKV& mkv) {
    const Tbrick& b = list[blockRow];
    xBlock x;
    x.row = static_cast<uint32_t>(blockRow);
    x.flags = flags;
    x.absTime = clusterTime + b.block.timecode;
    if (!timeKnown) x.flags |= xBlock::kBadTime;
    if (!(flags & xBlock::kInGroup) && b.block.keyFrame()) x.flags |= xBlock::kKeyFrame;
    mkv.blocks.push_back(x);
}

// Blocks the Segment's Clusters hold, counted first so the table is allocated once.
size_t CountBlocks(const tabrick& list, int segment) {
    size_t count = 0;
    ForEachChild(list, segment, [&](int c) {
        if (list[c].id() != kCluster) return;
        ForEachChild(list, c, [&](int r) { count += list[r].id() == kSimpleBlock || list[r].id() == kBlockGroup; });
    });
    return count;
}

}  // namespace

void EnsureBlockTable(Document& doc) {
    TMKV& mkv = doc.mkv;
    if (mkv.blocksBuilt) return;
    const tabrick& list = doc.lista;
    mkv.blocks.clear();
    mkv.oldClusters.clear();
    mkv.blocksBuilt = true;
    const int segment = FindFirstById(list, kSegment);
    mkv.blocks.reserve(CountBlocks(list, segment));
    int64_t clusterTime = 0;
    bool timeKnown = true;
    ForEachChild(list, segment, [&](int c) {
        if (list[c].id() != kCluster) return;
        // A Cluster without its TimeCode keeps the time of the one before.
        int64_t time;
        if (ClusterTime(list, c, time)) {
            clusterTime = time;
            timeKnown = true;
        } else if (FindChildElement(list, kTimeCode, c) >= 0) {
            timeKnown = false;
        }
        mkv.oldClusters.push_back(OldCluster{static_cast<uint32_t>(c), clusterTime});
        ForEachChild(list, c, [&](int r) {
            const uint32_t id = list[r].id();
            if (id == kSimpleBlock) {
                AddBlock(list, r, clusterTime, timeKnown, 0, mkv);
                return;
            }
            if (id != kBlockGroup) return;
            const int blockRow = FindChildElement(list, kBlock, r);
            if (blockRow < 0) return;
            uint8_t flags = xBlock::kInGroup;
            if (FindReferenceBlock(list, r) < 0) flags |= xBlock::kKeyFrame;
            ForEachChild(list, r, [&](int g) {
                const uint32_t gid = list[g].id();
                if (gid != kBlock && gid != kReferenceBlock && gid != kBlockDuration && !IsPaddingId(gid))
                    flags |= xBlock::kNeedsGroup;
            });
            AddBlock(list, blockRow, clusterTime, timeKnown, flags, mkv);
        });
    });
}

}  // namespace quillon
