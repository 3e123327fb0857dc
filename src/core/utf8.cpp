#include "core/utf8.h"

namespace quillon {
namespace {

template <typename Out>
void Put(Out& out, uint32_t code) {
    using Unit = typename Out::value_type;
    if (code < 0x80) {
        out.push_back(static_cast<Unit>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<Unit>(0xC0 | (code >> 6)));
        out.push_back(static_cast<Unit>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<Unit>(0xE0 | (code >> 12)));
        out.push_back(static_cast<Unit>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<Unit>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<Unit>(0xF0 | (code >> 18)));
        out.push_back(static_cast<Unit>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<Unit>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<Unit>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t code) { Put(out, code); }
void AppendUtf8(std::vector<uint8_t>& out, uint32_t code) { Put(out, code); }

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t first = byte(at);
    if (first < 0x80) return 1;
    size_t length;
    uint32_t code;
    if (first >= 0xC2 && first <= 0xDF) length = 2, code = first & 0x1F;
    else if (first >= 0xE0 && first <= 0xEF) length = 3, code = first & 0x0F;
    else if (first >= 0xF0 && first <= 0xF4) length = 4, code = first & 0x07;
    else return 0;
    if (at + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + k) & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string ValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            AppendUtf8(out, 0xFFFD);
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

}  // namespace quillon
