#include "writer/block_sources.h"

#include "core/generated/element_ids.h"
#include "core/value_text.h"
#include "reader/block_table.h"
#include "reader/element_queries.h"
#include "reader/subtree_copy.h"

namespace quillon {
namespace {

// The run of a scanned block row after its flags byte.
void RowParts(const Tbrick& row, SourceFile& file, BlockParts& p) {
    const uint64_t h = row.idLength() + row.sizeLen + row.block.trackLen + 2;
    p.whole = row.intactBlock() && file.Holds(row.position, row.totalSize) && row.totalSize > h;
    p.flags = row.block.flags;
    p.file = &file;
    if (!p.whole) return;
    p.runAt = row.position + h + 1;
    p.runLength = row.totalSize - h - 1;
}

void AppendSignedChild(ByteList& out, uint32_t id, int64_t value) {
    const int width = SIntWidth(value);
    AppendHeader(out, id, width);
    const size_t at = out.size();
    out.resize(at + width);
    PutSInt(out, at, value);
}

}  // namespace

bool AddedFiles::Open(const Document& doc, Host& host) {
    files_.clear();
    for (const AddedSource& s : doc.addedSources) {
        files_.push_back(nullptr);
        if (s.path.empty()) continue;
        auto file = std::make_unique<SourceFile>();
        if (!file->Open(s.path)) {
            host.AddLog("• ошибка открытия файла", " " + s.path);
            return false;
        }
        files_.back() = std::move(file);
    }
    return true;
}

BlockSources::BlockSources(const Document& doc, SourceFile& open, const AddedFiles& added)
    : doc_(doc), open_(open), added_(added) {
    for (const OldCluster& c : doc.mkv.oldClusters) oldClusterTime_[c.row] = c.timecode;
}

BlockParts BlockSources::Parts(const xBlock& block) const {
    BlockParts p;
    p.track = doc_.BlockTrack(block);
    if (block.source == 0) {
        const Tbrick& row = doc_.lista[block.row];
        RowParts(row, open_, p);
        int32_t at = row.parent;
        if (at >= 0 && doc_.lista[at].id() == kBlockGroup) at = doc_.lista[at].parent;
        const auto it = oldClusterTime_.find(static_cast<uint32_t>(at));
        p.sourceClusterTime = it == oldClusterTime_.end() ? 0 : it->second;
        return p;
    }
    const AddedSource& s = doc_.addedSources[block.source - 1];
    SourceFile* file = added_.File(block.source);
    p.sourceClusterTime = block.absTime;
    if (s.builtTrack == 0) {
        if (file) RowParts(s.lista[block.row], *file, p);
        return p;
    }
    const BuiltBlock& b = s.built[block.row];
    p.flags = b.flags;
    p.ours = s.bytes.data() + b.headAt;
    p.oursLength = b.headLength;
    p.file = file;
    p.runAt = b.fileOffset;
    p.runLength = b.fileLength;
    p.zeroTail = b.zeroTail;
    p.whole = b.fileLength == 0 || (file && file->Holds(b.fileOffset, b.fileLength));
    return p;
}

void BlockSources::AppendGroupChildren(const xBlock& block, ByteList& out, bool dropReferences) const {
    const auto kept = [&](uint32_t id) { return id != kBlock && !(dropReferences && id == kReferenceBlock); };
    if (block.source == 0) {
        const Tbrick& row = doc_.lista[block.row];
        ForEachChild(doc_.lista, row.parent, [&](int child) {
            if (kept(doc_.lista[child].id())) AppendSubtree(doc_.lista, child, open_, out);
        });
        return;
    }
    const AddedSource& s = doc_.addedSources[block.source - 1];
    if (s.builtTrack != 0) {
        const BuiltBlock& b = s.built[block.row];
        if (b.duration >= 0) AppendUInt(out, kBlockDuration, static_cast<uint64_t>(b.duration));
        return;
    }
    SourceFile* file = added_.File(block.source);
    if (!file) return;
    const tabrick& list = s.lista;
    const Tbrick& row = list[block.row];
    const ImportedTrack* track = s.Imported(row.block.trackNumber);
    const bool convert = track && !track->SameTicks();
    // Relative times (a reference, a duration) are converted as the
    // difference of two converted times, so they land on converted blocks.
    const int64_t at = convert ? ClusterTimecode(list, block.row) + row.block.timecode : 0;
    ForEachChild(list, row.parent, [&](int child) {
        const Tbrick& c = list[child];
        if (!kept(c.id())) return;
        if (convert && (c.id() == kReferenceBlock || c.id() == kBlockDuration) && !c.damage) {
            const int64_t value = c.Signed();
            const int64_t converted = track->Ticks(at + value) - track->Ticks(at);
            if (c.id() == kReferenceBlock) AppendSignedChild(out, kReferenceBlock, converted);
            else AppendUInt(out, kBlockDuration, static_cast<uint64_t>(std::max<int64_t>(converted, 0)));
            return;
        }
        AppendSubtree(list, child, *file, out);
    });
}

}  // namespace quillon
