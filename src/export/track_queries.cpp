#include "export/track_queries.h"

#include "core/format_tags.h"
#include "reader/element_queries.h"
#include "reader/track_table.h"
#include "core/value_text.h"

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

uint32_t PositiveOr(const std::string& text, uint32_t fallback) {
    const uint32_t value = TextToUInt32(text);
    return value > 0 ? value : fallback;
}

}  // namespace

bool OneAudioTrackCheckedOnly(const TrackTable& tatra) { return OneCheckedOnly(tatra, "AUDIO"); }
bool OneSubsTrackCheckedOnly(const TrackTable& tatra) { return OneCheckedOnly(tatra, "SUBTITLES"); }
bool OneVideoTrackCheckedOnly(const TrackTable& tatra) { return OneCheckedOnly(tatra, "VIDEO"); }
int GetActiveAudioTrackIndex(const TrackTable& tatra) { return FirstChecked(tatra, "AUDIO"); }
int GetActiveSubsTrackIndex(const TrackTable& tatra) { return FirstChecked(tatra, "SUBTITLES"); }
int GetActiveVideoTrackIndex(const TrackTable& tatra) { return FirstChecked(tatra, "VIDEO"); }
std::string GetActiveAudioTrackNumber(const TrackTable& tatra) { return NumberOf(tatra, GetActiveAudioTrackIndex(tatra)); }
std::string GetActiveSubsTrackNumber(const TrackTable& tatra) { return NumberOf(tatra, GetActiveSubsTrackIndex(tatra)); }
std::string GetActiveVideoTrackNumber(const TrackTable& tatra) { return NumberOf(tatra, GetActiveVideoTrackIndex(tatra)); }

bool isVideoTrack(const TrackTable& tatra, std::string_view numberText) {
    for (const Track& t : tatra)
        if (t.numberText == numberText) return t.typeText == "VIDEO";
    return false;
}

uint16_t GetAudioCodecFormatTag(const Document& doc, std::string_view numberText) {
    for (const Track& t : doc.tatra) {
        if (t.numberText != numberText || t.typeText != "AUDIO" || t.entryIndex >= doc.lista.size()) continue;
        const int codec = FindChildElement(doc.lista, kCodecID, static_cast<int>(t.entryIndex));
        if (codec >= 0) return acFormatTag(doc.lista[codec].Text());
    }
    return 0;
}

std::string TrackCodecId(const tabrick& lista, std::string_view numberText) {
    const int entry = TrackEntryRow(lista, numberText);
    return entry < 0 ? std::string() : FindChildValue(lista, kCodecID, entry);
}

const tTrackEntry* TrackEntryRecord(const TMKV& mkv, std::string_view numberText) {
    if (const tTrackEntry* t = ModelTrack(mkv, numberText)) return t;
    return mkv.tracks.empty() ? nullptr : &mkv.tracks.front();
}

AudioParams TrackAudioParams(const tabrick& lista, std::string_view numberText) {
    AudioParams params;
    const int entry = TrackEntryRow(lista, numberText);
    const int audio = entry < 0 ? -1 : FindChildElement(lista, kAudio, entry);
    if (audio < 0) return params;
    params.samplingFrequency = PositiveOr(FindChildValue(lista, kSamplingFrequency, audio), kDefaultSamplingFrequency);
    params.channels = PositiveOr(FindChildValue(lista, kChannels, audio), kDefaultChannels);
    params.bitDepth = PositiveOr(FindChildValue(lista, kBitDepth, audio), 0);
    return params;
}

FrameEncoding TrackFrameEncoding(const tabrick& lista, std::string_view numberText, std::vector<uint8_t>& prefix) {
    prefix.clear();
    const int entry = TrackEntryRow(lista, numberText);
    const int encodings = entry < 0 ? -1 : FindChildElement(lista, kContentEncodings, entry);
    if (encodings < 0) return FrameEncoding::Plain;
    bool stripped = false;
    for (int e = FindChildElement(lista, kContentEncoding, encodings); e >= 0;
         e = FindNextChild(lista, kContentEncoding, encodings, e)) {
        const std::string scopeText = FindChildValue(lista, kContentEncodingScope, e);
        const uint64_t scope = scopeText.empty() ? 1 : TextToUInt64(scopeText);
        const bool encrypted = FindChildValue(lista, kContentEncodingType, e) == "1" ||
                               FindChildElement(lista, kContentEncryption, e) >= 0;
        const int compression = FindChildElement(lista, kContentCompression, e);
        const std::string algo = compression < 0 ? std::string() : FindChildValue(lista, kContentCompAlgo, compression);
        if (encrypted) {
            if (scope & 1) return FrameEncoding::Unsupported;
        } else if (algo == "3") {
            // Header stripping of the frames; of the CodecPrivate it means nothing.
            if (scope & 1) {
                const std::string hex = FindChildValue(lista, kContentCompSettings, compression);
                if (stripped || hex.size() % 2 != 0) return FrameEncoding::Unsupported;
                for (size_t i = 0; i < hex.size(); i += 2) prefix.push_back(HexByte(hex.substr(i, 2)));
                stripped = true;
            }
        } else if (scope & 3) {
            return FrameEncoding::Unsupported;  // zlib (the default), bzlib or LZO on the frames or the CodecPrivate
        }
    }
    return stripped && !prefix.empty() ? FrameEncoding::HeaderStripped : FrameEncoding::Plain;
}


}  // namespace quillon
