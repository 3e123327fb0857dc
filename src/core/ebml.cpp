#include "core/ebml.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quillon {

int VintLen(Bytes bytes, size_t offset) {
    if (offset >= bytes.size()) return 0;
    const uint8_t first = bytes[offset];
    if (first == 0) return 0;
    int length = 1;
    for (uint8_t marker = 0x80; !(first & marker); marker >>= 1) ++length;
    return length;
}

uint64_t VintValue(Bytes bytes, size_t offset) {
    if (offset >= bytes.size()) return 0;
    int length = VintLen(bytes, offset);
    if (length == 0) length = 8;
    uint64_t value = bytes[offset] & (length == 8 ? 0 : (0xFF >> length));
    for (int i = 1; i < length; ++i) {
        const size_t at = offset + i;
        value = (value << 8) | (at < bytes.size() ? bytes[at] : 0);
    }
    return value;
}

std::string VintText(Bytes bytes, size_t offset) {
    if (offset >= bytes.size()) return {};
    return std::to_string(VintValue(bytes, offset));
}

Vint ReadVint(Bytes bytes, size_t offset) {
    return Vint{VintLen(bytes, offset), VintValue(bytes, offset)};
}

bool IsUnknownSize(uint64_t value, int length) {
    if (length < 1 || length > 8) return false;
    return value == (uint64_t{1} << (7 * length)) - 1;
}

int64_t SVintValue(Bytes bytes, size_t offset) {
    int length = VintLen(bytes, offset);
    if (length == 0) length = 8;
    const int64_t bias = (int64_t{1} << (7 * length - 1)) - 1;
    return static_cast<int64_t>(VintValue(bytes, offset)) - bias;
}

std::string SVintText(Bytes bytes, size_t offset) {
    if (offset >= bytes.size()) return {};
    return std::to_string(SVintValue(bytes, offset));
}

uint64_t UIntValue(Bytes bytes, size_t count) {
    count = std::min(count, bytes.size());
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

int64_t IntValue(Bytes bytes, size_t count) {
    count = std::min(count, bytes.size());
    if (count == 0) return 0;
    const bool negative = bytes[0] & 0x80;
    uint64_t value = negative ? ~uint64_t{0} : 0;  // sign-extend
    for (size_t i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return static_cast<int64_t>(value);
}

std::string UIntText(Bytes bytes, size_t count) {
    return std::to_string(static_cast<int64_t>(UIntValue(bytes, count)));
}

std::string IntText(Bytes bytes, size_t count) { return std::to_string(IntValue(bytes, count)); }

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Proleptic Gregorian date of a day count since 1970-01-01.
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
}

}  // namespace

std::string FloatValueText(double value) {
    if (std::isnan(value)) return "0";
    const double t = std::trunc(value);
    if (t >= 9.2233720368547758e18) return std::to_string(INT64_MAX);
    if (t <= -9.2233720368547758e18) return std::to_string(INT64_MIN);
    return std::to_string(static_cast<int64_t>(t));
}

double FloatValue(Bytes bytes, size_t count) {
    if (bytes.size() < count) return 0;
    if (count == 4) {
        const uint32_t bits = static_cast<uint32_t>(UIntValue(bytes, 4));
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    if (count == 8) {
        const uint64_t bits = UIntValue(bytes, 8);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    return 0;
}

std::string FloatText(Bytes bytes, size_t count) {
    if (bytes.size() < count) return {};
    if (count == 4) {
        const uint32_t bits = static_cast<uint32_t>(UIntValue(bytes, 4));
        float f;
        std::memcpy(&f, &bits, 4);
        return FloatValueText(f);
    }
    if (count == 8) {
        const uint64_t bits = UIntValue(bytes, 8);
        double d;
        std::memcpy(&d, &bits, 8);
        return FloatValueText(d);
    }
    return {};
}

std::string DateText(Bytes bytes, size_t count) {
    if (count != 8 || bytes.size() < 8) return {};
    return DateValueText(IntValue(bytes, 8));
}

std::string DateValueText(int64_t nanoseconds) {
    const int64_t seconds = FloorDiv(nanoseconds, 1000000000);
    const int64_t days = FloorDiv(seconds, 86400);
    const int64_t secondOfDay = seconds - days * 86400;
    constexpr int64_t kDays1970To2001 = 11323;
    int64_t year;
    unsigned month, day;
    CivilFromDays(days + kDays1970To2001, year, month, day);
    char text[64];
    if (secondOfDay == 0) {
        std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(year), month, day);
    } else {
        std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(year),
                      month, day, int(secondOfDay / 3600), int(secondOfDay / 60 % 60), int(secondOfDay % 60));
    }
    return text;
}

std::string StrText(Bytes bytes, size_t count) {
    count = std::min(count, bytes.size());
    if (count == 0) return {};
    // EBML strings may be padded with zero bytes after the text.
    const void* zero = std::memchr(bytes.data(), 0, count);
    if (zero) count = static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data());
    return std::string(reinterpret_cast<const char*>(bytes.data()), count);
}

std::string HexText(Bytes bytes, size_t offset, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    if (offset >= bytes.size()) return {};
    count = std::min(count, bytes.size() - offset);
    std::string text(count * 2, '0');
    for (size_t i = 0; i < count; ++i) {
        text[2 * i] = kDigits[bytes[offset + i] >> 4];
        text[2 * i + 1] = kDigits[bytes[offset + i] & 0x0F];
    }
    return text;
}

std::string Int16Text(Bytes bytes, size_t offset) {
    if (offset + 2 > bytes.size()) return {};
    const int16_t value = static_cast<int16_t>((bytes[offset] << 8) | bytes[offset + 1]);
    return std::to_string(value);
}

void PutVint(uint64_t value, int length, std::vector<uint8_t>& bytes, size_t offset) {
    if (length < 1 || length > 8 || bytes.size() < offset + length) return;
    const uint8_t marker = static_cast<uint8_t>(0x80 >> (length - 1));
    const uint8_t mask = static_cast<uint8_t>(0xFF >> length);
    for (int i = length - 1; i > 0; --i) {
        bytes[offset + i] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    bytes[offset] = static_cast<uint8_t>((value & mask) | marker);
}

}  // namespace quillon

namespace quillon {

bool IdIsShortest(uint32_t id) {
    const uint32_t length = IdLength(id);
    const uint64_t valueBits = 7 * length;
    const uint64_t value = id & ((uint64_t{1} << valueBits) - 1);
    const uint64_t allOnes = (uint64_t{1} << valueBits) - 1;
    if (value == 0 || value == allOnes) return false;
    // A value a shorter ID could hold (its all-ones form is reserved, so that one needs this length).
    return length == 1 || value >= (uint64_t{1} << (7 * (length - 1))) - 1;
}

}  // namespace quillon
