#include "export/export_driver.h"

#include "reader/element_queries.h"

#include "core/save_files.h"

namespace quillon {
namespace {

const char* MissingTrackText(TrackKind kind) {
    switch (kind) {
        case TrackKind::Audio: return "надо отметить звуковую дорожку";
        case TrackKind::Subtitles: return "надо отметить дорожку с титрами";
        case TrackKind::Video: break;
    }
    return "надо отметить видеодорожку";
}

std::string CheckedTrackNumber(const TrackTable& tatra, TrackKind kind) {
    switch (kind) {
        case TrackKind::Audio: return GetActiveAudioTrackNumber(tatra);
        case TrackKind::Subtitles: return GetActiveSubsTrackNumber(tatra);
        case TrackKind::Video: break;
    }
    return GetActiveVideoTrackNumber(tatra);
}

ExportTrack DescribeTrack(const Document& doc, const std::string& number) {
    ExportTrack track;
    track.numberText = number;
    track.codecId = TrackCodecId(doc.lista, number);
    if (const tTrackEntry* entry = TrackEntryRecord(doc.mkv, number)) {
        if (entry->codecPrivate.present) track.codecPrivate = entry->codecPrivate.value;
        if (entry->pixelWidth.present) track.pixelWidth = entry->pixelWidth.value;
        if (entry->pixelHeight.present) track.pixelHeight = entry->pixelHeight.value;
        if (entry->defaultDuration.present) track.defaultDuration = entry->defaultDuration.value;
    }
    track.audio = TrackAudioParams(doc.lista, number);
    track.timecodeScale = static_cast<int64_t>(ListTimecodeScale(doc.lista));
    if (doc.mkv.info.duration.present && doc.mkv.info.duration.value > 0)
        track.durationSeconds = double(doc.mkv.info.duration.value) * double(TimecodeScaleOf(doc.mkv)) / 1e9;
    return track;
}

SaveOutcome Refuse(Host& host, const char* rus, std::string_view detail = {}) {
    if (rus) host.Inform(rus, detail);
    return SaveOutcome::NothingWritten;
}

SaveOutcome Refuse(Host& host, const TrackWriter& writer) { return Refuse(host, writer.failure(), writer.failureDetail()); }

}  // namespace

SaveOutcome RunTrackExport(Document& doc, Host& host, const ExportRequest& request, TrackKind kind, TrackWriter& writer) {
    const std::string number = CheckedTrackNumber(doc.tatra, kind);
    if (number.empty()) {
        host.Inform(MissingTrackText(kind));
        return SaveOutcome::NothingWritten;
    }
    // An added track's blocks live in other files until a new file is saved.
    for (const Track& t : doc.tatra)
        if (t.numberText == number && t.entryIndex == Track::kNotInSource)
            return Refuse(host, "Добавленная дорожка ещё не в файле: сначала сохраните новый файл.");
    const ExportTrack track = DescribeTrack(doc, number);
    std::vector<uint8_t> prefix;
    if (TrackFrameEncoding(doc.lista, number, prefix) == FrameEncoding::Unsupported)
        return Refuse(host, "Кадры дорожки сжаты или зашифрованы: их нельзя выгрузить в этот формат.");
    if (!writer.Prepare(track)) return Refuse(host, writer);

    SaveFiles files;
    if (const auto refused = OpenSaveFiles(doc.sourcePath, request.outputPath, request.overwriteConfirmed, host, files))
        return *refused;
    ExportSink out(files.output, files.source);
    if (!writer.Begin(out)) return Refuse(host, writer);

    host.SetStatus(writer.WalkStatusText());
    const uint64_t rows = doc.lista.size();
    host.ProgressShow(rows + 2);
    host.ProgressTo(0);
    struct HideProgress {
        Host& host;
        ~HideProgress() { host.ProgressHide(); }
    } hideProgress{host};

    BlockWalk walk(doc.lista, files.source, number, &host);
    walk.SetFramePrefix(std::move(prefix));
    walk.SetBytesWanted(writer.WantsBytes());
    WalkBlock block;
    WalkStatus status = WalkStatus::End;
    bool ok = true;
    uint64_t blocks = 0;
    while (ok && (status = walk.Next(block)) == WalkStatus::Block) {
        ok = writer.Block(block, out);
        ++blocks;
    }
    if (!ok) return Refuse(host, writer);
    if (status == WalkStatus::Stopped) return SaveOutcome::Stopped;
    const bool leftOut = LogLeftOutBlocks(host, doc, walk.LeftOutDamaged(), walk.LeftOutBadTime());
    // A file with nothing of the track in it would pass for a successful export.
    if (blocks == 0) return Refuse(host, "В дорожке нет ни одного блока: файл не записан.");
    if (!writer.Finish(out)) return Refuse(host, writer);
    writer.Report(host);

    host.ProgressTo(rows + 1);
    if (const char* text = writer.EndStatus()) host.SetStatus(text);
    if (!out.Flush()) return CommitSaveFiles(files, request.outputPath, host, SaveOutcome::Failed);
    return CommitSaveFiles(files, request.outputPath, host, leftOut || writer.HasWarnings() ? SaveOutcome::WrittenWithWarnings : SaveOutcome::Written);
}

}  // namespace quillon
