// Output assembled from small pieces of our own and runs of a source file,
// written in large pieces. Where the runs are most of the source (a remux),
// they are read through the source's read-ahead and written with our pieces
// as one block; where they are few and far between (one track's frames),
// only they are copied: a window of the source at a time is mapped read-only
// and the pieces are handed to writev, so the bytes between are never read.
// What is held at a time is one flush's worth, so the memory of a save stays
// that of its model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/output_file.h"
#include "core/source_file.h"

namespace quillon {

class GatherWriter {
public:
    // Bytes gathered before they are written out, and the most of the source mapped at once.
    static constexpr uint64_t kFlushAt = uint64_t{256} << 10;
    static constexpr uint64_t kWindow = uint64_t{2} << 20;

    GatherWriter(OutputFile& out, SourceFile& source) : out_(out), source_(source) {}
    GatherWriter(const GatherWriter&) = delete;
    GatherWriter& operator=(const GatherWriter&) = delete;

    // Our own bytes (copied).
    void Put(const void* data, size_t size);
    // Bytes of the source; the caller has made sure the source holds them.
    void PutRange(uint64_t offset, uint64_t length) { PutRange(source_, offset, length); }
    // Bytes of another source (a file a track is added from).
    void PutRange(SourceFile& from, uint64_t offset, uint64_t length);
    // Where the next byte lands in the output.
    uint64_t Position() const { return out_.Position() + pending_; }
    // Writes everything gathered; false when the source or the output failed.
    bool Flush();

private:
    struct Piece {
        uint64_t offset;     // into arena_, or into the source
        uint64_t length;
        SourceFile* source;  // nullptr: our own bytes
        bool fromSource() const { return source != nullptr; }
    };

    // A part of the source mapped (or, where mapping fails, read) for one write.
    struct Window {
        uint64_t start = 0, end = 0;
        void* mapped = reinterpret_cast<void*>(-1);  // MAP_FAILED until mapped
        const uint8_t* data = nullptr;
        std::vector<uint8_t> staging;
        bool Holds(const Piece& p) const { return p.offset >= start && p.offset + p.length <= end; }
    };
    // The most windows mapped at once.
    static constexpr size_t kMaxWindows = 4;

    bool Assemble();
    bool WriteMapped(SourceFile& source);
    bool WriteWindows(SourceFile& source, size_t first, size_t last, std::vector<Window>& windows);

    OutputFile& out_;
    SourceFile& source_;
    std::vector<uint8_t> arena_;
    std::vector<Piece> pieces_;
    std::vector<uint8_t> assembly_;  // one flush of dense runs
    uint64_t pending_ = 0;
    bool failed_ = false;
};

}  // namespace quillon
