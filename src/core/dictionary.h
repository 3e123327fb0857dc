// The element dictionary: every EBML/Matroska element the program knows, with
// its name, ID, kind and how its value is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillon {

// One dictionary row.
struct Telement {
    const char* name;     // name shown in the tree and used by every name lookup
    const char* idHex;    // ID bytes (marker bits included) as upper-case hex text
    char kind;            // 'c' container, 'e' element
    char valueType;       // 'u','i','f','s','d','h', or 0 for no decoded value
};

// Rows 0..215 are the fixed rows; the rows after them come from the current
// Matroska schema.
inline constexpr int kFixedDictionaryRows = 216;

int DictionarySize();
const Telement& DictionaryRow(int row);

// Row index of the element whose ID begins `bytes`, or -1 when the ID is not
// in the dictionary. `available` is how many bytes may be looked at.
int FindElementRow(const uint8_t* bytes, size_t available);

// The same lookup by the numeric ID (marker bits included).
int FindElementById(uint32_t id);

// Numeric ID of a dictionary row (marker bits included).
uint32_t DictionaryId(int row);

// First row with that name, or -1.
int FindDictionaryRowByName(std::string_view name);

// The ID of the element a row's element must stand in, from the schema; 0
// where it may stand anywhere (EBML's Void and CRC-32, rows the schema does
// not know). ChapterAtom and SimpleTag may also stand in one like themselves.
uint32_t DictionaryParentId(int row);
bool DictionaryNests(int row);

// What the schema asks of an element (generated from it). Where the schema
// does not know the row, everything is allowed.
struct ElementRule {
    uint8_t minOccurs = 0;    // in its parent; a mandatory element with a default may be left out
    uint16_t maxOccurs = 0;   // 0: any number
    bool hasDefault = false;
    bool unknownSizeAllowed = false;
    uint8_t length = 0;       // a binary value's length; 0: any
    uint8_t rangeKind = 0;    // 0 none, 1 not 0, 2 the interval below
    double low = 0, high = 0;
    bool hasLow = false, hasHigh = false, lowInclusive = false, highInclusive = false;
};
const ElementRule& DictionaryRule(int row);
// Whether a number is inside the range the schema gives the element (true
// where it gives none).
bool ValueInRange(const ElementRule& rule, double value);

// Only the schema's elements that allow it may leave their size unknown.
bool UnknownSizeAllowed(uint32_t id);

// True for the IDs that can only stand directly in a Segment (or at the top):
// an element of unknown size ends where one of these begins.
bool IsTopLevelId(uint32_t id);

// Void and CRC-32: padding and checksums, never part of what an element says.
bool IsPaddingId(uint32_t id);

}  // namespace quillon
