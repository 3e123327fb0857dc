#include "core/element_list.h"

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
