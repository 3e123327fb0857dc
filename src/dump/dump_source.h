// The bytes a dump shows: an element of the open file (checked to be still
// the element the scan found there) or the start of any file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"

namespace quillon {

enum class DumpRead {
    Ok,
    CannotOpen,  // "файл не открывается: нет доступа."
    Changed,     // the element is no longer there: the file changed since the scan
    PastEnd,     // the offset asked for lies at or past the end of the file
};

// The first `limit` bytes of row `row` of the element list (header and data).
DumpRead ReadElementBytes(const Document& doc, size_t row, size_t limit, std::vector<uint8_t>& out);
// `length` bytes of a file from `offset` (fewer at its end).
DumpRead ReadFileBytes(const std::string& path, uint64_t offset, size_t length, std::vector<uint8_t>& out);
// The Russian key of a failed read's message.
const char* DumpReadMessage(DumpRead result);

}  // namespace quillon
