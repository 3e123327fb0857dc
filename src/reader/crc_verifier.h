// Verifying CRC-32 elements beside the walk: the data they cover is read and
// summed on a thread of its own (with its own reading of the file), so a full
// check that verifies every Cluster costs little more than one that does not.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon {

class CrcVerifier {
public:
    struct Mismatch {
        int32_t row;       // the parent whose data the CRC-32 covers
        uint32_t stored;
        uint32_t computed;
    };

    explicit CrcVerifier(std::string path);
    ~CrcVerifier();
    CrcVerifier(const CrcVerifier&) = delete;
    CrcVerifier& operator=(const CrcVerifier&) = delete;

    // The bytes [from, to) of the file must sum to `stored`.
    void Add(int32_t row, uint64_t from, uint64_t to, uint32_t stored);
    // Waits for every check asked for and returns the mismatches in the order
    // they were asked for; `cancel` drops those not done yet.
    std::vector<Mismatch> Finish(bool cancel = false);

private:
    struct Job {
        int32_t row;
        uint64_t from, to;
        uint32_t stored;
    };
    void Work();

    std::string path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    std::vector<Mismatch> mismatches_;
    bool closing_ = false;
    bool cancelled_ = false;
    std::thread worker_;
};

}  // namespace quillon
