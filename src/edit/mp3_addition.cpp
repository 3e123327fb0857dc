#include "edit/mp3_addition.h"

#include <algorithm>
#include <cstring>

#include "core/put_primitives.h"
#include "core/source_file.h"
#include "edit/mp3_frames.h"
#include "edit/track_adding.h"

namespace quillon {
namespace {

constexpr uint8_t kFixedLacing = 2, kEbmlLacing = 3;

// Layer III encoders put a frame of stream information (Xing, Info, VBRI)
// first: it holds no sound, and a player that reads the MP3 itself skips it.
bool IsInfoFrame(SourceFile& file, const mp3block& frame) {
    if (frame.layer != 1) return false;
    std::vector<uint8_t> head;
    if (!file.ReadAt(frame.offset, std::min<uint32_t>(frame.frameLength, 64), head)) return false;
    const bool mono = frame.channelMode == 3;
    const size_t sideInfo = frame.version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t at = 4 + (frame.protection == 0 ? 2 : 0) + sideInfo;
    const auto tagAt = [&](size_t offset, const char* tag) {
        return offset + 4 <= head.size() && std::memcmp(head.data() + offset, tag, 4) == 0;
    };
    return tagAt(at, "Xing") || tagAt(at, "Info") || tagAt(36, "VBRI");
}

tTrackEntry Mp3Entry(const Document& doc, const mp3block& first, const std::string& name) {
    static const char* const kCodecByLayer[] = {"", "A_MPEG/L3", "A_MPEG/L2", "A_MPEG/L1"};
    const uint32_t rate = Mp3SampleRate(first);
    tTrackEntry t = NewBuiltEntry(doc.mkv, 2, kCodecByLayer[first.layer & 3], true, name);
    t.defaultDuration.Set(uint64_t{Mp3SamplesPerFrame(first)} * 1000000000 / rate);
    t.samplingFrequency.Set(static_cast<float>(rate));
    t.channels.Set(first.channelMode == 3 ? 1 : 2);
    return t;
}

// The lace head of frames of these sizes (count − 1, then for EBML lacing the
// first size and the differences); returns the lacing code.
uint8_t PutLaceHead(const std::vector<uint64_t>& sizes, ByteList& out) {
    out.push_back(static_cast<uint8_t>(sizes.size() - 1));
    if (std::all_of(sizes.begin(), sizes.end(), [&](uint64_t s) { return s == sizes[0]; })) return kFixedLacing;
    size_t at = out.size();
    out.resize(at + VintWidth(sizes[0]));
    PutSizeVint(out, at, sizes[0]);
    for (size_t i = 1; i + 1 < sizes.size(); ++i) {
        const int64_t difference = static_cast<int64_t>(sizes[i]) - static_cast<int64_t>(sizes[i - 1]);
        at = out.size();
        out.resize(at + LaceVintWidth(difference));
        PutLaceVint(out, at, difference);
    }
    return kEbmlLacing;
}

const char* ScanMessage(Mp3ScanResult result) {
    switch (result) {
        case Mp3ScanResult::NoFrameSync: return "не найден Frame sync";
        default: return "не удалось разобраться с файлом mp3";
    }
}

}  // namespace

bool AddMP32TrackList(Document& doc, const std::string& path, Host& host) {
    Mp3Stream stream = ScanMp3File(path);
    if (stream.result == Mp3ScanResult::CannotOpen) {
        TellAddFailure(host, "не удалось открыть файл MP3.");
        return false;
    }
    SourceFile file;
    if (stream.result == Mp3ScanResult::Ok && !file.Open(path)) {
        TellAddFailure(host, "не удалось открыть файл MP3.");
        return false;
    }
    std::vector<mp3block>& frames = stream.frames;
    if (stream.result == Mp3ScanResult::Ok && !frames.empty() && IsInfoFrame(file, frames.front()))
        frames.erase(frames.begin());
    if (stream.result != Mp3ScanResult::Ok || frames.empty()) {
        host.Inform(ScanMessage(stream.result));
        return false;
    }
    if (!RoomForTracks(doc, 1, host)) return false;

    const mp3block& first = frames.front();
    const uint64_t rate = Mp3SampleRate(first), samplesPerFrame = Mp3SamplesPerFrame(first);
    const uint64_t scale = TimecodeScaleOf(doc.mkv);
    const std::string name = FileNameOf(path);
    tTrackEntry track = Mp3Entry(doc, first, name);

    AddedSource source;
    source.path = path;
    source.builtTrack = track.trackNumber.value;
    source.built.reserve(frames.size() / kMp3FramesPerBlock + 1);
    std::vector<int64_t> times;
    times.reserve(frames.size() / kMp3FramesPerBlock + 1);
    std::vector<uint64_t> sizes;
    for (size_t k = 0; k < frames.size();) {
        // A group: up to eight frames that follow each other in the file.
        size_t n = 1;
        while (n < kMp3FramesPerBlock && k + n < frames.size() &&
               frames[k + n].offset == frames[k + n - 1].offset + frames[k + n - 1].frameLength)
            ++n;
        sizes.clear();
        for (size_t i = k; i < k + n; ++i) sizes.push_back(frames[i].frameLength);
        BuiltBlock b;
        b.headAt = static_cast<uint32_t>(source.bytes.size());
        if (n > 1) b.flags = static_cast<uint8_t>(PutLaceHead(sizes, source.bytes) << 1);
        b.headLength = static_cast<uint32_t>(source.bytes.size() - b.headAt);
        const uint64_t start = frames[k].offset;
        const uint64_t end = frames[k + n - 1].offset + frames[k + n - 1].frameLength;
        b.fileOffset = start;
        // A last frame the file cuts short is written with zeros for its missing bytes.
        const uint64_t held = std::min(end, std::max(stream.fileSize, start)) - start;
        b.fileLength = static_cast<uint32_t>(held);
        b.zeroTail = static_cast<uint32_t>(end - start - held);
        source.built.push_back(b);
        // The time of its first frame, from the count of samples before it.
        const __int128 nanoseconds = static_cast<__int128>(k) * samplesPerFrame * 1000000000 / rate;
        times.push_back(static_cast<int64_t>(nanoseconds / scale));
        k += n;
    }
    // The blocks are the kind the open file uses: Blocks in a file of BlockGroups only.
    const uint8_t flags = xBlock::kKeyFrame | (doc.blockTypeText == "b-mode" ? xBlock::kInGroup : 0);
    AddBuiltTrack(doc, std::move(track), name, std::move(source), times, flags);
    return true;
}

bool AddMp3File(Document& doc, const std::string& path, Host& host) {
    if (LowerExtension(path) != ".mp3") {
        host.Inform("умею только MP3");
        return false;
    }
    return AddMP32TrackList(doc, path, host);
}

}  // namespace quillon
