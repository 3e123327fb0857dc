// The output of a single-track export: bytes gathered in memory and written
// to the OutputFile in large pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/output_file.h"

namespace quillon {

class ExportSink {
public:
    static constexpr size_t kChunk = size_t{4} << 20;

    explicit ExportSink(OutputFile& file) : file_(file) { buffer_.reserve(kChunk); }
    ExportSink(const ExportSink&) = delete;
    ExportSink& operator=(const ExportSink&) = delete;

    void Put(const void* data, size_t size);
    void Put(std::span<const uint8_t> bytes) { Put(bytes.data(), bytes.size()); }
    void Put(std::string_view text) { Put(text.data(), text.size()); }
    // Writes what is gathered; false when any write failed.
    bool Flush();

private:
    OutputFile& file_;
    std::vector<uint8_t> buffer_;
};

}  // namespace quillon
