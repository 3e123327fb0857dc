// Reading element headers, judging whether bytes are what they claim to be,
// and finding where the walk can go on after a damaged place.
#include <algorithm>
#include <string>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "reader/block_header.h"
#include "reader/scan_walker.h"

namespace quillon::scan {
namespace {

// The longest element header: a 4-byte ID and an 8-byte size field.
constexpr size_t kMaxHeaderBytes = 12;
// The search after a damaged place reads the file in windows of this size.
constexpr size_t kSearchWindow = 64 * 1024;
// The header a Cluster rebuilt from its Timestamp is given: a 4-byte ID and
// a 1-byte size field, over the damaged bytes where its own header was.
constexpr uint64_t kLostClusterHeader = 5;

// The first byte of every level-1 ID and of the EBML header.
bool StartsTopLevelId(uint8_t b) {
    switch (b) {
        case 0x1A: case 0x18: case 0x11: case 0x15: case 0x16: case 0x1F: case 0x1C: case 0x19: case 0x10: case 0x12:
            return true;
        default:
            return false;
    }
}

}  // namespace

HeaderRead Walker::ParseHeader(uint64_t position, Header& h) {
    uint8_t bytes[kMaxHeaderBytes];
    source_.ReadInto(position, sizeof bytes, bytes);  // bytes past the end of the file read as zero
    h = Header{};
    const Bytes view(bytes, sizeof bytes);
    const int idLength = VintLen(view, 0);
    if (idLength == 0 || idLength > 4) return HeaderRead::BadId;  // no ID of this file type is longer
    h.idLength = static_cast<uint32_t>(idLength);
    for (int i = 0; i < idLength; ++i) h.id = (h.id << 8) | bytes[i];
    h.row = FindElementById(h.id);
    h.sizeLength = static_cast<uint32_t>(VintLen(view, static_cast<size_t>(idLength)));
    if (h.sizeLength == 0) return HeaderRead::BadSize;
    h.size = VintValue(view, static_cast<size_t>(idLength));
    h.unknownSize = IsUnknownSize(h.size, static_cast<int>(h.sizeLength));
    return HeaderRead::Ok;
}

// A known element whose header lies inside `end`; otherwise the damage that
// stops it. An unknown ID leaves what could be read in `h`.
bool Walker::ReadHeader(uint64_t position, uint64_t end, Header& h, Rule& damage) {
    const HeaderRead read = ParseHeader(position, h);
    if (read == HeaderRead::BadId || h.row < 0) {
        damage = Rule::UnknownId;
        return false;
    }
    if (read == HeaderRead::BadSize) {
        damage = Rule::BadSizeField;
        return false;
    }
    if (position + h.length() > end) {
        damage = end >= fileSize_ ? Rule::PastFile : Rule::PastParent;
        return false;
    }
    return true;
}

// What starts at `at` reads as an element that may stand in `frame` (or any
// top-level element, which ends an element of unknown size), or `at` is
// where the frame or the file ends.
bool Walker::NextHeaderValid(uint64_t at, const Frame& frame) {
    if (at == frame.end || at == fileSize_) return true;
    if (at > frame.end) return false;
    Header next;
    if (ParseHeader(at, next) != HeaderRead::Ok || next.row < 0 || at + next.length() > fileSize_) return false;
    if (IsTopLevelId(next.id)) return true;
    const uint32_t parent = DictionaryParentId(next.row);
    const uint32_t frameId = frame.row >= 0 ? list_[frame.row].id() : 0;
    return parent == 0 || frameId == 0 || parent == frameId || (DictionaryNests(next.row) && frameId == next.id);
}

bool Walker::FirstChildReads(const Header& parent, uint64_t dataStart, uint64_t end) {
    Header child;
    if (ParseHeader(dataStart, child) != HeaderRead::Ok || child.row < 0 || child.unknownSize) return false;
    if (dataStart + child.length() > end) return false;
    const uint32_t expected = DictionaryParentId(child.row);
    return expected == 0 || expected == parent.id || (DictionaryNests(child.row) && child.id == parent.id);
}

// A Cluster ID with a readable size whose first child (after a CRC-32 or a
// Void) is its Timestamp.
bool Walker::LooksLikeCluster(uint64_t position) {
    Header h;
    if (ParseHeader(position, h) != HeaderRead::Ok || h.id != kCluster) return false;
    const uint64_t end = h.unknownSize ? fileSize_ : std::min(fileSize_, position + h.length() + h.size);
    uint64_t at = position + h.length();
    for (int child = 0; child < 3 && at < end; ++child) {
        Header c;
        if (ParseHeader(at, c) != HeaderRead::Ok || c.unknownSize || at + c.length() + c.size > end) return false;
        if (c.id == kTimeCode) return c.size >= 1 && c.size <= 8;
        if (c.id != kCRC32 && c.id != kVoid) return false;
        at += c.length() + c.size;
    }
    return false;
}

// A level-1 element that can be believed: a Cluster with its Timestamp, or
// another whose size fits the file and whose first child is one of its own.
bool Walker::LooksLikeLevel1(uint64_t position, const Header& h) {
    if (h.id == kCluster) return LooksLikeCluster(position);
    if (!IsTopLevelId(h.id) || h.id == kEBML || h.id == kSegment || h.unknownSize || h.size == 0) return false;
    const uint64_t end = position + h.length() + h.size;
    return end <= fileSize_ && FirstChildReads(h, position + h.length(), end);
}

// An EBML header of known size, one of its own children first, a Segment behind it.
bool Walker::LooksLikeEbmlHeader(uint64_t position) {
    Header h, segment;
    if (ParseHeader(position, h) != HeaderRead::Ok || h.id != kEBML || h.unknownSize) return false;
    const uint64_t end = position + h.length() + h.size;
    if (end >= fileSize_ || !FirstChildReads(h, position + h.length(), end)) return false;
    return ParseHeader(end, segment) == HeaderRead::Ok && segment.id == kSegment;
}

bool Walker::KnownTrack(uint64_t number) const {
    if (trackNumbers_.empty()) return number >= 1 && number <= 127;
    return std::find(trackNumbers_.begin(), trackNumbers_.end(), number) != trackNumbers_.end();
}

// A SimpleBlock or a BlockGroup (its Block first) of a known track that ends
// inside `limit`; when `chained`, followed by `limit` itself, another such
// block, a level-1 element that can be believed, or an element a Cluster
// holds that fits: one block alone is too easily read into random bytes.
bool Walker::LooksLikeBlock(uint64_t position, uint64_t limit, bool chained) {
    Header h;
    if (ParseHeader(position, h) != HeaderRead::Ok || h.unknownSize) return false;
    if (h.id != kSimpleBlock && h.id != kBlockGroup) return false;
    const uint64_t dataStart = position + h.length();
    const uint64_t end = dataStart + h.size;
    if (end > limit || end > fileSize_) return false;
    uint64_t blockData = dataStart, blockSize = h.size;
    uint8_t reservedFlags = 0x70;  // SimpleBlock: bits no muxer sets
    if (h.id == kBlockGroup) {
        Header b;
        if (ParseHeader(dataStart, b) != HeaderRead::Ok || b.id != kBlock || b.unknownSize) return false;
        blockData = dataStart + b.length();
        blockSize = b.size;
        if (blockData + blockSize > end) return false;
        reservedFlags = 0xF1;  // Block: only invisible and lacing
    }
    if (blockSize < 4) return false;
    uint8_t head[12];
    source_.ReadInto(blockData, sizeof head, head);
    const Bytes view(head, sizeof head);
    const int trackLength = VintLen(view, 0);
    if (trackLength == 0 || static_cast<uint64_t>(trackLength) + 3 > blockSize || trackLength + 3 > 12) return false;
    if (!KnownTrack(VintValue(view, 0))) return false;
    if (head[trackLength + 2] & reservedFlags) return false;
    // Its lace header must fit it too.
    Tblock parsed;
    uint8_t start[256];
    const uint64_t blockAt = blockData - (h.id == kBlockGroup ? 0 : h.length());
    const uint64_t blockTotal = blockData + blockSize - blockAt;
    const size_t available = static_cast<size_t>(std::min<uint64_t>(sizeof start, blockTotal));
    source_.ReadInto(blockAt, available, start);
    if (h.id == kSimpleBlock && ParseBlockHeader(start, available, blockTotal, parsed) == BlockParse::Damaged) return false;
    if (!chained || end == limit || end == fileSize_) return true;
    Header next;
    if (ParseHeader(end, next) != HeaderRead::Ok || next.row < 0) return false;
    if (IsTopLevelId(next.id)) return next.id == kEBML ? LooksLikeEbmlHeader(end) : LooksLikeLevel1(end, next);
    if (next.unknownSize) return false;
    if (next.id == kSimpleBlock || next.id == kBlockGroup) return LooksLikeBlock(end, limit, false);
    const bool clusterChild = IsPaddingId(next.id) || DictionaryParentId(next.row) == kCluster;
    const char type = DictionaryRow(next.row).valueType;
    const bool sizeFitsType = type != 'u' && type != 'i' ? true : next.size >= 1 && next.size <= 8;
    return clusterChild && sizeFitsType && end + next.length() + next.size <= std::min(limit, fileSize_);
}

// A Cluster's Timestamp where the Cluster's own header is damaged: a
// Timestamp followed by a block that can be believed.
bool Walker::LooksLikeOrphanTimestamp(uint64_t position, uint64_t limit) {
    Header h;
    if (ParseHeader(position, h) != HeaderRead::Ok || h.id != kTimeCode || h.unknownSize || h.size < 1 || h.size > 8)
        return false;
    const uint64_t end = position + h.length() + h.size;
    return end < limit && LooksLikeBlock(end, limit);
}

// The first place in [from, limit) where the walk can go on: a level-1
// element that can be believed (or the EBML header of another file); when
// `blocks`, a block that can; when `timestamps`, the Timestamp of a Cluster
// whose header is lost (with room before it for the header it had).
Resume Walker::FindResume(uint64_t from, uint64_t limit, bool blocks, bool timestamps) {
    std::vector<uint8_t> window(kSearchWindow);
    for (uint64_t at = from; at < limit && !stopped_;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kSearchWindow, limit - at));
        source_.ReadInto(at, count, window.data());
        for (size_t i = 0; i < count; ++i) {
            const uint8_t b = window[i];
            const uint64_t p = at + i;
            if (blocks && (b == 0xA3 || b == 0xA0)) {
                if (LooksLikeBlock(p, limit)) return {Resume::Block, p};
            } else if (timestamps && b == 0xE7) {
                if (p >= from + kLostClusterHeader - 1 && LooksLikeOrphanTimestamp(p, limit)) return {Resume::Timestamp, p};
            } else if (StartsTopLevelId(b)) {
                Header h;
                if (ParseHeader(p, h) != HeaderRead::Ok) continue;
                if (h.id == kEBML ? LooksLikeEbmlHeader(p) : LooksLikeLevel1(p, h)) return {Resume::Level1, p};
            }
        }
        at += count;
        Poll(at);
    }
    return {};
}

