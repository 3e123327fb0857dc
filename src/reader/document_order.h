// Document order of an element list: each element followed by its subtree,
// children in file order, with depth and firstChild filled.
#pragma once

#include "core/element_list.h"

namespace quillon {

// Reorders the rows into depth-first pre-order (rows whose parent chain does
// not lead to a top-level row are dropped), then sets every row's depth and
// firstChild (its own index + 1 when it has children, else -1). Children keep
// their relative order. A list already in document order is only relabelled.
void listasort(tabrick& list);

}  // namespace quillon
