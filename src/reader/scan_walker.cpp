#include "reader/scan_walker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "reader/block_header.h"
#include "reader/element_queries.h"
#include "reader/format_check.h"
#include "reader/value_rules.h"

namespace quillon::scan {
namespace {

// Values longer than this keep an empty value text: no dictionary value is
// legitimately that long.
constexpr uint64_t kMaxValueBytes = SourceFile::kCacheSize;
// The longest lace header read before a block is called damaged.
constexpr size_t kMaxBlockHeaderBytes = 16u << 20;
// The first read of a block: enough for every header but long lace lists.
constexpr size_t kFirstBlockRead = 256;
// The deepest nesting listed: real files stay far below it (chapters and
// tags nest a few levels); it keeps every walk over the list shallow.
constexpr size_t kMaxDepth = 64;
// The size the header read gives its "clusters ... " row: it stands for
// every cluster, so it has no extent of its own.
constexpr uint64_t kPseudoClustersSize = 123;
// The CRC-32 of an element is computed over pieces of this size.
constexpr size_t kCrcPiece = 1 << 20;

// The value sizes a type allows; strings and binaries are only limited in
// what is decoded.
bool ValueSizeFits(char valueType, uint64_t size) {
    switch (valueType) {
        case 'u':
        case 'i': return size <= 8;
        case 'f': return size == 0 || size == 4 || size == 8;
        case 'd': return size == 0 || size == 8;
        default: return true;
    }
}

bool IsBlockId(uint32_t id) { return id == kBlock || id == kSimpleBlock || id == kEncriptedBlock; }

std::string Hex32(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

}  // namespace

// Top-level elements stand only in the Segment; the EBML header and the
// Segment themselves nowhere inside.
bool Walker::AllowedHere(const Header& h) const {
    if (!IsTopLevelId(h.id)) return true;
    return stack_.size() == 1 && inSegment_ && h.id != kEBML && h.id != kSegment;
}

// Where the schema puts the element: a SimpleBlock in a TrackEntry is damage,
// not a block.
bool Walker::InPlace(const Header& h) const {
    const uint32_t parent = DictionaryParentId(h.row);
    const int32_t frameRow = stack_.back().row;
    if (parent == 0 || frameRow < 0) return true;
    const uint32_t frameId = list_[frameRow].id();
    return frameId == parent || (DictionaryNests(h.row) && frameId == h.id);
}

void Walker::Report(Rule rule, int64_t row, int dictionaryRow, uint64_t position, std::string detail) {
    const char* name = row >= 0 ? list_[static_cast<size_t>(row)].name() : dictionaryRow >= 0 ? DictionaryRow(dictionaryRow).name : "?";
    findings_.Add(host_, rule, row, name, position, std::move(detail));
    if (row >= 0 && RuleSeverity(rule) == Severity::Warning) list_[static_cast<size_t>(row)].damage |= kRuleBroken;
}

void Walker::Poll(uint64_t position) {
    if (pacer_.Step(position)) stopped_ = true;
}

Tbrick& Walker::AppendRow(const Header& h, uint64_t position, uint64_t end) {
    const int32_t index = static_cast<int32_t>(list_.size());
    const int32_t parent = stack_.empty() ? -1 : stack_.back().row;
    Tbrick& row = list_.push_back();
    if (h.row >= 0) {
        row.element = static_cast<int16_t>(h.row);
    } else {
        row.element = Tbrick::kUnknownElement;
        row.unknownId = h.id;
    }
    row.parent = parent;
    row.depth = static_cast<int32_t>(stack_.size());
    row.position = position;
    row.sizeLen = static_cast<uint8_t>(h.sizeLength);
    row.totalSize = end - position;
    row.dataSize = row.totalSize - h.length();
    row.unknownSize = h.unknownSize;
    if (parent >= 0 && list_[parent].firstChild == -1) list_[parent].firstChild = index;
    if (parent >= 0 && parent == segmentRow_) lastLevel1Row_ = index;
    return row;
}

void Walker::AppendPseudoClusters() {
    Frame& frame = stack_.back();
    const int32_t index = static_cast<int32_t>(list_.size());
    Tbrick& row = list_.push_back();
    row.element = Tbrick::kPseudoClusters;
    row.parent = frame.row;
    row.depth = static_cast<int32_t>(stack_.size());
    row.position = frame.pos;
    row.totalSize = kPseudoClustersSize;
    if (list_[frame.row].firstChild == -1) list_[frame.row].firstChild = index;
    pastFirstCluster_ = inSegment_ && stack_.size() == 1;
    if (pastFirstCluster_) {
        JumpPastClusters(frame);
        return;
    }
    // Nothing behind the first Cluster is read; an element of known size keeps it.
    if (frame.unknownSize) frame.end = frame.pos;
    else frame.pos = frame.end;
}

// The header elements a SeekHead names, wherever they are: muxers put
// Chapters, Attachments and Tags behind the Clusters too, and a player finds
// them so. The first one at or behind `from` whose header reads as the ID
// its entry names; 0 when there is none.
uint64_t Walker::NextSeekTarget(uint64_t from, uint64_t end) {
    if (segmentRow_ < 0) return 0;
    const uint64_t dataStart = list_[segmentRow_].dataStart();
    uint64_t best = 0;
    std::vector<uint8_t> idBytes;
    for (size_t i = size_t(segmentRow_); i < list_.size(); ++i) {
        const Tbrick& seek = list_[i];
        if (seek.id() != kSeek || seek.damage) continue;
        const int idRow = FindChildElement(list_, kSeekID, int(i)), positionRow = FindChildElement(list_, kSeekPosition, int(i));
        uint64_t position = 0;
        if (idRow < 0 || positionRow < 0 || !ReadUnsigned(source_, list_[positionRow], position) ||
            !ReadValueBytes(source_, list_[idRow], idBytes, 4) || idBytes.empty())
            continue;
        uint32_t id = 0;
        for (uint8_t b : idBytes) id = id << 8 | b;
        if (id != kInfo && id != kTracks && id != kChapters && id != kAttachments && id != kTags && id != kSeekHead)
            continue;
        if (position > fileSize_ || dataStart + position < from || dataStart + position >= end) continue;
        const uint64_t at = dataStart + position;
        if (best != 0 && at >= best) continue;
        Header h;
        Rule damage;
        if (ReadHeader(at, end, h, damage) && h.id == id) best = at;
    }
    return best;
}

// Header read, at the Segment's level behind its first Cluster: on to the
// next element a SeekHead names, or to the end.
void Walker::JumpPastClusters(Frame& frame) {
    const uint64_t next = NextSeekTarget(frame.pos, frame.end);
    if (next != 0) frame.pos = next;
    else if (frame.unknownSize) frame.end = frame.pos;
    else frame.pos = frame.end;
}

void Walker::DecodeValue(Tbrick& row, char valueType) {
    const int64_t index = static_cast<int64_t>(list_.size()) - 1;
    if (!ValueSizeFits(valueType, row.dataSize)) {
        row.damage |= kBadValueSize;
        Report(Rule::BadValueSize, index, row.element, row.position);
        return;
    }
    if (row.dataSize > kMaxValueBytes) return;
    const size_t count = static_cast<size_t>(row.dataSize);
    source_.ReadAt(row.dataStart(), count, buffer_);
    const Bytes data(buffer_.data(), count);
    row.hasValue = true;
    switch (valueType) {
        case 's':
        case '8': row.bytes = StrText(data, count); break;
        case 'u': row.number = UIntValue(data, count); break;
        case 'i': row.number = static_cast<uint64_t>(IntValue(data, count)); break;
        case 'f': {
            const double value = FloatValue(data, count);
            std::memcpy(&row.number, &value, sizeof value);
            row.hasValue = count > 0;  // an empty float shows nothing, as before
            break;
        }
        case 'd':
            row.number = static_cast<uint64_t>(IntValue(data, count));
            row.hasValue = count == 8;
            break;
        case 'h':
            row.bytes.assign(reinterpret_cast<const char*>(data.data()), count);
            if (count <= 8) row.number = UIntValue(data, count);
            break;
        default: row.hasValue = false; break;
    }
    if (mode_ != Mode::Header)
        if (const ValueProblem problem = CheckValue(row.element, data); problem.broken)
            Report(problem.rule, index, row.element, row.position, problem.detail);
    if (row.id() == kTrackNumber && count > 0 && count <= 8) trackNumbers_.push_back(row.Unsigned());
}

void Walker::ParseBlock(Tbrick& row) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(row.totalSize, kFirstBlockRead));
    BlockParse parse;
    for (;;) {
        source_.ReadAt(row.position, want, buffer_);
        parse = ParseBlockHeader(buffer_.data(), want, row.totalSize, row.block);
        if (parse != BlockParse::NeedMore) break;
        if (want >= kMaxBlockHeaderBytes) {
            parse = BlockParse::Damaged;
            break;
        }
        want = static_cast<size_t>(std::min<uint64_t>(row.totalSize, std::min(want * 4, kMaxBlockHeaderBytes)));
    }
    if (parse == BlockParse::Damaged) {
        // A block cut at its parent's end was told already.
        if (!(row.damage & kPastParent)) Report(Rule::BadBlockHeader, static_cast<int64_t>(list_.size()) - 1, row.element, row.position);
        row.damage |= kBadBlockHeader;
    }
}

