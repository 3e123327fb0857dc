#include "edit/subtitle_addition.h"

#include <algorithm>

#include "core/source_file.h"
#include "edit/subtitle_parse.h"
#include "edit/track_adding.h"

namespace quillon {
namespace {

constexpr uint64_t kMinSubtitleFile = 32;
// No subtitle file comes near this; a larger one is not read into memory.
constexpr uint64_t kMaxSubtitleFile = uint64_t{256} << 20;

bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes, Host& host) {
    SourceFile file;
    if (!file.Open(path) || file.Size() > kMaxSubtitleFile ||
        !file.ReadAt(0, static_cast<size_t>(file.Size()), bytes)) {
        TellAddFailure(host, "не удалось открыть субтитры.");
        return false;
    }
    if (bytes.size() < kMinSubtitleFile) {
        host.Inform("слишком маленький файл, чтобы быть субтитрами...");
        return false;
    }
    return true;
}

// The track of the parsed events: one Block each, its text after the flags byte.
bool AddScript(Document& doc, const std::string& path, const SubtitleScript& script, const std::string& codecID,
               Host& host) {
    if (!script.error.empty()) {
        TellAddFailure(host, script.error);
        return false;
    }
    if (!RoomForTracks(doc, 1, host)) return false;
    const uint64_t scale = TimecodeScaleOf(doc.mkv);
    const std::string name = FileNameOf(path);
    tTrackEntry track = NewBuiltEntry(doc.mkv, 17, codecID, false, name);
    if (!script.codecPrivate.empty()) track.codecPrivate.Set(script.codecPrivate);

    AddedSource source;
    source.builtTrack = track.trackNumber.value;
    std::vector<int64_t> times;
    times.reserve(script.events.size());
    for (const Tsrt& e : script.events) {
        BuiltBlock b;
        b.headAt = static_cast<uint32_t>(source.bytes.size());
        b.headLength = static_cast<uint32_t>(e.text.size());
        b.duration = static_cast<int64_t>(static_cast<__int128>(std::max<int64_t>(e.duration, 0)) * 1000000 / scale);
        source.bytes.insert(source.bytes.end(), e.text.begin(), e.text.end());
        source.built.push_back(b);
        times.push_back(static_cast<int64_t>(static_cast<__int128>(e.start) * 1000000 / scale));
    }
    // Every event is a whole picture of its own: a key frame.
    AddBuiltTrack(doc, std::move(track), name, std::move(source), times, xBlock::kInGroup | xBlock::kKeyFrame);
    return true;
}

}  // namespace

bool AddSRT2TrackList(Document& doc, const std::string& path, Host& host) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, bytes, host)) return false;
    return AddScript(doc, path, ParseSrt(std::move(bytes)), "S_TEXT/UTF8", host);
}

bool AddASS2TrackList(Document& doc, const std::string& path, const std::string& kind, Host& host) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, bytes, host)) return false;
    return AddScript(doc, path, ParseAss(std::move(bytes)), "S_TEXT/" + kind, host);
}

bool AddSubtitleFile(Document& doc, const std::string& path, Host& host) {
    const std::string ext = LowerExtension(path);
    if (ext == ".srt") return AddSRT2TrackList(doc, path, host);
    if (ext == ".ass") return AddASS2TrackList(doc, path, "ASS", host);
    if (ext == ".ssa") return AddASS2TrackList(doc, path, "SSA", host);
    host.Inform("субтитры должны быть в формате SRT или SSA/ASS");
    return false;
}

}  // namespace quillon
