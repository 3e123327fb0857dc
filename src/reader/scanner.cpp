#include "reader/scanner.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "reader/block_header.h"

namespace quillon {
namespace {

// Values longer than this keep an empty value text: no dictionary value is
// legitimately that long.
constexpr uint64_t kMaxValueBytes = SourceFile::kCacheSize;
// The longest lace header read before a block is called damaged.
constexpr size_t kMaxBlockHeaderBytes = 16u << 20;
// The first read of a block: enough for every header but long lace lists.
constexpr size_t kFirstBlockRead = 256;
// The longest element header: a 4-byte ID and an 8-byte size field.
constexpr size_t kMaxHeaderBytes = 12;
// Rows between two looks at the stop request and two progress steps.
constexpr unsigned kPollEvery = 512;
// Damaged places told one by one; beyond this only their number.
constexpr uint64_t kMaxDamageLines = 200;
// The deepest nesting listed: real files stay far below it (chapters and
// tags nest a few levels); it keeps every walk over the list shallow.
constexpr size_t kMaxDepth = 64;
// The size the header read gives its "clusters ... " row: it stands for
// every cluster, so it has no extent of its own.
constexpr uint64_t kPseudoClustersSize = 123;
// The resync search reads the file in windows of this size.
constexpr size_t kSearchWindow = 64 * 1024;

enum class Mode { Quick, Full, Header };

enum class Damage { UnknownId, BadSizeField, PastParent, PastFile, TopLevelInside, OutOfPlace, BadBlockHeader, BadValueSize, TooDeep };

const char* DamageText(Damage damage) {
    switch (damage) {
        case Damage::UnknownId: return "неизвестный элемент";
        case Damage::BadSizeField: return "неверное поле размера";
        case Damage::PastParent: return "элемент выходит за конец родителя";
        case Damage::PastFile: return "элемент выходит за конец файла";
        case Damage::TopLevelInside: return "элемент верхнего уровня внутри другого элемента";
        case Damage::OutOfPlace: return "элемент не на своём месте";
        case Damage::BadBlockHeader: return "заголовок блока не помещается в блок";
        case Damage::BadValueSize: return "размер значения не подходит его типу";
        case Damage::TooDeep: return "слишком глубокая вложенность";
    }
    return "";
}

const char* TrackTypeText(const std::string& hex) {
    static const struct { const char* hex; const char* text; } kTypes[] = {
        {"01", "01 (video)"},   {"02", "02 (audio)"},    {"03", "03 (complex)"}, {"10", "10 (logo)"},
        {"11", "11 (subtitle)"}, {"12", "12 (buttons)"}, {"20", "20 (control)"},
    };
    for (const auto& t : kTypes)
        if (hex == t.hex) return t.text;
    return nullptr;
}

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

struct Header {
    int row = -1;  // dictionary row; -1 when the ID is not known
    uint32_t id = 0;
    uint32_t idLength = 0;
    uint32_t sizeLength = 0;
    uint64_t size = 0;
    bool unknownSize = false;
    uint64_t length() const { return idLength + sizeLength; }
};

// An element whose children are being read.
struct Frame {
    int32_t row;       // its row; -1 for an element walked without a row
    uint64_t pos;      // where the next child starts
    uint64_t end;      // its end, cut to its parent's end and the file's
    bool unknownSize;  // also ends at the first top-level element
    bool listed;       // its children become rows (otherwise they are only walked to find its end)
};

class Walker {
public:
    Walker(SourceFile& source, Host& host, tabrick& list, Mode mode)
        : source_(source), host_(host), list_(list), mode_(mode), fileSize_(source.Size()) {}

    ScanOutcome Run();

private:
    ScanResult ReadPreamble(Header& ebml, Header& segment, uint64_t& segmentStart);
    void WalkTop(const Header& h, uint64_t position, bool isSegment);
    void Step();
    bool ReadHeader(uint64_t position, uint64_t end, Header& h, Damage& damage);
    bool AllowedHere(const Header& h) const;
    bool InPlace(const Header& h) const;
    void Visit(const Header& h, bool inPlace);
    Tbrick& AppendRow(const Header& h, uint64_t position, uint64_t end);
    void AppendPseudoClusters();
    void DecodeValue(Tbrick& row, char valueType);
    void ParseBlock(Tbrick& row);
    void CloseFrame();
    void LostPlace(uint64_t position, Damage damage, int dictionaryRow);
    bool FindNextCluster(uint64_t from, uint64_t end, uint64_t& found);
    bool LooksLikeCluster(uint64_t position, uint64_t end);
    void Report(uint64_t position, Damage damage, int dictionaryRow);
    void Poll(uint64_t position);

