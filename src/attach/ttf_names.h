// One string of a font's naming table: the family name or the copyright
// notice the font preview shows. TrueType, OpenType (CFF, "OTTO") and the
// first font of a collection ("ttcf") are read; every offset is checked
// against the data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// `key` starting with "c" asks for the copyright notice (name ID 0), any other
// for the family name (name ID 1). The first record of that ID in Macintosh
// Roman (platform 1, encoding 0) or Windows Unicode (platform 3, encoding 1)
// is returned as UTF-8; empty when the font has none or is not a font.
std::string TtfNameText(std::span<const uint8_t> font, std::string_view key);

}  // namespace quillon
