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

}  // namespace quillon
