#include "reader/model_builder.h"

#include <cstring>

#include "core/generated/element_ids.h"
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

float ReadFloat(SourceFile& source, const Tbrick& row) {
    std::vector<uint8_t> data;
    if (!ReadElementData(source, row, data)) return 0;
    if (data.size() == 4) {
        const uint32_t bits = static_cast<uint32_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    if (data.size() == 8) {
        uint64_t bits = 0;
        for (uint8_t b : data) bits = bits << 8 | b;
        double d;
        std::memcpy(&d, &bits, 8);
        return static_cast<float>(d);
    }
    return 0;
}

// The data of a binary value, when it is small enough to hold.
bool ReadHeld(SourceFile& source, const Tbrick& row, Host& host, std::vector<uint8_t>& out) {
    if (row.dataSize > kMaxHeldValue) {
        host.AddLog("• слишком большое значение оставлено без копирования: ", row.name());
        return false;
    }
    return ReadElementData(source, row, out);
}

void FillEbml(const tabrick& list, int row, tebml& e) {
    e = tebml{};
    ForEachChild(list, row, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        const uint8_t byte = TextToByte(child.valueText);
        switch (child.id()) {
            case kEBMLVersion: e.ebmlVersion.Set(byte); break;
            case kEBMLReadVersion: e.ebmlReadVersion.Set(byte); break;
            case kEBMLMaxIDLength: e.ebmlMaxIDLength.Set(byte); break;
            case kEBMLMaxSizeLength: e.ebmlMaxSizeLength.Set(byte); break;
            case kDocType: e.docType.Set(child.valueText); break;
            case kDocTypeVersion: e.docTypeVersion.Set(byte); break;
            case kDocTypeReadVersion: e.docTypeReadVersion.Set(byte); break;
            default: break;
        }
    });
    // A reader needs to know what it reads: what the source left out takes EBML's and Matroska's defaults.
    if (!e.ebmlVersion.present) e.ebmlVersion.Set(1);
    if (!e.ebmlReadVersion.present) e.ebmlReadVersion.Set(1);
    if (!e.ebmlMaxIDLength.present) e.ebmlMaxIDLength.Set(4);
    if (!e.ebmlMaxSizeLength.present) e.ebmlMaxSizeLength.Set(8);
    if (!e.docType.present || e.docType.value.empty()) e.docType.Set("matroska");
    if (!e.docTypeVersion.present) e.docTypeVersion.Set(4);
    if (!e.docTypeReadVersion.present) e.docTypeReadVersion.Set(2);
}

void FillInfo(const tabrick& list, int row, SourceFile& source, tinfo& info) {
    info = tinfo{};
    ForEachChild(list, row, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        switch (child.id()) {
            case kTimecodeScale:
                if (const uint32_t scale = TextToUInt32(child.valueText); scale > 0) info.timecodeScale.Set(scale);
                break;
            case kMuxingApp: info.muxingApp.Set(child.valueText); break;
            case kWritingApp: info.writingApp.Set(child.valueText); break;
            case kDuration: info.duration.Set(ReadFloat(source, child)); break;
            case kDateUTC: {
                std::vector<uint8_t> data;
                ReadElementData(source, child, data);
                int64_t value = 0;
                for (uint8_t b : data) value = static_cast<int64_t>(static_cast<uint64_t>(value) << 8 | b);
                info.dateUTC.Set(value);
                break;
            }
            case kTitle: info.title.Set(child.valueText); break;
            case kSegmentUID:
                if (child.dataSize == 16) info.segmentUID.Set(fillSegmentUID(child.valueText));
                break;
            default: break;
        }
    });
}

void FillVideo(const tabrick& list, int video, SourceFile& source, tTrackEntry& t) {
    ForEachChild(list, video, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        switch (child.id()) {
            case kPixelWidth: t.pixelWidth.Set(TextToUInt32(child.valueText)); break;
            case kPixelHeight: t.pixelHeight.Set(TextToUInt32(child.valueText)); break;
            case kFlagInterlaced: t.flagInterlaced.Set(TextToByte(child.valueText)); break;
            case kDisplayWidth: t.displayWidth.Set(TextToUInt32(child.valueText)); break;
            case kDisplayHeight: t.displayHeight.Set(TextToUInt32(child.valueText)); break;
            default: AppendSubtree(list, c, source, t.otherVideoChildren);
        }
    });
}

