// The remux choices of the save panel and the settings tab as plain values.
// The fronts fill this; the core never sees a control.
#pragma once

namespace quillon {

// How blocks are packed in the new file.
enum class Packing {
    AsBefore,     // SimpleBlocks stay SimpleBlocks, BlockGroups stay BlockGroups
    SimpleBlock,  // every block as a SimpleBlock (not offered when the video uses forward references)
    BlockGroup,   // every block as a BlockGroup
};

// Where new clusters start.
enum class ClusterRule {
    Time,         // every 1000 timecode units
    KeyFrame,     // at each video key frame
    OldClusters,  // at the source's cluster timecodes
};

struct RemuxOptions {
    Packing packing = Packing::AsBefore;
    ClusterRule clusterRule = ClusterRule::Time;
    bool writeCues = true;
    bool writeSeekHeads = true;
    bool chapters = false;
    bool attachments = false;
    bool tags = true;  // the Tags, less those aimed only at what the new file does not hold
};

}  // namespace quillon
