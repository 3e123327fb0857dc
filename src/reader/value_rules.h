// The schema's rules for one element's value: its range, the characters of
// a string, the length of a binary value.
#pragma once

#include <string>

#include "core/ebml.h"
#include "core/findings.h"

namespace quillon {

struct ValueProblem {
    bool broken = false;
    Rule rule = Rule::OutOfRange;
    std::string detail;  // the value, as read
};

// `data` holds the whole value of an element of dictionary row `row`.
ValueProblem CheckValue(int row, Bytes data);

}  // namespace quillon
