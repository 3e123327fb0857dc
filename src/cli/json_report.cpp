#include "cli/json_report.h"

#include <cmath>
#include <cstdio>

#include "attach/attach_list.h"
#include "core/generated/element_ids.h"
#include "core/source_file.h"
#include "reader/element_queries.h"
#include "reader/model_builder.h"
#include "reader/track_table.h"

namespace quillon::cli {
namespace {

using Json = nlohmann::ordered_json;

const char* TypeName(uint8_t type) {
    switch (type) {
        case 1: return "video";
        case 2: return "audio";
        case 3: return "complex";
        case 0x10: return "logo";
        case 0x11: return "subtitles";
        case 0x12: return "buttons";
        case 0x20: return "control";
        case 0x21: return "metadata";
        default: return "unknown";
    }
}

template <typename T>
Json ValueOrNull(const Present<T>& value) {
    return value.present ? Json(value.value) : Json(nullptr);
}

// Whole numbers as integers (48000, not 48000.0), other values as they are.
Json Number(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 9e15) return Json(int64_t(value));
    return Json(value);
}

bool Flag(const Present<uint8_t>& flag, bool byDefault) { return flag.present ? flag.value != 0 : byDefault; }

Json Track(const tTrackEntry& t, const Document& doc) {
    Json j;
    j["number"] = ValueOrNull(t.trackNumber);
    j["uid"] = ValueOrNull(t.trackUID);
    j["type"] = t.trackType.present ? TypeName(t.trackType.value) : "unknown";
    j["codec_id"] = ValueOrNull(t.codecID);
    // Matroska's default language is English.
    j["language"] = t.language.present ? t.language.value : std::string("eng");
    if (t.trackNumber.present) {
        const int entry = TrackEntryRow(doc.lista, std::to_string(t.trackNumber.value));
        if (entry >= 0 && FindChildElement(doc.lista, kLanguageBCP47, entry) >= 0)
            j["language_bcp47"] = FindChildValue(doc.lista, kLanguageBCP47, entry);
    }
    j["name"] = ValueOrNull(t.name);
    j["default"] = Flag(t.flagDefault, true);
    j["forced"] = Flag(t.flagForced, false);
    j["enabled"] = Flag(t.flagEnabled, true);
    if (t.pixelWidth.present || t.pixelHeight.present) {
        j["pixel_width"] = ValueOrNull(t.pixelWidth);
        j["pixel_height"] = ValueOrNull(t.pixelHeight);
    }
    if (t.trackType.present && t.trackType.value == 2) {
        j["sampling_frequency"] = Number(t.samplingFrequency.present ? t.samplingFrequency.value : 8000.0);
        j["channels"] = t.channels.present ? t.channels.value : 1u;
    }
    return j;
}

}  // namespace

Json FileReport(Document& doc, Host& host) {
    SourceFile source;
    if (source.Open(doc.sourcePath)) lista2matros(doc, source, host);
    const TMKV& mkv = doc.mkv;

    Json report;
    report["file"] = doc.sourcePath;
    Json tracks = Json::array();
    for (const tTrackEntry& t : mkv.tracks) tracks.push_back(Track(t, doc));
    report["tracks"] = tracks;

    Json info;
    const uint64_t scale = TimecodeScaleOf(mkv);
    info["duration_ms"] = mkv.info.duration.present ? Number(std::round(double(mkv.info.duration.value) * double(scale) / 1e6 * 1000) / 1000)
                                                    : Json(nullptr);
    info["timecode_scale"] = scale;
    info["title"] = ValueOrNull(mkv.info.title);
    info["muxing_app"] = ValueOrNull(mkv.info.muxingApp);
    info["writing_app"] = ValueOrNull(mkv.info.writingApp);
    report["info"] = info;

    // The attachments as the attachments tab and command list them.
    lista2attach(doc);
    Json attachments = Json::array();
    for (const TAttach& a : doc.attachList) {
        Json j;
        j["name"] = a.fileName;
        j["mime_type"] = a.fileMimeType;
        j["size"] = a.fileData.length;
        j["uid"] = a.fileUID != 0 ? Json(a.fileUID) : Json(nullptr);
        j["description"] = a.fileDescription;
        attachments.push_back(j);
    }
    report["attachments"] = attachments;

    uint64_t chapters = 0;
    for (size_t r = 0; r < doc.lista.size(); ++r)
        if (doc.lista[r].id() == kChapterAtom) ++chapters;
    report["chapters"] = chapters;
    return report;
}

void PrintJson(const Json& report) {
    const std::string text = report.dump(2, ' ', false, Json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

}  // namespace quillon::cli
