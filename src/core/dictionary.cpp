#include "core/dictionary.h"

#include "core/generated/element_ids.h"

#include <array>
#include <string_view>
#include <unordered_map>

namespace quillon {
namespace {

constexpr Telement kRows[] = {
#include "core/dictionary_base_rows.inc"
#include "core/generated/dictionary_schema_rows.inc"
};

constexpr int kRowCount = static_cast<int>(sizeof(kRows) / sizeof(kRows[0]));

struct ParentRow {
    uint32_t parent;
    bool nests;
};
constexpr ParentRow kParents[] = {
#include "core/generated/dictionary_parents.inc"
};
static_assert(sizeof(kParents) / sizeof(kParents[0]) == kRowCount, "one parent row per dictionary row");

constexpr ElementRule kRules[] = {
#include "core/generated/dictionary_rules.inc"
};
static_assert(sizeof(kRules) / sizeof(kRules[0]) == kRowCount, "one rule row per dictionary row");

constexpr uint32_t ParseHexId(const char* text) {
    uint32_t id = 0;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        const uint32_t digit = (c >= '0' && c <= '9') ? uint32_t(c - '0') : uint32_t(c - 'A' + 10);
        id = (id << 4) | digit;
    }
    return id;
}

// Every row's ID as a number, worked out when the program is compiled.
constexpr std::array<uint32_t, kRowCount> MakeIds() {
    std::array<uint32_t, kRowCount> ids{};
    for (int row = 0; row < kRowCount; ++row) ids[row] = ParseHexId(kRows[row].idHex);
    return ids;
}
constexpr std::array<uint32_t, kRowCount> kIdByRow = MakeIds();

// An EBML ID's first byte fixes its length and every row's ID agrees with its
// marker, so a lookup by number gives exactly the first row with that ID.
struct IdIndex {
    std::unordered_map<uint32_t, int> rowById;

    IdIndex() {
        rowById.reserve(kRowCount * 2);
        for (int row = 0; row < kRowCount; ++row) rowById.emplace(kIdByRow[row], row);  // keeps the first row of an ID
    }
};

const IdIndex& Index() {
    static const IdIndex index;
    return index;
}

}  // namespace

int DictionarySize() { return kRowCount; }

const Telement& DictionaryRow(int row) { return kRows[row]; }

uint32_t DictionaryParentId(int row) { return kParents[static_cast<size_t>(row)].parent; }

const ElementRule& DictionaryRule(int row) { return kRules[static_cast<size_t>(row)]; }

bool ValueInRange(const ElementRule& rule, double value) {
    if (rule.rangeKind == 1) return value != 0;
    if (rule.rangeKind != 2) return true;
    if (rule.hasLow && (rule.lowInclusive ? value < rule.low : value <= rule.low)) return false;
    if (rule.hasHigh && (rule.highInclusive ? value > rule.high : value >= rule.high)) return false;
    return true;
}

bool UnknownSizeAllowed(uint32_t id) {
    const int row = FindElementById(id);
    return row >= 0 && kRules[static_cast<size_t>(row)].unknownSizeAllowed;
}

bool DictionaryNests(int row) { return kParents[static_cast<size_t>(row)].nests; }

uint32_t DictionaryId(int row) { return kIdByRow[static_cast<size_t>(row)]; }

int FindElementById(uint32_t id) {
    const auto& map = Index().rowById;
    const auto it = map.find(id);
    return it == map.end() ? -1 : it->second;
}

int FindElementRow(const uint8_t* bytes, size_t available) {
    if (available == 0) return -1;
    const uint8_t first = bytes[0];
    size_t length = 0;
    if (first & 0x80) length = 1;
    else if (first & 0x40) length = 2;
    else if (first & 0x20) length = 3;
    else if (first & 0x10) length = 4;
    else return -1;  // no dictionary ID is longer than 4 bytes
    if (length > available) return -1;
    uint32_t id = 0;
    for (size_t i = 0; i < length; ++i) id = (id << 8) | bytes[i];
    return FindElementById(id);
}

int FindDictionaryRowByName(std::string_view name) {
    for (int row = 0; row < kRowCount; ++row)
        if (name == kRows[row].name) return row;
    return -1;
}

bool IsTopLevelId(uint32_t id) {
    switch (id) {
        case 0x1A45DFA3:  // EBML
        case 0x18538067:  // Segment
        case 0x114D9B74:  // SeekHead
        case 0x1549A966:  // Info
        case 0x1654AE6B:  // Tracks
        case 0x1F43B675:  // Cluster
        case 0x1C53BB6B:  // Cues
        case 0x1941A469:  // Attachments
        case 0x1043A770:  // Chapters
        case 0x1254C367:  // Tags
            return true;
        default:
            return false;
    }
}

bool IsPaddingId(uint32_t id) { return id == kVoid || id == kCRC32; }

}  // namespace quillon
