#include "reader/value_rules.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "core/dictionary.h"
#include "core/utf8.h"

namespace quillon {
namespace {

double FloatValue(Bytes data) {
    if (data.size() == 4) {
        const uint32_t bits = static_cast<uint32_t>(UIntValue(data, 4));
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    if (data.size() == 8) {
        const uint64_t bits = UIntValue(data, 8);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    return 0;
}

// EBML pads strings with zero bytes: after the first zero only zeros may follow.
std::string_view Unpadded(Bytes data, bool& badPadding) {
    size_t end = 0;
    while (end < data.size() && data[end] != 0) ++end;
    badPadding = false;
    for (size_t k = end; k < data.size(); ++k) badPadding |= data[k] != 0;
    return {reinterpret_cast<const char*>(data.data()), end};
}

ValueProblem Broken(Rule rule, std::string detail) { return ValueProblem{true, rule, std::move(detail)}; }

}  // namespace

ValueProblem CheckValue(int row, Bytes data) {
    if (row < 0) return {};
    const ElementRule& rule = DictionaryRule(row);
    switch (DictionaryRow(row).valueType) {
        case 'u': {
            const uint64_t value = UIntValue(data, data.size());
            if (!ValueInRange(rule, static_cast<double>(value))) return Broken(Rule::OutOfRange, std::to_string(value));
            break;
        }
        case 'i': {
            const int64_t value = IntValue(data, data.size());
            if (!ValueInRange(rule, static_cast<double>(value))) return Broken(Rule::OutOfRange, std::to_string(value));
            break;
        }
        case 'f': {
            const double value = FloatValue(data);
            if (std::isnan(value) || (!ValueInRange(rule, value)))
                return Broken(Rule::OutOfRange, std::to_string(value));
            break;
        }
        case 's': {
            bool badPadding;
            const std::string_view text = Unpadded(data, badPadding);
            for (const char c : text)
                if (c < 0x20 || c > 0x7E) return Broken(Rule::NotAscii, {});
            if (badPadding) return Broken(Rule::NotAscii, {});
            break;
        }
        case '8': {
            bool badPadding;
            if (!IsValidUtf8(Unpadded(data, badPadding)) || badPadding) return Broken(Rule::NotUtf8, {});
            break;
        }
        case 'h':
            if (rule.length && data.size() != rule.length) return Broken(Rule::BinaryLength, std::to_string(data.size()));
            break;
        default:
            break;
    }
    return {};
}

}  // namespace quillon
