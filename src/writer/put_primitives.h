// Writing EBML: size fields, integers, lace sizes, texts and IDs into byte
// lists whose length the caller computed beforehand; and the conversions of
// the element list's value texts back into numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillon {

using ByteList = std::vector<uint8_t>;

// Smallest n with value < 2^(7n) - 1 (so the all-ones pattern, "unknown
// size", is never produced); 8 at most.
int VintWidth(uint64_t value);
void PutSizeVint(ByteList& list, size_t offset, uint64_t value);
// Bytes of the value without leading zero bytes; 1 for 0.
int UIntWidth(uint64_t value);
void PutUInt(ByteList& list, size_t offset, uint64_t value);
// 1 if |v| < 127, 2 if < 32767, 3 if < 8388607, else 4.
int SIntWidth(int64_t value);
void PutSInt(ByteList& list, size_t offset, int64_t value);
// Signed vint of EBML lacing, width chosen by the lace bias.
int LaceVintWidth(int64_t value);
void PutLaceVint(ByteList& list, size_t offset, int64_t value);
void PutText(std::string_view text, ByteList& list, size_t offset);
void PutHexID(std::string_view hex, ByteList& list, size_t offset);
// One or two hex digits as a byte; 0 for anything else.
uint8_t HexByte(std::string_view text);
void PutWord16Padded(ByteList& list, size_t offset, int width, uint16_t value);
void PutByteVint(ByteList& list, size_t offset, int width, uint8_t value);
bool IsDigits(std::string_view text);
uint8_t TextToByte(std::string_view text);
uint32_t TextToUInt32(std::string_view text);
// A value text of the element list as a 64-bit number (0 when not a number).
// Unsigned values above 2^63 arrive printed as negative numbers and come back
// with all their bits.
int64_t TextToInt64(std::string_view text);
uint64_t TextToUInt64(std::string_view text);

// Bytes of a whole element with a one-to-four-byte ID: ID + size field + data.
inline uint64_t ElementLength(int idLength, uint64_t dataLength) {
    return static_cast<uint64_t>(idLength) + VintWidth(dataLength) + dataLength;
}

// Appends an element header (ID bytes, minimal size field).
void AppendHeader(ByteList& out, uint32_t id, uint64_t dataLength);
void AppendUInt(ByteList& out, uint32_t id, uint64_t value);
void AppendBytes(ByteList& out, uint32_t id, const uint8_t* data, size_t length);
int IdLength(uint32_t id);

}  // namespace quillon
