// The AVI conversion's pieces and whole conversions of built files: times of
// laced audio spread, the streams interleaved by time with each keeping its
// order, the header layout and index offsets, key flags, and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/generated/element_ids.h"
#include "export/avi_chunks.h"
#include "export/avi_codecs.h"
#include "export/avi_layout.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/export_helpers.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

uint32_t Le32At(const ByteVec& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
std::string TextAt(const ByteVec& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

AviChunk Chunk(AviStream s, int64_t time, uint32_t size = 10) { return AviChunk{s, size, 1, time, 0, 0}; }

TEST(AviChunks, LacedAudioTimesAreSpreadToTheNextGroup) {
    // Three MP3 frames of a block at 1000, then the next audio block at 1072:
    // 1024, 1048, 1072 (step 24; the first frame moves one step later).
    std::vector<AviChunk> chunks = {Chunk(AviStream::Audio, 1000), Chunk(AviStream::Video, 1010),
                                    Chunk(AviStream::Audio, 1000), Chunk(AviStream::Audio, 1000),
                                    Chunk(AviStream::Audio, 1072), Chunk(AviStream::Audio, 1200),
                                    Chunk(AviStream::Audio, 1200)};
    TimePofixMOVI(chunks);
    const int64_t expected[] = {1024, 1010, 1048, 1072, 1072, 1224, 1248};  // the last group takes the step before
    for (size_t i = 0; i < chunks.size(); ++i) EXPECT_EQ(chunks[i].time, expected[i]) << i;
}

TEST(AviChunks, InterleavingKeepsEachStreamsOrderAndTiesInListOrder) {
    // Video in decode order with presentation times: I 0, P 120, B 40, B 80, P 240.
    std::vector<AviChunk> chunks = {Chunk(AviStream::Video, 0),   Chunk(AviStream::Audio, 0),
                                    Chunk(AviStream::Video, 120), Chunk(AviStream::Video, 40),
                                    Chunk(AviStream::Audio, 64),  Chunk(AviStream::Video, 80),
                                    Chunk(AviStream::Audio, 120), Chunk(AviStream::Video, 240)};
    for (size_t i = 0; i < chunks.size(); ++i) chunks[i].sourcePos = i;
    std::vector<uint64_t> order;
    for (const uint32_t k : InterleaveByTime(chunks)) order.push_back(chunks[k].sourcePos);
    // Video 0 before audio 0 (listed first); the B-frames follow their P-frame
    // at its time, audio 64 goes before the P at 120; audio 120 after the
    // video of the same time that was listed before it.
    EXPECT_EQ(order, (std::vector<uint64_t>{0, 1, 4, 2, 3, 5, 6, 7}));
}

TEST(AviCodecs, TheTables) {
    EXPECT_TRUE(SupportedVideoCodec("V_MS/VFW/FOURCC"));
    EXPECT_FALSE(SupportedVideoCodec("V_MPEG4/ISO/ASP"));
    EXPECT_EQ(getVideoDeviceHandler("V_MS/VFW/FOURCC"), "DIVX");
    EXPECT_EQ(getVideoCompression("V_MS/VFW/FOURCC"), "DX50");
    EXPECT_EQ(getVideoCompression("V_VP9"), "xxxx");
    const struct {
        const char* codec;
        uint16_t tag;
    } audio[] = {{"A_MPEG/L3", 0x55}, {"A_AC3", 0x2000}, {"A_AAC", 0xFF}, {"A_PCM/INT/LIT", 0}, {"A_AAC/MPEG4/LC", 0}};
    for (const auto& a : audio) {
        EXPECT_EQ(getFormatTag(a.codec), a.tag) << a.codec;
        EXPECT_EQ(SupportedAudioCodec(a.codec), a.tag != 0) << a.codec;
    }
}

TEST(AviLayout, HeadersEndAtMoviAndTheIndexCountsPaddedChunks) {
    AviHeaders h;
    h.bitmapInfo = DefaultBitmapInfo(320, 240, "DX50");
    h.microSecPerFrame = 40000;
    h.totalFrames = 180000;
    const ByteVec video = BuildAviHeaders(h);
    ASSERT_EQ(video.size(), 2048u);
    EXPECT_EQ(Le32At(video, 16), 192u);  // hdrl without audio
    EXPECT_EQ(TextAt(video, 212), "JUNK");
    EXPECT_EQ(Le32At(video, 216), 2036u - 212 - 8);
    EXPECT_EQ(TextAt(video, 2036), "LIST");
    EXPECT_EQ(TextAt(video, 2044), "movi");
    EXPECT_EQ(Le32At(video, 24 + 8 + 24), 1u);                 // dwStreams
    EXPECT_EQ(Le32At(video, 100 + 8 + 24), 2500u);            // dwRate: 25 frames a second at dwScale 100
    EXPECT_EQ(TextAt(video, 164 + 8 + 16), "DX50");

    h.hasAudio = true;
    h.audioExtra.assign(12, 0);
    const ByteVec withAudio = BuildAviHeaders(h);
    ASSERT_EQ(withAudio.size(), 2048u);
    EXPECT_EQ(Le32At(withAudio, 16), 192u + 76 + 26 + 12);
    EXPECT_EQ(Le32At(withAudio, 216), 94u + 12);  // the audio strl

    // An odd strf is padded; its list counts the pad.
    h.audioExtra.assign(5, 0);
    const ByteVec odd = BuildAviHeaders(h);
    EXPECT_EQ(Le32At(odd, 216), 94u + 5 + 1);
    EXPECT_EQ(Le32At(odd, 288 + 4), 18u + 5);
    EXPECT_EQ(TextAt(odd, 288 + 8 + 24), "JUNK");

    const std::vector<AviChunk> written = {{AviStream::Video, 1001, 1, 0, 0, 0}, {AviStream::Audio, 20, 1, 0, 0, 0},
                                           {AviStream::Video, 7, 0, 0, 0, 0}};
    const ByteVec idx = BuildIdx1(written, {0, 1, 2});
    ASSERT_EQ(idx.size(), 8u + 48);
    EXPECT_EQ(TextAt(idx, 8), "00dc");
    EXPECT_EQ(Le32At(idx, 12), 16u);
    EXPECT_EQ(Le32At(idx, 16), 4u);
    EXPECT_EQ(TextAt(idx, 24), "01wb");
    EXPECT_EQ(Le32At(idx, 32), 4u + 8 + 1002);  // the 1001-byte chunk and its pad byte
    EXPECT_EQ(Le32At(idx, 44), 0u);             // not a key frame
    EXPECT_EQ(Le32At(idx, 48), 4u + 8 + 1002 + 8 + 20);
}

// ------------------------------------------------------------ whole files

ByteVec VfwEntry(uint64_t number, uint64_t defaultDuration = 0) {
    ByteVec bih(40, 0);
    bih[0] = 40, bih[4] = 64, bih[8] = 48;
    std::memcpy(&bih[16], "XVID", 4);
    std::vector<ByteVec> children = {Binary(kCodecPrivate, bih),
                                     Master(kVideo, {Uint(kPixelWidth, 64), Uint(kPixelHeight, 48)})};
    if (defaultDuration) children.push_back(Uint(kDefaultDuration, defaultDuration));
    return TrackEntry(number, 1, "V_MS/VFW/FOURCC", children);
}
ByteVec Mp3Entry(uint64_t number) {
    return TrackEntry(number, 2, "A_MPEG/L3", {Master(kAudio, {Float(kSamplingFrequency, 44100), Uint(kChannels, 2)})});
}
ByteVec RefGroup(uint64_t track, int16_t tc, const ByteVec& frame, int64_t reference) {
    return Master(kBlockGroup, {Element(kBlock, BlockPayload(track, tc, 0x00, frame)), Int(kReferenceBlock, reference)});
}
ByteVec PlainGroup(uint64_t track, int16_t tc, const ByteVec& frame) {
    return Master(kBlockGroup, {Element(kBlock, BlockPayload(track, tc, 0x00, frame))});
}
// A film of one cluster at 0; a negative duration leaves Duration out.
ByteVec FilmOf(double durationMs, const std::vector<ByteVec>& tracks, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> cluster = {Uint(kTimeCode, 0)};
    cluster.insert(cluster.end(), blocks.begin(), blocks.end());
    std::vector<ByteVec> info = {Uint(kTimecodeScale, 1000000)};
    if (durationMs >= 0) info.push_back(Float(kDuration, durationMs));
    return MatroskaFile({InfoMaster(info), MasterOf(kTracks, tracks), MasterOf(kCluster, cluster)});
}
ByteVec FilmFile(double durationMs, const std::vector<ByteVec>& blocks, bool withAudio = true) {
    std::vector<ByteVec> tracks = {VfwEntry(1)};
    if (withAudio) tracks.push_back(Mp3Entry(2));
    return FilmOf(durationMs, tracks, blocks);
}

// The idx1 entries of an AVI: (chunk ID, flags, offset, size).
struct Entry {
    std::string id;
    uint32_t flags, offset, size;
};
std::vector<Entry> Index(const ByteVec& avi) {
    std::vector<Entry> entries;
    const size_t moviSize = Le32At(avi, 2040);
    const size_t idx = 2044 + moviSize;
    if (idx + 8 > avi.size() || TextAt(avi, idx) != "idx1") return entries;
    for (size_t at = idx + 8; at + 16 <= avi.size(); at += 16)
        entries.push_back({TextAt(avi, at), Le32At(avi, at + 4), Le32At(avi, at + 8), Le32At(avi, at + 12)});
    return entries;
}

TEST(AviConvert, KeyFlagsFromGroupsAndSimpleBlocksAndTheChunksWhereTheIndexSays) {
    const ByteVec key = Frame(1001, 0x11), ref = Frame(300, 0x22), simpleKey = Frame(40, 0x33), simple = Frame(41, 0x44);
    const ByteVec mp3 = Frame(417, 0x55);
    const ByteVec file = FilmFile(2000, {PlainGroup(1, 0, key), SimpleBlock(2, 0, 0x80, mp3), RefGroup(1, 40, ref, -40),
                                         SimpleBlock(1, 80, 0x80, simpleKey), SimpleBlock(1, 120, 0x00, simple)});
    Exported e;
    ExportSetup setup;
    Export(file, ExportType::None, e, setup, /*avi=*/true);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    ASSERT_GT(e.bytes.size(), 2048u);
    EXPECT_EQ(Le32At(e.bytes, 4), e.bytes.size() - 8);
    const std::vector<Entry> entries = Index(e.bytes);
    ASSERT_EQ(entries.size(), 5u);
    const struct {
        const char* id;
        uint32_t flags;
        const ByteVec* payload;
    } expected[] = {{"00dc", 16, &key}, {"01wb", 16, &mp3}, {"00dc", 0, &ref}, {"00dc", 16, &simpleKey}, {"00dc", 0, &simple}};
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].id, expected[i].id) << i;
        EXPECT_EQ(entries[i].flags, expected[i].flags) << i;
        ASSERT_EQ(entries[i].size, expected[i].payload->size()) << i;
        const size_t at = 2044 + entries[i].offset;  // offsets count from the "movi" FOURCC
        EXPECT_EQ(TextAt(e.bytes, at), expected[i].id);
        EXPECT_EQ(ByteVec(e.bytes.begin() + at + 8, e.bytes.begin() + at + 8 + entries[i].size), *expected[i].payload);
    }
    // The BITMAPINFOHEADER and handler are the track's own.
    EXPECT_EQ(TextAt(e.bytes, 100 + 8 + 4), "XVID");
    EXPECT_EQ(TextAt(e.bytes, 164 + 8 + 16), "XVID");
    // Frames 40 ms apart: 25 a second, whatever the Duration says.
    EXPECT_EQ(Le32At(e.bytes, 32), 40000u);
}

