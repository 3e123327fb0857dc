#include "core/put_primitives.h"

#include "core/ebml.h"

namespace quillon {

int VintWidth(uint64_t value) {
    for (int n = 1; n < 8; ++n)
        if (value < (uint64_t{1} << (7 * n)) - 1) return n;
    return 8;
}

void PutSizeVint(ByteList& list, size_t offset, uint64_t value) { PutVint(value, VintWidth(value), list, offset); }

int UIntWidth(uint64_t value) {
    int width = 1;
    while (width < 8 && (value >> (8 * width)) != 0) ++width;
    return width;
}

void PutUInt(ByteList& list, size_t offset, uint64_t value) {
    const int width = UIntWidth(value);
    if (list.size() < offset + width) return;
    for (int i = width - 1; i >= 0; --i) {
        list[offset + i] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

int SIntWidth(int64_t value) {
    const uint64_t a = value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
    if (a < 127) return 1;
    if (a < 32767) return 2;
    if (a < 8388607) return 3;
    // Wider values take what they need rather than being cut to 4 bytes.
    for (int n = 4; n < 8; ++n)
        if (a < (uint64_t{1} << (8 * n - 1))) return n;
    return 8;
}

void PutSInt(ByteList& list, size_t offset, int64_t value) {
    const int width = SIntWidth(value);
    if (list.size() < offset + width) return;
    uint64_t bits = static_cast<uint64_t>(value);
    for (int i = width - 1; i >= 0; --i) {
        list[offset + i] = static_cast<uint8_t>(bits & 0xFF);
        bits >>= 8;
    }
}

int LaceVintWidth(int64_t value) {
    const uint64_t a = value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
    for (int n = 1; n < 8; ++n)
        if (a <= (uint64_t{1} << (7 * n - 1)) - 1) return n;
    return 8;
}

void PutLaceVint(ByteList& list, size_t offset, int64_t value) {
    const int width = LaceVintWidth(value);
    const int64_t bias = (int64_t{1} << (7 * width - 1)) - 1;
    PutVint(static_cast<uint64_t>(value + bias), width, list, offset);
}

void AppendHeader(ByteList& out, uint32_t id, uint64_t dataLength) {
    const uint32_t idLength = IdLength(id);
    for (int i = idLength - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(id >> (8 * i)));
    const size_t at = out.size();
    out.resize(at + VintWidth(dataLength));
    PutSizeVint(out, at, dataLength);
}

void AppendUInt(ByteList& out, uint32_t id, uint64_t value) {
    AppendHeader(out, id, UIntWidth(value));
    const size_t at = out.size();
    out.resize(at + UIntWidth(value));
    PutUInt(out, at, value);
}

void AppendBytes(ByteList& out, uint32_t id, const uint8_t* data, size_t length) {
    AppendHeader(out, id, length);
    out.insert(out.end(), data, data + length);
}

}  // namespace quillon
