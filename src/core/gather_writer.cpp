#include "core/gather_writer.h"

#include "core/file_io.h"

#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace quillon {
namespace {

uint64_t PageSize() {
    static const uint64_t size = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

}  // namespace

void GatherWriter::Put(const void* data, size_t size) {
    if (size == 0) return;
    const uint64_t at = arena_.size();
    const auto* bytes = static_cast<const uint8_t*>(data);
    arena_.insert(arena_.end(), bytes, bytes + size);
    if (!pieces_.empty() && !pieces_.back().fromSource() && pieces_.back().offset + pieces_.back().length == at)
        pieces_.back().length += size;
    else
        pieces_.push_back(Piece{at, size, nullptr});
    pending_ += size;
    if (pending_ >= kFlushAt) Flush();
}

void GatherWriter::PutRange(SourceFile& from, uint64_t offset, uint64_t length) {
    // No run is longer than a window: a huge frame is mapped a piece at a time.
    while (length > kWindow / 2) {
        PutRange(from, offset, kWindow / 2);
        offset += kWindow / 2;
        length -= kWindow / 2;
    }
    if (length == 0) return;
    if (!pieces_.empty() && pieces_.back().source == &from && pieces_.back().offset + pieces_.back().length == offset)
        pieces_.back().length += length;
    else
        pieces_.push_back(Piece{offset, length, &from});
    pending_ += length;
    if (pending_ >= kFlushAt) Flush();
}

// Writes pieces [first, last), whose source runs each lie in one of the windows.
bool GatherWriter::WriteWindows(SourceFile& source, size_t first, size_t last, std::vector<Window>& windows) {
    bool ok = true;
    for (Window& w : windows) {
        // Mapping a window is reading it: a failure the file layer makes fails it too.
        if (InjectedFault(FileOp::Read)) {
            out_.Fail(source.Path(), errno);
            ok = false;
            break;
        }
        w.mapped = ::mmap(nullptr, w.end - w.start, PROT_READ, MAP_SHARED | MAP_POPULATE, source.Descriptor(),
                          static_cast<off_t>(w.start));
        if (w.mapped != MAP_FAILED) {
            ::madvise(w.mapped, w.end - w.start, MADV_SEQUENTIAL);
            w.data = static_cast<const uint8_t*>(w.mapped);
        } else {
            // No mapping (a file system without it): the runs are read into memory instead.
            w.staging.resize(w.end - w.start);
            if (ok && !source.ReadAt(w.start, w.end - w.start, w.staging)) {
                out_.Fail(source.Path(), source.LastError());
                ok = false;
            }
            w.data = w.staging.data();
        }
    }
    std::vector<iovec> vectors;
    vectors.reserve(last - first);
    for (size_t k = first; ok && k < last; ++k) {
        const Piece& p = pieces_[k];
        const uint8_t* base;
        if (p.fromSource()) {
            const Window& w = *std::find_if(windows.begin(), windows.end(), [&](const Window& x) { return x.Holds(p); });
            base = w.data + (p.offset - w.start);
        } else {
            base = arena_.data() + p.offset;
        }
        vectors.push_back(iovec{const_cast<uint8_t*>(base), static_cast<size_t>(p.length)});
    }
    for (size_t at = 0; ok && at < vectors.size(); at += IOV_MAX)
        ok = out_.WriteVector(vectors.data() + at, std::min<size_t>(IOV_MAX, vectors.size() - at));
    for (Window& w : windows)
        if (w.mapped != MAP_FAILED) ::munmap(w.mapped, w.end - w.start);
    return ok;
}

// Dense runs (a remux copies nearly every byte of the source) are read
// through the source's read-ahead and written as one piece: the kernel is
// fastest with few large writes. Sparse runs (one track of many) are written
// from mapped windows, so the bytes between them are never read at all.
bool GatherWriter::Flush() {
    uint64_t sourceBytes = 0, spanStart = UINT64_MAX, spanEnd = 0;
    SourceFile* only = nullptr;  // the one source of the runs; nullptr when they come from several
    bool first = true;
    for (const Piece& p : pieces_) {
        if (!p.fromSource()) continue;
        only = first || only == p.source ? p.source : nullptr;
        first = false;
        sourceBytes += p.length;
        spanStart = std::min(spanStart, p.offset);
        spanEnd = std::max(spanEnd, p.offset + p.length);
    }
    // Runs of several files (tracks added from other files) are read through
    // each file's read-ahead; spans across files mean nothing.
    const bool dense = sourceBytes == 0 || !only || sourceBytes * 2 >= spanEnd - spanStart;
    if (dense) {
        if (!failed_ && !Assemble()) failed_ = true;
    } else {
        if (!failed_ && !WriteMapped(*only)) failed_ = true;
    }
    pieces_.clear();
    arena_.clear();
    pending_ = 0;
    return !failed_ && !out_.Failed();
}

bool GatherWriter::Assemble() {
    assembly_.resize(pending_);
    uint8_t* at = assembly_.data();
    for (const Piece& p : pieces_) {
        if (!p.fromSource()) std::memcpy(at, arena_.data() + p.offset, p.length);
        else if (!p.source->ReadInto(p.offset, static_cast<size_t>(p.length), at)) {
            out_.Fail(p.source->Path(), p.source->LastError());  // the output would lack these bytes
            return false;
        }
        at += p.length;
    }
    return out_.Write(assembly_.data(), assembly_.size());
}

bool GatherWriter::WriteMapped(SourceFile& source) {
    // Windows of the source, a few at a time: runs that alternate between
    // distant places (a track whose blocks were moved) each find theirs
    // mapped, instead of one mapping per run.
    size_t first = 0;
    while (!failed_ && first < pieces_.size()) {
        std::vector<Window> windows;
        size_t last = first;
        for (; last < pieces_.size(); ++last) {
            const Piece& p = pieces_[last];
            if (!p.fromSource()) continue;
            const auto fits = std::find_if(windows.begin(), windows.end(), [&](const Window& w) {
                return p.offset >= w.start && p.offset + p.length - w.start <= kWindow;
            });
            if (fits != windows.end()) {
                fits->end = std::max(fits->end, p.offset + p.length);
                continue;
            }
            if (windows.size() == kMaxWindows) break;
            Window w;
            w.start = p.offset / PageSize() * PageSize();
            w.end = p.offset + p.length;
            windows.push_back(std::move(w));
        }
        if (!WriteWindows(source, first, last, windows)) return false;
        first = last;
    }
    return true;
}

}  // namespace quillon
