#include "export/avi_convert.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "core/generated/element_ids.h"
#include "core/progress_pacer.h"
#include "core/save_files.h"
#include "core/value_text.h"
#include "export/avi_chunks.h"
#include "export/avi_codecs.h"
#include "export/avi_layout.h"
#include "export/block_walk.h"
#include "export/export_sink.h"
#include "export/track_queries.h"
#include "reader/element_queries.h"
#include "reader/track_table.h"

namespace quillon {
namespace {

constexpr uint64_t kRiffLimit = 0xFFFFFFFFull;
constexpr size_t kPollChunks = 256;

// The checked track of a type: the first video; the last audio, as the
// conversion has always taken it.
std::string CheckedNumber(const TrackTable& tatra, const char* type, bool last) {
    std::string number;
    for (const Track& t : tatra)
        if (t.selectMark == "y" && t.typeText == type) {
            number = t.numberText;
            if (!last) break;
        }
    return number;
}

uint32_t ChildNumber(const tabrick& lista, uint32_t id, int parent) {
    const std::string text = FindChildValue(lista, id, parent);
    return IsDigits(text) && text.size() <= 9 ? uint32_t(TextToUInt64(text)) : 0;
}

void Unsupported(Host& host, const char* which, const std::string& codecId) {
    host.Inform(host.Tr(which) + codecId + "\r\n" + host.Tr("не поддерживается контейнером AVI"));
}

struct StreamSource {
    std::string number;
    uint64_t track = 0;
    std::vector<uint8_t> prefix;  // header stripping's bytes, put back in front of every frame
};

// A Block in a group is a key frame when the group refers to no other
// block; a SimpleBlock says so in its flags.
uint8_t IsKey(const tabrick& lista, size_t row) {
    const Tbrick& block = lista[row];
    if (block.id() == kSimpleBlock) return block.block.keyFrame();
    if (block.parent < 0 || lista[block.parent].id() != kBlockGroup) return 1;
    return FindChildElement(lista, kReferenceBlock, block.parent) < 0 ? 1 : 0;
}

// What the conversion will write: the two streams and the headers known
// before a block is read.
struct AviPlan {
    StreamSource video, audio;
    bool hasAudio = false;
    AviHeaders headers;
};

// The chunks of both streams in document order, with what the headers need to know of them.
struct CollectedChunks {
    std::vector<AviChunk> chunks;
    uint64_t videoChunks = 0, audioBytes = 0;
    uint32_t maxVideo = 0, maxAudio = 0;
    int64_t lastEnd = 0;
    int64_t firstVideoTime = INT64_MAX, lastVideoTime = INT64_MIN;  // the video frames' time span, in ticks
    bool leftOut = false;
};

// The checked tracks and their headers; a refusal (with its message told)
// when the file or a codec cannot go into an AVI.
std::optional<SaveOutcome> PlanAvi(const Document& doc, Host& host, AviPlan& plan) {
    const tabrick& lista = doc.lista;
    StreamSource& video = plan.video;
    StreamSource& audio = plan.audio;
    AviHeaders& headers = plan.headers;
    video.number = CheckedNumber(doc.tatra, "VIDEO", false);
    audio.number = CheckedNumber(doc.tatra, "AUDIO", true);
    plan.hasAudio = !audio.number.empty();

    if (FindFirstById(lista, kInfo) < 0) return SaveOutcome::NothingWritten;
    const int videoEntry = TrackEntryRow(lista, video.number);
    if (videoEntry < 0) return SaveOutcome::NothingWritten;
    const std::string videoCodec = FindChildValue(lista, kCodecID, videoEntry);
    const int videoElement = FindChildElement(lista, kVideo, videoEntry);
    const uint32_t width = videoElement < 0 ? 0 : ChildNumber(lista, kPixelWidth, videoElement);
    const uint32_t height = videoElement < 0 ? 0 : ChildNumber(lista, kPixelHeight, videoElement);
    if (!SupportedVideoCodec(videoCodec)) {
        Unsupported(host, "Видео кодек ", videoCodec);
        return SaveOutcome::NothingWritten;
    }

    headers.width = width;
    headers.height = height;
    // A VFW track stores its own BITMAPINFOHEADER (XVID, DX50, DIV3, MJPG ...):
    // the table's values only stand in when it has none.
    const tTrackEntry* videoRecord = ModelTrack(doc.mkv, video.number);
    if (videoRecord && videoRecord->codecPrivate.present && videoRecord->codecPrivate.value.size() >= 40) {
        headers.bitmapInfo = videoRecord->codecPrivate.value;
        headers.handler.assign(headers.bitmapInfo.begin() + 16, headers.bitmapInfo.begin() + 20);
    } else {
        headers.bitmapInfo = DefaultBitmapInfo(width, height, getVideoCompression(videoCodec));
        headers.handler = getVideoDeviceHandler(videoCodec);
    }
    // The frame rate is exact when the track says how long a frame lasts;
    // otherwise the layout averages it over the film's duration.
    if (videoRecord && videoRecord->defaultDuration.present)
        headers.videoRate = FrameRateOfDuration(videoRecord->defaultDuration.value);

    if (plan.hasAudio) {
        const int audioEntry = TrackEntryRow(lista, audio.number);
        if (audioEntry < 0) return SaveOutcome::NothingWritten;
        const std::string audioCodec = FindChildValue(lista, kCodecID, audioEntry);
        const int audioElement = FindChildElement(lista, kAudio, audioEntry);
        if (audioElement < 0) return SaveOutcome::NothingWritten;
        const AudioParams params = TrackAudioParams(lista, audio.number);
        if (!SupportedAudioCodec(audioCodec)) {
            Unsupported(host, "Аудио кодек ", audioCodec);
            return SaveOutcome::NothingWritten;
        }
        headers.hasAudio = true;
        headers.formatTag = getFormatTag(audioCodec);
        headers.channels = uint16_t(params.channels);
        headers.samplesPerSec = params.samplingFrequency;
        if (audioCodec == "A_MPEG/L3") {
            // MPEGLAYER3WAVEFORMAT: wID 1, fdwFlags 0, nBlockSize 417, nFramesPerBlock 1, nCodecDelay 0.
            headers.audioExtra = {1, 0, 0, 0, 0, 0, 0xA1, 0x01, 1, 0, 0, 0};
        } else if (audioCodec == "A_AAC") {
            // No decoder can play AAC without its AudioSpecificConfig.
            const tTrackEntry* record = ModelTrack(doc.mkv, audio.number);
            if (record && record->codecPrivate.present) headers.audioExtra = record->codecPrivate.value;
        }
    }
    for (StreamSource* s : {&video, &audio}) {
        if (s->number.empty()) continue;
        s->track = TextToUInt64(s->number);
        if (TrackFrameEncoding(lista, s->number, s->prefix) == FrameEncoding::Unsupported) {
            host.Inform("Кадры дорожки сжаты или зашифрованы: их нельзя выгрузить в этот формат.");
            return SaveOutcome::NothingWritten;
        }
    }
    return std::nullopt;
}

// One walk over the two tracks' blocks: a chunk per video block, a chunk per
// audio frame.
std::optional<SaveOutcome> CollectChunks(const Document& doc, Host& host, SourceFile& source, const AviPlan& plan,
                                         CollectedChunks& got) {
    const tabrick& lista = doc.lista;
    std::vector<uint64_t> tracks = {plan.video.track};
    if (plan.hasAudio) tracks.push_back(plan.audio.track);
    BlockWalk walk(lista, source, tracks, &host);
    walk.SetBytesWanted(false);
    WalkBlock block;
    WalkStatus status;
    while ((status = walk.Next(block)) == WalkStatus::Block) {
        const Tbrick& row = lista[block.row];
        got.lastEnd = std::max(got.lastEnd, block.timecode + std::max<int64_t>(block.duration, 0));
        if (block.track == plan.video.track) {
            if (row.block.lacing() != 0) {
                host.Inform("видео с лейсингом не поддерживается, LaceType = ", row.block.lacingText());
                return SaveOutcome::NothingWritten;
            }
            const uint32_t prefix = uint32_t(plan.video.prefix.size());
            AviChunk c{AviStream::Video, uint32_t(block.frameBytes + prefix), IsKey(lista, block.row),
                       block.timecode, block.framesAt, prefix};
            got.maxVideo = std::max(got.maxVideo, c.size);
            got.firstVideoTime = std::min(got.firstVideoTime, block.timecode);
            got.lastVideoTime = std::max(got.lastVideoTime, block.timecode);
            ++got.videoChunks;
            got.chunks.push_back(c);
        } else {
            const uint32_t prefix = uint32_t(plan.audio.prefix.size());
            uint64_t at = block.framesAt;
            for (const uint32_t size : block.frameSizes) {
                AviChunk c{AviStream::Audio, uint32_t(size + prefix), 1, block.timecode, at, prefix};
                at += size;
                got.maxAudio = std::max(got.maxAudio, c.size);
                got.audioBytes += c.size;
                got.chunks.push_back(c);
            }
        }
    }
    if (status == WalkStatus::Stopped) return SaveOutcome::Stopped;
    got.leftOut = LogLeftOutBlocks(host, doc, walk.LeftOutDamaged(), walk.LeftOutBadTime());
    if (got.videoChunks == 0) {
        host.Inform("В видеодорожке нет ни одного блока: AVI не записан.");
        return SaveOutcome::NothingWritten;
    }
    return std::nullopt;
}

// The headers' counts and rates, the chunks' order in movi and every size;
// a refusal when the film is too short to rate its sound or the AVI would
// pass what its 32-bit sizes can say.
std::optional<SaveOutcome> LayOutAvi(const Document& doc, Host& host, AviPlan& plan, CollectedChunks& got,
                                     std::vector<uint32_t>& ordered) {
    AviHeaders& headers = plan.headers;
    // The file's Duration in milliseconds; without one, where the last block ends.
    const double scale = double(TimecodeScaleOf(doc.mkv));
    const double ticks = doc.mkv.info.duration.present && doc.mkv.info.duration.value > 0
                             ? double(doc.mkv.info.duration.value)
                             : double(got.lastEnd);
    const uint64_t durationMs = uint64_t(ticks * scale / 1e6);
    if (plan.hasAudio && durationMs < 1000) {
        host.Inform("Фильм короче секунды: скорость звука для AVI не вычислить, AVI не записан.");
        return SaveOutcome::NothingWritten;
    }
    // Without a DefaultDuration the frames' own times give the rate: the span
    // from the first to the last frame over the gaps between them (the
    // Duration would count the last frame's length and the other tracks' ends).
    if (headers.videoRate.rate == 0 && got.videoChunks >= 2 && got.lastVideoTime > got.firstVideoTime)
        headers.videoRate =
            FrameRateOfAverage(double(got.lastVideoTime - got.firstVideoTime) * scale / double(got.videoChunks - 1));
    headers.totalFrames = uint32_t(got.videoChunks);
    headers.microSecPerFrame =
        headers.videoRate.rate != 0
            ? uint32_t(std::max<uint64_t>(1, (uint64_t(headers.videoRate.scale) * 1000000 + headers.videoRate.rate / 2) /
                                                 headers.videoRate.rate))
            : uint32_t(std::max<uint64_t>(1, durationMs * 1000 / got.videoChunks));
    headers.maxVideoChunk = got.maxVideo;
    if (plan.hasAudio) {
        headers.audioBytes = uint32_t(std::min<uint64_t>(got.audioBytes, kRiffLimit));
        headers.audioBytesPerSec = uint32_t(got.audioBytes / (durationMs / 1000));
        headers.maxAudioChunk = got.maxAudio;
    }

    TimePofixMOVI(got.chunks);
    ordered = InterleaveByTime(got.chunks);

    // Every size is known now: an AVI past what its 32-bit sizes can say is refused before writing.
    uint64_t moviBytes = 4;
    for (const AviChunk& c : got.chunks) moviBytes += ChunkSpan(c.size);
    headers.moviSize = uint32_t(std::min<uint64_t>(moviBytes, kRiffLimit));
    const uint64_t headerBytes = BuildAviHeaders(headers).size();
    const uint64_t fileBytes = headerBytes - 4 + moviBytes + 8 + 16 * uint64_t(ordered.size());
    if (fileBytes - 8 > kRiffLimit) {
        host.Inform("AVI вышел бы больше 4 ГиБ: такой файл AVI не опишет, он не записан.");
        return SaveOutcome::NothingWritten;
    }
    headers.riffSize = uint32_t(fileBytes - 8);
    return std::nullopt;
}

// The headers, the chunks in their order with each frame's bytes copied from
// the source, the index.
SaveOutcome WriteAvi(Host& host, SaveFiles& files, const AviPlan& plan, const CollectedChunks& got,
                     const std::vector<uint32_t>& ordered, uint64_t progressFrom, uint64_t progressSpan) {
    host.SetStatus("c o n v e r t i n g");
    ExportSink out(files.output, files.source);
    ProgressPacer pacer(&host, kPollChunks);
    out.Put(BuildAviHeaders(plan.headers));
    for (size_t k = 0; k < ordered.size(); ++k) {
        const AviChunk& c = got.chunks[ordered[k]];
        uint8_t head[8] = {};
        std::copy_n(ChunkId(c.stream), 4, head);
        for (int i = 0; i < 4; ++i) head[4 + i] = uint8_t(c.size >> (8 * i));
        out.Put(head, sizeof head);
        const std::vector<uint8_t>& prefix = c.stream == AviStream::Video ? plan.video.prefix : plan.audio.prefix;
        out.Put(prefix);
        out.PutRange(c.sourcePos, c.size - c.prefixBytes);
        if (c.size & 1) out.Put(std::string_view("\0", 1));
        const uint64_t position = progressFrom + uint64_t(k) * progressSpan / ordered.size();
        if (k == 0 ? pacer.Report(position) : pacer.Step(position)) return SaveOutcome::Stopped;
    }
    out.Put(BuildIdx1(got.chunks, ordered));
    host.ProgressTo(progressFrom + progressSpan);
    host.SetStatus("s a v i n g");
    return out.Flush() ? SaveOutcome::Written : SaveOutcome::Failed;
}

}  // namespace

SaveOutcome DoAviConvert(Document& doc, Host& host, const ExportRequest& request) {
    AviPlan plan;
    if (const auto refused = PlanAvi(doc, host, plan)) return *refused;

    SaveFiles files;
    if (const auto refused = OpenSaveFiles(doc.sourcePath, request.outputPath, request.overwriteConfirmed, host, files))
        return *refused;
    struct HideProgress {
        Host& host;
        ~HideProgress() { host.ProgressHide(); }
    } hideProgress{host};
    const uint64_t rows = doc.lista.size();
    host.ProgressShow(rows * 2);
    host.ProgressTo(0);
    host.SetStatus("d e m u x i n g");

    CollectedChunks got;
    if (const auto refused = CollectChunks(doc, host, files.source, plan, got)) return *refused;
    std::vector<uint32_t> ordered;
    if (const auto refused = LayOutAvi(doc, host, plan, got, ordered)) return *refused;
    const SaveOutcome written = WriteAvi(host, files, plan, got, ordered, rows, rows);
    if (written == SaveOutcome::Stopped) return written;
    if (written == SaveOutcome::Failed) return CommitSaveFiles(files, request.outputPath, host, SaveOutcome::Failed);
    return CommitSaveFiles(files, request.outputPath, host,
                           got.leftOut ? SaveOutcome::WrittenWithWarnings : SaveOutcome::Written);
}

}  // namespace quillon
