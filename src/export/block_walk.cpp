#include "export/block_walk.h"

#include <algorithm>
#include <cstring>

#include "reader/element_queries.h"
#include "writer/put_primitives.h"

namespace quillon {
namespace {

constexpr char kClusterId[] = "1F43B675";

// "-12" or "345": the value; anything else is no integer.
bool IntegerText(const std::string& text, int64_t& value) {
    const std::string_view digits = !text.empty() && text[0] == '-' ? std::string_view(text).substr(1) : text;
    if (!IsDigits(digits)) return false;
    value = TextToInt64(text);
    return true;
}

}  // namespace

BlockWalk::BlockWalk(const tabrick& lista, SourceFile& source, std::string_view numberText, Host* host)
    : lista_(lista), source_(source), host_(host) {
    if (IsDigits(numberText) && numberText.size() <= 19) {
        anyTrack_ = true;
        track_ = TextToUInt64(numberText);
    }
}

bool BlockWalk::Matches(const Tbrick& row) const { return anyTrack_ && row.isBlock() && row.block.trackNumber == track_; }

// TimeCode of the enclosing Cluster when it is an integer text; 0 otherwise
// or when no Cluster encloses the block. Cached per cluster: a cluster
// without a TimeCode would otherwise be searched once per block.
int64_t BlockWalk::ClusterTimecode(const Tbrick& row) {
    int32_t at = row.parent;
    while (at >= 0 && std::strcmp(lista_[at].idHex(), kClusterId) != 0) at = lista_[at].parent;
    if (at < 0) return 0;
    if (at != clusterRow_) {
        clusterRow_ = at;
        clusterTime_ = 0;
        int64_t value;
        if (IntegerText(FindChildValue(lista_, "TimeCode", at), value)) clusterTime_ = value;
    }
    return clusterTime_;
}

// Only a BlockGroup carries a BlockDuration.
int64_t BlockWalk::BlockDuration(const Tbrick& row) const {
    if (row.parent < 0 || std::strcmp(lista_[row.parent].idHex(), "A0") != 0) return -1;
    const std::string text = FindChildValue(lista_, "BlockDuration", row.parent);
    return IsDigits(text) ? TextToInt64(text) : -1;
}

bool BlockWalk::Read(const Tbrick& row, WalkBlock& block) {
    const Tblock& header = row.block;
    const uint64_t length = row.totalSize > header.dataOffset ? row.totalSize - header.dataOffset : 0;
    // A block that runs past the end of the file would be padded with zeros:
    // those are bytes nobody read, so such a block is a failure, not data.
    if (row.end() > source_.Size() || length > SIZE_MAX) return false;
    if (!source_.ReadAt(row.position + header.dataOffset, static_cast<size_t>(length), buffer_)) return false;

    // Frame sizes as the lacing header gave them, cut so that no frame
    // reaches past the block's data.
    sizes_.clear();
    uint64_t left = length;
    for (size_t k = 0; k < header.frameCount; ++k) {
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(header.frameSize(k), left));
        sizes_.push_back(size);
        left -= size;
    }
    if (header.frameCount == 1 && header.lacedSizes.empty()) sizes_[0] = static_cast<uint32_t>(length);

    if (prefix_.empty()) {
        block.data = std::span<const uint8_t>(buffer_.data(), buffer_.size());
        // Bytes that no frame size accounts for (a damaged lace) belong to no frame.
        uint64_t used = 0;
        for (uint32_t s : sizes_) used += s;
        if (used != length) block.data = block.data.first(static_cast<size_t>(used));
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
    }
    block.frameSizes = std::span<const uint32_t>(sizes_.data(), sizes_.size());
    return true;
}

WalkStatus BlockWalk::Next(WalkBlock& block) {
    const size_t count = lista_.size();
    while (next_ < count) {
        const size_t index = next_++;
        if (host_ && (next_ % kPollRows == 0 || next_ == count)) {
            host_->ProgressTo(next_);
            if (host_->StopRequested()) return WalkStatus::Stopped;
        }
        const Tbrick& row = lista_[index];
        if (!Matches(row)) continue;
        block.row = index;
        block.timecode = ClusterTimecode(row) + row.block.timecode;
        block.duration = BlockDuration(row);
        return Read(row, block) ? WalkStatus::Block : WalkStatus::ReadFailed;
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