// The CRC-32 covers the rest of its parent's data, stored little-endian; the
// verifier sums it beside the walk. A parent cut short or of unknown size has
// nothing to compare with.
void Walker::VerifyCrc(const Tbrick& crc) {
    const Tbrick& parent = list_[static_cast<size_t>(crc.parent)];
    if (crc.dataSize != 4 || (parent.damage & kPastParent) || parent.unknownSize) return;
    uint8_t stored[4];
    source_.ReadInto(crc.dataStart(), 4, stored);
    const uint32_t value = uint32_t(stored[0]) | uint32_t(stored[1]) << 8 | uint32_t(stored[2]) << 16 | uint32_t(stored[3]) << 24;
    if (!crcs_) crcs_ = std::make_unique<CrcVerifier>(source_.Path());
    crcs_->Add(crc.parent, crc.end(), parent.end(), value);
}

// The verifier's mismatches, told once the walk is over.
void Walker::ReportCrcMismatches() {
    if (!crcs_) return;
    for (const CrcVerifier::Mismatch& m : crcs_->Finish(stopped_)) {
        Tbrick& parent = list_[static_cast<size_t>(m.row)];
        parent.damage |= kCrcMismatch;
        Report(Rule::CrcMismatch, m.row, parent.element, parent.position, Hex32(m.stored) + " / " + Hex32(m.computed));
    }
    crcs_.reset();
}

