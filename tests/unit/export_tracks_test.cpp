// The single-track exports end to end on built files: the save command with
// an export type, the bytes of the file it leaves, and what it tells the user.
#include <gtest/gtest.h>

#include "core/generated/element_ids.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include "export/adts_writer.h"
#include "export/block_walk.h"
#include "export/ogg_stream.h"
#include "reader/open_file.h"
#include "support/export_helpers.h"
#include "support/scan_helpers.h"
#include "save/save_command.h"

namespace quillon::test {

// Vorbis headers of a 44100 Hz stream with blocks of 256 and 2048 samples
// (export_formats_test.cpp).
std::vector<uint8_t> VorbisIdentification(uint32_t rate);
std::vector<uint8_t> VorbisSetup();

namespace {


std::string Text(const ByteVec& bytes) { return std::string(bytes.begin(), bytes.end()); }

ByteVec Info(uint64_t scale = 1000000) { return InfoMaster({Uint(kTimecodeScale, scale)}); }
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec Audio(double hz, uint64_t channels) { return Master(kAudio, {Float(kSamplingFrequency, hz), Uint(kChannels, channels)}); }
ByteVec Group(uint64_t track, int16_t tc, const ByteVec& frames, uint64_t duration) {
    return Master(kBlockGroup, {Element(kBlock, BlockPayload(track, tc, 0x00, frames)), Uint(kBlockDuration, duration)});
}
// A frame whose bytes tell where they come from.
ByteVec Numbered(size_t size, uint8_t seed) {
    ByteVec f(size);
    for (size_t i = 0; i < size; ++i) f[i] = static_cast<uint8_t>(seed + i * 7 + i / 251);
    return f;
}
// Xiph lacing of the frames: count - 1, the sizes of all but the last, then the frames.
ByteVec XiphLaced(const std::vector<ByteVec>& frames) {
    ByteVec out = {static_cast<uint8_t>(frames.size() - 1)};
    for (size_t k = 0; k + 1 < frames.size(); ++k) {
        size_t size = frames[k].size();
        for (; size >= 255; size -= 255) out.push_back(255);
        out.push_back(static_cast<uint8_t>(size));
    }
    for (const ByteVec& f : frames) out.insert(out.end(), f.begin(), f.end());
    return out;
}
ByteVec Joined(const std::vector<ByteVec>& parts) {
    ByteVec out;
    for (const ByteVec& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ------------------------------------------------------- the block walk

// Video track 1, AC-3 track 2: simple blocks, a laced block, a block in a
// group, and one frame bigger than the read-ahead cache between small ones.
struct Ac3File {
    std::vector<ByteVec> frames;
    ByteVec bytes;

    Ac3File() {
        for (uint8_t k = 0; k < 7; ++k) frames.push_back(Numbered(k == 4 ? SourceFile::kCacheSize + 4321 : 600 + k, k * 31));
        bytes = MatroskaFile(
            {Info(), Master(kTracks, {TrackEntry(1, 1, "V_TEST"), TrackEntry(2, 2, "A_AC3", {Audio(48000, 2)})}),
             Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(900, 0xEE)), SimpleBlock(2, 0, 0x80, frames[0]),
                         SimpleBlock(2, 32, 0x82, XiphLaced({frames[1], frames[2], frames[3]})),
                         SimpleBlock(1, 40, 0x00, Frame(70000, 0xEE))}),
             Cluster(1000, {Group(2, 0, frames[4], 32), SimpleBlock(1, 5, 0x80, Frame(3000000, 0xEE)),
                            SimpleBlock(2, 32, 0x80, frames[5]), SimpleBlock(2, 64, 0x80, frames[6])})});
    }
};

TEST(ExportRaw, Ac3IsEveryFrameOfTheTrackInOrderWithNothingElse) {
    const Ac3File file;
    Exported e;
    Export(file.bytes, ExportType::Ac3, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    // The laced block gives its three frames without the lacing header; the
    // frame bigger than the read-ahead cache arrives whole.
    EXPECT_TRUE(e.bytes == Joined(file.frames)) << e.bytes.size() << " bytes";
    EXPECT_EQ(e.host.statuses.front(), "d e m u x i n g");
    EXPECT_EQ(e.host.statuses.back(), "s a v i n g");
    EXPECT_FALSE(e.host.progressVisible);
}

TEST(ExportRaw, ReadFirstTrackBlockGivesTheFirstBlocksFrames) {
    const Ac3File file;
    TempFile in(file.bytes);
    Document doc;
    doc.sourcePath = in.path();
    CaptureHost host;
    CheckContainer(doc, host, true);
    SourceFile source;
    ASSERT_TRUE(source.Open(in.path()));
    std::vector<uint8_t> first;
    ASSERT_TRUE(ReadFirstTrackBlock(doc.lista, source, "2", first));
    EXPECT_TRUE(first == file.frames[0]);
    EXPECT_FALSE(ReadFirstTrackBlock(doc.lista, source, "3", first));
    EXPECT_FALSE(ReadFirstTrackBlock(doc.lista, source, "?", first));
}

TEST(ExportRaw, FlacIsTheCodecPrivateThenTheFrames) {
    const ByteVec header = {'f', 'L', 'a', 'C', 0x80, 0, 0, 2, 0x11, 0x22};
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_FLAC", {Binary(kCodecPrivate, header), Audio(44100, 2)})}),
         Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(40, 1)), SimpleBlock(1, 90, 0x80, Numbered(50, 2))})});
    Exported e;
    Export(file, ExportType::Flac, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_TRUE(e.bytes == Joined({header, Numbered(40, 1), Numbered(50, 2)}));
}

