// What a save is asked to do: the choices of the save panel and the settings
// tab as plain values. The fronts fill this; the core never sees a control.
#pragma once

#include <string>

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
};

// The export types of the save panel, in the order the dispatch checks them.
enum class ExportType { None, Ac3, Aac, Ogg, Flac, Mp3, WavMp3, WavPcm, Srt, Ass, Mka, Mks };

struct SaveRequest {
    std::string outputPath;
    bool exportOn = false;                 // "экспорт": a single-track export
    bool aviConvert = false;               // "конверт": conversion to AVI
    ExportType exportType = ExportType::None;
    std::string assExtension = "ass";      // "ass" or "ssa" for ExportType::Ass
    bool checkTimeline = false;            // run the timeline check first
    bool overwriteConfirmed = false;       // the front has already agreed to replace the output
    RemuxOptions remux;
};

}  // namespace quillon
