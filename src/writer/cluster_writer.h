// The clusters of a new file: walks the block table once, decides where each
// cluster starts, repacks every block of a written track with its new number
// and a timecode relative to its cluster, and collects cue points and the
// positions of the clusters. A block's bytes are read from its source as it
// is written; a block the source does not hold whole is left out and counted.
#pragma once

#include <cstdint>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "core/output_file.h"
#include "core/source_file.h"
#include "writer/block_sources.h"
#include "writer/index_builders.h"
#include "writer/remux_options.h"
#include "writer/track_map.h"

namespace quillon {

struct ClusterLoopResult {
    bool stopped = false;
    // Blocks of written tracks that could not be written: not wholly in the
    // source, or with a time out of range.
    uint64_t leftOutDamaged = 0;
    uint64_t leftOutBadTime = 0;
    std::vector<CueRow> cues;
    std::vector<TSeek> clusterSeeks;
    int64_t lastWrittenTime = -1;  // the latest block time in the clusters written (a stop drops the last one)
};

// Writes the clusters at the output's current end. `segmentData` is the file
// offset where the Segment's data starts; every recorded position is
// relative to it. On a stop the cluster being filled is dropped with its cues.
// The blocks of added tracks are read from `added`.
ClusterLoopResult WriteClusters(const Document& doc, const TrackMap& map, const RemuxOptions& options,
                                SourceFile& source, const AddedFiles& added, OutputFile& out, uint64_t segmentData,
                                Host& host);

// The number of the first active video track of the track table, else of the
// first active track; 0 when none is active.
uint64_t getFirstActiveVTN(const TrackTable& tracks);

}  // namespace quillon
