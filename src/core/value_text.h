// The value texts of the element list read back as numbers, and the few
// other number texts the commands take (hex bytes, decimal fractions).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillon {

// True for one or more decimal digits and nothing else.
bool IsDigits(std::string_view text);
// Decimal texts as numbers; 0 for a text that is not a number of that range.
uint8_t TextToByte(std::string_view text);
uint32_t TextToUInt32(std::string_view text);
// A value text as a 64-bit number (0 when not a number). Unsigned values
// above 2^63 arrive printed as negative numbers and come back with all their bits.
int64_t TextToInt64(std::string_view text);
uint64_t TextToUInt64(std::string_view text);
// Decimal digits only, as a number; nullopt for anything else or past 2^64 − 1.
std::optional<uint64_t> ParseUnsigned(std::string_view text);
// One or two hex digits as a byte; 0 for anything else.
uint8_t HexByte(std::string_view text);
// "2,5" or "2.5" as a number, spaces around allowed; nullopt for anything else.
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace quillon
