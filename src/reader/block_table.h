// The table of every block of the open file, in file order: a row and a time
// each (16 bytes), what the remux writes from and the staged edits move.
// Built from the element list the first time something needs it.
#pragma once

#include <cstdint>
#include <functional>

#include "core/document.h"

namespace quillon {

// One block of a Segment's Clusters, as the walk meets it.
struct BlockVisit {
    int row = -1;              // the Block or SimpleBlock row
    int64_t clusterTime = 0;   // its Cluster's TimeCode (the one before, when missing)
    bool timeKnown = true;     // false when the Cluster's TimeCode is damaged or out of range
    uint8_t flags = 0;         // xBlock::kInGroup, kKeyFrame, kNeedsGroup
};

// Every block of the Segment's Clusters in file order; `onCluster` (may be
// empty) hears each Cluster's row and time first.
void WalkSegmentBlocks(const tabrick& list, const std::function<void(int, int64_t)>& onCluster,
                       const std::function<void(const BlockVisit&)>& onBlock);

// Fills doc.mkv.blocks and doc.mkv.oldClusters from doc.lista, once per scan.
// Only blocks of the Segment's Clusters count; a block whose time cannot be
// known is marked xBlock::kBadTime.
void EnsureBlockTable(Document& doc);

// The TimeCode of the Cluster that holds `row`; 0 when there is none to read.
int64_t ClusterTimecode(const tabrick& list, int row);

}  // namespace quillon
