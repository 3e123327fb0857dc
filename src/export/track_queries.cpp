#include "export/track_queries.h"

#include "export/format_tags.h"
#include "reader/element_queries.h"
#include "writer/put_primitives.h"

namespace quillon {
namespace {

bool Checked(const Track& t) { return t.selectMark == "y"; }

bool OneCheckedOnly(const TrackTable& tatra, std::string_view type) {
    int checked = 0;
    bool ofType = false;
    for (const Track& t : tatra) {
        if (!Checked(t)) continue;
        ++checked;
        ofType = t.typeText == type;
    }
    return checked == 1 && ofType;
}

int FirstChecked(const TrackTable& tatra, std::string_view type) {
    for (size_t i = 0; i < tatra.size(); ++i)
        if (Checked(tatra[i]) && tatra[i].typeText == type) return static_cast<int>(i);
    return -1;
}

std::string NumberOf(const TrackTable& tatra, int index) { return index < 0 ? std::string() : tatra[index].numberText; }

int TrackEntryRow(const tabrick& lista, std::string_view numberText) {
    for (int e = FindFirstByName(lista, "TrackEntry"); e >= 0; e = FindNextByName(lista, "TrackEntry", e))
        if (FindChildValue(lista, "TrackNumber", e) == numberText) return e;
    return -1;
}

uint32_t PositiveOr(const std::string& text, uint32_t fallback) {
    const uint32_t value = TextToUInt32(text);
    return value > 0 ? value : fallback;
}

}  // namespace

bool OneAudioTrackCheckedOnly(const TrackTable& tatra) { return OneCheckedOnly(tatra, "AUDIO"); }
bool OneSubsTrackCheckedOnly(const TrackTable& tatra) { return OneCheckedOnly(tatra, "SUBTITLES"); }
int GetActiveAudioTrackIndex(const TrackTable& tatra) { return FirstChecked(tatra, "AUDIO"); }
int GetActiveSubsTrackIndex(const TrackTable& tatra) { return FirstChecked(tatra, "SUBTITLES"); }
std::string GetActiveAudioTrackNumber(const TrackTable& tatra) { return NumberOf(tatra, GetActiveAudioTrackIndex(tatra)); }
std::string GetActiveSubsTrackNumber(const TrackTable& tatra) { return NumberOf(tatra, GetActiveSubsTrackIndex(tatra)); }

bool isVideoTrack(const TrackTable& tatra, std::string_view numberText) {
    for (const Track& t : tatra)
        if (t.numberText == numberText) return t.typeText == "VIDEO";
    return false;
}

uint16_t GetAudioCodecFormatTag(const Document& doc, std::string_view numberText) {
    for (const Track& t : doc.tatra) {
        if (t.numberText != numberText || t.typeText != "AUDIO" || t.entryIndex >= doc.lista.size()) continue;
        const int codec = FindChildElement(doc.lista, "CodecID", static_cast<int>(t.entryIndex));
        if (codec >= 0) return acFormatTag(doc.lista[codec].valueText);
    }
    return 0;
}

std::string TrackCodecId(const tabrick& lista, std::string_view numberText) {
    const int entry = TrackEntryRow(lista, numberText);
    return entry < 0 ? std::string() : FindChildValue(lista, "CodecID", entry);
}

const tTrackEntry* TrackEntryRecord(const TMKV& mkv, std::string_view numberText) {
    if (mkv.tracks.empty()) return nullptr;
    for (const tTrackEntry& t : mkv.tracks)
        if (t.trackNumber.present && std::to_string(t.trackNumber.value) == numberText) return &t;
    return &mkv.tracks.front();
}

AudioParams TrackAudioParams(const tabrick& lista, std::string_view numberText) {
    AudioParams params;
    for (int a = FindFirstByName(lista, "Audio"); a >= 0; a = FindNextByName(lista, "Audio", a)) {
        const int entry = lista[a].parent;
        if (entry < 0 || FindChildValue(lista, "TrackNumber", entry) != numberText) continue;
        params.samplingFrequency = PositiveOr(FindChildValue(lista, "SamplingFrequency", a), kDefaultSamplingFrequency);
        params.channels = PositiveOr(FindChildValue(lista, "Channels", a), kDefaultChannels);
        break;
    }
    return params;
}

FrameEncoding TrackFrameEncoding(const tabrick& lista, std::string_view numberText, std::vector<uint8_t>& prefix) {
    prefix.clear();
    const int entry = TrackEntryRow(lista, numberText);
    const int encodings = entry < 0 ? -1 : FindChildElement(lista, "ContentEncodings", entry);
    if (encodings < 0) return FrameEncoding::Plain;
    bool stripped = false;
    for (int e = FindChildElement(lista, "ContentEncoding", encodings); e >= 0;) {
        const std::string scopeText = FindChildValue(lista, "ContentEncodingScope", e);
        const uint64_t scope = scopeText.empty() ? 1 : TextToUInt64(scopeText);
        const bool encrypted = FindChildValue(lista, "ContentEncodingType", e) == "1" ||
                               FindChildElement(lista, "ContentEncryption", e) >= 0;
        const int compression = FindChildElement(lista, "ContentCompression", e);
        const std::string algo = compression < 0 ? std::string() : FindChildValue(lista, "ContentCompAlgo", compression);
        if (encrypted) {
            if (scope & 1) return FrameEncoding::Unsupported;
        } else if (algo == "3") {
            // Header stripping of the frames; of the CodecPrivate it means nothing.
            if (scope & 1) {
                const std::string hex = FindChildValue(lista, "ContentCompSettings", compression);
                if (stripped || hex.size() % 2 != 0) return FrameEncoding::Unsupported;
                for (size_t i = 0; i < hex.size(); i += 2) prefix.push_back(HexByte(hex.substr(i, 2)));
                stripped = true;
            }
        } else if (scope & 3) {
            return FrameEncoding::Unsupported;  // zlib (the default), bzlib or LZO on the frames or the CodecPrivate
        }
        // The next ContentEncoding among the siblings.
        int next = -1;
        for (int i = e + 1; i < static_cast<int>(lista.size()) && lista[i].depth >= lista[encodings].depth + 1; ++i)
            if (lista[i].parent == encodings && std::string_view(lista[i].name()) == "ContentEncoding") {
                next = i;
                break;
            }
        e = next;
    }
    return stripped && !prefix.empty() ? FrameEncoding::HeaderStripped : FrameEncoding::Plain;
}

int64_t FileTimecodeScale(const tabrick& lista) {
    const int row = FindFirstByName(lista, "TimecodeScale");
    if (row < 0 || !IsDigits(lista[row].valueText)) return 1000000;
    const int64_t scale = TextToInt64(lista[row].valueText);
    return scale > 0 ? scale : 1000000;
}

}  // namespace quillon
