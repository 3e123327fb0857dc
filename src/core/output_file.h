// The file a writer produces. It is written under a temporary name beside
// the target and takes the target's name only when finished, so a failed
// write never leaves a broken file in place of an existing one.
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
    // Renames the finished file to its target; false when anything failed.
    bool Commit();
    // Removes the unfinished file.
    void Discard();

private:
    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    uint64_t position_ = 0;
    bool failed_ = false;
};

}  // namespace quillon