void Walker::Visit(const Header& h, bool inPlace) {
    Frame& frame = stack_.back();
    const uint64_t position = frame.pos;
    const uint64_t dataStart = position + h.length();
    const Telement& entry = DictionaryRow(h.row);
    const bool master = entry.kind == 'c';
    if (h.unknownSize && !master) {  // only a master may leave its size open
        Resync(position, Rule::BadSizeField, h.row);
        return;
    }
    if (!inPlace && h.unknownSize) {  // no telling where it ends
        Resync(position, Rule::OutOfPlace, h.row);
        return;
    }
    const uint64_t declaredEnd = h.unknownSize ? frame.end : dataStart + h.size;
    // A level-1 element that runs past the Segment's stated end but not past
    // the file's: the Segment's size is wrong, the file goes on.
    if (declaredEnd > frame.end && declaredEnd <= fileSize_ && inPlace && stack_.size() == 1) ExtendSegmentTo(position);
    const bool cut = declaredEnd > frame.end;
    const uint64_t end = cut ? frame.end : declaredEnd;
    const Rule cutRule = declaredEnd > fileSize_ ? Rule::PastFile : Rule::PastParent;

    if (!inPlace) {
        // Believed only when what follows reads as an element too: otherwise
        // these are damaged bytes that happen to start like an element.
        if (cut || !NextHeaderValid(end, frame)) {
            Resync(position, Rule::OutOfPlace, h.row);
            return;
        }
        int64_t index = -1;
        if (frame.listed) {
            // Listed so the tree shows it, and left alone: its bytes belong to no one.
            AppendRow(h, position, end).damage |= kOutOfPlace;
            index = static_cast<int64_t>(list_.size()) - 1;
        }
        Report(Rule::OutOfPlace, index, h.row, position);
        frame.pos = end;
        Poll(end);
        return;
    }
    // A master running past its parent is believed when its first child reads as one of its own.
    if (cut && master && !h.unknownSize && !FirstChildReads(h, dataStart, end)) {
        Resync(position, cutRule, h.row);
        return;
    }
    // A block or value whose size overruns: what lies inside its claimed extent may be intact.
    if (!master && frame.listed && mode_ == Mode::Full &&
        (cut || (frame.unknownSize && !NextHeaderValid(declaredEnd, frame))) && CutOverrun(h, position, declaredEnd))
        return;

    if (!frame.listed) {  // only finding where an element of unknown size ends
        if (cut) Report(cutRule, -1, h.row, position);
        if (h.unknownSize) {
            frame.pos = dataStart;
            stack_.push_back(Frame{-1, dataStart, end, true, false});
        } else {
            frame.pos = end;
        }
        Poll(end);
        return;
    }

    if (master && stack_.size() >= kMaxDepth && h.unknownSize) {
        Resync(position, Rule::TooDeep, h.row);
        return;
    }
    const bool tooDeep = master && stack_.size() >= kMaxDepth;
    // The quick scan leaves the index elements closed; the header read opens
    // the SeekHead, which tells it where the header elements behind the
    // Clusters are.
    const bool descend = master && !tooDeep &&
                         (mode_ == Mode::Full || (h.id != kSeekHead && h.id != kCluster && h.id != kCues) ||
                          (mode_ == Mode::Header && h.id == kSeekHead));
    Tbrick& row = AppendRow(h, position, end);
    const int32_t index = static_cast<int32_t>(list_.size() - 1);
    if (cut) {
        row.damage |= kPastParent;
        Report(cutRule, index, h.row, position);
    }
    if (h.unknownSize && !UnknownSizeAllowed(h.id)) Report(Rule::UnknownSizeNotAllowed, index, h.row, position);
    if (tooDeep) {
        row.damage |= kContentLost;
        Report(Rule::TooDeep, index, h.row, position);
    }
    if (!master) {
        if (entry.valueType && !cut) DecodeValue(row, entry.valueType);
        if (mode_ != Mode::Header && IsBlockId(h.id)) ParseBlock(row);
        if (h.id == kCRC32 && mode_ != Mode::Header && row.parent >= 0) {
            if (list_[row.parent].firstChild != index) Report(Rule::CrcNotFirst, index, h.row, position);
            else if (!cut) VerifyCrc(row);
        }
    }
    if (h.unknownSize) {
        // The parent goes on where this one ends, once that is known.
        frame.pos = dataStart;
        stack_.push_back(Frame{index, dataStart, end, true, descend});
    } else {
        frame.pos = end;
        if (descend) stack_.push_back(Frame{index, dataStart, end, false, true});
    }
    Poll(end);
}

