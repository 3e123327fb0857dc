// The block walk: the one way every single-track writer reads a track. It
// goes over the element list in document order and, for each Block,
// SimpleBlock or EncryptedBlock of the track, reads the block's frame data
// (the bytes after the lacing header) from the source file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/element_list.h"
#include "core/host.h"
#include "core/progress_pacer.h"
#include "core/source_file.h"

namespace quillon {

// One block of the track as the walk hands it over.
struct WalkBlock {
    size_t row = 0;                        // the block's row in the element list
    uint64_t track = 0;                    // its track number
    int64_t timecode = 0;                  // cluster timecode + block timecode, in ticks
    int64_t duration = -1;                 // the group's BlockDuration in ticks; -1 when none
    int64_t discardPadding = 0;            // the group's DiscardPadding: nanoseconds of the sound not to be played
    bool keyframe = false;                 // a SimpleBlock marked key, or a Block whose group references no other
    std::span<const uint8_t> data;         // the frames back to back (empty when the bytes were not asked for)
    std::span<const uint32_t> frameSizes;  // each frame's size, in order; they add up to frameBytes
    uint64_t framesAt = 0;                 // where the first frame starts in the source
    uint64_t frameBytes = 0;               // the frames' bytes in the source, back to back
};

enum class WalkStatus {
    Block,    // `block` holds the next block of the track
    End,      // no more blocks
    Stopped,  // the Host asked to stop
};

class BlockWalk {
public:
    // Blocks whose track number is `numberText` (a decimal number; any other
    // text matches no block). With a Host, the walk steps its progress to the
    // row index + 1 and polls its stop request every few hundred rows.
    BlockWalk(const tabrick& lista, SourceFile& source, std::string_view numberText, Host* host = nullptr);
    // Blocks of any of these tracks, in document order (a conversion that
    // interleaves two tracks walks them together).
    BlockWalk(const tabrick& lista, SourceFile& source, std::vector<uint64_t> tracks, Host* host = nullptr);

    // Bytes that header-stripping compression took off the front of every
    // frame: each frame is handed over with them put back.
    void SetFramePrefix(std::vector<uint8_t> prefix) { prefix_ = std::move(prefix); }
    // Without the bytes the walk hands over where the frames are
    // (framesAt, frameBytes) and reads nothing of them; a frame prefix
    // always needs them.
    void SetBytesWanted(bool wanted) { bytesWanted_ = wanted; }

    WalkStatus Next(WalkBlock& block);

    // Blocks of the track passed over because the file does not hold them
    // whole (a cut or damaged file), or their time is out of range: nothing
    // of them was delivered.
    uint64_t LeftOutDamaged() const { return leftOutDamaged_; }
    uint64_t LeftOutBadTime() const { return leftOutBadTime_; }

private:
    bool Matches(const Tbrick& row) const;
    bool ClusterTimecode(const Tbrick& row, int64_t& time);
    int64_t BlockDuration(const Tbrick& row) const;
    int64_t DiscardPadding(const Tbrick& row) const;
    bool Keyframe(const Tbrick& row) const;
    bool Read(const Tbrick& row, WalkBlock& block);

    const tabrick& lista_;
    SourceFile& source_;
    ProgressPacer pacer_;  // every 512 rows
    std::vector<uint64_t> tracks_;  // empty: the number text is not a number
    size_t next_ = 0;
    uint64_t leftOutDamaged_ = 0;
    uint64_t leftOutBadTime_ = 0;
    int64_t clusterRow_ = -2;  // the cluster whose timecode is cached
    int64_t clusterTime_ = 0;
    bool clusterTimeKnown_ = true;
    std::vector<uint8_t> prefix_;
    bool bytesWanted_ = true;
    std::vector<uint8_t> buffer_;
    std::vector<uint8_t> assembled_;
    std::vector<uint32_t> sizes_;
};

// Reads the frame data of the track's first block in list order into `out`.
// False when the track has no block or it cannot be read.
bool ReadFirstTrackBlock(const tabrick& lista, SourceFile& source, std::string_view numberText,
                         std::vector<uint8_t>& out);

}  // namespace quillon
