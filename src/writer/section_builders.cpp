#include "writer/section_builders.h"

#include <cstring>
#include <random>

namespace quillon {
namespace {

void AppendText(ByteList& out, uint32_t id, const std::string& text) {
    AppendBytes(out, id, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void AppendByte(ByteList& out, uint32_t id, uint8_t value) { AppendBytes(out, id, &value, 1); }

void AppendFloat32(ByteList& out, uint32_t id, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint8_t bytes[4] = {uint8_t(bits >> 24), uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
    AppendBytes(out, id, bytes, 4);
}

ByteList Wrap(uint32_t id, const ByteList& data) {
    ByteList out;
    out.reserve(ElementLength(IdLength(id), data.size()));
    AppendHeader(out, id, data.size());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

ByteList EbmlData(const tebml& e) {
    ByteList d;
    if (e.ebmlVersion.present) AppendUInt(d, 0x4286, e.ebmlVersion.value);
    if (e.ebmlReadVersion.present) AppendUInt(d, 0x42F7, e.ebmlReadVersion.value);
    if (e.ebmlMaxIDLength.present) AppendUInt(d, 0x42F2, e.ebmlMaxIDLength.value);
    if (e.ebmlMaxSizeLength.present) AppendUInt(d, 0x42F3, e.ebmlMaxSizeLength.value);
    if (e.docType.present) AppendText(d, 0x4282, e.docType.value);
    if (e.docTypeVersion.present) AppendUInt(d, 0x4287, e.docTypeVersion.value);
    if (e.docTypeReadVersion.present) AppendUInt(d, 0x4285, e.docTypeReadVersion.value);
    return d;
}

ByteList InfoData(const tinfo& i) {
    ByteList d;
    if (i.timecodeScale.present) AppendUInt(d, 0x2AD7B1, i.timecodeScale.value);
    if (i.muxingApp.present) AppendText(d, 0x4D80, i.muxingApp.value);
    if (i.writingApp.present) AppendText(d, 0x5741, i.writingApp.value);
    if (i.duration.present) AppendFloat32(d, 0x4489, i.duration.value);
    if (i.dateUTC.present) {
        uint8_t bytes[8];
        for (int k = 0; k < 8; ++k) bytes[k] = static_cast<uint8_t>(static_cast<uint64_t>(i.dateUTC.value) >> (56 - 8 * k));
        AppendBytes(d, 0x4461, bytes, 8);
    }
    if (i.title.present) AppendText(d, 0x7BA9, i.title.value);
    if (i.segmentUID.present) AppendBytes(d, 0x73A4, i.segmentUID.value.data(), 16);
    return d;
}

ByteList VideoData(const tTrackEntry& t) {
    ByteList d;
    if (t.pixelWidth.present) AppendUInt(d, 0xB0, t.pixelWidth.value);
    if (t.pixelHeight.present) AppendUInt(d, 0xBA, t.pixelHeight.value);
    if (t.flagInterlaced.present) AppendByte(d, 0x9A, t.flagInterlaced.value);
    if (t.displayWidth.present) AppendUInt(d, 0x54B0, t.displayWidth.value);
    if (t.displayHeight.present) AppendUInt(d, 0x54BA, t.displayHeight.value);
    d.insert(d.end(), t.otherVideoChildren.begin(), t.otherVideoChildren.end());
    return d;
}

ByteList AudioData(const tTrackEntry& t) {
    ByteList d;
    if (t.samplingFrequency.present) AppendFloat32(d, 0xB5, t.samplingFrequency.value);
    if (t.channels.present) AppendUInt(d, 0x9F, t.channels.value);
    d.insert(d.end(), t.otherAudioChildren.begin(), t.otherAudioChildren.end());
    return d;
}

// Matroska forbids a TrackUID of 0; a track without one gets a random UID.
uint64_t NonZeroUID(const Present<uint64_t>& uid) {
    if (uid.present && uid.value != 0) return uid.value;
    static std::mt19937_64 random{std::random_device{}()};
    uint64_t value = 0;
    while (value == 0) value = random();
    return value;
}

ByteList EntryData(const tTrackEntry& t, uint8_t newNumber) {
    ByteList d;
    if (t.trackNumber.present) AppendByte(d, 0xD7, newNumber);
    AppendUInt(d, 0x73C5, NonZeroUID(t.trackUID));
    if (t.trackType.present) AppendByte(d, 0x83, t.trackType.value);
    if (t.flagEnabled.present) AppendByte(d, 0xB9, t.flagEnabled.value);
    if (t.flagDefault.present) AppendByte(d, 0x88, t.flagDefault.value);
    if (t.flagForced.present) AppendByte(d, 0x55AA, t.flagForced.value);
    if (t.flagLacing.present) AppendByte(d, 0x9C, t.flagLacing.value);
    if (t.minCache.present) AppendUInt(d, 0x6DE7, t.minCache.value);
    if (t.trackTimecodeScale.present) AppendFloat32(d, 0x23314F, t.trackTimecodeScale.value);
    if (t.maxBlockAdditionID.present) AppendUInt(d, 0x55EE, t.maxBlockAdditionID.value);
    if (t.codecID.present) AppendText(d, 0x86, t.codecID.value);
    if (t.codecDecodeAll.present) AppendByte(d, 0xAA, t.codecDecodeAll.value);
    if (t.codecPrivate.present) AppendBytes(d, 0x63A2, t.codecPrivate.value.data(), t.codecPrivate.value.size());
    if (t.defaultDuration.present) AppendUInt(d, 0x23E383, t.defaultDuration.value);
    if (t.language.present) AppendText(d, 0x22B59C, t.language.value);
    if (t.name.present) AppendText(d, 0x536E, t.name.value);
    if (t.trackType.value == 1) {
        const ByteList video = VideoData(t);
        AppendBytes(d, 0xE0, video.data(), video.size());
    }
    if (t.trackType.value == 2) {
        const ByteList audio = AudioData(t);
        AppendBytes(d, 0xE1, audio.data(), audio.size());
    }
    if (t.contentEncodings.present)
        AppendBytes(d, 0x6D80, t.contentEncodings.value.data(), t.contentEncodings.value.size());
    d.insert(d.end(), t.otherEntryChildren.begin(), t.otherEntryChildren.end());
    return d;
}

ByteList FileData(const tAttachedFile& f) {
    ByteList d;
    if (f.fileName.present) AppendText(d, 0x466E, f.fileName.value);
    if (f.fileMimeType.present) AppendText(d, 0x4660, f.fileMimeType.value);
    if (f.fileData.present) AppendBytes(d, 0x465C, f.fileData.value.data(), f.fileData.value.size());
    if (f.fileUID.present) AppendUInt(d, 0x46AE, f.fileUID.value);
    if (f.fileDescription.present) AppendText(d, 0x467E, f.fileDescription.value);
    return d;
}

}  // namespace

uint64_t calcEBMLlen(const tebml& ebml) { return EbmlData(ebml).size(); }
ByteList makeEBMLbuff(const tebml& ebml) { return Wrap(0x1A45DFA3, EbmlData(ebml)); }

uint64_t calcINFOlen(const tinfo& info) { return InfoData(info).size(); }
ByteList makeINFObuff(const tinfo& info) { return Wrap(0x1549A966, InfoData(info)); }

uint64_t calcVIlen(const tTrackEntry& track) { return VideoData(track).size(); }
uint64_t calcAUlen(const tTrackEntry& track) { return AudioData(track).size(); }
uint64_t calcTElen(const tTrackEntry& track) { return EntryData(track, 1).size(); }

ByteList makeTRACKSbuff(const std::vector<tTrackEntry>& tracks, const TrackMap& map) {
    ByteList data;
    for (size_t n = 1; n <= tracks.size() && n <= 255; ++n) {
        const tnewto* row = map.ByNewNumber(static_cast<uint8_t>(n));
        if (!row) continue;
        for (const tTrackEntry& t : tracks) {
            if (t.trackNumber.value != row->oldNumber) continue;
            const ByteList entry = EntryData(t, static_cast<uint8_t>(n));
            AppendBytes(data, 0xAE, entry.data(), entry.size());
            break;
        }
    }
    return Wrap(0x1654AE6B, data);
}

uint64_t calcAFlen(const tAttachedFile& file) { return FileData(file).size(); }

ByteList makeATTFbuff(const std::vector<tAttachedFile>& files) {
    ByteList data;
    for (const auto& f : files) {
        const ByteList file = FileData(f);
        AppendBytes(data, 0x61A7, file.data(), file.size());
    }
    return Wrap(0x1941A469, data);
}

ByteList makeCHAPbuff(const std::vector<uint8_t>& chapters) { return Wrap(0x1043A770, chapters); }

}  // namespace quillon