TEST(ExportRaw, HeaderStrippedFramesGetTheirBytesBack) {
    const ByteVec encodings = Master(0x6D80, {Master(0x6240, {Uint(0x5031, 0), Uint(0x5032, 1), Uint(0x5033, 0),
                                                              Master(0x5034, {Uint(0x4254, 3), Binary(0x4255, {0x0B, 0x77})})})});
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3", {encodings})}),
         Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1)), SimpleBlock(1, 32, 0x82, XiphLaced({Numbered(5, 2), Numbered(6, 3)}))})});
    Exported e;
    Export(file, ExportType::Ac3, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    const ByteVec sync = {0x0B, 0x77};
    EXPECT_TRUE(e.bytes == Joined({sync, Numbered(10, 1), sync, Numbered(5, 2), sync, Numbered(6, 3)}));
}

TEST(ExportRaw, CompressedOrEncryptedFramesAreRefused) {
    for (const ByteVec& encoding : {Master(0x6240, {Master(0x5034, {Uint(0x4254, 0)})}),        // zlib
                                    Master(0x6240, {Uint(0x5033, 1), Master(0x5035, {Uint(0x47E1, 5)})})}) {  // AES
        const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_MPEG/L3", {Master(0x6D80, {encoding})})}),
                                           Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1))})});
        Exported e;
        Export(file, ExportType::Mp3, e);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten);
        EXPECT_FALSE(e.written);
        EXPECT_TRUE(e.Told("Кадры дорожки сжаты или зашифрованы: их нельзя выгрузить в этот формат."));
    }
}

TEST(ExportRaw, ABlockCutOffByTheEndOfTheFileIsLeftOutAndTold) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3")}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(100, 1)), SimpleBlock(1, 32, 0x80, Numbered(100, 2))})});
    ExportSetup setup;
    setup.cutBytes = 30;  // the file shrank after it was read
    Exported e;
    Export(file, ExportType::Ac3, e, setup);
    EXPECT_EQ(e.outcome, SaveOutcome::WrittenWithWarnings);
    ASSERT_TRUE(e.written);
    EXPECT_EQ(e.bytes, Numbered(100, 1));  // the first block only: no zeros for the missing bytes
    EXPECT_TRUE(e.host.HasLine("• блоков пропущено (в исходном файле они не целые): 1"));
}

TEST(ExportRaw, AStopLeavesNoFile) {
    std::vector<ByteVec> blocks;
    for (int k = 0; k < 3000; ++k) blocks.push_back(SimpleBlock(1, static_cast<int16_t>(k), 0x80, Numbered(20, 1)));
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3")}), Cluster(0, blocks)});
    ExportSetup setup;
    setup.stopAfterPolls = 2;
    Exported e;
    Export(file, ExportType::Ac3, e, setup);
    EXPECT_EQ(e.outcome, SaveOutcome::Stopped);
    EXPECT_FALSE(e.written);
}

