#include "writer/model_builder.h"

#include <cstring>
#include <unordered_map>

#include "core/dictionary.h"
#include "reader/element_queries.h"
#include "writer/put_primitives.h"

namespace quillon {
namespace {

uint32_t RowId(const Tbrick& row) { return row.element == Tbrick::kPseudoClusters ? 0 : DictionaryId(row.element); }

// The direct children of a row, in order.
template <typename F>
void ForEachChild(const tabrick& list, int parent, F&& visit) {
    if (parent < 0 || !list[parent].hasChildren()) return;
    const int32_t depth = list[parent].depth;
    for (size_t i = static_cast<size_t>(parent) + 1; i < list.size() && list[i].depth > depth; ++i)
        if (list[i].parent == parent) visit(static_cast<int>(i));
}

float ReadFloat(SourceFile& source, const Tbrick& row) {
    std::vector<uint8_t> data;
    if (!ReadElementData(source, row, data)) return 0;
    if (data.size() == 4) {
        uint32_t bits = static_cast<uint32_t>(data[0]) << 24 | data[1] << 16 | data[2] << 8 | data[3];
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

void FillEbml(const tabrick& list, int row, tebml& e) {
    e = tebml{};
    ForEachChild(list, row, [&](int c) {
        const Tbrick& child = list[c];
        const uint8_t byte = TextToByte(child.valueText);
        switch (RowId(child)) {
            case 0x4286: e.ebmlVersion.Set(byte); break;
            case 0x42F7: e.ebmlReadVersion.Set(byte); break;
            case 0x42F2: e.ebmlMaxIDLength.Set(byte); break;
            case 0x42F3: e.ebmlMaxSizeLength.Set(byte); break;
            case 0x4282: e.docType.Set(child.valueText); break;
            case 0x4287: e.docTypeVersion.Set(byte); break;
            case 0x4285: e.docTypeReadVersion.Set(byte); break;
            default: break;
        }
    });
}

void FillInfo(const tabrick& list, int row, SourceFile& source, tinfo& info) {
    info = tinfo{};
    ForEachChild(list, row, [&](int c) {
        const Tbrick& child = list[c];
        switch (RowId(child)) {
            case 0x2AD7B1: info.timecodeScale.Set(IsDigits(child.valueText) ? TextToUInt32(child.valueText) : 0); break;
            case 0x4D80: info.muxingApp.Set(child.valueText); break;
            case 0x5741: info.writingApp.Set(child.valueText); break;
            case 0x4489: info.duration.Set(ReadFloat(source, child)); break;
            case 0x4461: {
                std::vector<uint8_t> data;
                ReadElementData(source, child, data);
                int64_t value = 0;
                for (uint8_t b : data) value = static_cast<int64_t>(static_cast<uint64_t>(value) << 8 | b);
                info.dateUTC.Set(value);
                break;
            }
            case 0x7BA9: info.title.Set(child.valueText); break;
            case 0x73A4: info.segmentUID.Set(fillSegmentUID(child.valueText)); break;
            default: break;
        }
    });
}

void AppendRaw(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes;
    if (ReadElementBytes(source, row, bytes)) out.insert(out.end(), bytes.begin(), bytes.end());
}

bool IsPadding(uint32_t id) { return id == 0xEC || id == 0xBF; }  // Void, CRC-32

void FillVideo(const tabrick& list, int video, SourceFile& source, tTrackEntry& t) {
    ForEachChild(list, video, [&](int c) {
        const Tbrick& child = list[c];
        const uint32_t id = RowId(child);
        switch (id) {
            case 0xB0: t.pixelWidth.Set(TextToUInt32(child.valueText)); break;
            case 0xBA: t.pixelHeight.Set(TextToUInt32(child.valueText)); break;
            case 0x9A: t.flagInterlaced.Set(TextToByte(child.valueText)); break;
            case 0x54B0: t.displayWidth.Set(TextToUInt32(child.valueText)); break;
            case 0x54BA: t.displayHeight.Set(TextToUInt32(child.valueText)); break;
            default:
                if (!IsPadding(id)) AppendRaw(source, child, t.otherVideoChildren);
        }
    });
}

void FillAudio(const tabrick& list, int audio, SourceFile& source, tTrackEntry& t) {
    ForEachChild(list, audio, [&](int c) {
        const Tbrick& child = list[c];
        const uint32_t id = RowId(child);
        switch (id) {
            case 0xB5: t.samplingFrequency.Set(ReadFloat(source, child)); break;
            case 0x9F: t.channels.Set(TextToUInt32(child.valueText)); break;
            default:
                if (!IsPadding(id)) AppendRaw(source, child, t.otherAudioChildren);
        }
    });
}

tTrackEntry TrackFromEntry(const tabrick& list, int entry, SourceFile& source) {
    tTrackEntry t;
    ForEachChild(list, entry, [&](int c) {
        const Tbrick& child = list[c];
        const uint32_t id = RowId(child);
        const uint8_t byte = TextToByte(child.valueText);
        std::vector<uint8_t> data;
        switch (id) {
            case 0xD7: t.trackNumber.Set(TextToUInt64(child.valueText)); break;
            case 0x73C5: t.trackUID.Set(TextToUInt64(child.valueText)); break;
            case 0x83:
                ReadElementData(source, child, data);
                t.trackType.Set(data.empty() ? 0 : data[0]);
                break;
            case 0xB9: t.flagEnabled.Set(byte); break;
            case 0x88: t.flagDefault.Set(byte); break;
            case 0x55AA: t.flagForced.Set(byte); break;
            case 0x9C: t.flagLacing.Set(byte); break;
            case 0x6DE7: t.minCache.Set(TextToUInt32(child.valueText)); break;
            case 0x23314F: t.trackTimecodeScale.Set(ReadFloat(source, child)); break;
            case 0x55EE: t.maxBlockAdditionID.Set(TextToUInt32(child.valueText)); break;
            case 0x86: t.codecID.Set(child.valueText); break;
            case 0xAA: t.codecDecodeAll.Set(byte); break;
            case 0x63A2:
                ReadElementData(source, child, data);
                t.codecPrivate.Set(std::move(data));
                break;
            case 0x23E383: t.defaultDuration.Set(TextToUInt64(child.valueText)); break;
            case 0x22B59C: t.language.Set(child.valueText); break;
            case 0x536E: t.name.Set(child.valueText); break;
            case 0xE0: FillVideo(list, c, source, t); break;
            case 0xE1: FillAudio(list, c, source, t); break;
            case 0x6D80:
                ReadElementData(source, child, data);
                t.contentEncodings.Set(std::move(data));
                break;
            default:
                if (!IsPadding(id)) AppendRaw(source, child, t.otherEntryChildren);
        }
    });
    return t;
}

void FillAttachments(const tabrick& list, SourceFile& source, std::vector<tAttachedFile>& files) {
    files.clear();
    const int attachments = FindFirstByName(list, "Attachments");
    ForEachChild(list, attachments, [&](int file) {
        if (RowId(list[file]) != 0x61A7) return;
        tAttachedFile a;
        ForEachChild(list, file, [&](int c) {
            const Tbrick& child = list[c];
            std::vector<uint8_t> data;
            switch (RowId(child)) {
                case 0x466E: a.fileName.Set(child.valueText); break;
                case 0x4660: a.fileMimeType.Set(child.valueText); break;
                case 0x467E: a.fileDescription.Set(child.valueText); break;
                case 0x465C:
                    ReadElementData(source, child, data);
                    a.fileData.Set(std::move(data));
                    break;
                case 0x46AE: a.fileUID.Set(TextToUInt64(child.valueText)); break;
                default: break;
            }
        });
        files.push_back(std::move(a));
    });
}

void FillBlocks(const tabrick& list, SourceFile& source, TMKV& mkv) {
    mkv.blocks.clear();
    mkv.oldClusters.clear();
    std::unordered_map<uint64_t, int64_t> lastTimeOfTrack;
    int64_t clusterTime = 0;
    for (int c = FindFirstByName(list, "Cluster"); c >= 0; c = FindNextByName(list, "Cluster", c)) {
        const int timeRow = FindChildElement(list, "TimeCode", c);
        // A Cluster without its TimeCode keeps the time of the one before.
        const int64_t timecode = timeRow >= 0 ? TextToInt64(list[timeRow].valueText) : clusterTime;
        mkv.oldClusters.push_back(OldCluster{static_cast<uint32_t>(mkv.oldClusters.size()), timecode});
        clusterTime = timecode;

        ForEachChild(list, c, [&](int r) {
            const Tbrick& row = list[r];
            const uint32_t id = RowId(row);
            if (id == 0xE7) {
                clusterTime = TextToInt64(row.valueText);
                return;
            }
            if (id != 0xA0 && id != 0xA3) return;
            const int blockRow = id == 0xA3 ? r : FindNextChild(list, "Block", r, r);
            if (blockRow < 0) return;
            const Tbrick& b = list[blockRow];
            xBlock x;
            x.kind = id == 0xA3 ? 's' : 'b';
            x.trackNumber = b.block.trackNumber;
            x.trackLen = b.block.trackLen;
            x.relTime = b.block.timecode;
            x.position = b.position;
            x.totalSize = b.totalSize;
            x.sizeLen = b.sizeLen;
            x.dataSize = b.dataSize;
            x.clusterTime = clusterTime;
            x.absTime = clusterTime + x.relTime;
            x.elementIndex = static_cast<uint32_t>(r);
            if (id == 0xA0) {
                const int reference = FindReferenceBlock(list, r);
                x.reference = reference >= 0 ? static_cast<int32_t>(TextToInt64(list[reference].valueText)) : 0;
                x.keyFrame = reference >= 0 ? 0 : 1;
                const int duration = FindBlockDuration(list, r);
                x.duration = duration >= 0 ? static_cast<int32_t>(TextToInt64(list[duration].valueText)) : 0;
                ForEachChild(list, r, [&](int g) {
                    const uint32_t gid = RowId(list[g]);
                    if (g == blockRow || g == reference || g == duration || IsPadding(gid)) return;
                    AppendRaw(source, list[g], x.groupExtras);
                    if (gid != 0xFB) x.needsGroup = true;
                });
            } else {
                x.keyFrame = b.block.keyFrame();
                if (!x.keyFrame) {
                    const auto previous = lastTimeOfTrack.find(x.trackNumber);
                    if (previous != lastTimeOfTrack.end()) x.reference = static_cast<int32_t>(previous->second - x.absTime);
                }
            }
            lastTimeOfTrack[x.trackNumber] = x.absTime;
            mkv.blocks.push_back(std::move(x));
        });
    }
}

}  // namespace

bool ReadElementData(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out) {
    return source.ReadAt(row.position + (row.totalSize - row.dataSize), static_cast<size_t>(row.dataSize), out);
}

bool ReadElementBytes(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out) {
    return source.ReadAt(row.position, static_cast<size_t>(row.totalSize), out);
}

std::array<uint8_t, 16> fillSegmentUID(const std::string& hex) {
    std::array<uint8_t, 16> uid{};
    std::string padded = hex;
    if (padded.size() < 32) padded.insert(0, 32 - padded.size(), '0');
    for (size_t k = 0; k < 16; ++k) uid[k] = HexByte(padded.substr(2 * k, 2));
    return uid;
}

int FindNextChild(const tabrick& list, const char* name, int start, int parent) {
    for (size_t i = static_cast<size_t>(start) + 1; i < list.size(); ++i) {
        if (parent >= 0 && list[i].depth <= list[parent].depth) break;  // left the parent's subtree
        if (list[i].parent == parent && std::strcmp(list[i].name(), name) == 0) return static_cast<int>(i);
    }
    return -1;
}

int FindBlockDuration(const tabrick& list, int groupRow) {
    if (groupRow < 0 || static_cast<size_t>(groupRow) >= list.size()) return -1;
    const Tbrick& group = list[groupRow];
    if (RowId(group) != 0xA0 || !group.hasChildren()) return -1;
    for (size_t i = static_cast<size_t>(group.firstChild); i < list.size() && list[i].depth > group.depth; ++i)
        if (list[i].parent == groupRow && RowId(list[i]) == 0x9B) return static_cast<int>(i);
    return -1;
}

int64_t findPrevTime(const std::vector<xBlock>& blocks, uint64_t trackNumber, int64_t start) {
    if (start < 0) return -1;
    for (int64_t i = std::min<int64_t>(start, static_cast<int64_t>(blocks.size()) - 1); i >= 0; --i)
        if (blocks[static_cast<size_t>(i)].trackNumber == trackNumber) return blocks[static_cast<size_t>(i)].absTime;
    return -1;
}

void lista2matros(Document& doc, SourceFile& source) {
    const tabrick& list = doc.lista;
    TMKV& mkv = doc.mkv;
    const int ebml = FindFirstByName(list, "EBML");
    if (ebml < 0) return;
    FillEbml(list, ebml, mkv.ebml);
    const int info = FindFirstByName(list, "Info");
    if (info < 0) return;
    FillInfo(list, info, source, mkv.info);

    mkv.tracks.clear();
    for (const Track& track : doc.tatra) {
        if (track.entryIndex == Track::kNotInSource || track.entryIndex >= list.size()) continue;
        mkv.tracks.push_back(TrackFromEntry(list, static_cast<int>(track.entryIndex), source));
    }
    FillAttachments(list, source, mkv.attachedFiles);
    mkv.chapters.clear();
    const int chapters = FindFirstByName(list, "Chapters");
    if (chapters >= 0) ReadElementData(source, list[chapters], mkv.chapters);
    FillBlocks(list, source, mkv);
}

bool lista2matros(Document& doc, Host& host) {
    SourceFile source;
    if (!source.Open(doc.sourcePath)) {
        host.SetStatus("Can't open file, access denied.");
        return false;
    }
    lista2matros(doc, source);
    return true;
}

}  // namespace quillon