TEST(AviConvert, RefusalsLeaveNoFile) {
    const ByteVec frame = Frame(100, 0x11);
    const struct {
        const char* what;
        ByteVec file;
        const char* told;
    } cases[] = {
        {"no video block", FilmFile(2000, {SimpleBlock(2, 0, 0x80, frame)}),
         "В видеодорожке нет ни одного блока: AVI не записан."},
        {"audio shorter than a second", FilmFile(500, {SimpleBlock(1, 0, 0x80, frame), SimpleBlock(2, 0, 0x80, frame)}),
         "Фильм короче секунды: скорость звука для AVI не вычислить, AVI не записан."},
        {"laced video", FilmFile(2000, {SimpleBlock(1, 0, 0x82, ByteVec{1, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})}),
         "видео с лейсингом не поддерживается, LaceType = 01"},
        {"audio an AVI does not take",
         FilmOf(2000,
                {VfwEntry(1), TrackEntry(2, 2, "A_VORBIS", {Master(kAudio, {Float(kSamplingFrequency, 48000)})})},
                {SimpleBlock(1, 0, 0x80, frame), SimpleBlock(2, 0, 0x80, frame)}),
         "Аудио кодек A_VORBIS\r\nне поддерживается контейнером AVI"},
    };
    for (const auto& c : cases) {
        Exported e;
        Export(c.file, ExportType::None, e, {}, /*avi=*/true);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten) << c.what;
        EXPECT_FALSE(e.written) << c.what;
        EXPECT_TRUE(e.Told(c.told)) << c.what;
    }
    // Without audio a short film is fine: only the audio rate needs a second.
    Exported shortFilm;
    Export(FilmFile(500, {SimpleBlock(1, 0, 0x80, frame)}, false), ExportType::None, shortFilm, {}, true);
    EXPECT_EQ(shortFilm.outcome, SaveOutcome::Written);
}

