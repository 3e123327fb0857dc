#include "core/element_list.h"

#include <cstdio>
#include <cstring>

#include "core/ebml.h"
#include "core/generated/element_ids.h"

namespace quillon {

std::string Tblock::lacingText() const {
    static const char* const kTexts[] = {"00", "01", "10", "11"};
    return kTexts[lacing()];
}

const char* Tbrick::name() const {
    if (element == kPseudoClusters) return "clusters ... ";
    if (element == kUnknownElement) return "(unknown)";
    return DictionaryRow(element).name;
}

double Tbrick::Float() const {
    double value;
    std::memcpy(&value, &number, sizeof value);
    return value;
}

namespace {

const char* TrackTypeText(uint64_t type) {
    switch (type) {
        case 0x01: return "01 (video)";
        case 0x02: return "02 (audio)";
        case 0x03: return "03 (complex)";
        case 0x10: return "10 (logo)";
        case 0x11: return "11 (subtitle)";
        case 0x12: return "12 (buttons)";
        case 0x20: return "20 (control)";
        default: return nullptr;
    }
}

}  // namespace

std::string Tbrick::ValueText() const {
    if (element == kUnknownElement) {
        char text[16];
        std::snprintf(text, sizeof text, "ID %X", unknownId);
        return text;
    }
    if (!hasValue || element < 0) return {};
    switch (DictionaryRow(element).valueType) {
        case 'u':
        case 'i': return std::to_string(Signed());
        case 'f': return FloatValueText(Float());
        case 'd': return DateValueText(Signed());
        case 's':
        case '8': return bytes;
        case 'h': {
            if (id() == kTrackType && bytes.size() == 1)
                if (const char* text = TrackTypeText(number)) return text;
            const Bytes raw(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            return HexText(raw, 0, raw.size());
        }
        default: return {};
    }
}

const char* Tbrick::idHex() const { return element < 0 ? "" : DictionaryRow(element).idHex; }

uint32_t Tbrick::id() const {
    if (element == kPseudoClusters) return 0;
    if (element == kUnknownElement) return unknownId;
    return DictionaryId(element);
}

char Tbrick::kind() const { return element < 0 ? 'e' : DictionaryRow(element).kind; }

uint32_t Tbrick::idLength() const {
    return element == kPseudoClusters ? 0 : IdLength(id());
}

bool Tbrick::isBlock() const {
    const uint32_t i = id();
    return i == kBlock || i == kSimpleBlock || i == kEncriptedBlock;
}

tabrick& tabrick::operator=(const tabrick& other) {
    if (this == &other) return *this;
    clear();
    for (size_t i = 0; i < other.size_; ++i) push_back() = other[i];
    return *this;
}

void tabrick::clear() {
    chunks_.clear();
    size_ = 0;
}

// Rows past the count are always fresh (new chunks are, truncate resets what
// it drops), so appending hands one out as it is.
Tbrick& tabrick::push_back() {
    if ((size_ >> kChunkBits) == chunks_.size()) chunks_.push_back(std::make_unique<Tbrick[]>(kChunkRows));
    return (*this)[size_++];
}

void tabrick::pop_back() {
    if (size_ > 0) truncate(size_ - 1);
}

void tabrick::truncate(size_t count) {
    if (count >= size_) return;
    for (size_t i = count; i < size_; ++i) (*this)[i] = Tbrick{};
    size_ = count;
    chunks_.resize((size_ + kChunkRows - 1) >> kChunkBits);
}

}  // namespace quillon
