#include "reader/scanner.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "reader/block_header.h"
#include "reader/document_order.h"
#include "reader/element_queries.h"
#include "timeline/video_check.h"

namespace quillon {
namespace {

constexpr uint32_t kEbmlId = 0x1A45DFA3;
constexpr uint32_t kSegmentId = 0x18538067;
constexpr uint32_t kClusterId = 0x1F43B675;
constexpr uint32_t kSeekHeadId = 0x114D9B74;
constexpr uint32_t kCuesId = 0x1C53BB6B;
constexpr uint32_t kTrackTypeId = 0x83;

// Values longer than this are not decoded (their value text stays empty):
// no dictionary value is legitimately that long, and a damaged size field
// must not make us allocate gigabytes.
constexpr uint64_t kMaxValueBytes = SourceFile::kCacheSize;
// The longest lace header we read before calling a block damaged.
constexpr size_t kMaxBlockHeaderBytes = 16u << 20;
// Rows between two looks at the stop request and two progress steps.
constexpr unsigned kPollEvery = 512;

enum class Mode { Quick, Full, Header };

const char* TrackTypeText(const std::string& hex) {
    static const struct { const char* hex; const char* text; } kTypes[] = {
        {"01", "01 (video)"},   {"02", "02 (audio)"},    {"03", "03 (complex)"}, {"10", "10 (logo)"},
        {"11", "11 (subtitle)"}, {"12", "12 (buttons)"}, {"20", "20 (control)"},
    };
    for (const auto& t : kTypes)
        if (hex == t.hex) return t.text;
    return nullptr;
}

struct Header {
    int row = -1;          // dictionary row, -1 unknown
    uint32_t id = 0;
    uint32_t idLength = 0;
    int sizeLength = 0;    // 0: a size field starting with 0x00, which no valid file has
    uint64_t size = 0;
    bool unknownSize = false;
};

class Walker {
public:
    Walker(SourceFile& source, Host& host, tabrick& list, Mode mode)
        : source_(source), host_(host), list_(list), mode_(mode) {}

    ScanResult Run();

private:
    struct Frame {
        int32_t row;
        uint64_t pos;    // where the next child starts
        uint64_t end;    // the container's end (the bound, for an unknown size)
        bool unknown;    // size unknown: also ends at the first top-level element
    };

    Header ReadHeader(uint64_t position);
    bool Descends(uint32_t id) const;
    void DecodeValue(Tbrick& row, char valueType);
    void ParseBlock(Tbrick& row);
    bool ResolveUnknownExtent(uint64_t start, uint64_t bound, uint64_t& end);
    void Close(Frame& frame);
    bool Poll(uint64_t position);

    SourceFile& source_;
    Host& host_;
    tabrick& list_;
    Mode mode_;
    uint8_t head_[12];
    std::vector<uint8_t> buffer_;
    unsigned sincePoll_ = 0;
    bool stopped_ = false;
};

Header Walker::ReadHeader(uint64_t position) {
    Header h;
    source_.ReadInto(position, sizeof head_, head_);
    h.row = FindElementRow(head_, sizeof head_);
    if (h.row < 0) return h;
    h.id = DictionaryId(h.row);
    h.idLength = static_cast<uint32_t>(std::strlen(DictionaryRow(h.row).idHex) / 2);
    const Bytes bytes(head_, sizeof head_);
    h.sizeLength = VintLen(bytes, h.idLength);
    h.size = VintValue(bytes, h.idLength);
    h.unknownSize = DictionaryRow(h.row).kind == 'c' && IsUnknownSize(h.size, h.sizeLength);
    return h;
}

bool Walker::Descends(uint32_t id) const {
    if (mode_ == Mode::Full) return true;
    return id != kSeekHeadId && id != kClusterId && id != kCuesId;
}

void Walker::DecodeValue(Tbrick& row, char valueType) {
    if (row.dataSize > kMaxValueBytes) return;
    const size_t count = static_cast<size_t>(row.dataSize);
    source_.ReadAt(row.dataStart(), count, buffer_);
    const Bytes data(buffer_.data(), count);
    switch (valueType) {
        case 's': {
            // EBML strings may be padded with zero bytes after the text.
            const auto* text = reinterpret_cast<const char*>(data.data());
            row.valueText.assign(text, strnlen(text, count));
            break;
        }
        case 'u': row.valueText = UIntText(data, count); break;
        case 'i': row.valueText = IntText(data, count); break;
        case 'f': row.valueText = FloatText(data, count); break;
        case 'd': row.valueText = DateText(data, count); break;
        case 'h': row.valueText = HexText(data, 0, count); break;
        default: break;
    }
    if (DictionaryId(row.element) == kTrackTypeId)
        if (const char* text = TrackTypeText(row.valueText)) row.valueText = text;
}

void Walker::ParseBlock(Tbrick& row) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(row.totalSize, 256));
    for (;;) {
        source_.ReadAt(row.position, want, buffer_);
        const bool lastTry = want >= row.totalSize || want >= kMaxBlockHeaderBytes;
        const uint64_t sizeForParse = lastTry ? want : row.totalSize;
        if (ParseBlockHeader(buffer_.data(), want, sizeForParse, row.block) == BlockParse::Ok || lastTry) break;
        want = static_cast<size_t>(std::min<uint64_t>(row.totalSize, std::min<size_t>(want * 4, kMaxBlockHeaderBytes)));
    }
    if (want < row.totalSize && want >= kMaxBlockHeaderBytes) return;  // damaged: sizes as far as read
    // Re-parse with the real total so the last frame's size is right.
    ParseBlockHeader(buffer_.data(), want, row.totalSize, row.block);
}

