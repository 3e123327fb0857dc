// The element list: one row per EBML element visited by a scan, in document
// order after the scan, each with its place in the file, its sizes, its value
// as display text and, for blocks, the parsed block header.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/dictionary.h"

namespace quillon {

// Parsed header of a Block, SimpleBlock or EncriptedBlock.
struct Tblock {
    uint64_t trackNumber = 0;
    uint32_t dataOffset = 0;     // first frame byte, counted from the element's first ID byte
    uint32_t soleFrameSize = 0;  // the frame size of an unlaced block
    int16_t timecode = 0;        // relative to the cluster
    uint8_t trackLen = 0;        // length of the track-number vint
    uint8_t flags = 0;           // the flags byte as stored
    uint16_t frameCount = 0;     // 1 without lacing, else the stored lace count + 1
    std::vector<uint32_t> lacedSizes;  // every frame's size, laced blocks only

    std::string trackText() const { return std::to_string(trackNumber); }
    std::string timecodeText() const { return std::to_string(timecode); }
    uint8_t keyFrame() const { return (flags & 0x80) ? 1 : 0; }
    uint8_t invisible() const { return (flags & 0x08) ? 1 : 0; }
    uint8_t discardable() const { return (flags & 0x01) ? 1 : 0; }
    int lacing() const { return (flags >> 1) & 3; }  // 0 none, 1 Xiph, 2 fixed, 3 EBML
    std::string lacingText() const;                  // "00", "01", "10", "11"
    uint32_t frameSize(size_t k) const { return lacedSizes.empty() ? soleFrameSize : lacedSizes[k]; }
};

// What a scan found wrong with an element; a row may carry several.
enum DamageBits : uint8_t {
    kPastParent = 1,       // the size field claims more than the parent or the file holds: the row is cut there
    kBadBlockHeader = 2,   // the block's header or lace sizes do not fit the block
    kBadValueSize = 4,     // the value's size is not one its type allows: no value text
    kContentLost = 8,      // a damaged place inside it: its children after that place are not listed
    kOutOfPlace = 16,      // it stands where the schema puts no such element: listed, never used
    kCrcMismatch = 32,     // its CRC-32 does not match its data: the data are used, but may be damaged
    kRuleBroken = 64,      // readable, but against the format's rules (a warning of the check)
};

// One row of the element list.
struct Tbrick {
    // Dictionary row of the element, or kPseudoClusters for the row that the
    // header read puts where the first Cluster stands.
    static constexpr int16_t kPseudoClusters = -1;
    // An element whose ID the dictionary does not know, skipped by its size.
    static constexpr int16_t kUnknownElement = -2;

    uint64_t position = 0;   // file offset of the first ID byte
    uint64_t totalSize = 0;  // ID length + size-field length + data size
    uint64_t dataSize = 0;   // the size field's value (the real extent for an unknown size)
    int32_t parent = -1;
    int32_t depth = 0;
    int32_t firstChild = -1;
    int16_t element = 0;
    uint8_t sizeLen = 0;     // length of the size field, 1..8
    bool unknownSize = false;  // the size field said "unknown"; the sizes above are the real extent
    uint8_t damage = 0;        // DamageBits; 0 for an intact element
    bool hasValue = false;     // the value was decoded: its size suits its type and it could be held
    uint32_t unknownId = 0;    // the ID of a kUnknownElement row
    // The decoded value: numbers in `number` (an unsigned value; a signed
    // value's or a date's two's complement; a float's double bits, 4-byte
    // floats widened; a binary value of up to 8 bytes as its big-endian
    // number too), texts (up to the first zero) and binary values in `bytes`.
    uint64_t number = 0;
    std::string bytes;
    Tblock block;

    const char* name() const;
    uint64_t Unsigned() const { return number; }
    int64_t Signed() const { return static_cast<int64_t>(number); }
    double Float() const;
    const std::string& Text() const { return bytes; }
    // The value as the tree shows it: decimal integers, floats truncated
    // toward zero, dates, texts, binary values in hex ("01 (video)" for a
    // TrackType); "ID 4FAB" for an element of unknown ID; empty without a value.
    std::string ValueText() const;
    const char* idHex() const;
    uint32_t id() const;        // the element's ID (marker bits included); 0 for the pseudo-row
    char kind() const;
    uint32_t idLength() const;  // bytes of the ID
    uint64_t dataStart() const { return position + idLength() + sizeLen; }
    uint64_t end() const { return position + totalSize; }
    bool isBlock() const;       // Block, SimpleBlock or EncriptedBlock
    bool hasChildren() const { return firstChild != -1; }
    // The bytes of a block row can be written out as they stand.
    // A CRC-32 mismatch does not count: the bytes are there, every reader uses them.
    bool intactBlock() const { return (damage & (kPastParent | kBadBlockHeader | kOutOfPlace)) == 0; }
    bool known() const { return element >= 0; }
};

// The list type. Rows live in fixed-size chunks, so growing never moves or
// copies rows (a full scan of a big file holds millions of them).
class tabrick {
public:
    static constexpr size_t kChunkBits = 14;
    static constexpr size_t kChunkRows = size_t{1} << kChunkBits;

    tabrick() = default;
    tabrick(tabrick&&) noexcept = default;
    tabrick& operator=(tabrick&&) noexcept = default;
    tabrick(const tabrick& other) { *this = other; }
    tabrick& operator=(const tabrick& other);

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear();
    Tbrick& push_back();            // appends a fresh row and returns it
    void push_back(Tbrick row) { push_back() = std::move(row); }
    void pop_back();
    void truncate(size_t count);

    Tbrick& operator[](size_t i) { return chunks_[i >> kChunkBits][i & (kChunkRows - 1)]; }
    const Tbrick& operator[](size_t i) const { return chunks_[i >> kChunkBits][i & (kChunkRows - 1)]; }
    Tbrick& back() { return (*this)[size_ - 1]; }

private:
    std::vector<std::unique_ptr<Tbrick[]>> chunks_;
    size_t size_ = 0;
};

}  // namespace quillon