    SourceFile& source_;
    Host& host_;
    tabrick& list_;
    const Mode mode_;
    const uint64_t fileSize_;
    std::vector<Frame> stack_;
    bool inSegment_ = false;  // the root frame is the Segment's
    std::vector<uint8_t> buffer_;
    uint64_t damaged_ = 0;
    unsigned sincePoll_ = 0;
    bool stopped_ = false;
};

bool Walker::ReadHeader(uint64_t position, uint64_t end, Header& h, Damage& damage) {
    uint8_t bytes[kMaxHeaderBytes];
    source_.ReadInto(position, sizeof bytes, bytes);
    h = Header{};
    h.row = FindElementRow(bytes, sizeof bytes);
    if (h.row < 0) {
        damage = Damage::UnknownId;
        return false;
    }
    h.id = DictionaryId(h.row);
    h.idLength = IdLength(h.id);
    const Bytes view(bytes, sizeof bytes);
    h.sizeLength = static_cast<uint32_t>(VintLen(view, h.idLength));
    if (h.sizeLength == 0) {
        damage = Damage::BadSizeField;
        return false;
    }
    h.size = VintValue(view, h.idLength);
    h.unknownSize = IsUnknownSize(h.size, static_cast<int>(h.sizeLength));
    if (position + h.length() > end) {
        damage = end >= fileSize_ ? Damage::PastFile : Damage::PastParent;
        return false;
    }
    return true;
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

// Top-level elements stand only in the Segment; the EBML header and the
// Segment themselves nowhere inside.
bool Walker::AllowedHere(const Header& h) const {
    if (!IsTopLevelId(h.id)) return true;
    return stack_.size() == 1 && inSegment_ && h.id != kEBML && h.id != kSegment;
}

void Walker::Report(uint64_t position, Damage damage, int dictionaryRow) {
    if (++damaged_ > kMaxDamageLines) return;
    std::string detail = ": ";
    detail += dictionaryRow >= 0 ? DictionaryRow(dictionaryRow).name : "?";
    detail += " @ " + std::to_string(position) + ": " + host_.Tr(DamageText(damage));
    host_.AddLog("• ошибка в структуре файла", detail);
}

void Walker::Poll(uint64_t position) {
    if (++sincePoll_ < kPollEvery) return;
    sincePoll_ = 0;
    host_.ProgressTo(position);
    if (host_.StopRequested()) stopped_ = true;
}

Tbrick& Walker::AppendRow(const Header& h, uint64_t position, uint64_t end) {
    const int32_t index = static_cast<int32_t>(list_.size());
    const int32_t parent = stack_.empty() ? -1 : stack_.back().row;
    Tbrick& row = list_.push_back();
    row.element = static_cast<int16_t>(h.row);
    row.parent = parent;
    row.depth = static_cast<int32_t>(stack_.size());
    row.position = position;
    row.sizeLen = static_cast<uint8_t>(h.sizeLength);
    row.totalSize = end - position;
    row.dataSize = row.totalSize - h.length();
    row.unknownSize = h.unknownSize;
    if (parent >= 0 && list_[parent].firstChild == -1) list_[parent].firstChild = index;
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
    frame.end = frame.pos;  // nothing behind the first Cluster is read
}

void Walker::DecodeValue(Tbrick& row, char valueType) {
    if (!ValueSizeFits(valueType, row.dataSize)) {
        row.damage |= kBadValueSize;
        Report(row.position, Damage::BadValueSize, row.element);
        return;
    }
    if (row.dataSize > kMaxValueBytes) return;
    const size_t count = static_cast<size_t>(row.dataSize);
    source_.ReadAt(row.dataStart(), count, buffer_);
    const Bytes data(buffer_.data(), count);
    switch (valueType) {
        case 's':
        case '8': row.valueText = StrText(data, count); break;
        case 'u': row.valueText = UIntText(data, count); break;
        case 'i': row.valueText = IntText(data, count); break;
        case 'f': row.valueText = FloatText(data, count); break;
        case 'd': row.valueText = DateText(data, count); break;
        case 'h': row.valueText = HexText(data, 0, count); break;
        default: break;
    }
    if (row.id() == kTrackType)
        if (const char* text = TrackTypeText(row.valueText)) row.valueText = text;
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
        if (!(row.damage & kPastParent)) Report(row.position, Damage::BadBlockHeader, row.element);
        row.damage |= kBadBlockHeader;
    }
}

void Walker::Visit(const Header& h, bool inPlace) {
    Frame& frame = stack_.back();
    const uint64_t position = frame.pos;
    const uint64_t dataStart = position + h.length();
    const Telement& entry = DictionaryRow(h.row);
    const bool master = entry.kind == 'c';
    if (h.unknownSize && !master) {  // only a master may leave its size open
        LostPlace(position, Damage::BadSizeField, h.row);
        return;
    }
    const uint64_t declaredEnd = h.unknownSize ? frame.end : dataStart + h.size;
    const bool cut = declaredEnd > frame.end;
    const uint64_t end = cut ? frame.end : declaredEnd;
    const Damage cutDamage = declaredEnd > fileSize_ ? Damage::PastFile : Damage::PastParent;

    if (!inPlace && h.unknownSize) {  // no telling where it ends
        LostPlace(position, Damage::OutOfPlace, h.row);
        return;
    }

    if (!frame.listed) {  // only finding where an element of unknown size ends
        if (cut) Report(position, cutDamage, h.row);
        if (!inPlace) Report(position, Damage::OutOfPlace, h.row);
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
        LostPlace(position, Damage::TooDeep, h.row);
        return;
    }
    const bool tooDeep = master && stack_.size() >= kMaxDepth;
    const bool descend = master && inPlace && !tooDeep &&
                         (mode_ == Mode::Full || (h.id != kSeekHead && h.id != kCluster && h.id != kCues));
    Tbrick& row = AppendRow(h, position, end);
    const int32_t index = static_cast<int32_t>(list_.size() - 1);
    if (cut) {
        row.damage |= kPastParent;
        Report(position, cutDamage, h.row);
    }
    if (!inPlace) {
        // Listed so the tree shows it, and left alone: its bytes belong to no one.
        row.damage |= kOutOfPlace;
        Report(position, Damage::OutOfPlace, h.row);
        frame.pos = end;
        Poll(end);
        return;
    }
    if (tooDeep) {
        row.damage |= kContentLost;
        Report(position, Damage::TooDeep, h.row);
    }
    if (!master) {
        if (entry.valueType && !cut) DecodeValue(row, entry.valueType);
        if (mode_ != Mode::Header && IsBlockId(h.id)) ParseBlock(row);
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

void Walker::CloseFrame() {
    const Frame done = stack_.back();
    stack_.pop_back();
    if (!done.unknownSize) return;
    const uint64_t end = std::min(done.pos, done.end);
    if (done.row >= 0) {
        Tbrick& row = list_[done.row];
        row.totalSize = end - row.position;
        row.dataSize = row.totalSize - row.idLength() - row.sizeLen;
    }
    if (!stack_.empty()) stack_.back().pos = end;
}

// No element can be read at `position`: the rest of the innermost element
// whose end is sure is lost; without one (at the Segment level, or inside
// elements of unknown size only) the walk goes on at the next Cluster.
void Walker::LostPlace(uint64_t position, Damage damage, int dictionaryRow) {
    Report(position, damage, dictionaryRow);
    int sure = -1;
    for (size_t k = stack_.size(); k-- > 0;) {
        if (!stack_[k].unknownSize && !(k == 0 && inSegment_)) {
            sure = static_cast<int>(k);
            break;
        }
    }
    // The open elements above it (all of unknown size) end at this place.
    const size_t keep = sure >= 0 ? static_cast<size_t>(sure) + 1 : 1;
    while (stack_.size() > keep) {
        Frame& top = stack_.back();
        if (top.row >= 0) list_[top.row].damage |= kContentLost;
        top.end = std::min(top.end, position);
        top.pos = top.end;
        CloseFrame();
    }
    Frame& frame = stack_.back();
    if (frame.row >= 0) list_[frame.row].damage |= kContentLost;
    if (sure >= 0) {
        frame.pos = frame.end;
        return;
    }
    uint64_t next = 0;
    if (FindNextCluster(position + 1, frame.end, next)) {
        host_.AddLog("• пропущены повреждённые байты: ",
                     std::to_string(next - position) + " (" + std::to_string(position) + "-" + std::to_string(next) + ")");
        frame.pos = next;
    } else {
        host_.AddLog("• за повреждённым местом нет ни одного целого кластера");
        frame.pos = frame.end;
    }
}

// A Cluster ID with a readable size whose first child (after a CRC-32 or a
// Void) is its TimeCode.
bool Walker::LooksLikeCluster(uint64_t position, uint64_t end) {
    Header h;
    Damage damage;
    if (!ReadHeader(position, end, h, damage) || h.id != kCluster) return false;
    uint64_t at = position + h.length();
    for (int child = 0; child < 3 && at < end; ++child) {
        Header c;
        if (!ReadHeader(at, end, c, damage) || c.unknownSize) return false;
        if (c.id == kTimeCode) return c.size >= 1 && c.size <= 8;
        if (c.id != kCRC32 && c.id != kVoid) return false;
        at += c.length() + c.size;
    }
    return false;
}

bool Walker::FindNextCluster(uint64_t from, uint64_t end, uint64_t& found) {
    static constexpr uint8_t kClusterBytes[] = {0x1F, 0x43, 0xB6, 0x75};
    std::vector<uint8_t> window(kSearchWindow);
    for (uint64_t at = from; at < end && !stopped_;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kSearchWindow, end - at));
        source_.ReadInto(at, count, window.data());
        for (size_t i = 0; i + 4 <= count; ++i) {
            if (window[i] != kClusterBytes[0] || std::memcmp(&window[i], kClusterBytes, 4) != 0) continue;
            if (LooksLikeCluster(at + i, end)) {
                found = at + i;
                return true;
            }
        }
        if (count < 4) break;
        at += count - 3;  // an ID may straddle two windows
        Poll(at);
    }
    return false;
}

void Walker::Step() {
    Frame& frame = stack_.back();
    if (frame.pos >= frame.end) {
        CloseFrame();
        return;
    }
    Header h;
    Damage damage;
    if (!ReadHeader(frame.pos, frame.end, h, damage)) {
        LostPlace(frame.pos, damage, h.row);
        return;
    }
    if (!AllowedHere(h)) {
        if (frame.unknownSize && stack_.size() > 1) {
            frame.end = frame.pos;  // an element of unknown size ends where a top-level one starts
            return;
        }
        LostPlace(frame.pos, Damage::TopLevelInside, h.row);
        return;
    }
    if (mode_ == Mode::Header && h.id == kCluster && frame.listed) {
        AppendPseudoClusters();
        return;
    }
    Visit(h, InPlace(h));
}

void Walker::WalkTop(const Header& h, uint64_t position, bool isSegment) {
    inSegment_ = isSegment;
    // An unknown-size Segment runs to the end of the file; every element ends there at the latest.
    const uint64_t declaredEnd = h.unknownSize ? fileSize_ : position + h.length() + h.size;
    const uint64_t end = std::min(declaredEnd, fileSize_);
    Tbrick& row = AppendRow(h, position, std::max(end, position + h.length()));
    const int32_t index = static_cast<int32_t>(list_.size() - 1);
    if (!isSegment && declaredEnd > fileSize_) {
        row.damage |= kPastParent;
        Report(position, Damage::PastFile, h.row);
    }
    stack_.push_back(Frame{index, position + h.length(), end, h.unknownSize, true});
    while (!stack_.empty() && !stopped_) Step();
    stack_.clear();
}

ScanResult Walker::ReadPreamble(Header& ebml, Header& segment, uint64_t& segmentStart) {
    Damage damage;
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
    if (!segment.unknownSize && segmentStart + segment.length() + segment.size > fileSize_)
        host_.AddLog("• размер файла меньше размера, указанного в сегменте");

    WalkTop(ebml, 0, false);
    if (!stopped_) WalkTop(segment, segmentStart, true);

    if (damaged_ > kMaxDamageLines)
        host_.AddLog("• повреждённых мест всего: ", std::to_string(damaged_));
    outcome.damagedPlaces = damaged_;
    outcome.result = stopped_ && mode_ != Mode::Header ? ScanResult::Stopped
                     : damaged_ > 0                   ? ScanResult::StructureError
                                                      : ScanResult::Ok;
    return outcome;
}

}  // namespace

ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full) {
    target.clear();
    host.ClearStop();
    Walker walker(source, host, target, full ? Mode::Full : Mode::Quick);
    const ScanOutcome outcome = walker.Run();
    if (outcome.result == ScanResult::NoSignature || outcome.result == ScanResult::NoSegment) {
        target.clear();
        return outcome;
    }
    if (outcome.result == ScanResult::Stopped) return outcome;
    if (outcome.result == ScanResult::Ok) host.AddLog("• ошибки контейнера не обнаружены");
    if (full) {
        host.ProgressHide();
        host.AddLog("• построение дерева файла");
    }
    host.ProgressHide();
    return outcome;
}

ScanOutcome ReadTracks(SourceFile& source, Host& host, tabrick& target) {
    target.clear();
    host.ClearStop();
    Walker walker(source, host, target, Mode::Header);
    const ScanOutcome outcome = walker.Run();
    if (outcome.result == ScanResult::NoSignature || outcome.result == ScanResult::NoSegment) target.clear();
    host.ProgressHide();
    return outcome;
}

}  // namespace quillon
