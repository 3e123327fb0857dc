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

// A write past the process's file-size limit (ulimit -f) fails with EFBIG
// and is told like any failed write, instead of the system ending the
// program by SIGXFSZ half-way. The fronts call this once at start.
void LetWritesFailPastTheSizeLimit();

// A seam for the tests of failing files: from now on the `n`-th read (or
// write) fails with the system error `error` (n = 0: none fails). Every read
// and write of the program passes here; a test needs no root, no full disk.
enum class FileOp { Read, Write };
void InjectFileFault(FileOp op, int64_t n, int error);
// True (errno set) when the seam makes this read or write fail.
bool InjectedFault(FileOp op);

}  // namespace quillon
