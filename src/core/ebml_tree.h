// A master element held whole in memory as a tree, for the edits that
// rebuild a header master (Info, Tracks, Attachments) from its own bytes:
// every child is kept as it stands unless an edit touches it, and the
// CRC-32 of each master that carries one is computed afresh when written.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillon {

struct EbmlNode {
    uint32_t id = 0;
    bool master = false;
    std::vector<uint8_t> data;       // a value's bytes (not for masters)
    std::vector<EbmlNode> children;  // a master's children in file order
    // The width of the size field it was read with (0: a new element). It is
    // kept while the size fits, so what an edit does not touch keeps its bytes.
    int sizeWidth = 0;

    // The first child with that ID, or null.
    EbmlNode* Child(uint32_t childId);
    const EbmlNode* Child(uint32_t childId) const;
    // Sets the first child with that ID to `bytes` (appended when there is
    // none) and removes any further ones.
    void SetChild(uint32_t childId, std::vector<uint8_t> bytes);
    // The first child master with that ID, appended empty when missing.
    EbmlNode& MasterChild(uint32_t childId);
    // Removes every child with that ID; true when there was one.
    bool RemoveChildren(uint32_t childId);
};

// Why a master's bytes could not be taken apart.
enum class TreeDamage { None, Cut, UnknownSize, BadCrc };

struct ParsedMaster {
    std::optional<EbmlNode> node;
    TreeDamage damage = TreeDamage::None;
};

// Takes apart the element (header included) in `bytes`, which must be
// exactly one whole element. Masters are those the dictionary names as
// containers; a child reaching past its parent, an unknown size inside the
// master or a CRC-32 that does not match its data is damage.
ParsedMaster ParseMasterElement(std::span<const uint8_t> bytes);

// The element's bytes, header included, each size field as wide as it was
// read (the shortest for new elements and for sizes that outgrew theirs);
// `extraSizeBytes` widens the outermost size field (a room one byte larger
// than the master cannot hold a Void, but a wider size field fills it).
std::vector<uint8_t> SerializeElement(const EbmlNode& node, int extraSizeBytes = 0);

}  // namespace quillon
