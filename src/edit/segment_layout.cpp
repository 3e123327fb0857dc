#include "edit/segment_layout.h"

#include <algorithm>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/ebml_tree.h"
#include "core/generated/element_ids.h"

namespace quillon {
namespace {

// An element header read straight from the file (at most 12 bytes).
std::optional<TopElement> HeaderAt(SourceFile& file, uint64_t position, bool& readFailed) {
    uint8_t bytes[12] = {};
    const size_t count = size_t(std::min<uint64_t>(sizeof bytes, file.Size() - std::min(file.Size(), position)));
    if (count < 2) return std::nullopt;
    if (!file.ReadFew(position, count, bytes)) {
        readFailed = true;
        return std::nullopt;
    }
    const Bytes view(bytes, count);
    const int idLength = VintLen(view, 0);
    if (idLength < 1 || idLength > 4 || size_t(idLength) >= count) return std::nullopt;
    const Vint size = ReadVint(view, idLength);
    if (size.length < 1 || size_t(idLength + size.length) > count) return std::nullopt;
    TopElement e;
    for (int k = 0; k < idLength; ++k) e.id = (e.id << 8) | bytes[k];
    e.position = position;
    e.headerLength = uint64_t(idLength + size.length);
    e.size = IsUnknownSize(size.value, size.length) ? UINT64_MAX : size.value;
    return e;
}

bool Fits(const TopElement& e, uint64_t end) {
    return e.size != UINT64_MAX && e.position + e.headerLength <= end && e.size <= end - e.position - e.headerLength;
}

LayoutRead Problem(LayoutRead read, LayoutProblem problem, uint64_t where, int error = 0) {
    read.problem = problem;
    read.where = where;
    read.error = error;
    return read;
}

// The entries of a SeekHead, read whole (it is small).
bool ReadSeeks(SourceFile& file, const TopElement& head, std::vector<SeekEntry>& seeks, bool& readFailed) {
    if (head.Length() > (1u << 20)) return false;
    std::vector<uint8_t> bytes;
    if (!file.ReadAt(head.position, size_t(head.Length()), bytes)) {
        readFailed = true;
        return false;
    }
    const ParsedMaster parsed = ParseMasterElement(bytes);
    if (!parsed.node) return false;
    for (const EbmlNode& seek : parsed.node->children) {
        if (seek.id != kSeek) continue;
        const EbmlNode* id = seek.Child(kSeekID);
        const EbmlNode* position = seek.Child(kSeekPosition);
        if (!id || !position || id->data.empty() || id->data.size() > 4 || position->data.size() > 8) return false;
        SeekEntry entry;
        entry.id = uint32_t(UIntValue(id->data, id->data.size()));
        entry.position = UIntValue(position->data, position->data.size());
        seeks.push_back(entry);
    }
    return true;
}

}  // namespace

const TopElement* SegmentLayout::Find(uint32_t id) const {
    for (const TopElement& e : elements)
        if (e.id == id) return &e;
    return nullptr;
}

LayoutRead ReadSegmentLayout(SourceFile& file) {
    LayoutRead read;
    SegmentLayout& layout = read.layout;
    bool readFailed = false;
    auto failed = [&](uint64_t where) { return Problem(read, LayoutProblem::ReadFailed, where, file.LastError()); };

    const std::optional<TopElement> ebml = HeaderAt(file, 0, readFailed);
    if (readFailed) return failed(0);
    if (!ebml || ebml->id != kEBML || !Fits(*ebml, file.Size()) || ebml->size > 4096)
        return Problem(read, LayoutProblem::NotMatroska, 0);
    std::vector<uint8_t> header;
    if (!file.ReadAt(0, size_t(ebml->Length()), header)) return failed(0);
    const ParsedMaster parsed = ParseMasterElement(header);
    const EbmlNode* docType = parsed.node ? parsed.node->Child(kDocType) : nullptr;
    const std::string type = docType ? std::string(docType->data.begin(), docType->data.end()) : std::string("matroska");
    if (!parsed.node || (type.compare(0, 8, "matroska") != 0 && type.compare(0, 4, "webm") != 0))
        return Problem(read, LayoutProblem::NotMatroska, 0);

    const std::optional<TopElement> segment = HeaderAt(file, ebml->End(), readFailed);
    if (readFailed) return failed(ebml->End());
    if (!segment || segment->id != kSegment) return Problem(read, LayoutProblem::NotMatroska, ebml->End());
    layout.segmentSizeAt = segment->position + 4;
    layout.segmentSizeLength = int(segment->headerLength - 4);
    layout.dataStart = segment->position + segment->headerLength;
    layout.unknownSize = segment->size == UINT64_MAX;
    if (layout.unknownSize) {
        layout.end = file.Size();
    } else {
        // A size of 0 (a muxer that never came back to write it) is a damaged Segment, not an empty one.
        if (!Fits(*segment, file.Size()) || segment->size == 0) return Problem(read, LayoutProblem::Damaged, segment->position);
        layout.end = segment->End();
        if (layout.end != file.Size()) return Problem(read, LayoutProblem::OtherData, layout.end);
    }

    // The level-1 elements up to the first Cluster, one header each.
    for (uint64_t at = layout.dataStart; at < layout.end;) {
        const std::optional<TopElement> e = HeaderAt(file, at, readFailed);
        if (readFailed) return failed(at);
        if (!e || !(IsTopLevelId(e->id) || IsPaddingId(e->id)) || e->id == kSegment || e->id == kEBML)
            return Problem(read, LayoutProblem::Damaged, at);
        if (e->id == kCluster) break;
        if (!Fits(*e, layout.end)) return Problem(read, LayoutProblem::Damaged, at);
        layout.elements.push_back(*e);
        if (e->id == kSeekHead && !layout.seekHead) layout.seekHead = layout.elements.size() - 1;
        at = e->End();
    }
    if (!layout.seekHead) return Problem(read, LayoutProblem::NoSeekHead, layout.dataStart);

    // What the SeekHeads point to behind the Clusters (a SeekHead may point to another).
    std::vector<SeekEntry> pending;
    if (!ReadSeeks(file, layout.elements[*layout.seekHead], pending, readFailed))
        return readFailed ? failed(layout.elements[*layout.seekHead].position)
                          : Problem(read, LayoutProblem::Damaged, layout.elements[*layout.seekHead].position);
    layout.seeks = pending;
    for (size_t k = 0; k < pending.size() && k < 64; ++k) {
        const SeekEntry entry = pending[k];
        const uint64_t position = layout.dataStart + entry.position;
        if (entry.position >= layout.end - layout.dataStart) return Problem(read, LayoutProblem::Damaged, position);
        const bool known = std::any_of(layout.elements.begin(), layout.elements.end(),
                                       [&](const TopElement& e) { return e.position == position; });
        if (known) continue;
        const std::optional<TopElement> e = HeaderAt(file, position, readFailed);
        if (readFailed) return failed(position);
        if (!e || e->id != entry.id) return Problem(read, LayoutProblem::Damaged, position);
        if (e->id == kCluster) continue;  // a Cluster is never edited: its header is enough to know it is there
        if (!Fits(*e, layout.end)) return Problem(read, LayoutProblem::Damaged, position);
        layout.elements.push_back(*e);
        if (e->id == kSeekHead && !ReadSeeks(file, *e, pending, readFailed))
            return readFailed ? failed(position) : Problem(read, LayoutProblem::Damaged, position);
    }
    std::sort(layout.elements.begin(), layout.elements.end(),
              [](const TopElement& a, const TopElement& b) { return a.position < b.position; });
    for (size_t k = 0; k < layout.elements.size(); ++k)
        if (layout.elements[k].id == kSeekHead) {
            layout.seekHead = k;
            break;
        }
    return read;
}

std::optional<TopElement> VoidAfter(SourceFile& file, const SegmentLayout& layout, const TopElement& element) {
    if (element.End() >= layout.end) return std::nullopt;
    bool readFailed = false;
    const std::optional<TopElement> next = HeaderAt(file, element.End(), readFailed);
    if (!next || next->id != kVoid || !Fits(*next, layout.end)) return std::nullopt;
    return next;
}

}  // namespace quillon
