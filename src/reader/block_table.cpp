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
    if (row < 0 || list[row].damage || !list[row].hasValue || list[row].Unsigned() > uint64_t(kMaxBlockTime)) return false;
    time = list[row].Signed();
    return true;
}

// The flags a BlockGroup gives its Block.
uint8_t GroupFlags(const tabrick& list, int group) {
    uint8_t flags = xBlock::kInGroup;
    if (FindReferenceBlock(list, group) < 0) flags |= xBlock::kKeyFrame;
    ForEachChild(list, group, [&](int g) {
        const uint32_t gid = list[g].id();
        if (gid != kBlock && gid != kReferenceBlock && gid != kBlockDuration && !IsPaddingId(gid))
            flags |= xBlock::kNeedsGroup;
    });
    return flags;
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

void WalkSegmentBlocks(const tabrick& list, const std::function<void(int, int64_t)>& onCluster,
                       const std::function<void(const BlockVisit&)>& onBlock) {
    const int segment = FindFirstById(list, kSegment);
    BlockVisit visit;
    ForEachChild(list, segment, [&](int c) {
        if (list[c].id() != kCluster) return;
        // A Cluster without its TimeCode keeps the time of the one before.
        int64_t time;
        if (ClusterTime(list, c, time)) {
            visit.clusterTime = time;
            visit.timeKnown = true;
        } else if (FindChildElement(list, kTimeCode, c) >= 0) {
            visit.timeKnown = false;
        }
        if (onCluster) onCluster(c, visit.clusterTime);
        ForEachChild(list, c, [&](int r) {
            const uint32_t id = list[r].id();
            if (id == kSimpleBlock) {
                visit.row = r;
                visit.flags = list[r].block.keyFrame() ? xBlock::kKeyFrame : 0;
                onBlock(visit);
                return;
            }
            if (id != kBlockGroup) return;
            visit.row = FindChildElement(list, kBlock, r);
            if (visit.row < 0) return;
            visit.flags = GroupFlags(list, r);
            onBlock(visit);
        });
    });
}

void EnsureBlockTable(Document& doc) {
    TMKV& mkv = doc.mkv;
    if (mkv.blocksBuilt) return;
    const tabrick& list = doc.lista;
    mkv.blocks.clear();
    mkv.oldClusters.clear();
    mkv.blocksBuilt = true;
    mkv.blocks.reserve(CountBlocks(list, FindFirstById(list, kSegment)));
    WalkSegmentBlocks(
        list, [&](int cluster, int64_t time) { mkv.oldClusters.push_back(OldCluster{static_cast<uint32_t>(cluster), time}); },
        [&](const BlockVisit& v) {
            xBlock x;
            x.row = static_cast<uint32_t>(v.row);
            x.flags = v.flags;
            x.absTime = v.clusterTime + list[v.row].block.timecode;
            if (!v.timeKnown) x.flags |= xBlock::kBadTime;
            mkv.blocks.push_back(x);
        });
}

int64_t ClusterTimecode(const tabrick& list, int row) {
    int at = row;
    while (at >= 0 && list[at].id() != kCluster) at = list[at].parent;
    int64_t time = 0;
    return at >= 0 && ClusterTime(list, at, time) ? time : 0;
}

}  // namespace quillon
