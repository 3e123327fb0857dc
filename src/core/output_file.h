// The file a writer produces. A regular file is written under a temporary
// name beside the target (a symbolic link's target, not the link) and takes
// the target's name only when finished, so a failed write never leaves a
// broken file in place of an existing one. Anything else the name stands for
// (a FIFO, a terminal, /dev/null) is opened and written as it stands, never
// removed or replaced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/uio.h>

namespace quillon {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Create(const std::string& path);
    bool Write(const void* data, size_t size);
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Writes the pieces in order at the end, as Write would each.
    bool WriteVector(const iovec* pieces, size_t count);
    uint64_t Position() const { return position_; }
    bool Failed() const { return failed_; }
    // A failure of what feeds the file (a source that could not be read):
    // the file fails with it, naming `subject` and the system's `error`.
    void Fail(const std::string& subject, int error);
    // What failed and why: "PATH: No space left on device"; empty when nothing failed.
    std::string FailureText() const;
    // Renames the finished file to its target; false when anything failed.
    bool Commit();
    // Removes the unfinished file.
    void Discard();

private:
    int fd_ = -1;
    bool direct_ = false;  // written in place: not a regular file
    std::string target_;
    std::string temporary_;
    uint64_t position_ = 0;
    bool failed_ = false;
    std::string failedSubject_;  // the file whose read or write failed first
    int error_ = 0;              // and the system's error number
};

// Writes `size` bytes as the whole file `path` (under a temporary name, put in
// place when written). Returns what failed and why, or nothing.
std::string WriteWholeFile(const std::string& path, const void* data, size_t size);

}  // namespace quillon
