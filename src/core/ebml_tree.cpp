#include "core/ebml_tree.h"

#include <algorithm>

#include "core/crc32.h"
#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/put_primitives.h"

namespace quillon {
namespace {

bool IsContainer(uint32_t id) {
    const int row = FindElementById(id);
    return row >= 0 && DictionaryRow(row).kind == 'c';
}

// One element header: ID (marker bits kept) and data size.
struct Header {
    uint32_t id = 0;
    size_t length = 0;  // ID and size field
    int sizeWidth = 0;
    uint64_t size = 0;
    bool unknown = false;
};

std::optional<Header> ReadHeader(std::span<const uint8_t> bytes, size_t at) {
    const int idLength = VintLen(bytes, at);
    if (idLength < 1 || idLength > 4 || at + idLength >= bytes.size()) return std::nullopt;
    Header h;
    for (int k = 0; k < idLength; ++k) h.id = (h.id << 8) | bytes[at + k];
    const Vint size = ReadVint(bytes, at + idLength);
    if (size.length < 1 || at + idLength + size.length > bytes.size()) return std::nullopt;
    h.length = size_t(idLength) + size.length;
    h.sizeWidth = size.length;
    h.size = size.value;
    h.unknown = IsUnknownSize(size.value, size.length);
    return h;
}

TreeDamage ParseChildren(std::span<const uint8_t> data, EbmlNode& parent, int depth) {
    size_t at = 0;
    std::optional<uint32_t> crc;
    size_t crcCoveredFrom = 0;
    while (at < data.size()) {
        const std::optional<Header> h = ReadHeader(data, at);
        if (!h) return TreeDamage::Cut;
        if (h->unknown) return TreeDamage::UnknownSize;
        if (h->size > data.size() - at - h->length) return TreeDamage::Cut;
        const std::span<const uint8_t> body = data.subspan(at + h->length, size_t(h->size));
        EbmlNode child;
        child.id = h->id;
        child.master = IsContainer(h->id);
        child.sizeWidth = h->sizeWidth;
        if (child.master) {
            if (depth > 32) return TreeDamage::Cut;
            if (const TreeDamage d = ParseChildren(body, child, depth + 1); d != TreeDamage::None) return d;
        } else {
            child.data.assign(body.begin(), body.end());
        }
        if (h->id == kCRC32 && parent.children.empty() && body.size() == 4) {
            crc = uint32_t(body[0]) | uint32_t(body[1]) << 8 | uint32_t(body[2]) << 16 | uint32_t(body[3]) << 24;
            crcCoveredFrom = at + h->length + 4;
        }
        parent.children.push_back(std::move(child));
        at += h->length + size_t(h->size);
    }
    if (crc && Crc32(data.data() + crcCoveredFrom, data.size() - crcCoveredFrom) != *crc) return TreeDamage::BadCrc;
    return TreeDamage::None;
}

void AppendId(std::vector<uint8_t>& out, uint32_t id) {
    for (int k = int(IdLength(id)) - 1; k >= 0; --k) out.push_back(uint8_t(id >> (8 * k)));
}

std::vector<uint8_t> Body(const EbmlNode& node) {
    if (!node.master) return node.data;
    std::vector<uint8_t> body;
    const bool crcFirst = !node.children.empty() && node.children.front().id == kCRC32;
    for (size_t k = crcFirst ? 1 : 0; k < node.children.size(); ++k) {
        const std::vector<uint8_t> child = SerializeElement(node.children[k]);
        body.insert(body.end(), child.begin(), child.end());
    }
    if (crcFirst) {
        const uint32_t crc = Crc32(body.data(), body.size());
        const uint8_t crcElement[] = {0xBF, 0x84, uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)};
        body.insert(body.begin(), std::begin(crcElement), std::end(crcElement));
    }
    return body;
}

}  // namespace

EbmlNode* EbmlNode::Child(uint32_t childId) {
    for (EbmlNode& c : children)
        if (c.id == childId) return &c;
    return nullptr;
}

const EbmlNode* EbmlNode::Child(uint32_t childId) const {
    for (const EbmlNode& c : children)
        if (c.id == childId) return &c;
    return nullptr;
}

void EbmlNode::SetChild(uint32_t childId, std::vector<uint8_t> bytes) {
    if (EbmlNode* c = Child(childId)) {
        c->data = std::move(bytes);
        bool first = true;
        std::erase_if(children, [&](const EbmlNode& n) {
            if (n.id != childId) return false;
            if (first) return first = false;
            return true;
        });
        return;
    }
    children.push_back(EbmlNode{childId, false, std::move(bytes), {}});
}

EbmlNode& EbmlNode::MasterChild(uint32_t childId) {
    if (EbmlNode* c = Child(childId)) return *c;
    children.push_back(EbmlNode{childId, true, {}, {}});
    return children.back();
}

bool EbmlNode::RemoveChildren(uint32_t childId) {
    return std::erase_if(children, [&](const EbmlNode& n) { return n.id == childId; }) > 0;
}

ParsedMaster ParseMasterElement(std::span<const uint8_t> bytes) {
    const std::optional<Header> h = ReadHeader(bytes, 0);
    if (!h) return {std::nullopt, TreeDamage::Cut};
    if (h->unknown) return {std::nullopt, TreeDamage::UnknownSize};
    if (h->length + h->size != bytes.size()) return {std::nullopt, TreeDamage::Cut};
    EbmlNode node;
    node.id = h->id;
    node.master = true;
    node.sizeWidth = h->sizeWidth;
    if (const TreeDamage d = ParseChildren(bytes.subspan(h->length), node, 0); d != TreeDamage::None)
        return {std::nullopt, d};
    return {std::move(node), TreeDamage::None};
}

std::vector<uint8_t> SerializeElement(const EbmlNode& node, int extraSizeBytes) {
    const std::vector<uint8_t> body = Body(node);
    std::vector<uint8_t> out;
    AppendId(out, node.id);
    const int shortest = VintWidth(body.size());
    const int width = std::min(8, std::max(shortest, node.sizeWidth) + extraSizeBytes);
    const size_t at = out.size();
    out.resize(at + width);
    PutVint(body.size(), width, out, at);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace quillon