TEST(ExportRaw, AnExistingFileIsKeptWhenTheUserSaysNo) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3")}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1))})});
    TempFile in(file);
    TempFile existing(ByteVec{'o', 'l', 'd'}, ".ac3");
    Document doc;
    doc.sourcePath = in.path();
    ExportHost host;
    CheckContainer(doc, host, true);
    FinishContainerCheck(doc, host, true);
    SaveRequest request;
    request.job = TrackExportJob{ExportType::Ac3};
    request.outputPath = existing.path();
    EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::NothingWritten);
    EXPECT_EQ(host.asked, std::vector<std::string>{"Файл с таким именем уже существует.\r\nПерезаписать?"});
    EXPECT_EQ(Text(ReadAll(existing.path())), "old");
    host.answer = true;
    EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::Written);
    EXPECT_TRUE(ReadAll(existing.path()) == Numbered(10, 1));
}

// The messages for a missing or an empty track; nothing is written.
TEST(ExportRaw, NoTrackOfTheKindAndNoBlocksAreTold) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3"), TrackEntry(2, 17, "S_TEXT/UTF8")}),
                                       Cluster(0, {SimpleBlock(2, 0, 0x80, Numbered(10, 1))})});
    const struct {
        ExportType type;
        std::vector<std::string> marks;
        const char* message;
    } cases[] = {
        {ExportType::Ac3, {"", "y"}, "надо отметить звуковую дорожку"},
        {ExportType::Ogg, {"", "y"}, "надо отметить звуковую дорожку"},
        {ExportType::Srt, {"y", ""}, "надо отметить дорожку с титрами"},
        {ExportType::Ass, {"y", ""}, "надо отметить дорожку с титрами"},
        {ExportType::Ac3, {"y", ""}, "В дорожке нет ни одного блока: файл не записан."},
        {ExportType::Aac, {"y", ""}, "В дорожке нет ни одного блока: файл не записан."},
    };
    for (const auto& c : cases) {
        ExportSetup setup;
        setup.selectMarks = c.marks;
        Exported e;
        Export(file, c.type, e, setup);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten) << c.message;
        EXPECT_FALSE(e.written) << c.message;
        EXPECT_TRUE(e.Told(c.message)) << c.message;
    }
}

// ------------------------------------------------------------------ ADTS

std::vector<std::pair<AdtsHeader, ByteVec>> AdtsFrames(const ByteVec& bytes) {
    std::vector<std::pair<AdtsHeader, ByteVec>> frames;
    size_t at = 0;
    while (at + 7 <= bytes.size()) {
        AdtsHeader h;
        std::copy(bytes.begin() + at, bytes.begin() + at + 7, h.begin());
        const size_t length = ((h[3] & 3) << 11) | (h[4] << 3) | (h[5] >> 5);
        if (length < 7 || at + length > bytes.size()) break;
        frames.emplace_back(h, ByteVec(bytes.begin() + at + 7, bytes.begin() + at + length));
        at += length;
    }
    EXPECT_EQ(at, bytes.size());
    return frames;
}

TEST(ExportAdts, EveryLacedFrameGetsItsOwnHeader) {
    const std::vector<ByteVec> laced = {Numbered(371, 1), Numbered(300, 2), Numbered(255, 3), Numbered(400, 4)};
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_AAC", {Binary(kCodecPrivate, {0x11, 0x90}), Audio(48000, 2)})}),
         Cluster(0, {SimpleBlock(1, 0, 0x82, XiphLaced(laced)), SimpleBlock(1, 85, 0x80, Numbered(8184, 5))})});
    Exported e;
    Export(file, ExportType::Aac, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    const auto frames = AdtsFrames(e.bytes);
    ASSERT_EQ(frames.size(), 5u);
    for (size_t k = 0; k < 4; ++k) EXPECT_TRUE(frames[k].second == laced[k]) << k;
    EXPECT_TRUE(frames[4].second == Numbered(8184, 5));  // the longest frame ADTS can hold
    for (const auto& f : frames) {
        EXPECT_EQ(f.first[0], 0xFF);
        EXPECT_EQ(f.first[1], 0xF1);
        EXPECT_EQ(f.first[2], 0x4C);
        EXPECT_EQ(f.first[3] & 0xFC, 0x80);
        EXPECT_EQ(f.first[6], 0xFC);
    }
    EXPECT_EQ(e.host.statuses.back(), "d e m u x i n g");
}

TEST(ExportAdts, MissingAudioValuesTakeTheMatroskaDefaults) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AAC", {Master(kAudio, {})})}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1))})});
    Exported e;
    Export(file, ExportType::Aac, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    const auto frames = AdtsFrames(e.bytes);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first[2], 0x40 | (11 << 2));  // LC, 8000 Hz, channel bit 2 clear
    EXPECT_EQ(frames[0].first[3] >> 6, 1);            // one channel
}

