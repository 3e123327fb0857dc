#include "writer/cluster_writer.h"

#include <algorithm>
#include <unordered_map>

#include "core/gather_writer.h"
#include "core/generated/element_ids.h"
#include "core/progress_pacer.h"
#include "core/put_primitives.h"
#include "core/value_text.h"
#include "reader/element_queries.h"
#include "writer/block_sources.h"

namespace quillon {
namespace {

constexpr unsigned kPollEvery = 64;
// The time rule's cluster length, in ticks.
constexpr int64_t kTimeRuleLength = 1000;

class ClusterWriter {
public:
    ClusterWriter(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source,
                  const AddedFiles& added, OutputFile& out, uint64_t segmentData)
        : doc_(doc), map_(map), options_(options), sources_(doc, source, added), gather_(out, source),
          segmentData_(segmentData) {
        for (const Track& t : doc.tatra) {
            const uint64_t number = TextToUInt64(t.numberText);
            if (!videoByNumber_.count(number)) videoByNumber_[number] = t.typeText == "VIDEO";
        }
        cueTrack_ = getFirstActiveVTN(doc.tatra);
    }

    // Adds the block, ending clusters before it as the rule says.
    void Add(const xBlock& block);
    // Writes the last cluster (unless stopped: it is dropped with its cues) and all that is gathered.
    bool Finish(bool stopped) {
        if (!stopped && !planned_.empty()) WriteCluster();
        return gather_.Flush();
    }
    ClusterLoopResult& Result() { return result_; }

private:
    bool EndsClusterBefore(const xBlock& block, const BlockParts& parts);
    void StartNextCluster(const xBlock& block);
    void Append(const xBlock& block, const BlockParts& parts, const tnewto& track);
    void AppendGroupChildren(const xBlock& block, int64_t reference);
    void WriteCluster();
    bool IsVideo(uint64_t number) const {
        const auto it = videoByNumber_.find(number);
        return it != videoByNumber_.end() && it->second;
    }

    const Document& doc_;
    const TrackMap& map_;
    const RemuxOptions& options_;
    BlockSources sources_;
    GatherWriter gather_;
    const uint64_t segmentData_;
    std::unordered_map<uint64_t, bool> videoByNumber_;
    std::unordered_map<uint64_t, int64_t> lastTimeOfTrack_;  // for the references of repacked SimpleBlocks

