// Where the cluster writer finds each block of the model: a row of the open
// file, a row of a file a track was imported from, or a block we built
// (our bytes, then frames of an MP3 file). Whatever the source, a block is
// written as its new header, our bytes, a run of a file, zeros for what the
// file cut short, and the group's other children.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "core/put_primitives.h"
#include "core/source_file.h"

namespace quillon {

// The files of a document's added sources, open for one save.
class AddedFiles {
public:
    // Opens every added source that has a file; false (logged) when one cannot be opened.
    bool Open(const Document& doc, Host& host);
    // The file of added source k (xBlock::source), nullptr when it has none.
    SourceFile* File(uint16_t source) const {
        return source >= 1 && source <= files_.size() ? files_[source - 1].get() : nullptr;
    }
    // The first of them whose read failed, or nullptr.
    const SourceFile* Failed() const {
        for (const auto& f : files_)
            if (f && f->LastError() != 0) return f.get();
        return nullptr;
    }

private:
    std::vector<std::unique_ptr<SourceFile>> files_;
};

struct BlockParts {
    uint64_t track = 0;            // the document's number of its track
    bool whole = false;            // its source holds every byte of it
    uint8_t flags = 0;             // the flags byte as its source has it (lacing, discardable)
    const uint8_t* ours = nullptr; // our bytes after the flags byte
    uint32_t oursLength = 0;
    SourceFile* file = nullptr;    // the run of frames
    uint64_t runAt = 0, runLength = 0;
    uint32_t zeroTail = 0;
    int64_t sourceClusterTime = 0; // the time of the cluster it stood in (its own time when built)
    uint64_t BlockDataLength() const { return 4 + oursLength + runLength + zeroTail; }
};

class BlockSources {
public:
    BlockSources(const Document& doc, SourceFile& open, const AddedFiles& added);

    BlockParts Parts(const xBlock& block) const;
    // The group's children besides its Block, as the source has them, with
    // the times of a track imported from a file of other ticks converted;
    // a built block's BlockDuration. `dropReferences`: without its
    // ReferenceBlocks (the writer puts a new one).
    void AppendGroupChildren(const xBlock& block, ByteList& out, bool dropReferences) const;

private:
    const Document& doc_;
    SourceFile& open_;
    const AddedFiles& added_;
    std::unordered_map<uint32_t, int64_t> oldClusterTime_;  // cluster row of the open file -> its time
};

}  // namespace quillon
