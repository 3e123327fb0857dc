#include "core/source_file.h"

#include "core/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillon {

SourceFile::~SourceFile() { Close(); }

bool SourceFile::Open(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<uint64_t>(st.st_size);
    path_ = path;
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    ResetReadCache();
    return true;
}

void SourceFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    ResetReadCache();
}

void SourceFile::ResetReadCache() {
    cacheStart_ = 0;
    cacheFilled_ = 0;
}

bool SourceFile::ReadDirect(uint64_t position, size_t count, uint8_t* out) {
    size_t done = 0;
    if (position < size_) {
        const int64_t got = PreadAll(fd_, out, static_cast<size_t>(std::min<uint64_t>(count, size_ - position)), position);
        if (got < 0) {
            lastError_ = errno;
            return false;
        }
        done = static_cast<size_t>(got);  // fewer: the file shrank under us
    }
    std::memset(out + done, 0, count - done);
    return true;
}

bool SourceFile::Fill(uint64_t position) {
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>(kCacheSize, size_));
    if (cacheCapacity_ < capacity) {
        cache_.reset(new uint8_t[capacity]);  // no zero-fill: only bytes read are handed out
        cacheCapacity_ = capacity;
    }
    cacheStart_ = position;
    cacheFilled_ = 0;
    if (position >= size_) return true;
    const int64_t got = PreadAll(fd_, cache_.get(), static_cast<size_t>(std::min<uint64_t>(capacity, size_ - position)), position);
    if (got < 0) {
        lastError_ = errno;
        cacheFilled_ = 0;
        return false;
    }
    cacheFilled_ = static_cast<size_t>(got);
    return true;
}

bool SourceFile::ReadInto(uint64_t position, size_t count, uint8_t* out) {
    if (fd_ < 0) return false;
    if (count == 0) return true;
    if (count > kCacheSize) return ReadDirect(position, count, out);
    const bool inside = position >= cacheStart_ && position - cacheStart_ + count <= cacheFilled_;
    if (!inside) {
        // A range that starts in the cache but runs past the end of the file
        // needs no refill: the missing bytes are zero, not stale.
        const bool pastEnd = position >= cacheStart_ && position - cacheStart_ <= cacheFilled_ &&
                             cacheStart_ + cacheFilled_ >= size_;
        if (!pastEnd && !Fill(position)) return false;
    }
    const uint64_t offset = position - cacheStart_;
    const size_t available = offset < cacheFilled_ ? std::min<size_t>(count, cacheFilled_ - offset) : 0;
    if (available) std::memcpy(out, cache_.get() + offset, available);
    std::memset(out + available, 0, count - available);
    return true;
}

bool SourceFile::ReadFew(uint64_t position, size_t count, uint8_t* out) {
    if (fd_ < 0) return false;
    if (count == 0) return true;
    const bool inside = position >= cacheStart_ && position - cacheStart_ + count <= cacheFilled_;
    if (inside) {
        std::memcpy(out, cache_.get() + (position - cacheStart_), count);
        return true;
    }
    return ReadDirect(position, count, out);
}

const uint8_t* SourceFile::View(uint64_t position, size_t count) {
    if (fd_ < 0 || count > kCacheSize || !Holds(position, count)) return nullptr;
    const bool inside = position >= cacheStart_ && position - cacheStart_ + count <= cacheFilled_;
    if (!inside && (!Fill(position) || count > cacheFilled_)) return nullptr;
    return cache_.get() + (position - cacheStart_);
}

bool SourceFile::ReadAt(uint64_t position, size_t count, std::vector<uint8_t>& out) {
    out.resize(count);
    return ReadInto(position, count, out.data());
}

}  // namespace quillon
