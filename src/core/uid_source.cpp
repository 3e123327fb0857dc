#include "core/uid_source.h"

#include <random>

namespace quillon {
namespace {

std::mt19937_64& Engine() {
    thread_local std::mt19937_64 engine{std::random_device{}()};
    return engine;
}

}  // namespace

uint64_t NewUid(const std::function<bool(uint64_t)>& taken) {
    uint64_t uid = 0;
    while (uid == 0 || (taken && taken(uid))) uid = Engine()();
    return uid;
}

void SeedUids(uint64_t seed) { Engine().seed(seed); }

}  // namespace quillon