TEST(AviConvert, WithoutDurationTheLastBlockEndsTheFilm) {
    // Frames at 0, 40, 80 and a last one at 1960 lasting 40: the film is 2000 ms
    // long, so 417 audio bytes over 2 s; the frames come 1960 ÷ 3 ms apart
    // on average.
    const ByteVec frame = Frame(100, 0x11), mp3 = Frame(417, 0x55);
    const ByteVec file =
        FilmOf(-1, {VfwEntry(1), Mp3Entry(2)},
               {SimpleBlock(1, 0, 0x80, frame), SimpleBlock(2, 0, 0x80, mp3), SimpleBlock(1, 40, 0x00, frame),
                SimpleBlock(1, 80, 0x00, frame),
                Master(kBlockGroup, {Element(kBlock, BlockPayload(1, 1960, 0x00, frame)), Uint(kBlockDuration, 40)})});
    Exported e;
    Export(file, ExportType::None, e, {}, /*avi=*/true);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    EXPECT_EQ(Le32At(e.bytes, 32), 653168u);          // dwMicroSecPerFrame: 1.531 frames a second
    EXPECT_EQ(Le32At(e.bytes, 224 + 8 + 24), 208u);   // the audio dwRate: 417 bytes ÷ 2 s
    EXPECT_EQ(Le32At(e.bytes, 288 + 8 + 8), 208u);    // nAvgBytesPerSec
}

