#include "core/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace quillon {

int64_t PreadAll(int fd, void* out, size_t count, uint64_t position) {
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
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(position + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace quillon