// The element on top of the stack is done: its row takes the extent the walk
// found (an unknown size becomes known; an end moved by a damaged place
// moves the row's), and its parent goes on behind it.
void Walker::CloseFrame() {
    const Frame done = stack_.back();
    stack_.pop_back();
    const uint64_t end = done.unknownSize ? std::min(done.pos, done.end) : done.end;
    if (done.row >= 0) {
        Tbrick& row = list_[done.row];
        if (row.end() != end && end >= row.dataStart()) {
            row.totalSize = end - row.position;
            row.dataSize = row.totalSize - row.idLength() - row.sizeLen;
        }
    }
    if (!stack_.empty()) stack_.back().pos = end;
}

// An element the dictionary does not know, but whose header reads and whose
// size fits, followed by something that reads as an element: skipped by its
// size and listed as unknown. Anything less is damage.
bool Walker::SkipUnknown(const Header& h) {
    Frame& frame = stack_.back();
    if (h.idLength == 0 || h.sizeLength == 0 || h.unknownSize) return false;
    const uint64_t end = frame.pos + h.length() + h.size;
    if (end > frame.end || !NextHeaderValid(end, frame)) return false;
    if (frame.listed) {
        const uint64_t position = frame.pos;
        AppendRow(h, position, end);
        const int64_t index = static_cast<int64_t>(list_.size()) - 1;
        const std::string id = list_.back().ValueText();
        Report(Rule::UnknownElement, index, -1, position, id);
        if (!IdIsShortest(h.id)) Report(Rule::IdNotShortest, index, -1, position, id);
    }
    frame.pos = end;
    Poll(end);
    return true;
}

// A top-level ID inside another element. An element of unknown size ends
// there; at the Segment level an EBML header starts another file; a
// plausible level-1 element inside elements of known size shows that their
// sizes claim too much: they end where it starts.
bool Walker::EndsHere(const Header& h) {
    Frame& frame = stack_.back();
    const uint64_t at = frame.pos;
    if (stack_.size() == 1) {
        if (inSegment_ && h.id == kEBML && LooksLikeEbmlHeader(at)) {
            secondSegmentAt_ = at;
            frame.end = at;
            return true;
        }
        return false;
    }
    if (frame.unknownSize) {
        frame.end = at;
        return true;
    }
    if (!inSegment_ || h.id == kEBML || h.id == kSegment || !LooksLikeLevel1(at, h)) return false;
    // Only when the level-1 element it stands in has a size that cannot be
    // right (cut at the end of the file, or not followed by an element).
    const int32_t outer = stack_[1].row;
    if (outer < 0) return false;
    const Tbrick& outerRow = list_[outer];
    if (!(outerRow.damage & kPastParent) && NextHeaderValid(outerRow.end(), stack_[0])) return false;
    Report(Rule::WrongSize, outer, -1, outerRow.position, "→ " + std::to_string(at));
    EndOpenElementsAt(1, at, kPastParent);
    return true;
}

