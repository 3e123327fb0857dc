#include "reader/model_builder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <variant>

#include "core/generated/element_ids.h"
#include "core/model_bindings.h"
#include "core/value_text.h"
#include "reader/element_queries.h"
#include "core/put_primitives.h"
#include "reader/subtree_copy.h"

namespace quillon {
namespace {

// The largest header value held in memory (a CodecPrivate): bigger ones are
// no codec's and are left out, told in the log.
constexpr uint64_t kMaxHeldValue = 16u << 20;

// A plain element whose value the scan could read.
bool Usable(const Tbrick& row) { return (row.damage & (kPastParent | kBadValueSize | kOutOfPlace)) == 0; }

// The data of a binary value, when it is small enough to hold.
bool ReadHeld(SourceFile& source, const Tbrick& row, Host& host, std::vector<uint8_t>& out) {
    if (row.dataSize > kMaxHeldValue) {
        host.AddLog("• слишком большое значение оставлено без копирования: ", row.name());
        return false;
    }
    if (row.hasValue) {
        out.assign(row.Text().begin(), row.Text().end());
        return true;
    }
    return ReadElementData(source, row, out);
}

// A row's value into the model field its binding names, as the field's type takes it.
template <class Record>
void Assign(const ModelField<Record>& field, Record& record, const Tbrick& row, SourceFile& source, Host& host) {
    std::visit(
        [&](auto member) {
            auto& slot = record.*member;
            using T = std::decay_t<decltype(slot.value)>;
            if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
                std::vector<uint8_t> data;
                if (ReadHeld(source, row, host, data)) slot.Set(std::move(data));
            } else if (!row.hasValue) {
                return;  // a value its type does not allow, or too long to hold
            } else if constexpr (std::is_same_v<T, std::string>) {
                slot.Set(row.Text());
            } else if constexpr (std::is_same_v<T, std::array<uint8_t, 16>>) {
                if (row.Text().size() == 16) {
                    std::array<uint8_t, 16> uid{};
                    std::copy(row.Text().begin(), row.Text().end(), uid.begin());
                    slot.Set(uid);
                }
            } else if constexpr (std::is_same_v<T, float>) {
                slot.Set(static_cast<float>(row.Float()));
            } else if constexpr (std::is_same_v<T, int64_t>) {
                slot.Set(row.Signed());
            } else {
                slot.Set(static_cast<T>(std::min<uint64_t>(row.Unsigned(), std::numeric_limits<T>::max())));
            }
        },
        field);
}

// Every usable child of `parent` into the field its binding names; the
// children no binding names, as their bytes, into `other` (when given).
template <class Record>
void FillBound(const tabrick& list, int parent, std::span<const Binding<Record>> table, Record& record, SourceFile& source,
               Host& host, std::vector<uint8_t>* other) {
    ForEachChild(list, parent, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        if (const Binding<Record>* binding = FindBinding(table, child.id())) Assign(binding->field, record, child, source, host);
        else if (other) AppendSubtree(list, c, source, *other);
    });
}

void FillEbml(const tabrick& list, int row, SourceFile& source, Host& host, tebml& e) {
    e = tebml{};
    FillBound(list, row, EbmlBindings(), e, source, host, nullptr);
    // A reader needs to know what it reads: what the source left out takes EBML's and Matroska's defaults.
    if (!e.ebmlVersion.present) e.ebmlVersion.Set(1);
    if (!e.ebmlReadVersion.present) e.ebmlReadVersion.Set(1);
    if (!e.ebmlMaxIDLength.present) e.ebmlMaxIDLength.Set(4);
    if (!e.ebmlMaxSizeLength.present) e.ebmlMaxSizeLength.Set(8);
    if (!e.docType.present || e.docType.value.empty()) e.docType.Set("matroska");
    if (!e.docTypeVersion.present) e.docTypeVersion.Set(4);
    if (!e.docTypeReadVersion.present) e.docTypeReadVersion.Set(2);
}

void FillInfo(const tabrick& list, int row, SourceFile& source, Host& host, tinfo& info) {
    info = tinfo{};
    FillBound(list, row, InfoBindings(), info, source, host, &info.otherInfoChildren);
    if (info.timecodeScale.present && info.timecodeScale.value == 0) info.timecodeScale = {};
}

void FillAttachments(const tabrick& list, int attachments, SourceFile& source, Host& host, std::vector<tAttachedFile>& files) {
    files.clear();
    ForEachChild(list, attachments, [&](int file) {
        if (list[file].id() != kAttachedFile) return;
        tAttachedFile a;
        FillBound(list, file, AttachedFileBindings(), a, source, host, nullptr);
        // The data stay in the file: copied when written.
        const int data = FindChildElement(list, kFileData, file);
        if (data >= 0 && Usable(list[data])) a.fileData.Set(ByteRange{0, list[data].dataStart(), list[data].dataSize});
        files.push_back(std::move(a));
    });
}

}  // namespace

tTrackEntry TrackFromEntry(const tabrick& list, int entry, SourceFile& source, Host& host) {
    tTrackEntry t;
    ForEachChild(list, entry, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        switch (child.id()) {
            case kVideo: FillBound(list, c, VideoBindings(), t, source, host, &t.otherVideoChildren); return;
            case kAudio: FillBound(list, c, AudioBindings(), t, source, host, &t.otherAudioChildren); return;
            case kContentEncodings: {
                std::vector<uint8_t> data;
                AppendChildren(list, c, source, data);
                t.contentEncodings.Set(std::move(data));
                return;
            }
            default: break;
        }
        if (const Binding<tTrackEntry>* binding = FindBinding(EntryBindings(), child.id())) Assign(binding->field, t, child, source, host);
        else AppendSubtree(list, c, source, t.otherEntryChildren);
    });
    return t;
}

std::array<uint8_t, 16> fillSegmentUID(const std::string& hex) {
    std::array<uint8_t, 16> uid{};
    std::string padded = hex.substr(0, 32);
    if (padded.size() < 32) padded.insert(0, 32 - padded.size(), '0');
    for (size_t k = 0; k < 16; ++k) uid[k] = HexByte(padded.substr(2 * k, 2));
    return uid;
}

void lista2matros(Document& doc, SourceFile& source, Host& host) {
    const tabrick& list = doc.lista;
    TMKV& mkv = doc.mkv;
    const int ebml = FindFirstById(list, kEBML);
    if (ebml < 0) return;
    FillEbml(list, ebml, source, host, mkv.ebml);
    const int segment = FindFirstById(list, kSegment);
    // A file without Info still has its tracks and blocks: Info takes Matroska's defaults.
    FillInfo(list, FindChildElement(list, kInfo, segment), source, host, mkv.info);
    if (!mkv.info.timecodeScale.present) mkv.info.timecodeScale.Set(kDefaultTimecodeScale);

    mkv.tracks.clear();
    for (const Track& track : doc.tatra) {
        if (track.entryIndex == Track::kNotInSource || track.entryIndex >= list.size()) continue;
        mkv.tracks.push_back(TrackFromEntry(list, static_cast<int>(track.entryIndex), source, host));
    }
    FillAttachments(list, FindChildElement(list, kAttachments, segment), source, host, mkv.attachedFiles);
    mkv.chapters.clear();
    AppendChildren(list, FindChildElement(list, kChapters, segment), source, mkv.chapters);
}

}  // namespace quillon
