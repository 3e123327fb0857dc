// The export types of the save panel: which ones a checked track offers,
// the output extension of each, and the writer the save command calls for
// each (the Matroska types go to the remux). A front shows the offered types
// as its type buttons and passes the chosen one in SaveRequest::exportType.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

// Which type panel the export check box shows for the checked tracks: audio
// types for one checked audio track only (extension ".mka"), subtitle types
// for one checked subtitle track only (".mks"), none otherwise (".mkv").
enum class ExportPanel { Audio, Subtitles, None };
ExportPanel ChooseExportPanel(const TrackTable& tatra);
const char* PanelExtension(ExportPanel panel);

// The type buttons to show, in their row order, the Matroska type first.
struct OfferedTypes {
    std::vector<ExportType> types;
    std::string assCaption = "ass";  // "ass" or "ssa": the caption and extension of ExportType::Ass
    bool Offers(ExportType type) const;
};
// By the format tag of the first checked audio track: "mka", then "aac"
// (AAC), "ac3" (AC-3), "mp3" (MP3), "ogg" (Vorbis), "flac" (FLAC), "wav (mp3)"
// (MP3), "wav (pcm)" (AC-3, MP3, PCM). Nothing without a checked audio track.
OfferedTypes ActivateAudioTypes(const Document& doc);
// By the CodecID of the first checked subtitle track: "mks", then "srt"
// (S_TEXT/UTF8, S_TEXT/ASS, S_TEXT/SSA) and "ass" / "ssa" (S_TEXT/ASS,
// S_TEXT/SSA). Nothing without a checked subtitle track.
OfferedTypes ActivateSubsTypes(const Document& doc);

// By the CodecID of the first checked video track: the plain stream form of
// its codec ("h264", "hevc" or "ivf"); nothing for another codec
// or without a checked video track.
OfferedTypes ActivateVideoTypes(const Document& doc);

// The form a track of this codec is exported to when nothing else is asked
// for: its own stream format (AC-3, MP3, AAC, FLAC, Vorbis in Ogg, SRT,
// ASS/SSA, the H.264, HEVC and IVF video streams); ExportType::None when it
// has none.
ExportType NaturalExportType(std::string_view codecId, std::span<const uint8_t> codecPrivate);

// The button caption of a type ("ac3", "wav (pcm)", "ass" or "ssa" ...).
std::string ExportCaption(ExportType type, std::string_view assCaption = "ass");
// ".ac3", ".wav", "." + the ASS caption ...; ".mkv" for ExportType::None.
std::string ExportExtension(ExportType type, std::string_view assCaption = "ass");

// The name without its extension (from the last "." of the file-name part
// on; nothing when that part has no dot), with `extension` appended.
std::string ChangeOutExt(std::string_view name, std::string_view extension);

// The writer of an export type; nullptr for the types the remux writes
// (None, Mka, Mks).
using ExportWriter = SaveOutcome (*)(Document& doc, Host& host, const ExportRequest& request);
ExportWriter FindExportWriter(ExportType type);

}  // namespace quillon