void FillAudio(const tabrick& list, int audio, SourceFile& source, tTrackEntry& t) {
    ForEachChild(list, audio, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        switch (child.id()) {
            case kSamplingFrequency: t.samplingFrequency.Set(ReadFloat(source, child)); break;
            case kChannels: t.channels.Set(TextToUInt32(child.valueText)); break;
            default: AppendSubtree(list, c, source, t.otherAudioChildren);
        }
    });
}

void FillAttachments(const tabrick& list, int attachments, std::vector<tAttachedFile>& files) {
    files.clear();
    ForEachChild(list, attachments, [&](int file) {
        if (list[file].id() != kAttachedFile) return;
        tAttachedFile a;
        ForEachChild(list, file, [&](int c) {
            const Tbrick& child = list[c];
            if (!Usable(child)) return;
            switch (child.id()) {
                case kFileName: a.fileName.Set(child.valueText); break;
                case kFileMimeType: a.fileMimeType.Set(child.valueText); break;
                case kFileDescription: a.fileDescription.Set(child.valueText); break;
                case kFileData: a.fileData.Set(ByteRange{0, child.dataStart(), child.dataSize}); break;
                case kFileUID: a.fileUID.Set(TextToUInt64(child.valueText)); break;
                default: break;
            }
        });
        files.push_back(std::move(a));
    });
}

}  // namespace

tTrackEntry TrackFromEntry(const tabrick& list, int entry, SourceFile& source, Host& host) {
    tTrackEntry t;
    ForEachChild(list, entry, [&](int c) {
        const Tbrick& child = list[c];
        if (!Usable(child)) return;
        const uint8_t byte = TextToByte(child.valueText);
        std::vector<uint8_t> data;
        switch (child.id()) {
            case kTrackNumber: t.trackNumber.Set(TextToUInt64(child.valueText)); break;
            case kTrackUID: t.trackUID.Set(TextToUInt64(child.valueText)); break;
            case kTrackType: t.trackType.Set(static_cast<uint8_t>(HexByte(child.valueText.substr(0, 2)))); break;
            case kFlagEnabled: t.flagEnabled.Set(byte); break;
            case kFlagDefault: t.flagDefault.Set(byte); break;
            case kFlagForced: t.flagForced.Set(byte); break;
            case kFlagLacing: t.flagLacing.Set(byte); break;
            case kMinCache: t.minCache.Set(TextToUInt32(child.valueText)); break;
            case kTrackTimecodeScale: t.trackTimecodeScale.Set(ReadFloat(source, child)); break;
            case kMaxBlockAdditionID: t.maxBlockAdditionID.Set(TextToUInt32(child.valueText)); break;
            case kCodecID: t.codecID.Set(child.valueText); break;
            case kCodecDecodeAll: t.codecDecodeAll.Set(byte); break;
            case kCodecPrivate:
                if (ReadHeld(source, child, host, data)) t.codecPrivate.Set(std::move(data));
                break;
            case kDefaultDuration: t.defaultDuration.Set(TextToUInt64(child.valueText)); break;
            case kLanguage: t.language.Set(child.valueText); break;
            case kName: t.name.Set(child.valueText); break;
            case kVideo: FillVideo(list, c, source, t); break;
            case kAudio: FillAudio(list, c, source, t); break;
            case kContentEncodings:
                AppendChildren(list, c, source, data);
                t.contentEncodings.Set(std::move(data));
                break;
            default: AppendSubtree(list, c, source, t.otherEntryChildren);
        }
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
    FillEbml(list, ebml, mkv.ebml);
    const int segment = FindFirstById(list, kSegment);
    // A file without Info still has its tracks and blocks: Info takes Matroska's defaults.
    FillInfo(list, FindChildElement(list, kInfo, segment), source, mkv.info);
    if (!mkv.info.timecodeScale.present) mkv.info.timecodeScale.Set(kDefaultTimecodeScale);

    mkv.tracks.clear();
    for (const Track& track : doc.tatra) {
        if (track.entryIndex == Track::kNotInSource || track.entryIndex >= list.size()) continue;
        mkv.tracks.push_back(TrackFromEntry(list, static_cast<int>(track.entryIndex), source, host));
    }
    FillAttachments(list, FindChildElement(list, kAttachments, segment), mkv.attachedFiles);
    mkv.chapters.clear();
    AppendChildren(list, FindChildElement(list, kChapters, segment), source, mkv.chapters);
}

}  // namespace quillon
