// The top level of a Matroska file as the in-place header editor needs it,
// read in a few small reads whatever the film's size: the Segment's size
// field, the level-1 elements before the first Cluster, those the SeekHead
// points to behind the Clusters, and the SeekHead's entries. Clusters are
// never opened. What would make an edit spread damage is reported instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/source_file.h"

namespace quillon {

struct TopElement {
    uint32_t id = 0;
    uint64_t position = 0;      // of its ID, in the file
    uint64_t headerLength = 0;  // ID and size field
    uint64_t size = 0;          // of its data
    uint64_t End() const { return position + headerLength + size; }
    uint64_t Length() const { return headerLength + size; }
};

struct SeekEntry {
    uint32_t id = 0;
    uint64_t position = 0;  // from the start of the Segment's data
};

struct SegmentLayout {
    uint64_t segmentSizeAt = 0;  // the Segment's size field
    int segmentSizeLength = 0;
    uint64_t dataStart = 0;      // the Segment's data
    bool unknownSize = false;
    uint64_t end = 0;            // the Segment's end: where a new level-1 element goes
    std::vector<TopElement> elements;  // in file order
    std::optional<size_t> seekHead;    // the first SeekHead, in `elements`
    std::vector<SeekEntry> seeks;      // its entries

    // The one element with that ID (the first), or null.
    const TopElement* Find(uint32_t id) const;
};

enum class LayoutProblem {
    None,
    ReadFailed,    // the system's error in `error`
    NotMatroska,   // no EBML header of a Matroska or WebM file, or no Segment
    Damaged,       // an element past its parent or the file, an unknown ID at the top, a SeekHead pointing to nothing
    OtherData,     // bytes after the Segment's end (another file glued behind, or a cut Segment size)
    NoSeekHead,    // nothing would tell readers where a moved master went
};

struct LayoutRead {
    SegmentLayout layout;
    LayoutProblem problem = LayoutProblem::None;
    uint64_t where = 0;  // the offset the problem was seen at
    int error = 0;
};

LayoutRead ReadSegmentLayout(SourceFile& file);

// The Void right after `element`, or null: together they are the room a
// rewritten master may take.
std::optional<TopElement> VoidAfter(SourceFile& file, const SegmentLayout& layout, const TopElement& element);

}  // namespace quillon
