#include "attach/ttf_names.h"

#include <cstring>
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

}  // namespace quillon