int Walker::InnermostCluster() const {
    for (size_t k = stack_.size(); k-- > 1;)
        if (stack_[k].row >= 0 && list_[stack_[k].row].id() == kCluster) return static_cast<int>(k);
    return -1;
}

// The open elements above the first `keep` end at `at` (an end that moved
// moves their rows'), each marked with `damage`.
void Walker::EndOpenElementsAt(size_t keep, uint64_t at, uint8_t damage) {
    while (stack_.size() > keep) {
        Frame& top = stack_.back();
        if (top.row >= 0) list_[top.row].damage |= damage;
        top.end = std::min(top.end, at);
        top.pos = top.end;
        CloseFrame();
    }
}

void Walker::LogSkipped(uint64_t from, uint64_t to) {
    skippedBytes_ += to - from;
    skipped_.push_back({from, to});
    host_.AddLog("• пропущены повреждённые байты: ",
                 std::to_string(to - from) + " (" + std::to_string(from) + "-" + std::to_string(to) + ")");
}

// No element can be read at `position`. Inside a Cluster the walk goes on at
// the next block that can be believed, or the next Cluster (the one it was
// in ends there); inside another element of known size the rest of it is
// lost; at the Segment level the walk goes on at the next level-1 element,
// or takes up the last Cluster again when its blocks go on here.
void Walker::Resync(uint64_t position, Rule damage, int dictionaryRow) {
    Report(damage, -1, dictionaryRow, position);
    const int cluster = mode_ == Mode::Full ? InnermostCluster() : -1;
    if (cluster >= 0) {
        EndOpenElementsAt(static_cast<size_t>(cluster) + 1, position, kContentLost);
        Frame& frame = stack_.back();
        list_[frame.row].damage |= kContentLost;
        const Resume next = FindResume(position + 1, frame.end, true);
        if (next.kind == Resume::None) {
            LogSkipped(position, frame.end);
            frame.pos = frame.end;
            return;
        }
        LogSkipped(position, next.at);
        if (next.kind == Resume::Block) frame.pos = next.at;
        else EndOpenElementsAt(1, next.at, 0);
        return;
    }
    int sure = -1;
    for (size_t k = stack_.size(); k-- > 1;) {
        if (!stack_[k].unknownSize) {
            sure = static_cast<int>(k);
            break;
        }
    }
    if (sure < 0 && !inSegment_ && !stack_[0].unknownSize) sure = 0;  // inside the EBML header
    if (sure >= 0) {
        EndOpenElementsAt(static_cast<size_t>(sure) + 1, position, kContentLost);
        Frame& frame = stack_.back();
        if (frame.row >= 0) list_[frame.row].damage |= kContentLost;
        frame.pos = frame.end;
        return;
    }
    EndOpenElementsAt(1, position, kContentLost);
    Frame& root = stack_.back();
    if (root.row >= 0) list_[root.row].damage |= kContentLost;
    const Resume next = FindResume(position + 1, root.end, CanReopenCluster(), mode_ == Mode::Full && inSegment_);
    if (next.kind == Resume::None) {
        host_.AddLog("• за повреждённым местом нет ни одного целого кластера");
        root.pos = root.end;
        return;
    }
    LogSkipped(position, next.at);
    root.pos = next.at;
    if (next.kind == Resume::Block) ReopenCluster(next.at);
    if (next.kind == Resume::Timestamp) StartHeaderlessCluster(next.at);
}

