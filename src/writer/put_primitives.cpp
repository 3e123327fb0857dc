#include "writer/put_primitives.h"

#include <cstdlib>
#include <string>

namespace quillon {

int VintWidth(uint64_t value) {
    for (int n = 1; n < 8; ++n)
        if (value < (uint64_t{1} << (7 * n)) - 1) return n;
    return 8;
}

void PutSizeVint(ByteList& list, size_t offset, uint64_t value) {
    const int width = VintWidth(value);
    if (list.size() < offset + width) return;
    for (int i = width - 1; i >= 0; --i) {
        list[offset + i] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    list[offset] = static_cast<uint8_t>((list[offset] & (0xFF >> width)) | (0x80 >> (width - 1)));
}

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
    return 4;
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
    uint64_t v = static_cast<uint64_t>(value + bias);
    if (list.size() < offset + width) return;
    for (int i = width - 1; i >= 0; --i) {
        list[offset + i] = static_cast<uint8_t>(v & 0xFF);
        v >>= 8;
    }
    list[offset] = static_cast<uint8_t>((list[offset] & (0xFF >> width)) | (0x80 >> (width - 1)));
}

void PutText(std::string_view text, ByteList& list, size_t offset) {
    for (size_t i = 0; i < text.size() && offset + i < list.size(); ++i) list[offset + i] = static_cast<uint8_t>(text[i]);
}

uint8_t HexByte(std::string_view text) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    if (text.empty() || text.size() > 2) return 0;
    const int high = text.size() == 2 ? digit(text[0]) : 0;
    const int low = digit(text.back());
    if (high < 0 || low < 0) return 0;
    return static_cast<uint8_t>(high * 16 + low);
}

void PutHexID(std::string_view hex, ByteList& list, size_t offset) {
    for (size_t i = 0; i + 1 < hex.size() + 1 && 2 * i < hex.size(); ++i)
        if (offset + i < list.size()) list[offset + i] = HexByte(hex.substr(2 * i, 2));
}

void PutWord16Padded(ByteList& list, size_t offset, int width, uint16_t value) {
    if (width < 2 || list.size() < offset + width) return;
    for (int i = 0; i < width; ++i) list[offset + i] = 0;
    list[offset + width - 2] = static_cast<uint8_t>(value >> 8);
    list[offset + width - 1] = static_cast<uint8_t>(value & 0xFF);
}

void PutByteVint(ByteList& list, size_t offset, int width, uint8_t value) {
    if (width < 1 || width > 8) return;
    auto put = [&](size_t at, uint8_t b) {
        if (at < list.size()) list[at] = b;
    };
    if (width == 1) {
        put(offset, static_cast<uint8_t>(value | 0x80));
        return;
    }
    put(offset, static_cast<uint8_t>(0x80 >> (width - 1)));
    for (int i = 1; i < width - 1; ++i) put(offset + i, 0);
    put(offset + width - 1, value);
}

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

uint8_t TextToByte(std::string_view text) {
    if (!IsDigits(text) || text.size() > 3) return 0;
    unsigned value = 0;
    for (char c : text) value = value * 10 + static_cast<unsigned>(c - '0');
    return value < 256 ? static_cast<uint8_t>(value) : 0;
}

uint32_t TextToUInt32(std::string_view text) {
    if (!IsDigits(text) || text.size() > 10) return 0;
    uint32_t value = 0;
    for (char c : text) value = value * 10 + static_cast<uint32_t>(c - '0');
    return value;
}

int64_t TextToInt64(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    return (end == s.c_str() || *end != '\0') ? 0 : value;
}

uint64_t TextToUInt64(std::string_view text) { return static_cast<uint64_t>(TextToInt64(text)); }

int IdLength(uint32_t id) {
    if (id > 0xFFFFFF) return 4;
    if (id > 0xFFFF) return 3;
    if (id > 0xFF) return 2;
    return 1;
}

void AppendHeader(ByteList& out, uint32_t id, uint64_t dataLength) {
    const int idLength = IdLength(id);
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
