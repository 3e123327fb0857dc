#include "export/block_walk.h"

#include <algorithm>

#include "core/generated/element_ids.h"
#include "core/mkv_model.h"
#include "core/value_text.h"
#include "reader/element_queries.h"

namespace quillon {
BlockWalk::BlockWalk(const tabrick& lista, SourceFile& source, std::string_view numberText, Host* host)
    : lista_(lista), source_(source), pacer_(host, 512) {
    if (IsDigits(numberText) && numberText.size() <= 19) tracks_.push_back(TextToUInt64(numberText));
}

BlockWalk::BlockWalk(const tabrick& lista, SourceFile& source, std::vector<uint64_t> tracks, Host* host)
    : lista_(lista), source_(source), pacer_(host, 512), tracks_(std::move(tracks)) {}

bool BlockWalk::Matches(const Tbrick& row) const {
    return row.isBlock() && std::find(tracks_.begin(), tracks_.end(), row.block.trackNumber) != tracks_.end();
}

// TimeCode of the enclosing Cluster; 0 when no Cluster encloses the block or
// it has no TimeCode; false when its TimeCode is damaged or out of range.
// Cached per cluster: a cluster without a TimeCode would otherwise be
// searched once per block.
bool BlockWalk::ClusterTimecode(const Tbrick& row, int64_t& time) {
    int32_t at = row.parent;
    while (at >= 0 && lista_[at].id() != kCluster) at = lista_[at].parent;
    if (at < 0) {
        time = 0;
        return true;
    }
    if (at != clusterRow_) {
        clusterRow_ = at;
        clusterTime_ = 0;
        clusterTimeKnown_ = true;
        const int row = FindChildElement(lista_, kTimeCode, at);
        if (row >= 0) {
            const Tbrick& time = lista_[row];
            clusterTimeKnown_ = time.damage == 0 && time.hasValue && time.Unsigned() <= uint64_t(kMaxBlockTime);
            if (clusterTimeKnown_) clusterTime_ = time.Signed();
        }
    }
    time = clusterTime_;
    return clusterTimeKnown_;
}

// Only a BlockGroup carries a BlockDuration.
int64_t BlockWalk::BlockDuration(const Tbrick& row) const {
    if (row.parent < 0 || lista_[row.parent].id() != kBlockGroup) return -1;
    const std::string text = FindChildValue(lista_, kBlockDuration, row.parent);
    return IsDigits(text) && TextToInt64(text) <= kMaxBlockTime ? TextToInt64(text) : -1;
}

// Padding an encoder added at the end of its last frames (ffmpeg writes it
// for the last block of a track): positive nanoseconds, 0 when there is none.
int64_t BlockWalk::DiscardPadding(const Tbrick& row) const {
    if (row.parent < 0 || lista_[row.parent].id() != kBlockGroup) return 0;
    const std::string text = FindChildValue(lista_, kDiscardPadding, row.parent);
    return IsDigits(text) && TextToInt64(text) <= kMaxBlockTime ? TextToInt64(text) : 0;
}

bool BlockWalk::Keyframe(const Tbrick& row) const {
    if (row.parent >= 0 && lista_[row.parent].id() == kBlockGroup)
        return FindChildElement(lista_, kReferenceBlock, row.parent) < 0;
    return row.block.keyFrame() != 0;
}

bool BlockWalk::Read(const Tbrick& row, WalkBlock& block) {
    const Tblock& header = row.block;
    const uint64_t length = row.totalSize - header.dataOffset;
    // The file may have shrunk since it was scanned: bytes past its end are nobody's.
    if (!source_.Holds(row.position, row.totalSize)) return false;

    sizes_.assign(header.frameCount, 0);
    for (size_t k = 0; k < header.frameCount; ++k) sizes_[k] = header.frameSize(k);
    if (header.frameCount == 1 && header.lacedSizes.empty()) sizes_[0] = static_cast<uint32_t>(length);
    // Bytes that no frame size accounts for (fixed lacing's remainder) belong to no frame.
    uint64_t used = 0;
    for (uint32_t s : sizes_) used += s;
    block.framesAt = row.position + header.dataOffset;
    block.frameBytes = std::min(used, length);
    block.frameSizes = std::span<const uint32_t>(sizes_.data(), sizes_.size());
    block.data = {};
    if (!bytesWanted_ && prefix_.empty()) return true;

    if (!source_.ReadAt(block.framesAt, static_cast<size_t>(length), buffer_)) return false;
    if (prefix_.empty()) {
        block.data = std::span<const uint8_t>(buffer_.data(), static_cast<size_t>(block.frameBytes));
    } else {
        assembled_.clear();
        size_t at = 0;
        for (uint32_t& size : sizes_) {
            assembled_.insert(assembled_.end(), prefix_.begin(), prefix_.end());
            assembled_.insert(assembled_.end(), buffer_.begin() + at, buffer_.begin() + at + size);
            at += size;
            size += static_cast<uint32_t>(prefix_.size());
        }
        block.data = std::span<const uint8_t>(assembled_.data(), assembled_.size());
        block.frameSizes = std::span<const uint32_t>(sizes_.data(), sizes_.size());
    }
    return true;
}

WalkStatus BlockWalk::Next(WalkBlock& block) {
    const size_t count = lista_.size();
    while (next_ < count) {
        const size_t index = next_++;
        if (next_ == count ? pacer_.Report(next_) : pacer_.Step(next_)) return WalkStatus::Stopped;
        const Tbrick& row = lista_[index];
        if (!Matches(row)) continue;
        int64_t clusterTime = 0;
        // A block the scan found cut or damaged would hand over bytes nobody
        // can vouch for; a block whose time is lost would be written at a wrong one.
        if (!row.intactBlock() || !Read(row, block)) {
            ++leftOutDamaged_;
            continue;
        }
        if (!ClusterTimecode(row, clusterTime)) {
            ++leftOutBadTime_;
            continue;
        }
        block.row = index;
        block.track = row.block.trackNumber;
        block.timecode = clusterTime + row.block.timecode;
        block.duration = BlockDuration(row);
        block.discardPadding = DiscardPadding(row);
        block.keyframe = Keyframe(row);
        return WalkStatus::Block;
    }
    return WalkStatus::End;
}

bool ReadFirstTrackBlock(const tabrick& lista, SourceFile& source, std::string_view numberText, std::vector<uint8_t>& out) {
    BlockWalk walk(lista, source, numberText);
    WalkBlock block;
    if (walk.Next(block) != WalkStatus::Block) return false;
    out.assign(block.data.begin(), block.data.end());
    return true;
}

}  // namespace quillon