// A Cluster whose ID and size are damaged, found by its Timestamp: listed as
// a Cluster of unknown size starting where its header would have, so its
// blocks keep their own Cluster's time.
void Walker::StartHeaderlessCluster(uint64_t timestampAt) {
    Header h;
    h.row = FindElementById(kCluster);
    h.id = kCluster;
    h.idLength = 4;
    h.sizeLength = static_cast<uint32_t>(kLostClusterHeader - 4);
    h.unknownSize = true;
    Frame& root = stack_.back();
    Tbrick& row = AppendRow(h, timestampAt - kLostClusterHeader, root.end);
    row.damage |= kContentLost;
    const int32_t index = static_cast<int32_t>(list_.size() - 1);
    Report(Rule::ClusterHeaderLost, index, h.row, row.position);
    root.pos = timestampAt;
    stack_.push_back(Frame{index, timestampAt, root.end, true, true});
}

bool Walker::CanReopenCluster() const {
    return mode_ == Mode::Full && inSegment_ && stack_.size() == 1 && lastLevel1Row_ >= 0 &&
           list_[lastLevel1Row_].id() == kCluster;
}

// Blocks at the Segment level behind the last Cluster: its size ends before
// its blocks do, and they are its own again. It is taken up as one of unknown
// size, which the next level-1 element ends.
void Walker::ReopenCluster(uint64_t at) {
    Frame& root = stack_.back();
    const Tbrick& last = list_[lastLevel1Row_];
    Report(Rule::WrongSize, lastLevel1Row_, -1, last.position, "→ " + std::to_string(at));
    root.pos = at;
    stack_.push_back(Frame{lastLevel1Row_, at, root.end, true, true});
}

// A block or value whose size runs past its parent, or past what follows
// it: when a block or a level-1 element can be believed inside its claimed
// extent, it is listed cut there (and left out) and the walk goes on there.
bool Walker::CutOverrun(const Header& h, uint64_t position, uint64_t declaredEnd) {
    Frame& frame = stack_.back();
    const uint64_t dataStart = position + h.length();
    const uint64_t limit = std::min(declaredEnd, frame.end);
    const Resume next = FindResume(dataStart, limit, InnermostCluster() >= 0);
    if (next.kind == Resume::None) return false;
    Tbrick& row = AppendRow(h, position, next.at);
    row.damage |= kPastParent;
    const int64_t index = static_cast<int64_t>(list_.size()) - 1;
    Report(Rule::WrongSize, index, h.row, position, "→ " + std::to_string(next.at));
    if (row.isBlock()) ParseBlock(row);
    frame.pos = next.at;
    if (next.kind == Resume::Level1) EndOpenElementsAt(1, next.at, 0);
    return true;
}

}  // namespace quillon::scan
