// Where the blocks of an added track come from. An xBlock with source k > 0
// belongs to the document's added source k − 1: either tracks imported from
// another Matroska file (its element list; the block is one of its rows) or
// blocks we built (subtitle events, MP3 frames; the block indexes `built`).
// A block's payload stays in its file until the block is written: only
// headers, texts and lace sizes are held here.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/element_list.h"
#include "core/mkv_model.h"

namespace quillon {

// A block we built: bytes of ours (the lace head, an event's text) followed
// by a run of the source file (the frames), both after the flags byte.
struct BuiltBlock {
    uint32_t headAt = 0, headLength = 0;  // in AddedSource::bytes
    uint64_t fileOffset = 0;              // the run in the source file
    uint32_t fileLength = 0;
    uint32_t zeroTail = 0;                // bytes the file cut short, written as zeros
    int64_t duration = -1;                // BlockDuration in ticks; −1: none
    uint8_t flags = 0;                    // the flags byte (lacing)
};

// A track taken from another Matroska file: its number there, its number in
// the document, and how its times become the document's ticks.
struct ImportedTrack {
    uint64_t oldNumber = 0;
    uint64_t newNumber = 0;
    double trackScale = 1.0;  // its TrackTimecodeScale (1 when absent)
    uint64_t fileScale = 1000000, documentScale = 1000000;  // the two files' TimecodeScale

    bool SameTicks() const { return trackScale == 1.0 && fileScale == documentScale; }
    // A time of its file in the document's ticks: scaled by the track's
    // factor and by the ratio of the two TimecodeScales, rounded to the
    // nearest tick (a sample-exact scale such as 999999 ns would otherwise put
    // every time a tick early). Clamped to ±(kMaxBlockTime + 1): beyond
    // kMaxBlockTime a time is out of range.
    int64_t Ticks(int64_t fileTicks) const {
        constexpr long double kLimit = static_cast<long double>(kMaxBlockTime + 1);
        const long double exact = static_cast<long double>(fileTicks) * trackScale * fileScale /
                                  static_cast<long double>(documentScale ? documentScale : 1);
        return static_cast<int64_t>(std::llroundl(std::clamp(exact, -kLimit, kLimit)));
    }
};

struct AddedSource {
    std::string path;  // the file the payloads are read from; empty when every byte is held here

    // Imported from a Matroska file.
    tabrick lista;
    std::vector<ImportedTrack> tracks;

    // Built by us: one track.
    uint64_t builtTrack = 0;
    std::vector<BuiltBlock> built;
    std::vector<uint8_t> bytes;

    const ImportedTrack* Imported(uint64_t oldNumber) const {
        for (const ImportedTrack& t : tracks)
            if (t.oldNumber == oldNumber) return &t;
        return nullptr;
    }
};

}  // namespace quillon