// The end of an unknown-size element whose children are not listed: the first
// top-level element behind its data start, or the bound.
bool Walker::ResolveUnknownExtent(uint64_t start, uint64_t bound, uint64_t& end) {
    uint64_t pos = start;
    while (pos < bound) {
        const Header h = ReadHeader(pos);
        if (h.row < 0 || h.sizeLength == 0) return false;
        if (IsTopLevelId(h.id)) break;
        // A nested unknown size ends at the same top-level element: walk into it.
        pos += h.idLength + h.sizeLength + (h.unknownSize ? 0 : h.size);
        if (!Poll(pos)) break;
    }
    end = std::min(pos, bound);
    return true;
}

void Walker::Close(Frame& frame) {
    Tbrick& row = list_[frame.row];
    if (!frame.unknown) return;
    const uint64_t end = std::min(frame.pos, frame.end);
    row.totalSize = end - row.position;
    row.dataSize = row.totalSize - row.idLength() - row.sizeLen;
}

bool Walker::Poll(uint64_t position) {
    if (++sincePoll_ < kPollEvery) return !stopped_;
    sincePoll_ = 0;
    host_.ProgressTo(position);
    if (host_.StopRequested()) stopped_ = true;
    return !stopped_;
}

ScanResult Walker::Run() {
    const uint64_t fileSize = source_.Size();

    // The EBML header.
    Header ebml = ReadHeader(0);
    if (ebml.row < 0 || ebml.id != kEbmlId) {
        host_.AddLog("• отсутствует сигнатура 1A45DFA3");
        host_.ProgressHide();
        return ScanResult::NoSignature;
    }
    const uint64_t ebmlTotal = 4 + static_cast<uint64_t>(ebml.sizeLength) + ebml.size;
    const Header segment = ReadHeader(ebmlTotal);
    if (ebml.sizeLength == 0 || segment.row < 0 || segment.id != kSegmentId || segment.sizeLength == 0) {
        host_.AddLog("• ожидался сегмент (18538067) и не нашёлся");
        host_.ProgressHide();
        return ScanResult::NoSegment;
    }

    if (mode_ != Mode::Header) {
        host_.AddLog("• файл открыт");
        host_.AddLog(mode_ == Mode::Full ? "• проверка контейнера" : "• быстрая проверка контейнера");
    }
    host_.ProgressShow(fileSize);
    // The Segment's end, not only its length, is compared with the file size:
    // a file cut short by a few bytes must be reported too.
    const uint64_t segmentEnd = ebmlTotal + 4 + static_cast<uint64_t>(segment.sizeLength) + segment.size;
    if (!segment.unknownSize && segmentEnd > fileSize)
        host_.AddLog("• размер файла меньше размера, указанного в сегменте");

    std::vector<Frame> stack;
    ScanResult result = ScanResult::Ok;

    // The two top-level rows; the EBML header's children are walked before
    // the Segment row is appended, so the list grows in document order.
    auto addTop = [&](const Header& h, uint64_t position) {
        Tbrick& row = list_.push_back();
        row.element = static_cast<int16_t>(h.row);
        row.parent = -1;
        row.position = position;
        row.sizeLen = static_cast<uint8_t>(h.sizeLength);
        row.dataSize = h.size;
        row.totalSize = 4 + h.sizeLength + h.size;
        row.unknownSize = h.unknownSize;
        const uint64_t dataStart = position + 4 + h.sizeLength;
        uint64_t end = position + row.totalSize;
        if (h.unknownSize) end = std::max(fileSize, dataStart);  // an unknown-size Segment runs to the end of the file
        stack.push_back(Frame{static_cast<int32_t>(list_.size() - 1), dataStart, end, h.unknownSize});
    };

    for (int top = 0; top < 2 && result == ScanResult::Ok && !stopped_; ++top) {
        if (top == 0) addTop(ebml, 0);
        else addTop(segment, ebmlTotal);

        while (!stack.empty() && !stopped_) {
            Frame& frame = stack.back();
            const bool topLevelFrame = stack.size() == 1;
            if (frame.pos >= frame.end) {
                Frame done = frame;
                stack.pop_back();
                Close(done);
                if (!stack.empty() && done.unknown) stack.back().pos = list_[done.row].end();
                continue;
            }
            const Header h = ReadHeader(frame.pos);
            if (h.row < 0 || h.sizeLength == 0) {
                if (mode_ == Mode::Header) {  // the header read skips the rest of this container
                    frame.end = frame.pos;
                    continue;
                }
                host_.AddLog("• ошибка в структуре файла");
                host_.ProgressHide();
                result = ScanResult::StructureError;
                break;
            }
            if (frame.unknown && !topLevelFrame && IsTopLevelId(h.id)) {
                frame.end = frame.pos;  // an unknown-size element ends where a top-level one starts
                continue;
            }

            const int32_t parentIndex = frame.row;
            const int32_t index = static_cast<int32_t>(list_.size());
            if (mode_ == Mode::Header && h.id == kClusterId) {
                Tbrick& row = list_.push_back();
                row.element = Tbrick::kPseudoClusters;
                row.parent = parentIndex;
                row.position = frame.pos;
                row.totalSize = 123;
                if (list_[parentIndex].firstChild == -1) list_[parentIndex].firstChild = index;
                frame.end = frame.pos;  // nothing behind the first Cluster is read
                continue;
            }

            Tbrick& row = list_.push_back();
            const Telement& entry = DictionaryRow(h.row);
            row.element = static_cast<int16_t>(h.row);
            row.parent = parentIndex;
            row.depth = static_cast<int32_t>(stack.size());
            row.position = frame.pos;
            row.sizeLen = static_cast<uint8_t>(h.sizeLength);
            row.dataSize = h.size;
            row.totalSize = h.idLength + h.sizeLength + h.size;
            row.unknownSize = h.unknownSize;
            if (list_[parentIndex].firstChild == -1) list_[parentIndex].firstChild = index;

            if (entry.valueType && !h.unknownSize) DecodeValue(row, entry.valueType);
            if (mode_ != Mode::Header && (h.id == 0xA1 || h.id == 0xA3 || h.id == 0xAF)) ParseBlock(row);

            const uint64_t dataStart = row.dataStart();
            const bool descend = entry.kind == 'c' && Descends(h.id);
            if (h.unknownSize) {
                row.unknownSize = true;
                if (descend) {
                    const uint64_t bound = frame.end;
                    frame.pos = dataStart;  // corrected when the child frame closes
                    stack.push_back(Frame{index, dataStart, bound, true});
                    if (!Poll(dataStart)) break;
                    continue;
                } else {
                    uint64_t end = 0;
                    if (!ResolveUnknownExtent(dataStart, frame.end, end)) {
                        host_.AddLog("• ошибка в структуре файла");
                        host_.ProgressHide();
                        result = ScanResult::StructureError;
                        break;
                    }
                    Tbrick& r = list_[index];
                    r.totalSize = end - r.position;
                    r.dataSize = r.totalSize - h.idLength - h.sizeLength;
                    frame.pos = end;
                }
            } else {
                frame.pos = row.end();
            }
            const uint64_t reached = frame.pos;
            if (descend && !h.unknownSize) stack.push_back(Frame{index, dataStart, row.end(), false});
            if (!Poll(reached)) break;
        }
    }

    if (result != ScanResult::Ok) return result;
    if (stopped_ && mode_ != Mode::Header) return ScanResult::Stopped;
    return ScanResult::Ok;
}

}  // namespace

ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full) {
    target.clear();
    host.ClearStop();
    ScanOutcome outcome;
    Walker walker(source, host, target, full ? Mode::Full : Mode::Quick);
    outcome.result = walker.Run();
    if (outcome.result == ScanResult::NoSignature || outcome.result == ScanResult::NoSegment) {
        target.clear();
        return outcome;
    }
    if (outcome.result != ScanResult::Ok) return outcome;

    host.AddLog("• ошибки контейнера не обнаружены");
    if (full) {
        host.ProgressHide();
        host.AddLog("• построение дерева файла");
    }
    listasort(target);
    outcome.videoCheck = CheckVideoTL(target);
    outcome.blockTypeText = FindUsedBlockType(target);
    host.ProgressHide();
    return outcome;
}

ScanResult ReadTracks(SourceFile& source, Host& host, tabrick& target) {
    target.clear();
    host.ClearStop();
    Walker walker(source, host, target, Mode::Header);
    const ScanResult result = walker.Run();
    if (result == ScanResult::NoSignature || result == ScanResult::NoSegment) {
        target.clear();
        return result;
    }
    listasort(target);
    host.ProgressHide();
    return result;
}

}  // namespace quillon
