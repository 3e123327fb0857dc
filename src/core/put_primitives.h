// Writing EBML: size fields, integers, lace sizes, texts and element headers
// into byte lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/ebml.h"

namespace quillon {

using ByteList = std::vector<uint8_t>;

// Smallest n with value < 2^(7n) - 1 (so the all-ones pattern, "unknown
// size", is never produced); 8 at most.
int VintWidth(uint64_t value);
void PutSizeVint(ByteList& list, size_t offset, uint64_t value);
// Bytes of the value without leading zero bytes; 1 for 0.
int UIntWidth(uint64_t value);
void PutUInt(ByteList& list, size_t offset, uint64_t value);
// 1 if |v| < 127, 2 if < 32767, 3 if < 8388607, else the bytes a two's complement needs.
int SIntWidth(int64_t value);
void PutSInt(ByteList& list, size_t offset, int64_t value);
// Signed vint of EBML lacing, width chosen by the lace bias.
int LaceVintWidth(int64_t value);
void PutLaceVint(ByteList& list, size_t offset, int64_t value);

// Bytes of a whole element with a one-to-four-byte ID: ID + size field + data.
inline uint64_t ElementLength(int idLength, uint64_t dataLength) {
    return static_cast<uint64_t>(idLength) + VintWidth(dataLength) + dataLength;
}

// Appends an element header (ID bytes, minimal size field).
void AppendHeader(ByteList& out, uint32_t id, uint64_t dataLength);
void AppendUInt(ByteList& out, uint32_t id, uint64_t value);
void AppendBytes(ByteList& out, uint32_t id, const uint8_t* data, size_t length);

}  // namespace quillon
