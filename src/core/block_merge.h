// The one merge of block lists by time: added tracks, a track whose start
// moved, a track whose times were repaired all go back among the other
// blocks this way, so equal times always fall out the same.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "core/mkv_model.h"

namespace quillon {

// `blocks` holds two lists, each in its own order: [0, split) stays,
// [split, end) comes in. They are merged by time; a block that comes in goes
// before the first staying block later than it, so at equal times the
// staying ones come first.
void MergeByTime(std::vector<xBlock>& blocks, size_t split);

// The blocks `select` picks are taken out (keeping their order), changed by
// `change` when given, and merged back among the rest by time.
void RemergeByTime(std::vector<xBlock>& blocks, const std::function<bool(const xBlock&)>& select,
                   const std::function<void(xBlock&)>& change = {});

}  // namespace quillon
