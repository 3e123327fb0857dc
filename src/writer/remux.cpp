#include "writer/remux.h"

#include <filesystem>

#include "core/source_file.h"
#include "writer/cluster_writer.h"
#include "writer/index_builders.h"
#include "writer/output_file.h"
#include "writer/section_builders.h"

namespace quillon {
namespace {

void WriteSection(OutputFile& out, const ByteList& bytes, const char* idHex, uint64_t segmentData,
                  std::vector<TSeek>& seeks) {
    seeks.push_back(TSeek{idHex, out.Position() - segmentData});
    out.Write(bytes.data(), bytes.size());
}

void ReportOutputFailure(Host& host) {
    host.SetStatus("Can't create output file.");
    host.Inform("Can't create output file.");
}

}  // namespace

RemuxResult DoMKV(Document& doc, Host& host, const TrackMap& map, const std::string& outputPath,
                  const RemuxOptions& options, bool overwriteConfirmed) {
    std::error_code ec;
    if (!overwriteConfirmed && std::filesystem::exists(outputPath, ec) &&
        !host.Ask("Файл с таким именем уже существует.\r\nПерезаписать?"))
        return RemuxResult::Declined;
    if (map.ActiveCount() > kMaxActiveTracks) {
        host.Inform("Можно записать не больше 126 дорожек.");
        return RemuxResult::TooManyTracks;
    }

    SourceFile source;
    if (!source.Open(doc.sourcePath)) {
        host.Inform("файл занят другим приложением");
        return RemuxResult::SourceFailed;
    }
    OutputFile out;
    if (!out.Create(outputPath)) {
        ReportOutputFailure(host);
        return RemuxResult::OutputFailed;
    }
    host.ClearStop();
    host.SetStatus("m a t r o s k i n g ...");

    const TMKV& mkv = doc.mkv;
    const ByteList ebml = makeEBMLbuff(mkv.ebml);
    out.Write(ebml.data(), ebml.size());
    const uint64_t segmentStart = out.Position();
    const uint8_t segmentHeader[12] = {0x18, 0x53, 0x80, 0x67, 0x01, 0, 0, 0, 0, 0, 0, 0};
    out.Write(segmentHeader, sizeof segmentHeader);
    const uint64_t d = out.Position();
    if (options.writeSeekHeads) {
        ByteList reserve(kFrontReserve, 0);
        reserve[0] = 0xEC;
        reserve[1] = 0x4F;
        reserve[2] = 0x9D;  // Void of 3997 data bytes
        out.Write(reserve.data(), reserve.size());
    }

    std::vector<TSeek> topSeeks;
    WriteSection(out, makeINFObuff(mkv.info), "1549A966", d, topSeeks);
    WriteSection(out, makeTRACKSbuff(mkv.tracks, map), "1654AE6B", d, topSeeks);
    // An Attachments element holds at least one AttachedFile: none is written without files.
    if (options.attachments && !mkv.attachedFiles.empty())
        WriteSection(out, makeATTFbuff(mkv.attachedFiles), "1941A469", d, topSeeks);
    if (options.chapters && !mkv.chapters.empty()) WriteSection(out, makeCHAPbuff(mkv.chapters), "1043A770", d, topSeeks);

    const ClusterLoopResult clusters = WriteClusters(doc, map, options, source, out, d, host);

    if (options.writeCues) WriteSection(out, cues2buff(clusters.cues), "1C53BB6B", d, topSeeks);
    if (options.writeSeekHeads) {
        WriteSection(out, seekhead2buff(clusters.clusterSeeks), "114D9B74", d, topSeeks);
        const ByteList front = topHeadxVoid2buff(topSeeks);
        out.WriteAt(d, front.data(), front.size());
    }
    std::vector<uint8_t> size(8);
    const uint64_t segmentSize = out.Position() - segmentStart - 12;
    for (int i = 7; i > 0; --i) size[i] = static_cast<uint8_t>(segmentSize >> (8 * (7 - i)));
    size[0] = 0x01;
    out.WriteAt(segmentStart + 4, size.data(), size.size());

    if (!out.Commit()) {
        ReportOutputFailure(host);
        return RemuxResult::OutputFailed;
    }
    return clusters.stopped ? RemuxResult::Stopped : RemuxResult::Written;
}

}  // namespace quillon
