#include "reader/crc_verifier.h"

#include <algorithm>

#include "core/crc32.h"
#include "core/source_file.h"

namespace quillon {
namespace {

constexpr size_t kPiece = 1 << 20;

}  // namespace

CrcVerifier::CrcVerifier(std::string path) : path_(std::move(path)), worker_([this] { Work(); }) {}

CrcVerifier::~CrcVerifier() { Finish(true); }

void CrcVerifier::Add(int32_t row, uint64_t from, uint64_t to, uint32_t stored) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(Job{row, from, to, stored});
    }
    wake_.notify_one();
}

std::vector<CrcVerifier::Mismatch> CrcVerifier::Finish(bool cancel) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        cancelled_ = cancel;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
    std::sort(mismatches_.begin(), mismatches_.end(), [](const Mismatch& a, const Mismatch& b) { return a.row < b.row; });
    return mismatches_;
}

void CrcVerifier::Work() {
    SourceFile file;
    const bool opened = file.Open(path_);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return !jobs_.empty() || closing_; });
            if (cancelled_ || jobs_.empty()) return;
            job = jobs_.front();
            jobs_.pop_front();
        }
        if (!opened) continue;  // nothing to compare with: no mismatch is claimed
        uint32_t sum = 0;
        bool read = true;
        for (uint64_t at = job.from; at < job.to && read;) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(kPiece, job.to - at));
            const uint8_t* bytes = file.View(at, piece);
            read = bytes != nullptr;
            if (read) sum = Crc32(bytes, piece, sum);
            at += piece;
        }
        if (read && sum != job.stored) mismatches_.push_back(Mismatch{job.row, job.stored, sum});
    }
}

}  // namespace quillon