TEST(ExportAdts, FramesAndRatesAdtsCannotStateEndTheExport) {
    const struct {
        double hz;
        size_t frame;
        const char* message;
    } cases[] = {
        {48000, 8185, "Кадр AAC длиннее 8184 байт не помещается в заголовок ADTS. Экспорт прерван."},
        {22000, 100, "Частоту дискретизации дорожки нельзя записать в заголовок ADTS. Экспорт прерван."},
    };
    for (const auto& c : cases) {
        const ByteVec file = MatroskaFile(
            {Info(), Master(kTracks, {TrackEntry(1, 2, "A_AAC", {Audio(c.hz, 2)})}),
             Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(100, 1)), SimpleBlock(1, 20, 0x80, Numbered(c.frame, 2))})});
        Exported e;
        Export(file, ExportType::Aac, e);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten) << c.message;
        EXPECT_FALSE(e.written);
        EXPECT_TRUE(e.Told(c.message)) << c.message;
    }
}

TEST(ExportAdts, A7350HzTrackKeepsItsRate) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AAC", {Audio(7350, 1)})}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1))})});
    Exported e;
    Export(file, ExportType::Aac, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_EQ((e.bytes[2] >> 2) & 15, 12);
}

// ------------------------------------------------------------------- Ogg

struct OggPage {
    uint8_t flags;
    int64_t granule;
    uint32_t sequence;
    std::vector<uint8_t> lacing;
    ByteVec data;
};

std::vector<OggPage> OggPages(const ByteVec& bytes) {
    std::vector<OggPage> pages;
    size_t at = 0;
    auto le = [&](size_t p, int n) {
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | bytes[p + i];
        return v;
    };
    while (at + 27 <= bytes.size() && Text(ByteVec(bytes.begin() + at, bytes.begin() + at + 4)) == "OggS") {
        OggPage p;
        p.flags = bytes[at + 5];
        p.granule = static_cast<int64_t>(le(at + 6, 8));
        EXPECT_EQ(le(at + 14, 4), 1u);  // serial number
        p.sequence = static_cast<uint32_t>(le(at + 18, 4));
        const size_t count = bytes[at + 26];
        p.lacing.assign(bytes.begin() + at + 27, bytes.begin() + at + 27 + count);
        const size_t size = std::accumulate(p.lacing.begin(), p.lacing.end(), size_t{0});
        const size_t total = 27 + count + size;
        p.data.assign(bytes.begin() + at + 27 + count, bytes.begin() + at + total);
        ByteVec copy(bytes.begin() + at, bytes.begin() + at + total);
        std::fill(copy.begin() + 22, copy.begin() + 26, 0);
        EXPECT_EQ(OggCrc(copy), le(at + 22, 4)) << "page " << pages.size();
        pages.push_back(std::move(p));
        at += total;
    }
    EXPECT_EQ(at, bytes.size());
    return pages;
}

ByteVec VorbisPrivate(const ByteVec& comment) {
    const ByteVec id = VorbisIdentification(44100), setup = VorbisSetup();
    ByteVec cp = {2};
    AppendOggLacing(static_cast<uint32_t>(id.size()), cp);
    AppendOggLacing(static_cast<uint32_t>(comment.size()), cp);
    return Joined({cp, id, comment, setup});
}

ByteVec VorbisPacket(bool longBlock, size_t size, uint8_t seed) {
    ByteVec p = Numbered(size, seed);
    p[0] = longBlock ? 0x02 : 0x00;
    return p;
}