// At the stated end of a Segment of known size: when level-1 elements go on
// behind it, the size is wrong and the Segment is read to the end of the file.
bool Walker::ExtendSegment() {
    Frame& frame = stack_.back();
    if (!inSegment_ || frame.unknownSize || segmentExtended_ || secondSegmentAt_ || frame.end >= fileSize_ ||
        mode_ == Mode::Header)
        return false;
    Header h;
    if (ParseHeader(frame.end, h) != HeaderRead::Ok) return false;
    if (h.id == kEBML) {
        if (LooksLikeEbmlHeader(frame.end)) secondSegmentAt_ = frame.end;
        return false;
    }
    if (!IsTopLevelId(h.id) || h.id == kSegment || !LooksLikeLevel1(frame.end, h)) return false;
    // A header master just past the end that is a second copy of one the
    // Segment holds, or that no SeekHead points to, is an in-place edit that
    // stopped before it was switched in: the Segment as stated is the file,
    // and the master is not read as its part.
    const bool headerMaster = h.id == kInfo || h.id == kTracks || h.id == kChapters || h.id == kAttachments || h.id == kTags;
    if (headerMaster && (HoldsLevel1(h.row) || !SeekHeadPointsTo(frame.end))) return false;
    return ExtendSegmentTo(frame.end);
}

bool Walker::SeekHeadPointsTo(uint64_t at) {
    if (segmentRow_ < 0) return false;
    const uint64_t dataStart = list_[segmentRow_].dataStart();
    for (size_t i = size_t(segmentRow_); i < list_.size(); ++i) {
        if (list_[i].id() != kSeekPosition || list_[i].damage) continue;
        uint64_t position = 0;
        if (ReadUnsigned(source_, list_[i], position) && dataStart + position == at) return true;
    }
    return false;
}

bool Walker::HoldsLevel1(int row) const {
    for (size_t k = 0; k < list_.size(); ++k)
        if (list_[k].depth == 1 && list_[k].element == row) return true;
    return false;
}

// The Segment of known size is read to the end of the file: its elements go
// on past its stated end from `at`.
bool Walker::ExtendSegmentTo(uint64_t at) {
    Frame& frame = stack_.front();
    if (!inSegment_ || frame.unknownSize || segmentExtended_ || frame.end >= fileSize_ || mode_ == Mode::Header) return false;
    Report(Rule::SegmentTooShort, segmentRow_, -1, list_[segmentRow_].position, "→ " + std::to_string(at));
    segmentExtended_ = true;
    frame.end = fileSize_;
    return true;
}

void Walker::Step() {
    Frame& frame = stack_.back();
    if (pastFirstCluster_ && stack_.size() == 1) JumpPastClusters(frame);
    if (frame.pos >= frame.end) {
        if (stack_.size() == 1 && ExtendSegment()) return;
        CloseFrame();
        return;
    }
    Header h;
    Rule damage;
    if (!ReadHeader(frame.pos, frame.end, h, damage)) {
        if (damage == Rule::UnknownId && SkipUnknown(h)) return;
        Resync(frame.pos, damage, h.row);
        return;
    }
    if (!AllowedHere(h)) {
        if (!EndsHere(h)) Resync(frame.pos, Rule::TopLevelInside, h.row);
        return;
    }
    if (mode_ == Mode::Header && h.id == kCluster && frame.listed) {
        AppendPseudoClusters();
        return;
    }
    const bool inPlace = InPlace(h);
    if (!inPlace && (h.id == kSimpleBlock || h.id == kBlockGroup) && CanReopenCluster() && LooksLikeBlock(frame.pos, frame.end)) {
        ReopenCluster(frame.pos);
        return;
    }
    Visit(h, inPlace);
}

