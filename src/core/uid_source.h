// The one source of new UIDs (tracks, attachments): random non-zero 64-bit
// values, as the format asks, so that two files made apart do not share
// them. Tests seed it to make the values that follow repeatable.
#pragma once

#include <cstdint>
#include <functional>

namespace quillon {

// A new UID: never 0, never one `taken` says is in use.
uint64_t NewUid(const std::function<bool(uint64_t)>& taken = {});

// The values that follow on this thread come from `seed`.
void SeedUids(uint64_t seed);

}  // namespace quillon
