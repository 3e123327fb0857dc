// The one loop for positional reads and writes: short transfers are
// continued, interrupted calls repeated.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

// Reads up to `count` bytes at `position`; returns how many were read (fewer
// only at the end of the file), or -1 on an error.
int64_t PreadAll(int fd, void* out, size_t count, uint64_t position);
// Writes all `count` bytes at `position`; false on an error.
bool PwriteAll(int fd, const void* data, size_t count, uint64_t position);
// Writes all `count` bytes at the file's current offset; false on an error.
bool WriteAll(int fd, const void* data, size_t count);

}  // namespace quillon
