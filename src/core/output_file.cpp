#include "core/output_file.h"

#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quillon {

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Fail(const std::string& subject, int error) {
    if (!failed_ || failedSubject_.empty()) {
        failedSubject_ = subject;
        error_ = error;
    }
    failed_ = true;
}

std::string OutputFile::FailureText() const {
    if (!failed_) return {};
    return failedSubject_ + ": " + (error_ ? std::strerror(error_) : "?");
}

namespace {

// The path a name stands for once symbolic links are followed (also a link
// to a file not there yet: the path it names).
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> link(4096);
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size() - 1);
        if (n <= 0) return path;
        std::string next(link.data(), static_cast<size_t>(n));
        if (next[0] != '/') {
            const size_t slash = path.find_last_of('/');
            next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
        }
        path = next;
    }
    return path;
}

}  // namespace

bool OutputFile::Create(const std::string& path) {
    Discard();
    failed_ = false;
    failedSubject_.clear();
    error_ = 0;
    position_ = 0;
    direct_ = false;
    target_ = FollowLinks(path);
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) {
            Fail(path, errno);
            return false;
        }
        direct_ = true;
        return true;
    }
    std::vector<char> name(target_.begin(), target_.end());
    const std::string suffix = ".part-XXXXXX";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) {
        Fail(path, errno);
        return false;
    }
    temporary_ = name.data();
    // mkstemp makes the file private; give it the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    return true;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (fd_ < 0 || failed_) return false;
    if (!WriteAll(fd_, data, size)) {
        Fail(target_, errno);
        return false;
    }
    position_ += size;
    return true;
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size) {
    if (fd_ < 0 || failed_) return false;
    if (!PwriteAll(fd_, data, size, offset)) {
        Fail(target_, errno);
        return false;
    }
    return true;
}

bool OutputFile::WriteVector(const iovec* pieces, size_t count) {
    if (fd_ < 0 || failed_) return false;
    std::vector<iovec> left(pieces, pieces + count);
    size_t first = 0;
    if (InjectedFault(FileOp::Write)) {
        Fail(target_, errno);
        return false;
    }
    while (first < left.size()) {
        const ssize_t n = ::writev(fd_, left.data() + first, static_cast<int>(left.size() - first));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {  // EFAULT too: a mapped source that shrank
            Fail(target_, n < 0 ? errno : ENOSPC);
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
    if (!closed) Fail(target_, errno);
    fd_ = -1;
    if (!failed_ && !direct_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) Fail(target_, errno);
    if (failed_) {
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

std::string WriteWholeFile(const std::string& path, const void* data, size_t size) {
    OutputFile out;
    if (out.Create(path) && out.Write(data, size) && out.Commit()) return {};
    return out.FailureText();
}

}  // namespace quillon