TEST(AviLayout, FrameRatesOfFrameDurations) {
    const struct {
        uint64_t nanoseconds;
        uint32_t rate, scale;
    } cases[] = {
        {40000000, 25, 1},        {41666667, 24, 1},        {41708333, 24000, 1001}, {33366667, 30000, 1001},
        {16683333, 60000, 1001},  {20000000, 50, 1},        {41708334, 24000, 1001}, {32000000, 125, 4},
        {1, 1000000000, 1},
    };
    for (const auto& c : cases) {
        const AviFrameRate r = FrameRateOfDuration(c.nanoseconds);
        // 32 ms a frame is 31.25 frames a second: no N/1 or N/1001 fits, so
        // it falls back to 10^9 over the duration, the same ratio.
        EXPECT_EQ(uint64_t(r.rate) * c.scale, uint64_t(c.rate) * r.scale) << c.nanoseconds;
        EXPECT_NE(r.rate, 0u) << c.nanoseconds;
    }
    EXPECT_EQ(FrameRateOfDuration(0).rate, 0u);

    // Averages of millisecond times snap to the rate they came from.
    const struct {
        double nanoseconds;
        uint32_t rate, scale;
    } averages[] = {{40e6, 25, 1}, {41.7e6, 24000, 1001}, {41.67e6, 24, 1}, {33.37e6, 30000, 1001}, {32e6, 31250, 1000}, {653.333e6, 1531, 1000}};
    for (const auto& c : averages) {
        const AviFrameRate r = FrameRateOfAverage(c.nanoseconds);
        EXPECT_EQ(r.rate, c.rate) << c.nanoseconds;
        EXPECT_EQ(r.scale, c.scale) << c.nanoseconds;
    }
}

