#include "core/output_file.h"

#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace quillon {

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& path) {
    Discard();
    target_ = path;
    std::vector<char> name(path.begin(), path.end());
    const std::string suffix = ".part-XXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) return false;
    temporary_ = name.data();
    // mkstemp makes the file private; give it the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    position_ = 0;
    failed_ = false;
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (fd_ < 0 || failed_) return false;
    if (!WriteAll(fd_, data, size)) {
        failed_ = true;
        return false;
    }
    position_ += size;
    return true;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || failed_) return false;
    if (!PwriteAll(fd_, data, size, offset)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool OutputFile::Commit() {
    if (fd_ < 0) return false;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (failed_ || !closed || std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failed_ = true;
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) std::remove(temporary_.c_str());
    temporary_.clear();
}

}  // namespace quillon
