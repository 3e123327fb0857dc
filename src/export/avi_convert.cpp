#include "export/avi_convert.h"

#include <algorithm>

#include "core/generated/element_ids.h"
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

}  // namespace

SaveOutcome DoAviConvert(Document& doc, Host& host, const ExportRequest& request) {
    const tabrick& lista = doc.lista;
    StreamSource video, audio;
    video.number = CheckedNumber(doc.tatra, "VIDEO", false);
    audio.number = CheckedNumber(doc.tatra, "AUDIO", true);
    const bool hasAudio = !audio.number.empty();

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

    AviHeaders headers;
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

    if (hasAudio) {
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

    SaveFiles files;
    if (const auto refused = OpenSaveFiles(doc.sourcePath, request.outputPath, request.overwriteConfirmed, host, files))
        return *refused;
    struct HideProgress {
        Host& host;
        ~HideProgress() { host.ProgressHide(); }
    } hideProgress{host};
    const uint64_t rows = lista.size();
    host.ProgressShow(rows * 2);
    host.ProgressTo(0);
    host.SetStatus("d e m u x i n g");

    // The chunk list, in document order.
    std::vector<AviChunk> chunks;
    std::vector<uint64_t> tracks = {video.track};
    if (hasAudio) tracks.push_back(audio.track);
    BlockWalk walk(lista, files.source, tracks, &host);
    walk.SetBytesWanted(false);
    WalkBlock block;
    WalkStatus status;
    int64_t lastEnd = 0;
    uint64_t videoChunks = 0, audioBytes = 0;
    uint32_t maxVideo = 0, maxAudio = 0;
    while ((status = walk.Next(block)) == WalkStatus::Block) {
        const Tbrick& row = lista[block.row];
        lastEnd = std::max(lastEnd, block.timecode + std::max<int64_t>(block.duration, 0));
        if (block.track == video.track) {
            if (row.block.lacing() != 0) {
                host.Inform("Unsupported Video LaceType = ", row.block.lacingText());
                return SaveOutcome::NothingWritten;
            }
            AviChunk c{AviStream::Video, uint32_t(block.frameBytes + video.prefix.size()), IsKey(lista, block.row),
                       block.timecode, block.framesAt, uint32_t(video.prefix.size())};
            maxVideo = std::max(maxVideo, c.size);
            ++videoChunks;
            chunks.push_back(c);
        } else {
            uint64_t at = block.framesAt;
            for (const uint32_t size : block.frameSizes) {
                AviChunk c{AviStream::Audio, uint32_t(size + audio.prefix.size()), 1, block.timecode, at,
                           uint32_t(audio.prefix.size())};
                at += size;
                maxAudio = std::max(maxAudio, c.size);
                audioBytes += c.size;
                chunks.push_back(c);
            }
        }
    }
    if (status == WalkStatus::Stopped) return SaveOutcome::Stopped;
    const bool leftOut = LogLeftOutBlocks(host, doc, walk.LeftOutDamaged(), walk.LeftOutBadTime());
    if (videoChunks == 0) {
        host.Inform("В видеодорожке нет ни одного блока: AVI не записан.");
        return SaveOutcome::NothingWritten;
    }

    // The file's Duration in milliseconds; without one, where the last block ends.
    const double scale = double(TimecodeScaleOf(doc.mkv));
    const double ticks = doc.mkv.info.duration.present && doc.mkv.info.duration.value > 0
                             ? double(doc.mkv.info.duration.value)
                             : double(lastEnd);
    const uint64_t durationMs = uint64_t(ticks * scale / 1e6);
    if (hasAudio && durationMs < 1000) {
        host.Inform("Фильм короче секунды: скорость звука для AVI не вычислить, AVI не записан.");
        return SaveOutcome::NothingWritten;
    }
    headers.totalFrames = uint32_t(videoChunks);
    headers.microSecPerFrame = uint32_t(std::max<uint64_t>(1, durationMs * 1000 / videoChunks));
    headers.maxVideoChunk = maxVideo;
    if (hasAudio) {
        headers.audioBytes = uint32_t(std::min<uint64_t>(audioBytes, kRiffLimit));
        headers.audioBytesPerSec = uint32_t(audioBytes / (durationMs / 1000));
        headers.maxAudioChunk = maxAudio;
    }

    TimePofixMOVI(chunks);
    const std::vector<uint32_t> ordered = InterleaveByTime(chunks);

    // Every size is known now: an AVI past what its 32-bit sizes can say is refused before writing.
    uint64_t moviBytes = 4;
    for (const AviChunk& c : chunks) moviBytes += ChunkSpan(c.size);
    headers.moviSize = uint32_t(std::min<uint64_t>(moviBytes, kRiffLimit));
    const uint64_t headerBytes = BuildAviHeaders(headers).size();
    const uint64_t fileBytes = headerBytes - 4 + moviBytes + 8 + 16 * uint64_t(ordered.size());
    if (fileBytes - 8 > kRiffLimit) {
        host.Inform("AVI вышел бы больше 4 ГиБ: такой файл AVI не опишет, он не записан.");
        return SaveOutcome::NothingWritten;
    }
    headers.riffSize = uint32_t(fileBytes - 8);

    host.SetStatus("c o n v e r t i n g");
    ExportSink out(files.output, files.source);
    out.Put(BuildAviHeaders(headers));
    for (size_t k = 0; k < ordered.size(); ++k) {
        const AviChunk& c = chunks[ordered[k]];
        uint8_t head[8] = {};
        std::copy_n(ChunkId(c.stream), 4, head);
        for (int i = 0; i < 4; ++i) head[4 + i] = uint8_t(c.size >> (8 * i));
        out.Put(head, sizeof head);
        const std::vector<uint8_t>& prefix = c.stream == AviStream::Video ? video.prefix : audio.prefix;
        out.Put(prefix);
        out.PutRange(c.sourcePos, c.size - c.prefixBytes);
        if (c.size & 1) out.Put(std::string_view("\0", 1));
        if (k % kPollChunks == 0) {
            host.ProgressTo(rows + uint64_t(k) * rows / ordered.size());
            if (host.StopRequested()) return SaveOutcome::Stopped;
        }
    }
    out.Put(BuildIdx1(chunks, ordered));
    host.ProgressTo(rows * 2);
    host.SetStatus("s a v i n g");
    if (!out.Flush()) return CommitSaveFiles(files, request.outputPath, host, SaveOutcome::Failed);
    return CommitSaveFiles(files, request.outputPath, host, leftOut ? SaveOutcome::WrittenWithWarnings : SaveOutcome::Written);
}

}  // namespace quillon
