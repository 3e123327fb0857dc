// The header properties a user may set or delete in place: one table, each
// row bound to its element (generated constants) with its kind and, from the
// schema, its range. A value is parsed and checked here once, for the
// in-place editor and the batch rules alike.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillon {

// The master a property's element stands in.
enum class PropertyMaster { Info, Track, Video, Colour, Audio };

enum class PropertyKind {
    Utf8Text,   // Title, Name
    Language,   // Language and LanguageBCP47 together
    Flag,       // 0 or 1
    Unsigned,   // a whole number, within the schema's range and `maximum`
    Float,      // a number within the schema's range
    Date,       // "YYYY-MM-DDTHH:MM:SSZ", stored as nanoseconds from 2001-01-01
    Uid128,     // 32 hexadecimal digits, not all zero
};

struct HeaderProperty {
    const char* name;  // "title", "flag-default", "display-width", ...
    PropertyMaster master;
    uint32_t id;
    PropertyKind kind;
    uint64_t maximum = 0;  // Unsigned: the largest value the format's enumeration names; 0: none beyond the schema
};

std::span<const HeaderProperty> HeaderProperties();
const HeaderProperty* FindHeaderProperty(std::string_view name);

// One element's new data bytes.
struct PropertyBytes {
    uint32_t id;
    std::vector<uint8_t> data;
};

// Why a value was refused: a message key (Russian, through the lookup) and
// the detail after it (the property, the value, the allowed range).
struct PropertyRefusal {
    const char* key;
    std::string detail;
};

// The elements `text` sets for `property` (two for the language), or why not.
std::variant<std::vector<PropertyBytes>, PropertyRefusal> ParsePropertyValue(const HeaderProperty& property,
                                                                             std::string_view text);

}  // namespace quillon
