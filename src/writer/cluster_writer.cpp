#include "writer/cluster_writer.h"

#include <algorithm>
#include <unordered_map>

#include "writer/put_primitives.h"

namespace quillon {
namespace {

constexpr unsigned kPollEvery = 64;

class ClusterWriter {
public:
    ClusterWriter(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source,
                  OutputFile& out, uint64_t segmentData)
        : doc_(doc), map_(map), options_(options), source_(source), out_(out), segmentData_(segmentData) {
        buffer_.reserve(1 << 20);
        for (const Track& t : doc.tatra) {
            const uint64_t number = TextToUInt64(t.numberText);
            if (!videoByNumber_.count(number)) videoByNumber_[number] = t.typeText == "VIDEO";
        }
    }

    void Begin() { cueTrack_ = getFirstActiveVTN(doc_.tatra); }
    // Adds the block, ending clusters before it as the rule says.
    void Add(const xBlock& block);
    void Finish() { WriteCluster(); }
    ClusterLoopResult& Result() { return result_; }

private:
    bool EndsClusterBefore(const xBlock& block);
    void StartNextCluster(const xBlock& block);
    void Append(const xBlock& block, const tnewto& track);
    void WriteCluster();
    bool IsVideo(uint64_t number) const {
        const auto it = videoByNumber_.find(number);
        return it != videoByNumber_.end() && it->second;
    }

    const Document& doc_;
    const TrackMap& map_;
    const RemuxOptions& options_;
    SourceFile& source_;
    OutputFile& out_;
    const uint64_t segmentData_;
    std::unordered_map<uint64_t, bool> videoByNumber_;

    ByteList buffer_;
    std::vector<CueRow> pendingCues_;
    int64_t clusterTime_ = 0;   // C
    int64_t limit_ = 1000;      // L
    size_t oldCluster_ = 1;     // k
    uint64_t cueTrack_ = 0;     // V
    ClusterLoopResult result_;
};

bool ClusterWriter::EndsClusterBefore(const xBlock& block) {
    switch (options_.clusterRule) {
        case ClusterRule::KeyFrame:
            return IsVideo(block.trackNumber) && block.keyFrame && !buffer_.empty();
        case ClusterRule::OldClusters:
            if (oldCluster_ >= doc_.mkv.oldClusters.size()) return false;
            limit_ = doc_.mkv.oldClusters[oldCluster_].timecode;
            return block.clusterTime > limit_;
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
            clusterTime_ = limit_;
            limit_ = clusterTime_ + 1000;
            break;
    }
}

void ClusterWriter::Add(const xBlock& block) {
    while (EndsClusterBefore(block)) {
        WriteCluster();
        StartNextCluster(block);
    }
    const tnewto* track = map_.Find(block.trackNumber);
    if (!track || !track->active) return;

    // A relative timecode has 16 bits: a block too far from its cluster's
    // time starts a cluster of its own instead of being written wrapped.
    const int64_t relative = block.absTime - clusterTime_;
    if (relative < -32768 || relative > 32767) {
        if (!buffer_.empty()) WriteCluster();
        clusterTime_ = std::max<int64_t>(block.absTime, 0);
    }
    Append(block, *track);
    if (block.trackNumber == cueTrack_ && block.keyFrame)
        pendingCues_.push_back(CueRow{block.absTime, track->newNumber, out_.Position() - segmentData_});
}

void ClusterWriter::Append(const xBlock& block, const tnewto& track) {
    const uint64_t h = block.flagsOffset();
    if (block.totalSize <= h) return;  // a block without a flags byte has nothing to copy
    const uint64_t copied = block.totalSize - h;
    const int64_t relative = std::clamp<int64_t>(block.absTime - clusterTime_, -32768, 32767);
    const uint16_t t = static_cast<uint16_t>(static_cast<int16_t>(relative));
    const bool simple = options_.packing != Packing::BlockGroup &&
                        !(options_.packing == Packing::AsBefore && block.kind == 'b') && track.typeText != "SUBTITLES" &&
                        !block.needsGroup;
    const uint64_t b = copied + 3;  // track byte, timecode, then the flags and frames

    if (simple) {
        AppendHeader(buffer_, 0xA3, b);
    } else {
        uint64_t g = 1 + VintWidth(b) + b;
        if (block.reference != 0) g += 2 + SIntWidth(block.reference);
        if (block.duration != 0) g += 2 + UIntWidth(static_cast<uint64_t>(block.duration));
        g += block.groupExtras.size();
        AppendHeader(buffer_, 0xA0, g);
        AppendHeader(buffer_, 0xA1, b);
    }
    buffer_.push_back(static_cast<uint8_t>(track.newNumber | 0x80));
    buffer_.push_back(static_cast<uint8_t>(t >> 8));
    buffer_.push_back(static_cast<uint8_t>(t & 0xFF));
    const size_t flagsAt = buffer_.size();
    buffer_.resize(flagsAt + copied);
    if (block.image.empty()) {
        source_.ReadInto(block.position + h, static_cast<size_t>(copied), buffer_.data() + flagsAt);
    } else {
        const size_t available = block.image.size() > h ? block.image.size() - h : 0;
        std::copy_n(block.image.begin() + static_cast<long>(std::min<uint64_t>(h, block.image.size())),
                    std::min<size_t>(available, copied), buffer_.begin() + static_cast<long>(flagsAt));
    }
    uint8_t& flags = buffer_[flagsAt];
    // In a Block (inside a BlockGroup) the high flag bits are reserved and
    // must be 0; only a SimpleBlock carries the key-frame bit.
    flags &= 0x7F;
    if (simple && block.keyFrame) flags |= 0x80;
    if (block.invisible) flags |= 0x08;

    if (!simple) {
        if (block.reference != 0) {
            buffer_.push_back(0xFB);
            buffer_.push_back(static_cast<uint8_t>(0x80 | SIntWidth(block.reference)));
            const size_t at = buffer_.size();
            buffer_.resize(at + SIntWidth(block.reference));
            PutSInt(buffer_, at, block.reference);
        }
        if (block.duration != 0) AppendUInt(buffer_, 0x9B, static_cast<uint64_t>(block.duration));
        buffer_.insert(buffer_.end(), block.groupExtras.begin(), block.groupExtras.end());
    }
}

void ClusterWriter::WriteCluster() {
    const uint64_t c = static_cast<uint64_t>(clusterTime_);
    result_.clusterSeeks.push_back(TSeek{"1F43B675", out_.Position() - segmentData_});
    ByteList header;
    AppendHeader(header, 0x1F43B675, 1 + VintWidth(UIntWidth(c)) + UIntWidth(c) + buffer_.size());
    AppendUInt(header, 0xE7, c);
    out_.Write(header.data(), header.size());
    out_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
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

bool isVideoTrack(const TrackTable& tracks, const std::string& numberText) {
    for (const Track& t : tracks)
        if (t.numberText == numberText) return t.typeText == "VIDEO";
    return false;
}

ClusterLoopResult WriteClusters(const Document& doc, const TrackMap& map, const RemuxOptions& options,
                                SourceFile& source, OutputFile& out, uint64_t segmentData, Host& host) {
    ClusterWriter writer(doc, map, options, source, out, segmentData);
    writer.Begin();
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
    if (!writer.Result().stopped) writer.Finish();
    host.ProgressHide();
    return std::move(writer.Result());
}

}  // namespace quillon
