// Output assembled from small pieces of our own and long runs of a source
// file. The runs are never copied through our memory: a window of the source
// at a time is mapped read-only and the pieces are handed to writev, so their
// bytes go from the source's page cache straight to the output's. Only the
// window is ever mapped, so the memory of a save stays that of its model.
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
    static constexpr uint64_t kFlushAt = uint64_t{4} << 20;
    static constexpr uint64_t kWindow = uint64_t{2} << 20;

    GatherWriter(OutputFile& out, SourceFile& source) : out_(out), source_(source) {}
    GatherWriter(const GatherWriter&) = delete;
    GatherWriter& operator=(const GatherWriter&) = delete;

    // Our own bytes (copied).
    void Put(const void* data, size_t size);
    // Bytes of the source; the caller has made sure the source holds them.
    void PutRange(uint64_t offset, uint64_t length);
    // Where the next byte lands in the output.
    uint64_t Position() const { return out_.Position() + pending_; }
    // Writes everything gathered; false when the source or the output failed.
    bool Flush();

private:
    struct Piece {
        uint64_t offset;   // into arena_, or into the source
        uint64_t length;
        bool fromSource;
    };

    bool WriteWindow(size_t first, size_t last, uint64_t start, uint64_t end);

    OutputFile& out_;
    SourceFile& source_;
    std::vector<uint8_t> arena_;
    std::vector<Piece> pieces_;
    std::vector<uint8_t> staging_;  // when the source cannot be mapped
    uint64_t pending_ = 0;
    bool failed_ = false;
};

}  // namespace quillon