TEST(ExportOgg, HeadersThenOnePagePerBlockAndBigBlocksContinued) {
    ByteVec comment = Numbered(300, 9);
    comment[0] = 3;
    const ByteVec p1 = VorbisPacket(false, 30, 1), p2 = VorbisPacket(true, 40000, 2), p3 = VorbisPacket(true, 40000, 3),
                  p4 = VorbisPacket(false, 20, 4);
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_VORBIS", {Binary(kCodecPrivate, VorbisPrivate(comment)), Audio(44100, 2)})}),
         Cluster(1000, {SimpleBlock(1, 20, 0x80, p1), SimpleBlock(1, 40, 0x80 | 0x02, XiphLaced({p2, p3})),
                        SimpleBlock(1, 100, 0x80, p4)})});
    Exported e;
    Export(file, ExportType::Ogg, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    const std::vector<OggPage> pages = OggPages(e.bytes);
    ASSERT_EQ(pages.size(), 3u + 1u + 2u + 1u);
    for (size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(pages[i].sequence, i);
    // The headers: one page each, granule 0, the first marked as the start.
    EXPECT_EQ(pages[0].flags, 0x02);
    EXPECT_TRUE(pages[0].data == VorbisIdentification(44100));
    EXPECT_EQ(pages[1].lacing, (std::vector<uint8_t>{255, 45}));  // the 300-byte comment header
    EXPECT_TRUE(pages[1].data == comment);
    EXPECT_TRUE(pages[2].data == VorbisSetup());
    for (int i = 1; i < 3; ++i) EXPECT_EQ(pages[i].flags, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pages[i].granule, 0);
    // First audio page: block at 1000 + 20 ms, 44100 Hz; the first packet adds no samples.
    EXPECT_EQ(pages[3].granule, 44982);
    EXPECT_TRUE(pages[3].data == p1);
    // The laced block needs 2 × 157 lacing values: two pages, the second continued.
    EXPECT_EQ(pages[4].lacing.size(), 255u);
    EXPECT_EQ(pages[4].flags, 0);
    EXPECT_EQ(pages[4].granule, 44982 + 64 + 512);  // only p2 ends on it
    EXPECT_EQ(pages[5].flags, 0x01);
    EXPECT_EQ(pages[5].granule, 44982 + 64 + 512 + 1024);
    EXPECT_TRUE(Joined({pages[4].data, pages[5].data}) == Joined({p2, p3}));
    // The last block's page ends the stream.
    EXPECT_EQ(pages[6].flags, 0x04);
    EXPECT_EQ(pages[6].granule, 44982 + 64 + 512 + 1024 + 512 + 64);
    EXPECT_TRUE(pages[6].data == p4);
}

TEST(ExportOgg, WithoutReadableSetupTheBlockTimesGiveTheGranules) {
    // A setup header whose end is no list of modes.
    const ByteVec id = VorbisIdentification(44100), comment = {3, 'v', 'o', 'r', 'b', 'i', 's'},
                  setup = {5, 'v', 'o', 'r', 'b', 'i', 's', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ByteVec cp = {2, static_cast<uint8_t>(id.size()), static_cast<uint8_t>(comment.size())};
    cp = Joined({cp, id, comment, setup});
    const ByteVec file = MatroskaFile(
        {Info(500000), Master(kTracks, {TrackEntry(1, 2, "A_VORBIS", {Binary(kCodecPrivate, cp), Audio(44100, 2)})}),
         Cluster(0, {SimpleBlock(1, 2000, 0x80, Numbered(10, 1)), SimpleBlock(1, 4000, 0x80, Numbered(10, 2))})});
    Exported e;
    Export(file, ExportType::Ogg, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    const std::vector<OggPage> pages = OggPages(e.bytes);
    ASSERT_EQ(pages.size(), 5u);
    // Half-millisecond ticks: blocks at 1 s and 2 s. The first block ends where the next
    // begins; the last lasts as long as the one before it.
    EXPECT_EQ(pages[3].granule, 88200);
    EXPECT_EQ(pages[4].granule, 88200 + 44100);
    EXPECT_EQ(pages[4].flags, 0x04);
}

TEST(ExportOgg, ACodecPrivateWithoutVorbisHeadersIsRefused) {
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_VORBIS", {Binary(kCodecPrivate, {1, 30, 1, 2, 3}), Audio(44100, 2)})}),
         Cluster(0, {SimpleBlock(1, 0, 0x80, Numbered(10, 1))})});
    Exported e;
    Export(file, ExportType::Ogg, e);
    EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten);
    EXPECT_FALSE(e.written);
    EXPECT_TRUE(e.Told("В CodecPrivate дорожки нет заголовков Vorbis. Экспорт прерван."));
}

// ------------------------------------------------------------- subtitles

ByteVec Bytes(const std::string& text) { return ByteVec(text.begin(), text.end()); }

