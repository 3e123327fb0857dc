// The output of a single-track export: our own bytes and runs of the source,
// gathered and written in large pieces (the runs straight from the source's
// pages, never through our memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/gather_writer.h"

namespace quillon {

class ExportSink {
public:
    ExportSink(OutputFile& file, SourceFile& source) : file_(file), gather_(file, source) {}
    ExportSink(const ExportSink&) = delete;
    ExportSink& operator=(const ExportSink&) = delete;

    void Put(const void* data, size_t size) { gather_.Put(data, size); }
    void Put(std::span<const uint8_t> bytes) { Put(bytes.data(), bytes.size()); }
    void Put(std::string_view text) { Put(text.data(), text.size()); }
    // Bytes of the source, copied when written.
    void PutRange(uint64_t offset, uint64_t length) { gather_.PutRange(offset, length); }
    // Writes what is gathered; false when any write failed.
    bool Flush() { return gather_.Flush(); }
    // Where the next byte lands in the output.
    uint64_t Position() const { return gather_.Position(); }
    // Writes what is gathered, then `bytes` over earlier output at `offset`
    // (a header whose sizes are known only at the end).
    bool Overwrite(uint64_t offset, std::span<const uint8_t> bytes) {
        return gather_.Flush() && file_.WriteAt(offset, bytes.data(), bytes.size());
    }

private:
    OutputFile& file_;
    GatherWriter gather_;
};

}  // namespace quillon
