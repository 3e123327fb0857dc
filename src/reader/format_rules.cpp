// The EBML header's rules and the schema's rules over the whole list.
#include <string>
#include <unordered_map>
#include <vector>

#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "reader/format_check.h"

namespace quillon {
namespace {

void Mark(tabrick& list, int64_t row) {
    if (row >= 0) list[static_cast<size_t>(row)].damage |= kRuleBroken;
}

void Add(tabrick& list, Host& host, Findings& findings, Rule rule, int64_t row, std::string detail = {}) {
    const Tbrick& r = list[static_cast<size_t>(row)];
    findings.Add(host, rule, row, r.name(), r.position, std::move(detail));
    Mark(list, row);
}

// The EBML header's elements, each with its value (or its default).
struct EbmlHeader {
    uint64_t version = 1, readVersion = 1, maxIdLength = 4, maxSizeLength = 8, docTypeVersion = 1, docTypeReadVersion = 1;
    int docTypeRow = -1;
    std::string docType;
};

void CheckEbmlHeader(tabrick& list, SourceFile& source, Host& host, Findings& findings, EbmlHeader& h) {
    if (list.empty() || list[0].id() != kEBML) return;
    int versionRow = 0, readVersionRow = 0, maxIdRow = 0, maxSizeRow = 0, docTypeReadRow = 0;
    for (size_t i = 1; i < list.size() && list[i].depth > 0; ++i) {
        const Tbrick& row = list[i];
        if (row.parent != 0) continue;
        uint64_t value = 0;
        const bool number = ReadUnsigned(source, row, value);
        switch (row.id()) {
            case kEBMLVersion: if (number) h.version = value, versionRow = int(i); break;
            case kEBMLReadVersion: if (number) h.readVersion = value, readVersionRow = int(i); break;
            case kEBMLMaxIDLength: if (number) h.maxIdLength = value, maxIdRow = int(i); break;
            case kEBMLMaxSizeLength: if (number) h.maxSizeLength = value, maxSizeRow = int(i); break;
            case kDocTypeVersion: if (number) h.docTypeVersion = value; break;
            case kDocTypeReadVersion: if (number) h.docTypeReadVersion = value, docTypeReadRow = int(i); break;
            case kDocType: {
                std::vector<uint8_t> bytes;
                if (h.docTypeRow < 0 && ReadValueBytes(source, row, bytes)) {
                    h.docTypeRow = int(i);
                    h.docType.assign(bytes.begin(), bytes.end());
                    h.docType.resize(h.docType.find('\0') == std::string::npos ? h.docType.size() : h.docType.find('\0'));
                }
                break;
            }
            default: break;
        }
    }
    const auto text = [](uint64_t v) { return std::to_string(v); };
    if (h.version != 1) Add(list, host, findings, Rule::EbmlVersion, versionRow, text(h.version));
    if (h.readVersion != 1 || h.readVersion > h.version)
        Add(list, host, findings, Rule::EbmlReadVersion, readVersionRow, text(h.readVersion) + " / " + text(h.version));
    if (h.maxIdLength != 4) Add(list, host, findings, Rule::EbmlMaxIdLength, maxIdRow, text(h.maxIdLength));
    if (h.maxSizeLength < 1 || h.maxSizeLength > 8) Add(list, host, findings, Rule::EbmlMaxSizeLength, maxSizeRow, text(h.maxSizeLength));
    if (h.docType.empty()) Add(list, host, findings, Rule::DocTypeMissing, h.docTypeRow < 0 ? 0 : h.docTypeRow);
    else if (h.docType != "matroska" && h.docType != "webm") Add(list, host, findings, Rule::DocTypeUnknown, h.docTypeRow, h.docType);
    if (h.docTypeReadVersion > h.docTypeVersion)
        Add(list, host, findings, Rule::DocTypeReadVersion, docTypeReadRow, text(h.docTypeReadVersion) + " / " + text(h.docTypeVersion));
}

// Masters whose children a quick check does not list.
bool ChildrenListed(const Tbrick& row, bool full) {
    if (row.damage & (kContentLost | kPastParent | kOutOfPlace)) return false;
    if (full) return true;
    const uint32_t id = row.id();
    return id != kCluster && id != kCues && id != kSeekHead;
}

// Per master ID: the dictionary rows of its children that must stand in it
// (mandatory, without a default to stand for them).
const std::unordered_map<uint32_t, std::vector<int>>& MandatoryChildren() {
    static const std::unordered_map<uint32_t, std::vector<int>> table = [] {
        std::unordered_map<uint32_t, std::vector<int>> t;
        for (int row = 0; row < DictionarySize(); ++row) {
            const ElementRule& rule = DictionaryRule(row);
            const uint32_t parent = DictionaryParentId(row);
            if (rule.minOccurs > 0 && !rule.hasDefault && parent != 0 && parent != kEBML) t[parent].push_back(row);
        }
        return t;
    }();
    return table;
}

// Mandatory elements without which a reader cannot use what their parent holds.
bool Essential(uint32_t id) {
    switch (id) {
        case kTrackNumber: case kTrackType: case kCodecID: case kTimeCode: case kBlock:
        case kSeekID: case kSeekPosition: case kCueTime: case kCueTrackPositions: case kCueTrack:
        case kCueClusterPosition: case kFileName: case kFileData: case kChapterTimeStart:
            return true;
        default:
            return false;
    }
}

struct ChildCount {
    int16_t element;
    uint32_t count;
    size_t first;
    bool differ;  // a repeated value differs from the first
};

struct OpenMaster {
    size_t row;
    std::vector<ChildCount> children;
};

bool SameValue(SourceFile& source, const Tbrick& a, const Tbrick& b) {
    std::vector<uint8_t> x, y;
    if (a.dataSize != b.dataSize) return false;
    if (!ReadValueBytes(source, a, x) || !ReadValueBytes(source, b, y)) return true;  // too long to tell
    return x == y;
}

void FinishMaster(tabrick& list, SourceFile& source, Host& host, Findings& findings, const OpenMaster& m, bool full) {
    const Tbrick& master = list[m.row];
    if (!ChildrenListed(master, full)) return;
    for (const ChildCount& c : m.children) {
        const ElementRule& rule = DictionaryRule(c.element);
        if (rule.maxOccurs == 0 || c.count <= rule.maxOccurs) continue;
        Add(list, host, findings, c.differ ? Rule::ConflictingValues : Rule::TooMany, static_cast<int64_t>(c.first),
            std::to_string(c.count));
    }
    const auto& table = MandatoryChildren();
    const auto it = table.find(master.id());
    if (it == table.end()) return;
    for (const int child : it->second) {
        bool present = false;
        for (const ChildCount& c : m.children) present |= c.element == child;
        if (!present)
            Add(list, host, findings, Essential(DictionaryId(child)) ? Rule::MissingEssential : Rule::MissingElement,
                static_cast<int64_t>(m.row), DictionaryRow(child).name);
    }
    (void)source;
}

void CountChild(tabrick& list, SourceFile& source, OpenMaster& m, size_t child) {
    const Tbrick& row = list[child];
    for (ChildCount& c : m.children) {
        if (c.element != row.element) continue;
        ++c.count;
        const ElementRule& rule = DictionaryRule(row.element);
        if (!c.differ && rule.maxOccurs != 0 && row.kind() != 'c' && c.count == rule.maxOccurs + 1u)
            c.differ = !SameValue(source, list[c.first], row);
        return;
    }
    m.children.push_back(ChildCount{row.element, 1, child, false});
}

}  // namespace

bool ReadUnsigned(SourceFile& source, const Tbrick& row, uint64_t& value) {
    if (row.dataSize > 8) return false;
    uint8_t bytes[8];
    const size_t count = static_cast<size_t>(row.dataSize);
    if (!source.ReadFew(row.dataStart(), count, bytes)) return false;
    value = UIntValue(Bytes(bytes, count), count);
    return true;
}

bool ReadValueBytes(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& bytes, size_t limit) {
    if (row.dataSize > limit) return false;
    bytes.resize(static_cast<size_t>(row.dataSize));
    return source.ReadFew(row.dataStart(), bytes.size(), bytes.data());
}

void CheckFormatRules(tabrick& list, SourceFile& source, Host& host, Findings& findings, bool full) {
    EbmlHeader header;
    CheckEbmlHeader(list, source, host, findings, header);

    int64_t longId = -1, longSize = -1;
    uint64_t longIds = 0, longSizes = 0;
    std::vector<OpenMaster> open;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        while (!open.empty() && list[open.back().row].depth >= row.depth) {
            FinishMaster(list, source, host, findings, open.back(), full);
            open.pop_back();
        }
        if (row.element == Tbrick::kPseudoClusters) continue;
        if (row.idLength() > header.maxIdLength && longIds++ == 0) longId = static_cast<int64_t>(i);
        if (row.sizeLen > header.maxSizeLength && longSizes++ == 0) longSize = static_cast<int64_t>(i);
        if (!row.known()) continue;
        if (!open.empty() && static_cast<size_t>(row.parent) == open.back().row) CountChild(list, source, open.back(), i);
        if (row.kind() == 'c') open.push_back(OpenMaster{i, {}});
    }
    while (!open.empty()) {
        FinishMaster(list, source, host, findings, open.back(), full);
        open.pop_back();
    }
    if (longIds) Add(list, host, findings, Rule::IdTooLong, longId, std::to_string(longIds));
    if (longSizes) Add(list, host, findings, Rule::SizeTooLong, longSize, std::to_string(longSizes));
}

}  // namespace quillon
