#include "core/output_file.h"

#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
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

bool OutputFile::WriteVector(const iovec* pieces, size_t count) {
    if (fd_ < 0 || failed_) return false;
    std::vector<iovec> left(pieces, pieces + count);
    size_t first = 0;
    while (first < left.size()) {
        const ssize_t n = ::writev(fd_, left.data() + first, static_cast<int>(left.size() - first));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // EFAULT too: a mapped source that shrank
            failed_ = true;
            return false;
        }
        position_ += static_cast<uint64_t>(n);
        size_t done = static_cast<size_t>(n);
        while (first < left.size() && done >= left[first].iov_len) done -= left[first++].iov_len;
        if (first < left.size()) {
            left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + done;
            left[first].iov_len -= done;
        }
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
