#include "core/block_merge.h"

#include <algorithm>

namespace quillon {

void MergeByTime(std::vector<xBlock>& blocks, size_t split) {
    // Forward from the front: the next place written never passes the next
    // incoming block still to be read, so only the staying blocks need a copy.
    const std::vector<xBlock> staying(blocks.begin(), blocks.begin() + static_cast<ptrdiff_t>(split));
    size_t s = 0, in = split, to = 0;
    while (s < staying.size() && in < blocks.size())
        blocks[to++] = blocks[in].absTime < staying[s].absTime ? blocks[in++] : staying[s++];
    while (s < staying.size()) blocks[to++] = staying[s++];
}

void RemergeByTime(std::vector<xBlock>& blocks, const std::function<bool(const xBlock&)>& select,
                   const std::function<void(xBlock&)>& change) {
    const auto split = std::stable_partition(blocks.begin(), blocks.end(), [&](const xBlock& b) { return !select(b); });
    if (change) std::for_each(split, blocks.end(), change);
    MergeByTime(blocks, static_cast<size_t>(split - blocks.begin()));
}

}  // namespace quillon