TEST(ExportSrt, DurationsFromTheGroupsOrUpToTheNextEvent) {
    const std::string cyrillic = "Привет,\r\nмир";
    const auto file = [&](std::vector<ByteVec> info) {
        return MatroskaFile(
            {InfoMaster(info), Master(kTracks, {TrackEntry(3, 17, "S_TEXT/UTF8")}),
             Cluster(1000, {SimpleBlock(3, 0, 0x80, Bytes("one")), Group(3, 500, Bytes(cyrillic), 2500)}),
             Cluster(9000, {SimpleBlock(3, 0, 0x80, Bytes("three"))})});
    };
    Exported e;
    Export(file({}), ExportType::Srt, e);  // no TimecodeScale: 1 ms ticks
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_EQ(Text(e.bytes), "1\r\n00:00:01,000 --> 00:00:01,499\r\none\r\n\r\n"
                             "2\r\n00:00:01,500 --> 00:00:04,000\r\n" + cyrillic + "\r\n\r\n"
                             "3\r\n00:00:09,000 --> 00:00:12,000\r\nthree\r\n\r\n");
    EXPECT_EQ(e.host.statuses.back(), "ok");

    Exported half;
    Export(file({Uint(kTimecodeScale, 500000)}), ExportType::Srt, half);
    ASSERT_EQ(half.outcome, SaveOutcome::Written);
    EXPECT_NE(Text(half.bytes).find("2\r\n00:00:00,750 --> 00:00:02,000\r\n"), std::string::npos) << Text(half.bytes);
}

const std::string kAssHeaderLf =
    "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, Bold, Text\n"
    "Style: Default,Arial,20,&H00FFFFFF,0,0\n\n[Events]\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";

ByteVec AssFile(const std::string& codec, const std::string& header) {
    return MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 17, codec, {Binary(kCodecPrivate, Bytes(header))})}),
         Cluster(3723000, {Group(1, 45, Bytes("5,0,Default,,0,0,0,,Hello, {\\i1}world"), 1955),
                           Group(1, 3000, Bytes("6,,Default,,0,0,0,,Пока"), 1000)})});
}

TEST(ExportSrt, AnAssTrackKeepsOnlyItsTextWhateverItsFormatLine) {
    // The blocks hold the nine fields of Matroska's layout even when the
    // script's Format line names fewer: the text is still the ninth.
    const std::string shortFormat =
        "[Script Info]\nScriptType: v4.00+\n\n[Events]\nFormat: Layer, Start, End, Style, Name, Text\n";
    for (const std::string codec : {"S_TEXT/ASS", "S_TEXT/SSA"}) {
        for (const std::string& header : {kAssHeaderLf, shortFormat}) {
            Exported e;
            Export(AssFile(codec, header), ExportType::Srt, e);  // LF line ends, as mkvmerge writes them
            ASSERT_EQ(e.outcome, SaveOutcome::Written);
            EXPECT_EQ(Text(e.bytes), "1\r\n01:02:03,045 --> 01:02:05,000\r\nHello, {\\i1}world\r\n\r\n"
                                     "2\r\n01:02:06,000 --> 01:02:07,000\r\nПока\r\n\r\n")
                << codec << " " << header;
        }
    }
}

TEST(ExportSrt, ATextEndsAtItsFirstNul) {
    ByteVec padded = Bytes("Hi there");
    padded.push_back(0);
    for (uint8_t c : Bytes("garbage")) padded.push_back(c);
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(3, 17, "S_TEXT/UTF8")}),
                                       Cluster(0, {Group(3, 0, padded, 1000)})});
    Exported e;
    Export(file, ExportType::Srt, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_EQ(Text(e.bytes), "1\r\n00:00:00,000 --> 00:00:01,000\r\nHi there\r\n\r\n");
}

TEST(ExportAss, TheHeaderThenOneDialogueLinePerBlock) {
    Exported e;
    ExportSetup setup;
    setup.assExtension = "ass";
    Export(AssFile("S_TEXT/ASS", kAssHeaderLf), ExportType::Ass, e, setup);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_EQ(Text(e.bytes), kAssHeaderLf +
                                 "Dialogue: 0,01:02:03.04,01:02:05.00,Default,,0,0,0,,Hello, {\\i1}world\r\n"
                                 "Dialogue: 0,01:02:06.00,01:02:07.00,Default,,0,0,0,,Пока\r\n");

    // A header that does not end its Format line gets a line end, or the
    // first event would be glued to it.
    std::string cut = kAssHeaderLf;
    cut.pop_back();
    Exported glued;
    Export(AssFile("S_TEXT/ASS", cut), ExportType::Ass, glued);
    ASSERT_EQ(glued.outcome, SaveOutcome::Written);
    EXPECT_EQ(Text(glued.bytes).substr(0, cut.size() + 13), cut + "\r\nDialogue: 0");
}

}  // namespace
}  // namespace quillon::test
