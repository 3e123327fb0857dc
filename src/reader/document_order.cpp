#include "reader/document_order.h"

#include <utility>
#include <vector>

namespace quillon {

void listasort(tabrick& list) {
    const size_t n = list.size();
    if (n == 0) return;

    // Children of each row as a linked list in index order (head/tail/next),
    // plus the top-level rows.
    std::vector<int32_t> head(n, -1), tail(n, -1), next(n, -1);
    int32_t topHead = -1, topTail = -1;
    for (size_t i = 0; i < n; ++i) {
        const int32_t p = list[i].parent;
        const int32_t self = static_cast<int32_t>(i);
        if (p < 0 || static_cast<size_t>(p) >= n || static_cast<size_t>(p) >= i) {
            if (p >= 0) continue;  // a parent after its child cannot be ordered: drop it
            (topTail < 0 ? topHead : next[topTail]) = self;
            topTail = self;
        } else {
            (tail[p] < 0 ? head[p] : next[tail[p]]) = self;
            tail[p] = self;
        }
    }

    // Pre-order walk with an explicit stack; order[k] = old index of new row k.
    std::vector<int32_t> order;
    order.reserve(n);
    std::vector<int32_t> newIndex(n, -1), depth(n, 0);
    std::vector<int32_t> stack, children;
    for (int32_t top = topHead; top >= 0; top = next[top]) {
        stack.push_back(top);
        while (!stack.empty()) {
            const int32_t row = stack.back();
            stack.pop_back();
            newIndex[row] = static_cast<int32_t>(order.size());
            order.push_back(row);
            // Push children in reverse so the first child is taken next.
            children.clear();
            for (int32_t c = head[row]; c >= 0; c = next[c]) {
                depth[c] = depth[row] + 1;
                children.push_back(c);
            }
            for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
        }
    }

    bool identity = order.size() == n;
    for (size_t k = 0; identity && k < n; ++k) identity = order[k] == static_cast<int32_t>(k);

    if (identity) {
        for (size_t k = 0; k < n; ++k) list[k].depth = depth[k];
    } else {
        tabrick sorted;
        for (const int32_t old : order) {
            Tbrick& row = sorted.push_back();
            row = std::move(list[old]);
            row.depth = depth[old];
            row.parent = row.parent < 0 ? -1 : newIndex[row.parent];
        }
        list = std::move(sorted);
    }

    const size_t count = list.size();
    for (size_t k = 0; k < count; ++k) list[k].firstChild = -1;
    for (size_t k = 0; k < count; ++k) {
        const int32_t p = list[k].parent;
        if (p >= 0 && list[p].firstChild == -1) list[p].firstChild = p + 1;
    }
}

}  // namespace quillon
