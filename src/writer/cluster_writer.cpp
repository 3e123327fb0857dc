#include "writer/cluster_writer.h"

#include <algorithm>
#include <unordered_map>

#include "core/gather_writer.h"
#include "core/generated/element_ids.h"
#include "core/value_text.h"
#include "reader/element_queries.h"
#include "core/put_primitives.h"
#include "reader/subtree_copy.h"

namespace quillon {
namespace {

constexpr unsigned kPollEvery = 64;
// The time rule's cluster length, in ticks.
constexpr int64_t kTimeRuleLength = 1000;

class ClusterWriter {
public:
    ClusterWriter(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source,
                  OutputFile& out, uint64_t segmentData)
        : doc_(doc), list_(doc.lista), map_(map), options_(options), source_(source), gather_(out, source),
          segmentData_(segmentData) {
        for (const Track& t : doc.tatra) {
            const uint64_t number = TextToUInt64(t.numberText);
            if (!videoByNumber_.count(number)) videoByNumber_[number] = t.typeText == "VIDEO";
        }
        for (const OldCluster& c : doc.mkv.oldClusters) oldClusterTime_[c.row] = c.timecode;
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
    bool EndsClusterBefore(const xBlock& block, const Tbrick& row);
    void StartNextCluster(const xBlock& block);
    void Append(const xBlock& block, const Tbrick& row, const tnewto& track);
    void AppendGroupChildren(const xBlock& block, const Tbrick& row, int64_t reference);
    void WriteCluster();
    int64_t SourceClusterTime(const Tbrick& row) const;
    bool IsVideo(uint64_t number) const {
        const auto it = videoByNumber_.find(number);
        return it != videoByNumber_.end() && it->second;
    }

    const Document& doc_;
    const tabrick& list_;
    const TrackMap& map_;
    const RemuxOptions& options_;
    SourceFile& source_;
    GatherWriter gather_;
    const uint64_t segmentData_;
    std::unordered_map<uint64_t, bool> videoByNumber_;
    std::unordered_map<uint32_t, int64_t> oldClusterTime_;   // source cluster row -> its time
    std::unordered_map<uint64_t, int64_t> lastTimeOfTrack_;  // for the references of repacked SimpleBlocks

    // The cluster being filled: each block's new header bytes and group
    // children (in heads_) around the run of its frames in the source.
    struct Planned {
        uint64_t framesAt;   // the source bytes after the flags byte
        uint64_t frameBytes;
        uint32_t headAt, headLength;
        uint32_t extrasAt, extrasLength;
    };
    std::vector<Planned> planned_;
    ByteList heads_;
    uint64_t clusterBytes_ = 0;  // the blocks' bytes in the new cluster
    ByteList extras_;
    std::vector<CueRow> pendingCues_;
    int64_t clusterTime_ = 0;           // C
    int64_t limit_ = kTimeRuleLength;   // L
    size_t oldCluster_ = 1;             // k
    uint64_t cueTrack_ = 0;             // V
    ClusterLoopResult result_;
};

// The time of the source cluster a block row stands in.
int64_t ClusterWriter::SourceClusterTime(const Tbrick& row) const {
    int32_t at = row.parent;
    if (at >= 0 && list_[at].id() == kBlockGroup) at = list_[at].parent;
    const auto it = oldClusterTime_.find(static_cast<uint32_t>(at));
    return it == oldClusterTime_.end() ? 0 : it->second;
}

bool ClusterWriter::EndsClusterBefore(const xBlock& block, const Tbrick& row) {
    switch (options_.clusterRule) {
        case ClusterRule::KeyFrame:
            return IsVideo(row.block.trackNumber) && block.keyFrame() && !planned_.empty();
        case ClusterRule::OldClusters:
            if (oldCluster_ >= doc_.mkv.oldClusters.size()) return false;
            limit_ = doc_.mkv.oldClusters[oldCluster_].timecode;
            return SourceClusterTime(row) > limit_;
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
    const Tbrick& row = list_[block.row];
    const tnewto* track = map_.Find(row.block.trackNumber);
    const bool written = track && track->active;
    // A block the source does not hold whole (cut, damaged, or the file
    // shrank since the scan), or whose time is lost, is never written with
    // bytes nobody read.
    if (!row.intactBlock() || !source_.Holds(row.position, row.totalSize)) {
        if (written) ++result_.leftOutDamaged;
        return;
    }
    if (block.flags & xBlock::kBadTime) {
        if (written) ++result_.leftOutBadTime;
        return;
    }
    while (EndsClusterBefore(block, row)) {
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
    if (row.block.trackNumber == cueTrack_ && block.keyFrame())
        pendingCues_.push_back(CueRow{std::max<int64_t>(block.absTime, 0), track->newNumber, 0});  // placed with its cluster
    Append(block, row, *track);
}

// The group's other children as the source holds them (references, duration,
// additions); for a SimpleBlock that becomes a group, the reference to the
// track's block before it.
void ClusterWriter::AppendGroupChildren(const xBlock& block, const Tbrick& row, int64_t reference) {
    extras_.clear();
    if (block.fromGroup()) {
        ForEachChild(list_, row.parent, [&](int child) {
            if (list_[child].id() != kBlock) AppendSubtree(list_, child, source_, extras_);
        });
    } else if (reference != 0) {
        AppendHeader(extras_, kReferenceBlock, SIntWidth(reference));
        const size_t at = extras_.size();
        extras_.resize(at + SIntWidth(reference));
        PutSInt(extras_, at, reference);
    }
}

void ClusterWriter::Append(const xBlock& block, const Tbrick& row, const tnewto& track) {
    const uint64_t trackNumber = row.block.trackNumber;
    int64_t reference = 0;
    if (!block.keyFrame()) {
        const auto previous = lastTimeOfTrack_.find(trackNumber);
        if (previous != lastTimeOfTrack_.end()) reference = previous->second - block.absTime;
    }
    lastTimeOfTrack_[trackNumber] = block.absTime;

    // The frames are copied from the source; ID, size, track, timecode and flags are new.
    const uint64_t h = row.idLength() + row.sizeLen + row.block.trackLen + 2;
    const uint64_t copied = row.totalSize - h;  // the flags byte and the frames
    const int64_t relative = std::clamp<int64_t>(block.absTime - clusterTime_, -32768, 32767);
    const uint16_t t = static_cast<uint16_t>(static_cast<int16_t>(relative));
    const bool simple = options_.packing != Packing::BlockGroup &&
                        !(options_.packing == Packing::AsBefore && block.fromGroup()) &&
                        track.typeText != "SUBTITLES" && !(block.flags & xBlock::kNeedsGroup);
    const uint64_t b = copied + 3;  // track byte, timecode, then the flags and frames

    Planned p{row.position + h + 1, copied - 1, static_cast<uint32_t>(heads_.size()), 0, 0, 0};
    if (simple) {
        AppendHeader(heads_, kSimpleBlock, b);
    } else {
        AppendGroupChildren(block, row, reference);
        AppendHeader(heads_, kBlockGroup, ElementLength(1, b) + extras_.size());
        AppendHeader(heads_, kBlock, b);
    }
    // In a Block (inside a BlockGroup) the high flag bits are reserved and
    // must be 0; only a SimpleBlock carries the key-frame bit.
    uint8_t flags = row.block.flags & 0x7F;
    if (simple && block.keyFrame()) flags |= 0x80;
    if (block.flags & xBlock::kInvisible) flags |= 0x08;
    const uint8_t fields[4] = {static_cast<uint8_t>(track.newNumber | 0x80), static_cast<uint8_t>(t >> 8),
                               static_cast<uint8_t>(t & 0xFF), flags};
    heads_.insert(heads_.end(), fields, fields + 4);
    p.headLength = static_cast<uint32_t>(heads_.size() - p.headAt);
    if (!simple) {
        p.extrasAt = static_cast<uint32_t>(heads_.size());
        p.extrasLength = static_cast<uint32_t>(extras_.size());
        heads_.insert(heads_.end(), extras_.begin(), extras_.end());
    }
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
        gather_.PutRange(p.framesAt, p.frameBytes);
        gather_.Put(heads_.data() + p.extrasAt, p.extrasLength);
    }
    planned_.clear();
    heads_.clear();
    clusterBytes_ = 0;
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
                                SourceFile& source, OutputFile& out, uint64_t segmentData, Host& host) {
    ClusterWriter writer(doc, map, options, source, out, segmentData);
    const auto& blocks = doc.mkv.blocks;
    if (blocks.empty()) return writer.Result();
    host.ProgressShow(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        writer.Add(blocks[i]);
        if (out.Failed()) break;
        if (i + 1 < blocks.size() && (i + 1) % kPollEvery == 0) {
            host.ProgressTo(i + 1);
            if (host.StopRequested()) {
                writer.Result().stopped = true;
                break;
            }
        }
    }
    writer.Finish(writer.Result().stopped);
    host.ProgressHide();
    return std::move(writer.Result());
}

}  // namespace quillon