void Walker::WalkTop(const Header& h, uint64_t position, bool isSegment) {
    inSegment_ = isSegment;
    // An unknown-size Segment runs to the end of the file; every element ends there at the latest.
    const uint64_t declaredEnd = h.unknownSize ? fileSize_ : position + h.length() + h.size;
    const uint64_t end = std::min(declaredEnd, fileSize_);
    Tbrick& row = AppendRow(h, position, std::max(end, position + h.length()));
    const int32_t index = static_cast<int32_t>(list_.size() - 1);
    if (isSegment) segmentRow_ = index;
    if (!isSegment && declaredEnd > fileSize_) {
        row.damage |= kPastParent;
        Report(Rule::PastFile, index, h.row, position);
    }
    stack_.push_back(Frame{index, position + h.length(), end, h.unknownSize, true});
    while (!stack_.empty() && !stopped_) Step();
    stack_.clear();
}

// Another file glued behind the first: its EBML header is listed with its
// children and its Segment as one row, never read, so none of its blocks is
// taken for the first file's.
void Walker::ListSecondSegment(uint64_t position) {
    Header ebml, segment;
    Rule damage;
    if (!ReadHeader(position, fileSize_, ebml, damage)) return;
    Report(Rule::SecondSegment, -1, ebml.row, position);
    WalkTop(ebml, position, false);
    const uint64_t at = position + ebml.length() + ebml.size;
    if (stopped_ || ebml.unknownSize || at >= fileSize_ || !ReadHeader(at, fileSize_, segment, damage) || segment.id != kSegment) return;
    const uint64_t declaredEnd = segment.unknownSize ? fileSize_ : at + segment.length() + segment.size;
    AppendRow(segment, at, std::min(declaredEnd, fileSize_)).damage |= kContentLost;
}

ScanResult Walker::ReadPreamble(Header& ebml, Header& segment, uint64_t& segmentStart) {
    Rule damage;
    if (!ReadHeader(0, fileSize_, ebml, damage) || ebml.id != kEBML) {
        host_.AddLog("• отсутствует сигнатура 1A45DFA3");
        return ScanResult::NoSignature;
    }
    segmentStart = ebml.length() + ebml.size;
    if (ebml.unknownSize || segmentStart >= fileSize_ || !ReadHeader(segmentStart, fileSize_, segment, damage) ||
        segment.id != kSegment) {
        host_.AddLog("• ожидался сегмент (18538067) и не нашёлся");
        return ScanResult::NoSegment;
    }
    return ScanResult::Ok;
}

ScanOutcome Walker::Run() {
    ScanOutcome outcome;
    Header ebml, segment;
    uint64_t segmentStart = 0;
    outcome.result = ReadPreamble(ebml, segment, segmentStart);
    if (outcome.result != ScanResult::Ok) {
        host_.ProgressHide();
        return outcome;
    }
    if (mode_ != Mode::Header) {
        host_.AddLog("• файл открыт");
        host_.AddLog(mode_ == Mode::Full ? "• проверка контейнера" : "• быстрая проверка контейнера");
    }
    host_.ProgressShow(fileSize_);
    // The Segment's end, not only its length, is compared with the file size:
    // a file cut short by a few bytes must be reported too.
    const bool segmentPastFile = !segment.unknownSize && segmentStart + segment.length() + segment.size > fileSize_;
    if (segmentPastFile) host_.AddLog("• размер файла меньше размера, указанного в сегменте");
    // A recorder that never finished writes a size of 0: everything it wrote
    // follows, so the Segment is read as one of unknown size.
    const bool sizeZero = !segment.unknownSize && segment.size == 0;
    if (sizeZero) segment.unknownSize = true;

    WalkTop(ebml, 0, false);
    if (!stopped_) {
        WalkTop(segment, segmentStart, true);
        if (segmentPastFile) findings_.Record(Rule::SegmentPastFile, segmentRow_, "Segment", segmentStart);
        if (sizeZero) {
            list_[segmentRow_].unknownSize = false;
            Report(Rule::SegmentSizeZero, segmentRow_, -1, segmentStart);
        }
    }
    if (!stopped_ && secondSegmentAt_) ListSecondSegment(secondSegmentAt_);
    ReportCrcMismatches();

    outcome.skippedBytes = skippedBytes_;
    outcome.skipped = skipped_;
    outcome.secondSegmentAt = secondSegmentAt_;
    outcome.result = stopped_ && mode_ != Mode::Header ? ScanResult::Stopped : ScanResult::Ok;
    return outcome;
}

}  // namespace quillon::scan
