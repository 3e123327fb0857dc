#include "writer/section_builders.h"

#include "core/dictionary.h"
#include "core/model_bindings.h"
#include "core/uid_source.h"
#include "core/written_text.h"

#include "core/generated/element_ids.h"

#include <cmath>
#include <cstring>
#include <type_traits>
#include <variant>

namespace quillon {
namespace {

// Every text is written as its element's type allows: an ASCII string with
// its printable characters only ('?' for the others), a UTF-8 string as valid
// UTF-8. A text from a damaged file must not make the new one unreadable.
void AppendText(ByteList& out, uint32_t id, const std::string& text) {
    const int row = FindElementById(id);
    const std::string written = WritableText(row >= 0 ? DictionaryRow(row).valueType : 0, text);
    AppendBytes(out, id, reinterpret_cast<const uint8_t*>(written.data()), written.size());
}

// A flag (an element the schema keeps to 0 and 1) is written as 0 or 1,
// whatever other value a damaged source held.
void AppendByte(ByteList& out, uint32_t id, uint8_t value) {
    const int row = FindElementById(id);
    if (row >= 0) {
        const ElementRule& rule = DictionaryRule(row);
        if (rule.rangeKind == 2 && rule.hasLow && rule.hasHigh && rule.low == 0 && rule.high == 1) value = value != 0;
    }
    AppendBytes(out, id, &value, 1);
}

// A number the schema's range forbids is left out where the element has a
// default to stand for it: a damaged source's value must not make the new
// file break a rule.
bool Writable(uint32_t id, double value) {
    const int row = FindElementById(id);
    if (row < 0) return true;
    const ElementRule& rule = DictionaryRule(row);
    return !rule.hasDefault || (!std::isnan(value) && ValueInRange(rule, value));
}

void AppendNumber(ByteList& out, uint32_t id, uint64_t value) {
    if (Writable(id, static_cast<double>(value))) AppendUInt(out, id, value);
}

void AppendFloat32(ByteList& out, uint32_t id, float value) {
    if (!Writable(id, value)) return;
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint8_t bytes[4] = {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
    AppendBytes(out, id, bytes, 4);
}

// A model field as its element, as the field's type writes it.
template <class Record>
void AppendBound(ByteList& out, const Record& record, const Binding<Record>& binding) {
    std::visit(
        [&](auto member) {
            const auto& slot = record.*member;
            if (!slot.present) return;
            using T = std::decay_t<decltype(slot.value)>;
            if constexpr (std::is_same_v<T, uint8_t>) {
                AppendByte(out, binding.id, slot.value);
            } else if constexpr (std::is_same_v<T, uint32_t> || std::is_same_v<T, uint64_t>) {
                AppendNumber(out, binding.id, slot.value);
            } else if constexpr (std::is_same_v<T, int64_t>) {  // a date: 8 bytes, big-endian
                uint8_t bytes[8];
                for (int k = 0; k < 8; ++k) bytes[k] = static_cast<uint8_t>(static_cast<uint64_t>(slot.value) >> (56 - 8 * k));
                AppendBytes(out, binding.id, bytes, 8);
            } else if constexpr (std::is_same_v<T, float>) {
                AppendFloat32(out, binding.id, slot.value);
            } else if constexpr (std::is_same_v<T, std::string>) {
                AppendText(out, binding.id, slot.value);
            } else {  // bytes
                AppendBytes(out, binding.id, slot.value.data(), slot.value.size());
            }
        },
        binding.field);
}

template <class Record>
void AppendAllBound(ByteList& out, const Record& record, std::span<const Binding<Record>> table) {
    for (const Binding<Record>& b : table) AppendBound(out, record, b);
}

ByteList Wrap(uint32_t id, const ByteList& data) {
    ByteList out;
    out.reserve(ElementLength(IdLength(id), data.size()));
    AppendHeader(out, id, data.size());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// The source's EBML header values where they are sound; what this program
// writes where they are not (a damaged header must not make the new file one
// no reader accepts).
ByteList EbmlData(const tebml& e) {
    ByteList d;
    if (e.ebmlVersion.present) AppendUInt(d, kEBMLVersion, 1);
    if (e.ebmlReadVersion.present) AppendUInt(d, kEBMLReadVersion, 1);
    if (e.ebmlMaxIDLength.present) AppendUInt(d, kEBMLMaxIDLength, 4);
    if (e.ebmlMaxSizeLength.present) AppendUInt(d, kEBMLMaxSizeLength, 8);
    const bool knownType = e.docType.present && (e.docType.value == "matroska" || e.docType.value == "webm");
    AppendText(d, kDocType, knownType ? e.docType.value : "matroska");
    const bool versionsSound = e.docTypeVersion.present && e.docTypeReadVersion.present && e.docTypeVersion.value >= 1 &&
                               e.docTypeReadVersion.value >= 1 && e.docTypeReadVersion.value <= e.docTypeVersion.value;
    if (e.docTypeVersion.present) AppendUInt(d, kDocTypeVersion, versionsSound ? e.docTypeVersion.value : 4);
    if (e.docTypeReadVersion.present) AppendUInt(d, kDocTypeReadVersion, versionsSound ? e.docTypeReadVersion.value : 2);
    return d;
}

ByteList InfoData(const tinfo& i) {
    ByteList d;
    for (const Binding<tinfo>& b : InfoBindings()) {
        // Every file must name the programs that made it: the source's names, or ours when it has none.
        if ((b.id == kMuxingApp && !i.muxingApp.present) || (b.id == kWritingApp && !i.writingApp.present))
            AppendText(d, b.id, "Quillon");
        else
            AppendBound(d, i, b);
    }
    d.insert(d.end(), i.otherInfoChildren.begin(), i.otherInfoChildren.end());
    return d;
}

ByteList VideoData(const tTrackEntry& t) {
    ByteList d;
    AppendAllBound(d, t, VideoBindings());
    d.insert(d.end(), t.otherVideoChildren.begin(), t.otherVideoChildren.end());
    return d;
}

ByteList AudioData(const tTrackEntry& t) {
    ByteList d;
    AppendAllBound(d, t, AudioBindings());
    d.insert(d.end(), t.otherAudioChildren.begin(), t.otherAudioChildren.end());
    return d;
}

// Matroska forbids a TrackUID of 0; a track without one gets a random UID.
uint64_t NonZeroUID(const Present<uint64_t>& uid) {
    return uid.present && uid.value != 0 ? uid.value : NewUid();
}

ByteList EntryData(const tTrackEntry& t, uint8_t newNumber) {
    ByteList d;
    for (const Binding<tTrackEntry>& b : EntryBindings()) {
        switch (b.id) {
            case kTrackNumber:  // renumbered
                if (t.trackNumber.present) AppendByte(d, kTrackNumber, newNumber);
                break;
            case kTrackUID: AppendUInt(d, kTrackUID, NonZeroUID(t.trackUID)); break;
            case kLanguage:  // an added track's placeholder is no language
                if (t.language.present) AppendText(d, kLanguage, t.language.value == kPlaceholderLanguage ? "und" : t.language.value);
                break;
            default: AppendBound(d, t, b);
        }
    }
    // An empty Video would lack the pixel sizes every Video must have: a track without them gets none.
    if (t.trackType.value == 1) {
        const ByteList video = VideoData(t);
        if (!video.empty()) AppendBytes(d, kVideo, video.data(), video.size());
    }
    if (t.trackType.value == 2) {
        const ByteList audio = AudioData(t);
        AppendBytes(d, kAudio, audio.data(), audio.size());
    }
    if (t.contentEncodings.present)
        AppendBytes(d, kContentEncodings, t.contentEncodings.value.data(), t.contentEncodings.value.size());
    d.insert(d.end(), t.otherEntryChildren.begin(), t.otherEntryChildren.end());
    return d;
}

// An AttachedFile's children up to the FileData's header, and those after its data.
void FileParts(const tAttachedFile& f, ByteList& head, ByteList& tail) {
    // The bound fields before FileData go ahead of it, the others behind its data.
    bool beforeData = true;
    for (const Binding<tAttachedFile>& b : AttachedFileBindings()) {
        if (b.id == kFileUID) {
            if (f.fileData.present) AppendHeader(head, kFileData, f.fileData.value.length);
            beforeData = false;
        }
        AppendBound(beforeData ? head : tail, f, b);
    }
}

uint64_t FileDataLength(const tAttachedFile& f) { return f.fileData.present ? f.fileData.value.length : 0; }

bool CopyRange(const ByteRange& range, SourceFile& source, OutputFile& out) {
    static constexpr size_t kPiece = size_t{1} << 20;
    std::vector<uint8_t> piece;
    for (uint64_t done = 0; done < range.length;) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kPiece, range.length - done));
        if (!source.ReadAt(range.offset + done, count, piece) || !out.Write(piece.data(), count)) return false;
        done += count;
    }
    return true;
}

}  // namespace

