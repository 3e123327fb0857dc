#include "attach/ttf_names.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <optional>

#include "core/utf8.h"

namespace quillon {
namespace {

class FontBytes {
public:
    explicit FontBytes(std::span<const uint8_t> data) : data_(data) {}
    bool Has(uint64_t at, uint64_t length) const { return at <= data_.size() && length <= data_.size() - at; }
    uint16_t U16(uint64_t at) const { return uint16_t(data_[at] << 8 | data_[at + 1]); }
    uint32_t U32(uint64_t at) const { return uint32_t(U16(at)) << 16 | U16(at + 2); }
    bool Tag(uint64_t at, const char* four) const { return Has(at, 4) && std::memcmp(&data_[at], four, 4) == 0; }
    uint8_t Byte(uint64_t at) const { return data_[at]; }

private:
    std::span<const uint8_t> data_;
};

// Where the table directory starts: at 0 for a single font, at the first
// font's offset in a collection; nothing for data that is no font.
std::optional<uint64_t> Directory(const FontBytes& f) {
    if (!f.Has(0, 12)) return std::nullopt;
    if (f.Tag(0, "ttcf")) {
        const uint64_t first = f.U32(12);
        if (!f.Has(12, 4) || !f.Has(first, 12)) return std::nullopt;
        return first;
    }
    const bool trueType = f.U32(0) == 0x00010000u || f.Tag(0, "true");
    if (trueType || f.Tag(0, "OTTO")) return 0;
    return std::nullopt;
}

}  // namespace

std::string TtfNameText(std::span<const uint8_t> data, std::string_view key) {
    const FontBytes f(data);
    const auto dir = Directory(f);
    if (!dir) return {};
    const uint16_t wanted = !key.empty() && key[0] == 'c' ? 0 : 1;
    const uint16_t tables = f.U16(*dir + 4);
    uint64_t name = 0;
    bool found = false;
    for (uint32_t k = 0; k < tables && !found; ++k) {
        const uint64_t entry = *dir + 12 + 16ull * k;
        if (!f.Has(entry, 16)) return {};
        if (f.Tag(entry, "name")) {
            name = f.U32(entry + 8);
            found = true;
        }
    }
    if (!found || !f.Has(name, 6)) return {};
    const uint16_t count = f.U16(name + 2);
    const uint64_t strings = name + f.U16(name + 4);
    for (uint32_t k = 0; k < count; ++k) {
        const uint64_t record = name + 6 + 12ull * k;
        if (!f.Has(record, 12)) return {};
        const uint16_t platform = f.U16(record), encoding = f.U16(record + 2), id = f.U16(record + 6);
        const uint16_t length = f.U16(record + 8), offset = f.U16(record + 10);
        const bool mac = platform == 1 && encoding == 0, windows = platform == 3 && encoding == 1;
        if (id != wanted || !(mac || windows)) continue;
        const uint64_t at = strings + offset;
        if (!f.Has(at, length)) return {};
        std::string text;
        if (windows) {
            // UTF-16 big-endian, surrogate pairs joined.
            for (uint64_t i = 0; i + 1 < length; i += 2) {
                uint32_t c = f.U16(at + i);
                if (c >= 0xD800 && c < 0xDC00 && i + 3 < length) {
                    const uint32_t low = f.U16(at + i + 2);
                    if (low >= 0xDC00 && low < 0xE000) {
                        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                        i += 2;
                    }
                }
                AppendUtf8(text, c);
            }
        } else {
            for (uint64_t i = 0; i < length; ++i) AppendUtf8(text, f.Byte(at + i));
        }
        return text;
    }
    return {};
}

const char* TtfKindText(std::span<const uint8_t> data) {
    const FontBytes f(data);
    const auto dir = Directory(f);
    return dir && f.Tag(*dir, "OTTO") ? "OpenType Font" : "TrueType Font";
}

namespace {

void PutU16(std::vector<uint8_t>& out, uint64_t at, uint16_t v) {
    out[at] = uint8_t(v >> 8), out[at + 1] = uint8_t(v);
}
void PutU32(std::vector<uint8_t>& out, uint64_t at, uint32_t v) {
    PutU16(out, at, uint16_t(v >> 16)), PutU16(out, at + 2, uint16_t(v));
}
void AppendU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8)), out.push_back(uint8_t(v));
}

