// The writer's model of a Matroska file, built from the element list before
// the first save and changed by the editing commands. Every header value
// carries its presence: a builder writes an element only when it is present.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

template <typename T>
struct Present {
    T value{};
    bool present = false;

    void Set(T v) {
        value = std::move(v);
        present = true;
    }
};

struct tebml {
    Present<uint8_t> ebmlVersion, ebmlReadVersion, ebmlMaxIDLength, ebmlMaxSizeLength;
    Present<std::string> docType;
    Present<uint8_t> docTypeVersion, docTypeReadVersion;
};

struct tinfo {
    Present<uint32_t> timecodeScale;
    Present<std::string> muxingApp, writingApp;
    Present<float> duration;
    Present<int64_t> dateUTC;  // nanoseconds since 2001-01-01, as stored
    Present<std::string> title;
    Present<std::array<uint8_t, 16>> segmentUID;
};

struct tTrackEntry {
    Present<uint64_t> trackNumber;
    Present<uint64_t> trackUID;  // all 64 bits
    Present<uint8_t> trackType;
    Present<uint8_t> flagEnabled, flagDefault, flagForced, flagLacing;
    Present<uint32_t> minCache;
    Present<float> trackTimecodeScale;
    Present<uint32_t> maxBlockAdditionID;
    Present<std::string> codecID;
    Present<uint8_t> codecDecodeAll;
    Present<std::vector<uint8_t>> codecPrivate;
    Present<uint64_t> defaultDuration;
    Present<std::string> language;
    Present<std::string> name;
    Present<uint32_t> pixelWidth, pixelHeight;
    Present<uint8_t> flagInterlaced;
    Present<uint32_t> displayWidth, displayHeight;
    Present<float> samplingFrequency;
    Present<uint32_t> channels;
    Present<std::vector<uint8_t>> contentEncodings;  // the source element's data, unparsed

    // Children the fields above do not hold (LanguageBCP47, CodecDelay,
    // SeekPreRoll, accessibility flags, Colour, BitDepth, ...), as their raw
    // element bytes in source order; written after the modelled children.
    std::vector<uint8_t> otherEntryChildren;
    std::vector<uint8_t> otherVideoChildren;
    std::vector<uint8_t> otherAudioChildren;
};

struct tAttachedFile {
    Present<std::string> fileName, fileMimeType;
    Present<std::vector<uint8_t>> fileData;
    Present<uint64_t> fileUID;  // all 64 bits
    Present<std::string> fileDescription;
};

// One block of the output: from the source file, or built in memory.
struct xBlock {
    uint64_t trackNumber = 0;   // source track number
    uint32_t trackLen = 0;      // length of the track-number vint in the stored element
    uint8_t keyFrame = 0;
    char kind = 's';            // 'b' from a BlockGroup, 's' from a SimpleBlock
    uint8_t invisible = 0;      // set by the timeline repair: written with the invisible bit
    int64_t absTime = 0;        // clusterTime + relTime
    int64_t clusterTime = 0;
    int32_t relTime = 0;
    uint64_t position = 0;      // of the stored element's ID byte; 0 for blocks in memory
    uint64_t totalSize = 0;
    uint32_t sizeLen = 0;
    uint64_t dataSize = 0;
    uint32_t elementIndex = 0;  // BlockGroup or SimpleBlock row of the element list
    int32_t duration = 0;       // BlockDuration; 0 = none
    int32_t reference = 0;      // ReferenceBlock; 0 = none
    std::vector<uint8_t> image;  // the complete element, for blocks not in the source
    // A BlockGroup's children besides its Block, first ReferenceBlock and
    // BlockDuration (more references, BlockAdditions, DiscardPadding), raw.
    std::vector<uint8_t> groupExtras;
    // The extras hold what a SimpleBlock cannot carry (BlockAdditions,
    // DiscardPadding): the block stays a BlockGroup whatever the packing.
    bool needsGroup = false;

    std::string trackText() const { return std::to_string(trackNumber); }
    // Offset of the flags byte from the element's ID byte.
    uint64_t flagsOffset() const { return 1 + sizeLen + trackLen + 2; }
};

struct OldCluster {
    uint32_t ordinal = 0;
    int64_t timecode = 0;
};

struct TMKV {
    tebml ebml;
    tinfo info;
    std::vector<tTrackEntry> tracks;
    std::vector<tAttachedFile> attachedFiles;
    std::vector<uint8_t> chapters;  // data bytes of the source's Chapters
    std::vector<xBlock> blocks;
    std::vector<OldCluster> oldClusters;
};

}  // namespace quillon
