// One string of a font's naming table: the family name or the copyright
// notice the font preview shows. TrueType, OpenType (CFF, "OTTO") and the
// first font of a collection ("ttcf") are read; every offset is checked
// against the data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// `key` starting with "c" asks for the copyright notice (name ID 0), any other
// for the family name (name ID 1). The first record of that ID in Macintosh
// Roman (platform 1, encoding 0) or Windows Unicode (platform 3, encoding 1)
// is returned as UTF-8; empty when the font has none or is not a font.
std::string TtfNameText(std::span<const uint8_t> font, std::string_view key);

// What the preview calls the font: "OpenType Font" for CFF outlines
// ("OTTO"), "TrueType Font" for the rest.
const char* TtfKindText(std::span<const uint8_t> font);

// A copy of a single font whose naming table gives it the family `family`
// (printable ASCII)
// (name IDs 1, 4, 6 and 16 of Windows Unicode; the other family records
// dropped, the rest kept), so that it can be
// shown beside an installed font of the same name without the system
// choosing the installed one. The new table is appended and the directory
// entry pointed at it; every other byte stays. Empty for a collection or
// anything that is not a font.
std::vector<uint8_t> TtfWithFamily(std::span<const uint8_t> font, std::string_view family);

}  // namespace quillon
