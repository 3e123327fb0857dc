#include "writer/remux.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/save_files.h"
#include "reader/block_table.h"
#include "writer/cluster_writer.h"
#include "writer/index_builders.h"
#include "writer/section_builders.h"
#include "writer/tags_section.h"

namespace quillon {
namespace {

// The Segment's size field: 8 bytes, patched once everything is written.
constexpr int kSegmentSizeLength = 8;

void WriteSection(OutputFile& out, const ByteList& bytes, uint32_t id, uint64_t segmentData, std::vector<TSeek>& seeks) {
    seeks.push_back(TSeek{id, out.Position() - segmentData});
    out.Write(bytes.data(), bytes.size());
}

// Where the data of a master's child `id` start in the master's bytes.
std::optional<size_t> ChildDataOffset(const ByteList& master, uint32_t id) {
    const Bytes bytes(master.data(), master.size());
    size_t at = 4 + static_cast<size_t>(VintLen(bytes, 4));  // a level-1 master: a 4-byte ID
    while (at < master.size()) {
        const size_t idLength = static_cast<size_t>(VintLen(bytes, at));
        if (idLength == 0) return std::nullopt;
        uint32_t child = 0;
        for (size_t k = 0; k < idLength; ++k) child = child << 8 | master[at + k];
        const size_t sizeLength = static_cast<size_t>(VintLen(bytes, at + idLength));
        if (sizeLength == 0) return std::nullopt;
        const size_t data = at + idLength + sizeLength;
        if (child == id) return data;
        at = data + static_cast<size_t>(VintValue(bytes, at + idLength));
    }
    return std::nullopt;
}

ByteList FrontReserve() {
    // A Void of 3997 data bytes: room for the front SeekHead.
    ByteList reserve(kFrontReserve, 0);
    reserve[0] = static_cast<uint8_t>(kVoid);
    PutVint(kFrontReserve - 3, 2, reserve, 1);
    return reserve;
}

}  // namespace

SaveOutcome DoMKV(Document& doc, Host& host, const TrackMap& map, const std::string& outputPath,
                  const RemuxOptions& options, bool overwriteConfirmed) {
    if (map.ActiveCount() > kMaxActiveTracks) {
        host.Inform("Можно записать не больше 126 дорожек.");
        return SaveOutcome::NothingWritten;
    }
    EnsureBlockTable(doc);
    AddedFiles added;
    if (!added.Open(doc, host)) return SaveOutcome::Failed;
    SaveFiles files;
    if (const auto refused = OpenSaveFiles(doc.sourcePath, outputPath, overwriteConfirmed, host, files)) return *refused;
    OutputFile& out = files.output;
    host.SetStatus("m a t r o s k i n g ...");

    const TMKV& mkv = doc.mkv;
    const ByteList ebml = makeEBMLbuff(mkv.ebml);
    out.Write(ebml.data(), ebml.size());
    const uint64_t segmentStart = out.Position();
    ByteList segmentHeader;
    AppendHeader(segmentHeader, kSegment, 0);
    segmentHeader.resize(4 + kSegmentSizeLength, 0);
    out.Write(segmentHeader.data(), segmentHeader.size());
    const uint64_t d = out.Position();
    if (options.writeSeekHeads) {
        const ByteList reserve = FrontReserve();
        out.Write(reserve.data(), reserve.size());
    }

    std::vector<TSeek> topSeeks;
    const uint64_t infoAt = out.Position();
    const ByteList info = makeINFObuff(mkv.info);
    WriteSection(out, info, kInfo, d, topSeeks);
    WriteSection(out, makeTRACKSbuff(mkv.tracks, map), kTracks, d, topSeeks);
    // An Attachments element holds at least one AttachedFile: none is written without files.
    if (options.attachments && !mkv.attachedFiles.empty()) {
        topSeeks.push_back(TSeek{kAttachments, out.Position() - d});
        if (!writeATTF(mkv.attachedFiles, files.source, out, doc.attachmentFiles))
            return CommitSaveFiles(files, outputPath, host, SaveOutcome::Failed);
    }
    if (options.chapters && !mkv.chapters.empty()) WriteSection(out, makeCHAPbuff(mkv.chapters), kChapters, d, topSeeks);
    if (const ByteList tags = TagsForRemux(doc, map, options, files.source); !tags.empty()) WriteSection(out, tags, kTags, d, topSeeks);

    const ClusterLoopResult clusters = WriteClusters(doc, map, options, files.source, added, out, d, host);
    // A stopped remux holds less than the source: its Duration is that of what was written.
    if (clusters.stopped && mkv.info.duration.present)
        if (const auto at = ChildDataOffset(info, kDuration)) {
            const float written = static_cast<float>(std::max<int64_t>(clusters.lastWrittenTime, 0));
            uint32_t bits;
            std::memcpy(&bits, &written, 4);
            const uint8_t bytes[4] = {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
            out.WriteAt(infoAt + *at, bytes, 4);
        }

    // Cues hold at least one CuePoint: a file without key frames to point at gets none.
    if (options.writeCues && !clusters.cues.empty()) WriteSection(out, cues2buff(clusters.cues), kCues, d, topSeeks);
    if (options.writeSeekHeads) {
        // A SeekHead holds at least one Seek: without Clusters there is none behind them.
        if (!clusters.clusterSeeks.empty()) WriteSection(out, seekhead2buff(clusters.clusterSeeks), kSeekHead, d, topSeeks);
        const ByteList front = topHeadxVoid2buff(topSeeks);
        out.WriteAt(d, front.data(), front.size());
    }
    ByteList size(kSegmentSizeLength);
    PutVint(out.Position() - d, kSegmentSizeLength, size, 0);
    out.WriteAt(segmentStart + 4, size.data(), size.size());

    if (const SourceFile* failed = added.Failed()) out.Fail(failed->Path(), failed->LastError());
    const bool leftOut = LogLeftOutBlocks(host, doc, clusters.leftOutDamaged, clusters.leftOutBadTime);
    const SaveOutcome outcome = clusters.stopped ? SaveOutcome::Stopped
                                : leftOut        ? SaveOutcome::WrittenWithWarnings
                                                 : SaveOutcome::Written;
    return CommitSaveFiles(files, outputPath, host, outcome);
}

}  // namespace quillon
