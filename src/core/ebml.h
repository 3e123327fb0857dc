// EBML decoding primitives: variable-length integers and value decoding into
// the display texts the element list holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon {

using Bytes = std::span<const uint8_t>;

// Length 1..8 of the vint whose first byte is at `offset`; 0 for a 0x00 byte
// or an offset beyond the bytes.
int VintLen(Bytes bytes, size_t offset);

// Value of the vint at `offset` with its length marker removed. A 0x00 first
// byte is read as an 8-byte vint. Missing trailing bytes count as zero.
uint64_t VintValue(Bytes bytes, size_t offset);

// The same as unsigned decimal text; empty when the offset lies beyond the bytes.
std::string VintText(Bytes bytes, size_t offset);

struct Vint {
    int length = 0;       // VintLen
    uint64_t value = 0;   // VintValue
};
Vint ReadVint(Bytes bytes, size_t offset);

// True when every value bit of a vint of that length is set: EBML's unknown size.
bool IsUnknownSize(uint64_t value, int length);

// Signed vint of EBML lacing: the value minus the bias of its length.
int64_t SVintValue(Bytes bytes, size_t offset);
std::string SVintText(Bytes bytes, size_t offset);

// Big-endian integers of the first `count` bytes (no more than there are).
uint64_t UIntValue(Bytes bytes, size_t count);
int64_t IntValue(Bytes bytes, size_t count);
std::string UIntText(Bytes bytes, size_t count);   // printed as signed 64-bit
std::string IntText(Bytes bytes, size_t count);
// IEEE float of 4 or 8 bytes truncated toward zero; empty for other counts.
std::string FloatText(Bytes bytes, size_t count);
// The float of 4 or 8 bytes (0 for other counts), and its text as FloatText makes it.
double FloatValue(Bytes bytes, size_t count);
std::string FloatValueText(double value);
// Nanoseconds since 2001-01-01 00:00:00 as "YYYY-MM-DD[ HH:MM:SS]"; empty
// unless there are 8 bytes.
std::string DateText(Bytes bytes, size_t count);
std::string DateValueText(int64_t nanoseconds);
// The text up to the first zero byte (EBML pads strings with zeros).
std::string StrText(Bytes bytes, size_t count);
std::string HexText(Bytes bytes, size_t offset, size_t count);
// Big-endian signed 16-bit integer; empty when fewer than 2 bytes remain.
std::string Int16Text(Bytes bytes, size_t offset);

// Bytes of an element ID (marker bits included): 1 to 4.
inline uint32_t IdLength(uint32_t id) { return id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : id > 0xFF ? 2 : 1; }

// An ID is written in its shortest form and its value bits are neither all
// zeros nor all ones (EBML reserves both).
bool IdIsShortest(uint32_t id);

// Writes `value` as a vint of exactly `length` bytes at `offset`; nothing is
// written when the bytes are too short.
void PutVint(uint64_t value, int length, std::vector<uint8_t>& bytes, size_t offset);

}  // namespace quillon