ByteList makeEBMLbuff(const tebml& ebml) { return Wrap(kEBML, EbmlData(ebml)); }

ByteList makeINFObuff(const tinfo& info) { return Wrap(kInfo, InfoData(info)); }

ByteList makeTRACKSbuff(const std::vector<tTrackEntry>& tracks, const TrackMap& map) {
    ByteList data;
    for (size_t n = 1; n <= tracks.size() && n <= 255; ++n) {
        const tnewto* row = map.ByNewNumber(static_cast<uint8_t>(n));
        if (!row) continue;
        for (const tTrackEntry& t : tracks) {
            if (t.trackNumber.value != row->oldNumber) continue;
            const ByteList entry = EntryData(t, static_cast<uint8_t>(n));
            AppendBytes(data, kTrackEntry, entry.data(), entry.size());
            break;
        }
    }
    return Wrap(kTracks, data);
}

bool writeATTF(const std::vector<tAttachedFile>& files, SourceFile& source, OutputFile& out,
               const std::vector<std::string>& addedFiles) {
    uint64_t length = 0;
    for (const tAttachedFile& f : files) {
        ByteList head, tail;
        FileParts(f, head, tail);
        length += ElementLength(IdLength(kAttachedFile), head.size() + FileDataLength(f) + tail.size());
    }
    ByteList header;
    AppendHeader(header, kAttachments, length);
    if (!out.Write(header.data(), header.size())) return false;
    for (const tAttachedFile& f : files) {
        ByteList head, tail;
        FileParts(f, head, tail);
        header.clear();
        AppendHeader(header, kAttachedFile, head.size() + FileDataLength(f) + tail.size());
        if (!out.Write(header.data(), header.size()) || !out.Write(head.data(), head.size())) return false;
        if (f.fileData.present) {
            const ByteRange& range = f.fileData.value;
            if (range.source == 0) {
                if (!CopyRange(range, source, out)) return false;
            } else {
                // A file added from disk must still be the size it had when added.
                SourceFile added;
                if (range.source > addedFiles.size() || !added.Open(addedFiles[range.source - 1]) ||
                    added.Size() != range.offset + range.length || !CopyRange(range, added, out))
                    return false;
            }
        }
        if (!out.Write(tail.data(), tail.size())) return false;
    }
    return true;
}

ByteList makeCHAPbuff(const std::vector<uint8_t>& chapters) { return Wrap(kChapters, chapters); }

}  // namespace quillon
