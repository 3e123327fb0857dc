// The writer's model of a Matroska file, built from the element list before
// the first save and changed by the editing commands. Every header value
// carries its presence: a builder writes an element only when it is present.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The widest time a block may have, in ticks: no real file comes near it,
// and sums of such times stay far from overflowing.
inline constexpr int64_t kMaxBlockTime = int64_t{1} << 56;

// The language an added track has until the user gives it one; it is never
// written into a file (a track still holding it is written "und").
inline constexpr std::string_view kPlaceholderLanguage = "xz";

// A new file's track numbers are written as one-byte vints.
inline constexpr size_t kMaxActiveTracks = 126;

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
    // Children the fields above do not hold (SegmentFilename, PrevUID,
    // NextUID, SegmentFamily, ChapterTranslate, ...), their raw element bytes.
    std::vector<uint8_t> otherInfoChildren;
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
    Present<std::string> languageBCP47;
    Present<std::string> name;
    Present<uint32_t> pixelWidth, pixelHeight;
    Present<uint8_t> flagInterlaced;
    Present<uint32_t> displayWidth, displayHeight;
    Present<float> samplingFrequency;
    Present<uint32_t> channels;
    Present<std::vector<uint8_t>> contentEncodings;  // the source element's data, unparsed

    // Children the fields above do not hold (CodecDelay,
    // SeekPreRoll, accessibility flags, Colour, BitDepth, ...), as their raw
    // element bytes in source order; written after the modelled children.
    std::vector<uint8_t> otherEntryChildren;
    std::vector<uint8_t> otherVideoChildren;
    std::vector<uint8_t> otherAudioChildren;
};

// A run of bytes in a source file, copied to the output when it is written.
struct ByteRange {
    uint16_t source = 0;  // 0: the open file
    uint64_t offset = 0;
    uint64_t length = 0;
};

struct tAttachedFile {
    Present<std::string> fileName, fileMimeType;
    Present<ByteRange> fileData;  // read from its source at write time
    Present<uint64_t> fileUID;    // all 64 bits
    Present<std::string> fileDescription;
};

// One block of the output: a row of a scanned element list (the Block,
// SimpleBlock or EncriptedBlock element) and the time it is written at.
// Everything else (track, sizes, lacing, the group's other children) is read
// from the row and the source when the block is written.
struct xBlock {
    static constexpr uint8_t kKeyFrame = 1;   // a key frame (a group without ReferenceBlock)
    static constexpr uint8_t kInGroup = 2;    // the row is the Block of a BlockGroup
    static constexpr uint8_t kInvisible = 4;  // set by the timeline repair: written with the invisible bit
    static constexpr uint8_t kNeedsGroup = 8; // the group holds what a SimpleBlock cannot carry
                                              // (BlockAdditions, DiscardPadding): it stays a group
    static constexpr uint8_t kBadTime = 16;   // its time is out of range: it cannot be written
    static constexpr uint8_t kReferToPrevious = 32;  // set by the timeline repair: a group's ReferenceBlock
                                                     // is written anew, pointing at the track's block before it

    int64_t absTime = 0;  // cluster time + relative time, in ticks
    uint32_t row = 0;     // the block's row in the element list of its source
    uint16_t source = 0;  // 0: the open file (Document::lista)
    uint8_t flags = 0;

    bool keyFrame() const { return flags & kKeyFrame; }
    bool fromGroup() const { return flags & kInGroup; }
};

// A Cluster of the source: its row and its time.
struct OldCluster {
    uint32_t row = 0;
    int64_t timecode = 0;
};

struct TMKV {
    tebml ebml;
    tinfo info;
    std::vector<tTrackEntry> tracks;
    std::vector<tAttachedFile> attachedFiles;
    std::vector<uint8_t> chapters;  // the data of the source's Chapters, its children re-encoded
    std::vector<xBlock> blocks;           // built when first needed (EnsureBlockTable)
    std::vector<OldCluster> oldClusters;
    bool blocksBuilt = false;
};

// Matroska's TimecodeScale when a file has none.
inline constexpr uint32_t kDefaultTimecodeScale = 1000000;

// The model's TimecodeScale (the default when it has none).
inline uint64_t TimecodeScaleOf(const TMKV& mkv) {
    return mkv.info.timecodeScale.present && mkv.info.timecodeScale.value > 0 ? mkv.info.timecodeScale.value
                                                                              : kDefaultTimecodeScale;
}

// The model's track whose TrackNumber, in decimal, is `numberText`; nullptr if none.
inline const tTrackEntry* ModelTrack(const TMKV& mkv, std::string_view numberText) {
    for (const tTrackEntry& t : mkv.tracks)
        if (t.trackNumber.present && std::to_string(t.trackNumber.value) == numberText) return &t;
    return nullptr;
}
inline tTrackEntry* ModelTrack(TMKV& mkv, std::string_view numberText) {
    return const_cast<tTrackEntry*>(ModelTrack(static_cast<const TMKV&>(mkv), numberText));
}

}  // namespace quillon