    // The cluster being filled: each block's new header bytes and group
    // children (in heads_) around the run of its frames in its source.
    struct Planned {
        SourceFile* file;
        uint64_t framesAt;   // the source bytes after the flags byte (and our bytes)
        uint64_t frameBytes;
        uint32_t headAt, headLength;
        uint32_t extrasAt, extrasLength;
    };
    std::vector<Planned> planned_;
    ByteList heads_;
    uint64_t clusterBytes_ = 0;  // the blocks' bytes in the new cluster
    int64_t clusterLastTime_ = -1;  // the latest block time in it
    ByteList extras_;
    std::vector<CueRow> pendingCues_;
    int64_t clusterTime_ = 0;           // C
    int64_t limit_ = kTimeRuleLength;   // L
    size_t oldCluster_ = 1;             // k
    uint64_t cueTrack_ = 0;             // V
    ClusterLoopResult result_;
};

bool ClusterWriter::EndsClusterBefore(const xBlock& block, const BlockParts& parts) {
    switch (options_.clusterRule) {
        case ClusterRule::KeyFrame:
            return IsVideo(parts.track) && block.keyFrame() && !planned_.empty();
        case ClusterRule::OldClusters:
            if (oldCluster_ >= doc_.mkv.oldClusters.size()) return false;
            limit_ = doc_.mkv.oldClusters[oldCluster_].timecode;
            return parts.sourceClusterTime > limit_;
        case ClusterRule::Time:
            return block.absTime >= limit_;
    }
    return false;
}

void ClusterWriter::StartNextCluster(const xBlock& block) {
    switch (options_.clusterRule) {
        case ClusterRule::KeyFrame:
            clusterTime_ = std::max<int64_t>(block.absTime, 0);
            break;
        case ClusterRule::OldClusters:
            clusterTime_ = limit_;
            ++oldCluster_;
            if (oldCluster_ < doc_.mkv.oldClusters.size()) limit_ = doc_.mkv.oldClusters[oldCluster_].timecode;
            break;
        case ClusterRule::Time:
            // Straight to the interval that holds the block: a gap in the
            // times makes no run of empty clusters.
            clusterTime_ = limit_ + (block.absTime - limit_) / kTimeRuleLength * kTimeRuleLength;
            limit_ = clusterTime_ + kTimeRuleLength;
            break;
    }
}

void ClusterWriter::Add(const xBlock& block) {
    const BlockParts parts = sources_.Parts(block);
    const tnewto* track = map_.Find(parts.track);
    const bool written = track && track->active;
    // A block the source does not hold whole (cut, damaged, or the file
    // shrank since the scan), or whose time is lost, is never written with
    // bytes nobody read.
    if (!parts.whole) {
        if (written) ++result_.leftOutDamaged;
        return;
    }
    if (block.flags & xBlock::kBadTime) {
        if (written) ++result_.leftOutBadTime;
        return;
    }
    while (EndsClusterBefore(block, parts)) {
        if (!planned_.empty()) WriteCluster();
        StartNextCluster(block);
    }
    if (!written) return;

    // A relative timecode has 16 bits: a block too far from its cluster's
    // time starts a cluster of its own instead of being written wrapped.
    const int64_t relative = block.absTime - clusterTime_;
    if (relative < -32768 || relative > 32767) {
        if (!planned_.empty()) WriteCluster();
        clusterTime_ = std::max<int64_t>(block.absTime, 0);
    }
    if (parts.track == cueTrack_ && block.keyFrame())
        pendingCues_.push_back(CueRow{std::max<int64_t>(block.absTime, 0), track->newNumber, 0});  // placed with its cluster
    Append(block, parts, *track);
}

// The group's other children as the source holds them (references, duration,
// additions); for a SimpleBlock that becomes a group, the reference to the
// track's block before it.
void ClusterWriter::AppendGroupChildren(const xBlock& block, int64_t reference) {
    // A group the timeline repair re-pointed refers to the track's block written before it.
    const bool repointed = block.flags & xBlock::kReferToPrevious;
    if (block.fromGroup()) sources_.AppendGroupChildren(block, extras_, repointed);
    if ((!block.fromGroup() || repointed) && reference != 0) {
        AppendHeader(extras_, kReferenceBlock, SIntWidth(reference));
        const size_t at = extras_.size();
        extras_.resize(at + SIntWidth(reference));
        PutSInt(extras_, at, reference);
    }
}

void ClusterWriter::Append(const xBlock& block, const BlockParts& parts, const tnewto& track) {
    const uint64_t trackNumber = parts.track;
    int64_t reference = 0;
    if (!block.keyFrame()) {
        const auto previous = lastTimeOfTrack_.find(trackNumber);
        if (previous != lastTimeOfTrack_.end()) reference = previous->second - block.absTime;
        // A group without a reference is a key frame: a block that is none (a file cut in the
        // middle of a GOP starts with one) refers back even with nothing of its track before it.
        if (reference == 0) reference = -1;
    }
    lastTimeOfTrack_[trackNumber] = block.absTime;
    clusterLastTime_ = std::max(clusterLastTime_, block.absTime);

    // The frames are copied from the source; ID, size, track, timecode and flags are new.
    const int64_t relative = std::clamp<int64_t>(block.absTime - clusterTime_, -32768, 32767);
    const uint16_t t = static_cast<uint16_t>(static_cast<int16_t>(relative));
    const bool simple = options_.packing != Packing::BlockGroup &&
                        !(options_.packing == Packing::AsBefore && block.fromGroup()) &&
                        track.typeText != "SUBTITLES" && !(block.flags & xBlock::kNeedsGroup);
    const uint64_t b = parts.BlockDataLength();

    // After the frames: the zeros for what a file cut short, then the group's other children.
    extras_.assign(parts.zeroTail, 0);
    Planned p{parts.file, parts.runAt, parts.runLength, static_cast<uint32_t>(heads_.size()), 0, 0, 0};
    if (simple) {
        AppendHeader(heads_, kSimpleBlock, b);
    } else {
        AppendGroupChildren(block, reference);
        AppendHeader(heads_, kBlockGroup, ElementLength(1, b) + extras_.size() - parts.zeroTail);
        AppendHeader(heads_, kBlock, b);
    }
    // In a Block (inside a BlockGroup) the high flag bits are reserved and
    // must be 0; only a SimpleBlock carries the key-frame bit.
    uint8_t flags = parts.flags & 0x7F;
    if (simple && block.keyFrame()) flags |= 0x80;
    if (block.flags & xBlock::kInvisible) flags |= 0x08;
    const uint8_t fields[4] = {static_cast<uint8_t>(track.newNumber | 0x80), static_cast<uint8_t>(t >> 8),
                               static_cast<uint8_t>(t & 0xFF), flags};
    heads_.insert(heads_.end(), fields, fields + 4);
    heads_.insert(heads_.end(), parts.ours, parts.ours + parts.oursLength);
    p.headLength = static_cast<uint32_t>(heads_.size() - p.headAt);
    p.extrasAt = static_cast<uint32_t>(heads_.size());
    p.extrasLength = static_cast<uint32_t>(extras_.size());
    heads_.insert(heads_.end(), extras_.begin(), extras_.end());
    clusterBytes_ += p.headLength + p.frameBytes + p.extrasLength;
    planned_.push_back(p);
}

void ClusterWriter::WriteCluster() {
    const uint64_t c = static_cast<uint64_t>(clusterTime_);
    const uint64_t at = gather_.Position() - segmentData_;
    result_.clusterSeeks.push_back(TSeek{kCluster, at});
    ByteList header;
    AppendHeader(header, kCluster, ElementLength(1, UIntWidth(c)) + clusterBytes_);
    AppendUInt(header, kTimeCode, c);
    gather_.Put(header.data(), header.size());
    for (const Planned& p : planned_) {
        gather_.Put(heads_.data() + p.headAt, p.headLength);
        if (p.frameBytes > 0) gather_.PutRange(*p.file, p.framesAt, p.frameBytes);
        gather_.Put(heads_.data() + p.extrasAt, p.extrasLength);
    }
    planned_.clear();
    heads_.clear();
    clusterBytes_ = 0;
    result_.lastWrittenTime = std::max(result_.lastWrittenTime, clusterLastTime_);
    clusterLastTime_ = -1;
    for (CueRow& cue : pendingCues_) cue.cueClusterPos = at;
    result_.cues.insert(result_.cues.end(), pendingCues_.begin(), pendingCues_.end());
    pendingCues_.clear();
}

}  // namespace

uint64_t getFirstActiveVTN(const TrackTable& tracks) {
    for (const Track& t : tracks)
        if (t.selectMark == "y" && t.typeText == "VIDEO") return TextToUInt64(t.numberText);
    for (const Track& t : tracks)
        if (t.selectMark == "y") return TextToUInt64(t.numberText);
    return 0;
}

ClusterLoopResult WriteClusters(const Document& doc, const TrackMap& map, const RemuxOptions& options,
                                SourceFile& source, const AddedFiles& added, OutputFile& out, uint64_t segmentData,
                                Host& host) {
    ClusterWriter writer(doc, map, options, source, added, out, segmentData);
    const auto& blocks = doc.mkv.blocks;
    if (blocks.empty()) return writer.Result();
    host.ProgressShow(blocks.size());
    ProgressPacer pacer(&host, kPollEvery);
    for (size_t i = 0; i < blocks.size(); ++i) {
        writer.Add(blocks[i]);
        if (out.Failed()) break;
        if (i + 1 < blocks.size() && pacer.Step(i + 1)) {
            writer.Result().stopped = true;
            break;
        }
    }
    writer.Finish(writer.Result().stopped);
    host.ProgressHide();
    return std::move(writer.Result());
}

}  // namespace quillon
