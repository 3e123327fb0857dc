#include "core/file_io.h"

#include <csignal>

#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace quillon {
namespace {

struct Fault {
    std::atomic<int64_t> left{0};
    std::atomic<int> error{0};
};
Fault& FaultOf(FileOp op) {
    static Fault read, write;
    return op == FileOp::Read ? read : write;
}

}  // namespace

void InjectFileFault(FileOp op, int64_t n, int error) {
    Fault& f = FaultOf(op);
    f.error = error;
    f.left = n;
}

bool InjectedFault(FileOp op) {
    Fault& f = FaultOf(op);
    if (f.left.load(std::memory_order_relaxed) <= 0) return false;
    if (f.left.fetch_sub(1) != 1) return false;
    errno = f.error;
    return true;
}

int64_t PreadAll(int fd, void* out, size_t count, uint64_t position) {
    if (InjectedFault(FileOp::Read)) return -1;
    auto* bytes = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, bytes + done, count - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;  // the end of the file
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool PwriteAll(int fd, const void* data, size_t count, uint64_t position) {
    if (InjectedFault(FileOp::Write)) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;  // nothing written and no error said: the room is gone
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t count) {
    if (InjectedFault(FileOp::Write)) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;  // nothing written and no error said: the room is gone
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void LetWritesFailPastTheSizeLimit() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace quillon
