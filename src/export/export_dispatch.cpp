#include "export/export_dispatch.h"

#include <algorithm>

#include "export/adts_writer.h"
#include "export/annexb_writer.h"
#include "export/ass_writer.h"
#include "export/audio_stream_writer.h"
#include "export/flac_writer.h"
#include "export/ivf_writer.h"
#include "export/ogg_writer.h"
#include "export/srt_writer.h"
#include "export/sup_writer.h"
#include "export/audio_decoder.h"
#include "export/track_queries.h"
#include "export/wav_export.h"
#include "reader/element_queries.h"

namespace quillon {
namespace {

struct TypeRow {
    ExportType type;
    const char* caption;
    const char* extension;
    ExportWriter write;
};

// In the order the save command checks the type buttons.
constexpr TypeRow kTypes[] = {
    {ExportType::Ac3, "ac3", ".ac3", SaveAudioStream},
    {ExportType::Aac, "aac", ".aac", SaveADTS},
    {ExportType::Ogg, "ogg", ".ogg", SaveOGG},
    {ExportType::Flac, "flac", ".flac", SaveFLAC},
    {ExportType::Mp3, "mp3", ".mp3", SaveAudioStream},
    {ExportType::WavMp3, "wav (mp3)", ".wav", Sound2MP3WAV},
    {ExportType::WavPcm, "wav (pcm)", ".wav", Sound2WAV},
    {ExportType::Srt, "srt", ".srt", SaveSRTX},
    {ExportType::Ass, "ass", ".ass", SaveASS},
    {ExportType::H264, "h264", ".h264", SaveH264},
    {ExportType::Hevc, "hevc", ".h265", SaveHevc},
    {ExportType::Ivf, "ivf", ".ivf", SaveIVF},
    {ExportType::Sup, "sup", ".sup", SaveSUP},
    {ExportType::Mka, "mka", ".mka", nullptr},
    {ExportType::Mks, "mks", ".mks", nullptr},
    {ExportType::None, "mkv", ".mkv", nullptr},
};

const TypeRow& RowOf(ExportType type) {
    for (const TypeRow& row : kTypes)
        if (row.type == type) return row;
    return kTypes[std::size(kTypes) - 1];
}

// Audio buttons by format tag, in their row order after "mka".
struct AudioOffer {
    uint16_t formatTag;
    std::vector<ExportType> types;
};

const std::vector<AudioOffer>& AudioOffers() {
    static const std::vector<AudioOffer> offers = {
        {0x00FF, {ExportType::Aac}},
        {0x2000, {ExportType::Ac3, ExportType::WavPcm}},
        {0x0055, {ExportType::Mp3, ExportType::WavMp3, ExportType::WavPcm}},
        {0x0001, {ExportType::WavPcm}},
        {0x566F, {ExportType::Ogg}},
        {0xF1AC, {ExportType::Flac}},
    };
    return offers;
}

// The natural form of each codec; a CodecID ending in "/" stands for every
// CodecID it begins (the AAC profiles).
struct CodecForm {
    std::string_view codecId;
    ExportType type;
};
constexpr CodecForm kCodecForms[] = {
    {"A_AC3", ExportType::Ac3},
    {"A_MPEG/L3", ExportType::Mp3},
    {"A_AAC", ExportType::Aac},
    {"A_AAC/", ExportType::Aac},
    {"A_FLAC", ExportType::Flac},
    {"A_VORBIS", ExportType::Ogg},
    {"S_TEXT/UTF8", ExportType::Srt},
    {"S_TEXT/ASS", ExportType::Ass},
    {"S_TEXT/SSA", ExportType::Ass},
    {"V_MPEG4/ISO/AVC", ExportType::H264},
    {"V_MPEGH/ISO/HEVC", ExportType::Hevc},
    {"V_VP8", ExportType::Ivf},
    {"V_VP9", ExportType::Ivf},
    {"V_AV1", ExportType::Ivf},
    {"S_HDMV/PGS", ExportType::Sup},
};

const std::vector<uint8_t>& CodecPrivateOf(const Document& doc, const std::string& number) {
    static const std::vector<uint8_t> none;
    const tTrackEntry* entry = ModelTrack(doc.mkv, number);
    return entry && entry->codecPrivate.present ? entry->codecPrivate.value : none;
}

}  // namespace

ExportType NaturalExportType(std::string_view codecId, std::span<const uint8_t> codecPrivate) {
    for (const CodecForm& form : kCodecForms) {
        const bool family = form.codecId.ends_with('/');
        if (family ? codecId.starts_with(form.codecId) : codecId == form.codecId) return form.type;
    }
    (void)codecPrivate;  // kept for VFW tracks, whose FourCC in it names the codec: no form for them yet
    return ExportType::None;
}

ExportPanel ChooseExportPanel(const TrackTable& tatra) {
    if (OneAudioTrackCheckedOnly(tatra)) return ExportPanel::Audio;
    if (OneSubsTrackCheckedOnly(tatra)) return ExportPanel::Subtitles;
    return ExportPanel::None;
}

const char* PanelExtension(ExportPanel panel) {
    return panel == ExportPanel::Audio ? ".mka" : panel == ExportPanel::Subtitles ? ".mks" : ".mkv";
}

bool OfferedTypes::Offers(ExportType type) const { return std::find(types.begin(), types.end(), type) != types.end(); }

OfferedTypes ActivateAudioTypes(const Document& doc) {
    OfferedTypes offered;
    const int index = GetActiveAudioTrackIndex(doc.tatra);
    if (index < 0) return offered;
    offered.types.push_back(ExportType::Mka);
    for (const AudioOffer& offer : AudioOffers())
        if (offer.formatTag == doc.tatra[index].formatTag)
            offered.types.insert(offered.types.end(), offer.types.begin(), offer.types.end());
    // Every codec a decoder of the build takes can become PCM too.
    if (!offered.Offers(ExportType::WavPcm) && doc.tatra[index].entryIndex < doc.lista.size()) {
        const std::string& number = doc.tatra[index].numberText;
        const tTrackEntry* entry = ModelTrack(doc.mkv, number);
        const std::vector<uint8_t> none;
        if (CanDecode(TrackCodecId(doc.lista, number),
                      entry && entry->codecPrivate.present ? entry->codecPrivate.value : none))
            offered.types.push_back(ExportType::WavPcm);
    }
    return offered;
}

OfferedTypes ActivateSubsTypes(const Document& doc) {
    OfferedTypes offered;
    const int index = GetActiveSubsTrackIndex(doc.tatra);
    if (index < 0) return offered;
    offered.types.push_back(ExportType::Mks);
    const uint32_t entry = doc.tatra[index].entryIndex;
    const std::string codec = entry < doc.lista.size() ? FindChildValue(doc.lista, kCodecID, static_cast<int>(entry)) : "";
    if (codec == "S_TEXT/UTF8") {
        offered.types.push_back(ExportType::Srt);
    } else if (codec == "S_TEXT/ASS" || codec == "S_TEXT/SSA") {
        offered.types.push_back(ExportType::Srt);
        offered.types.push_back(ExportType::Ass);
        offered.assCaption = codec == "S_TEXT/SSA" ? "ssa" : "ass";
    } else if (codec == "S_HDMV/PGS") {
        offered.types.push_back(ExportType::Sup);
    }
    return offered;
}

OfferedTypes ActivateVideoTypes(const Document& doc) {
    OfferedTypes offered;
    const int index = GetActiveVideoTrackIndex(doc.tatra);
    if (index < 0) return offered;
    const std::string& number = doc.tatra[index].numberText;
    const ExportType natural = NaturalExportType(TrackCodecId(doc.lista, number), CodecPrivateOf(doc, number));
    if (natural != ExportType::None) offered.types.push_back(natural);
    return offered;
}

std::string ExportCaption(ExportType type, std::string_view assCaption) {
    return type == ExportType::Ass ? std::string(assCaption) : RowOf(type).caption;
}

std::string ExportExtension(ExportType type, std::string_view assCaption) {
    return type == ExportType::Ass ? "." + std::string(assCaption) : RowOf(type).extension;
}

std::string ChangeOutExt(std::string_view name, std::string_view extension) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    std::string out(hasExtension ? name.substr(0, dot) : name);
    out += extension;
    return out;
}

ExportWriter FindExportWriter(ExportType type) { return RowOf(type).write; }

}  // namespace quillon