// The UTF-16 big-endian form the Windows records take, of an ASCII text.
std::vector<uint8_t> Utf16Be(std::string_view text) {
    std::vector<uint8_t> out;
    for (const char c : text) AppendU16(out, uint8_t(c));
    return out;
}

uint32_t TableChecksum(const std::vector<uint8_t>& bytes, uint64_t at, uint64_t length) {
    uint32_t sum = 0;
    for (uint64_t i = 0; i < length; i += 4) {
        uint32_t word = 0;
        for (int k = 0; k < 4; ++k) word = word << 8 | (i + k < length ? bytes[at + i + k] : 0);
        sum += word;
    }
    return sum;
}

}  // namespace

std::vector<uint8_t> TtfWithFamily(std::span<const uint8_t> data, std::string_view family) {
    const FontBytes f(data);
    const auto dir = Directory(f);
    if (!dir || *dir != 0 || family.empty()) return {};
    for (const char c : family)
        if (uint8_t(c) < 0x20 || uint8_t(c) > 0x7E) return {};
    const uint16_t tables = f.U16(4);
    int64_t entry = -1;
    for (uint32_t k = 0; k < tables; ++k) {
        const uint64_t at = 12 + 16ull * k;
        if (!f.Has(at, 16)) return {};
        if (f.Tag(at, "name")) entry = int64_t(at);
    }
    if (entry < 0) return {};

    // The PostScript name may hold no spaces.
    std::string postScript;
    for (char c : family) postScript += c == ' ' ? '-' : c;
    struct Record {
        uint16_t platform, encoding, language, id;
        std::vector<uint8_t> text;
    };
    std::vector<Record> records = {{3, 1, 0x409, 1, Utf16Be(family)},
                                   {3, 1, 0x409, 4, Utf16Be(family)},
                                   {3, 1, 0x409, 6, Utf16Be(postScript)},
                                   {3, 1, 0x409, 16, Utf16Be(family)}};
    // The records that say nothing of the family stay: the style (bold,
    // italic) is read from them too.
    const uint64_t name = f.U32(uint64_t(entry) + 8);
    if (f.Has(name, 6)) {
        const uint16_t count = f.U16(name + 2);
        const uint64_t strings = name + f.U16(name + 4);
        for (uint32_t k = 0; k < count && records.size() < 200; ++k) {
            const uint64_t record = name + 6 + 12ull * k;
            if (!f.Has(record, 12)) break;
            const uint16_t id = f.U16(record + 6), length = f.U16(record + 8);
            const uint64_t at = strings + f.U16(record + 10);
            const bool familyName = id == 1 || id == 3 || id == 4 || id == 6 || id == 16 || id == 18 || id == 21;
            if (familyName || !f.Has(at, length)) continue;
            records.push_back({f.U16(record), f.U16(record + 2), f.U16(record + 4), id,
                               std::vector<uint8_t>(data.begin() + at, data.begin() + at + length)});
        }
    }
    // The format asks for records sorted by platform, encoding, language and ID.
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) {
        return std::tie(a.platform, a.encoding, a.language, a.id) < std::tie(b.platform, b.encoding, b.language, b.id);
    });
    std::vector<uint8_t> table;
    AppendU16(table, 0);  // format
    AppendU16(table, uint16_t(records.size()));
    AppendU16(table, uint16_t(6 + 12 * records.size()));
    uint32_t offset = 0;
    for (const Record& r : records) {
        if (offset + r.text.size() > 0xFFFF) return {};
        for (const uint16_t v : {r.platform, r.encoding, r.language, r.id, uint16_t(r.text.size()), uint16_t(offset)})
            AppendU16(table, v);
        offset += uint32_t(r.text.size());
    }
    for (const Record& r : records) table.insert(table.end(), r.text.begin(), r.text.end());

    std::vector<uint8_t> out(data.begin(), data.end());
    out.resize((out.size() + 3) & ~size_t{3}, 0);  // tables start on four bytes
    const uint64_t at = out.size();
    out.insert(out.end(), table.begin(), table.end());
    out.resize((out.size() + 3) & ~size_t{3}, 0);
    if (at > 0xFFFFFFFFull) return {};
    PutU32(out, uint64_t(entry) + 4, TableChecksum(out, at, table.size()));
    PutU32(out, uint64_t(entry) + 8, uint32_t(at));
    PutU32(out, uint64_t(entry) + 12, uint32_t(table.size()));
    return out;
}

}  // namespace quillon
