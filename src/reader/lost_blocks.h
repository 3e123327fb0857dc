// How many blocks a damaged file lost where the scan skipped bytes: those
// bytes held blocks nobody can list, but the tracks whose frames come at a
// fixed rate show the holes they left in time.
#pragma once

#include <cstdint>
#include <vector>

#include "core/element_list.h"
#include "core/source_file.h"

namespace quillon {

struct SkippedStretch {
    uint64_t from;
    uint64_t to;
};

// Blocks missing around the skipped stretches: per track with a
// DefaultDuration, the holes among its blocks' times near each stretch, in
// blocks of as many frames as the block before the hole holds.
uint64_t CountLostBlocks(const tabrick& list, SourceFile& source, const std::vector<SkippedStretch>& skipped);

}  // namespace quillon