TEST(AviConvert, TheFrameRateIsTheTracksDefaultDurationWhenItHasOne) {
    // Four frames of 40 ms in a film whose Duration says 2000 ms: the
    // average would be 500000 µs a frame, the track says 25 frames a second.
    const ByteVec frame = Frame(100, 0x11);
    std::vector<ByteVec> blocks;
    for (int16_t k = 0; k < 4; ++k) blocks.push_back(SimpleBlock(1, int16_t(40 * k), k == 0 ? 0x80 : 0x00, frame));
    for (const uint64_t duration : {uint64_t{40000000}, uint64_t{41708333}}) {
        Exported e;
        Export(FilmOf(2000, {VfwEntry(1, duration)}, blocks), ExportType::None, e, {}, /*avi=*/true);
        ASSERT_EQ(e.outcome, SaveOutcome::Written);
        const uint32_t scale = Le32At(e.bytes, 100 + 8 + 20), rate = Le32At(e.bytes, 100 + 8 + 24);
        if (duration == 40000000) {
            EXPECT_EQ(Le32At(e.bytes, 32), 40000u);  // dwMicroSecPerFrame
            EXPECT_EQ(rate, 25u);
            EXPECT_EQ(scale, 1u);
        } else {
            EXPECT_EQ(Le32At(e.bytes, 32), 41708u);
            EXPECT_EQ(rate, 24000u);
            EXPECT_EQ(scale, 1001u);
        }
    }
}

TEST(AviConvert, AnOutputPastFourGibibytesIsRefusedBeforeWriting) {
    // Three 1.5 GiB video frames, held as holes of a sparse file: every size
    // fits 32 bits, the AVI they would make does not.
    const uint64_t frameBytes = 3ull << 29;
    ByteVec file = EbmlHeader();
    const ByteVec body = Cat({InfoMaster({Uint(kTimecodeScale, 1000000), Float(kDuration, 120)}),
                              Master(kTracks, {VfwEntry(1)})});
    const ByteVec segment = UnknownSizeMaster(kSegment, {body, UnknownSizeMaster(kCluster, {Uint(kTimeCode, 0)})});
    file.insert(file.end(), segment.begin(), segment.end());
    ExportSetup setup;
    uint64_t at = file.size();
    for (int16_t k = 0; k < 3; ++k) {
        setup.sparsePieces.push_back(
            {at, Cat({IdBytes(kSimpleBlock), SizeField(4 + frameBytes, 8), ByteVec{0x81, 0, uint8_t(40 * k), 0x80}})});
        at += 1 + 8 + 4 + frameBytes;  // ID, size, block header, frame
    }
    setup.sparseSize = at;
    Exported e;
    Export(file, ExportType::None, e, setup, /*avi=*/true);
    EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten);
    EXPECT_FALSE(e.written);
    EXPECT_TRUE(e.Told("AVI вышел бы больше 4 ГиБ: такой файл AVI не опишет, он не записан."));
}

}  // namespace
}  // namespace quillon::test
