// The pieces of the single-track writers on their own: ADTS headers, Ogg
// lacing, CRC and paging, Vorbis packet durations and granules, subtitle
// times, ASS field cutting, and the export types a track offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/adts_writer.h"
#include "export/ass_writer.h"
#include "export/export_dispatch.h"
#include "export/ogg_stream.h"
#include "export/srt_writer.h"
#include "export/subtitle_events.h"
#include "export/vorbis_packets.h"
#include "reader/open_file.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

// ------------------------------------------------------------------ ADTS

TEST(AdtsHeader, StereoAt48kHzWithA371ByteFrame) {
    AdtsHeader h = AdtsHeaderTemplate(1, static_cast<uint8_t>(AdtsFrequencyIndex(48000)), AdtsChannelConfig(2));
    PutAdtsFrameLength(h, 371 + 7);
    // profile 01, index 3, channels 2; length 378 = 0b0000101111010; fullness 0x7FF.
    EXPECT_EQ(h, (AdtsHeader{0xFF, 0xF1, 0x4C, 0x80, 0x2F, 0x5F, 0xFC}));
    // The length field is replaced, not or-ed into the previous one.
    PutAdtsFrameLength(h, 8191);
    EXPECT_EQ(h, (AdtsHeader{0xFF, 0xF1, 0x4C, 0x83, 0xFF, 0xFF, 0xFC}));
    PutAdtsFrameLength(h, 7);
    EXPECT_EQ(h, (AdtsHeader{0xFF, 0xF1, 0x4C, 0x80, 0x00, 0xFF, 0xFC}));
}

TEST(AdtsHeader, FrequencyIndexAndChannelConfiguration) {
    const struct {
        uint32_t hz;
        int index;
    } rates[] = {{96000, 0}, {48000, 3}, {44100, 4}, {8000, 11}, {7350, 12}, {22000, -1}, {0, -1}};
    for (const auto& r : rates) EXPECT_EQ(AdtsFrequencyIndex(r.hz), r.index) << r.hz;
    EXPECT_EQ(AdtsChannelConfig(1), 1);
    EXPECT_EQ(AdtsChannelConfig(6), 6);
    EXPECT_EQ(AdtsChannelConfig(8), 7);  // 7.1 is configuration 7
    // Channel configuration 5 puts its top bit into byte 2.
    const AdtsHeader h = AdtsHeaderTemplate(1, 4, 5);
    EXPECT_EQ(h[2], 0x51);
    EXPECT_EQ(h[3], 0x40);
}

TEST(AdtsHeader, ProfileFromTheAudioSpecificConfig) {
    EXPECT_EQ(AdtsProfile(ByteVec{0x12, 0x10}), 1);  // object type 2, AAC LC
    EXPECT_EQ(AdtsProfile(ByteVec{0x0A, 0x10}), 0);  // object type 1, AAC Main
    EXPECT_EQ(AdtsProfile(ByteVec{0x22, 0x10}), 3);  // object type 4, AAC LTP
    EXPECT_EQ(AdtsProfile(ByteVec{0x2B, 0x92}), 1);  // object type 5 (SBR): its core is LC
    EXPECT_EQ(AdtsProfile(ByteVec{}), 1);
}

// ------------------------------------------------------------------- Ogg

std::vector<uint8_t> Lacing(uint32_t size) {
    std::vector<uint8_t> values;
    AppendOggLacing(size, values);
    return values;
}

TEST(OggLacing, WholeMultiplesOf255EndInAZero) {
    EXPECT_EQ(Lacing(255), (std::vector<uint8_t>{255, 0}));
    EXPECT_EQ(Lacing(510), (std::vector<uint8_t>{255, 255, 0}));
    EXPECT_EQ(Lacing(300), (std::vector<uint8_t>{255, 45}));
    EXPECT_EQ(Lacing(0), (std::vector<uint8_t>{0}));
    EXPECT_EQ(Lacing(254), (std::vector<uint8_t>{254}));
}

TEST(OggCrc, IsTheUnreflectedCrc32WithoutInversion) {
    const std::string check = "123456789";
    // CRC-32/CKSUM of the check string is 0x765E7680 after its final inversion.
    EXPECT_EQ(OggCrc(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
              ~0x765E7680u);
}

struct Page {
    uint8_t flags = 0;
    int64_t granule = 0;
    uint32_t serial = 0, sequence = 0;
    std::vector<uint8_t> lacing;
    std::vector<uint8_t> data;
    bool crcOk = false;
};

std::vector<Page> ReadPages(const std::vector<uint8_t>& bytes) {
    std::vector<Page> pages;
    size_t at = 0;
    auto le = [&](size_t p, int n) {
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | bytes[p + i];
        return v;
    };
    while (at + 27 <= bytes.size()) {
        EXPECT_EQ(std::string(bytes.begin() + at, bytes.begin() + at + 4), "OggS");
        Page page;
        page.flags = bytes[at + 5];
        page.granule = static_cast<int64_t>(le(at + 6, 8));
        page.serial = static_cast<uint32_t>(le(at + 14, 4));
        page.sequence = static_cast<uint32_t>(le(at + 18, 4));
        const uint32_t crc = static_cast<uint32_t>(le(at + 22, 4));
        const size_t count = bytes[at + 26];
        page.lacing.assign(bytes.begin() + at + 27, bytes.begin() + at + 27 + count);
        size_t size = 0;
        for (uint8_t v : page.lacing) size += v;
        const size_t total = 27 + count + size;
        page.data.assign(bytes.begin() + at + 27 + count, bytes.begin() + at + total);
        std::vector<uint8_t> copy(bytes.begin() + at, bytes.begin() + at + total);
        for (int i = 0; i < 4; ++i) copy[22 + i] = 0;
        page.crcOk = OggCrc(copy) == crc;
        pages.push_back(std::move(page));
        at += total;
    }
    EXPECT_EQ(at, bytes.size());
    return pages;
}

TEST(OggStream, APacketLongerThan255LacingValuesContinuesOnTheNextPage) {
    OggStream stream(1);
    std::vector<uint8_t> out;
    const std::vector<uint8_t> big(70000, 0x11), small(10, 0x22);
    stream.AddPacket(small, 100);
    stream.AddPacket(big, 200);  // 275 lacing values
    stream.AddPacket(small, 300);
    stream.PageOut(out, true);
    const std::vector<Page> pages = ReadPages(out);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].lacing.size(), 255u);
    EXPECT_EQ(pages[0].flags, 0x02);     // first page of the stream, not continued
    EXPECT_EQ(pages[0].granule, 100);    // only the small packet ends on it
    EXPECT_EQ(pages[1].lacing.size(), 1u + 275u + 1u - 255u);
    EXPECT_EQ(pages[1].flags, 0x01 | 0x04);  // continued, and the end of the stream
    EXPECT_EQ(pages[1].granule, 300);
    EXPECT_EQ(pages[0].data.size() + pages[1].data.size(), 70020u);
    for (const Page& p : pages) {
        EXPECT_TRUE(p.crcOk);
        EXPECT_EQ(p.serial, 1u);
    }
    EXPECT_EQ(pages[1].sequence, 1u);
}

TEST(OggStream, APageWhereNoPacketEndsHasNoGranule) {
    OggStream stream(7);
    std::vector<uint8_t> out;
    stream.AddPacket(std::vector<uint8_t>(255 * 600, 0x33), 4096);  // 601 lacing values
    stream.PageOut(out);
    const std::vector<Page> pages = ReadPages(out);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].granule, -1);
    EXPECT_EQ(pages[1].granule, -1);
    EXPECT_EQ(pages[1].flags, 0x01);
    EXPECT_EQ(pages[2].granule, 4096);
    EXPECT_EQ(pages[2].lacing.size(), 91u);
    EXPECT_EQ(pages[2].lacing.back(), 0);  // a multiple of 255 ends in a zero value
    EXPECT_EQ(pages[2].flags, 0x01);       // not the last: no end-of-stream flag
}

TEST(OggGranule, TimeInTicksToSamples) {
    EXPECT_EQ(GranuleAt(1000 + 20, 1000000, 44100), 44982);  // 1020 ms at 44100 Hz
    EXPECT_EQ(GranuleAt(7, 1000000, 44100), 309);            // 308.7: the nearest sample
    EXPECT_EQ(GranuleAt(2040, 500000, 44100), 44982);        // the same time in half-millisecond ticks
    EXPECT_EQ(GranuleAt(-5, 1000000, 44100), 0);
    EXPECT_EQ(GranuleAt(10LL * 3600 * 1000, 1000000, 192000), 10LL * 3600 * 192000);  // no overflow
}

// A Vorbis setup header that ends in two modes (short and long block),
// behind filler that stands for the codebooks and the rest.
class BitWriter {
public:
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (bit_ % 8 == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(1 << (bit_ % 8));
            ++bit_;
        }
    }
    std::vector<uint8_t> bytes;

private:
    size_t bit_ = 0;
};

}  // namespace

// Also used by the writer tests (export_tracks_test.cpp).
std::vector<uint8_t> VorbisIdentification(uint32_t rate) {
    std::vector<uint8_t> id = {1, 'v', 'o', 'r', 'b', 'i', 's', 0, 0, 0, 0, 2};
    for (int i = 0; i < 4; ++i) id.push_back(static_cast<uint8_t>(rate >> (8 * i)));
    id.insert(id.end(), 12, 0);
    id.push_back(0xB8);  // blocks of 256 and 2048 samples
    id.push_back(1);
    return id;
}

std::vector<uint8_t> VorbisSetup() {
    BitWriter w;
    for (int b : {5, int('v'), int('o'), int('r'), int('b'), int('i'), int('s'), 0xAA, 0x5A, 0xFF, 0x3C}) w.Put(b, 8);
    w.Put(1, 6);  // two modes
    for (uint32_t flag : {0u, 1u}) {
        w.Put(flag, 1);
        w.Put(0, 16);
        w.Put(0, 16);
        w.Put(flag, 8);  // mapping
    }
    w.Put(1, 1);  // framing
    return w.bytes;
}

namespace {

TEST(VorbisDurations, QuarterOfThePreviousBlockPlusQuarterOfThisOne) {
    VorbisDurations d;
    ASSERT_TRUE(d.Init(VorbisIdentification(44100), VorbisSetup()));
    EXPECT_EQ(d.modeCount(), 2u);
    EXPECT_EQ(d.rate(), 44100u);
    const std::vector<uint8_t> shortPacket = {0x00, 0x55}, longPacket = {0x02, 0x55};
    EXPECT_EQ(d.Next(shortPacket), 0);           // the first packet gives no samples
    EXPECT_EQ(d.Next(longPacket), 64 + 512);
    EXPECT_EQ(d.Next(longPacket), 512 + 512);
    EXPECT_EQ(d.Next(shortPacket), 512 + 64);
    EXPECT_EQ(d.Next(shortPacket), 64 + 64);
}

TEST(VorbisDurations, HeadersThatAreNotVorbisAreRefused) {
    VorbisDurations d;
    std::vector<uint8_t> setup = VorbisSetup();
    EXPECT_FALSE(d.Init(std::vector<uint8_t>(30, 0), setup));
    setup[1] = 'V';
    EXPECT_FALSE(d.Init(VorbisIdentification(44100), setup));
}

TEST(XiphHeaders, SplitsTheThreePacketsByTheirLacedSizes) {
    std::vector<uint8_t> cp = {2, 255, 45, 3};  // 300 and 3 bytes, then the rest
    cp.insert(cp.end(), 300, 0xA1);
    cp.insert(cp.end(), 3, 0xB2);
    cp.insert(cp.end(), 5, 0xC3);
    std::array<std::vector<uint8_t>, 3> packets;
    ASSERT_TRUE(SplitXiphHeaders(cp, packets));
    EXPECT_EQ(packets[0], std::vector<uint8_t>(300, 0xA1));
    EXPECT_EQ(packets[1], std::vector<uint8_t>(3, 0xB2));
    EXPECT_EQ(packets[2], std::vector<uint8_t>(5, 0xC3));
    cp[0] = 1;
    EXPECT_FALSE(SplitXiphHeaders(cp, packets));
    EXPECT_FALSE(SplitXiphHeaders(std::vector<uint8_t>{2, 255, 255}, packets));  // sizes run off the end
    EXPECT_FALSE(SplitXiphHeaders(std::vector<uint8_t>{2, 10, 10, 1, 2}, packets));  // packets missing
}

// ------------------------------------------------------------ subtitles

TEST(SubtitleTimes, BothFormsCutRatherThanRound) {
    const struct {
        int64_t ms;
        const char* srt;
        const char* ass;
    } cases[] = {
        {3723045, "01:02:03,045", "01:02:03.04"},
        {0, "00:00:00,000", "00:00:00.00"},
        {59999, "00:00:59,999", "00:00:59.99"},
        {360000000, "100:00:00,000", "100:00:00.00"},
        {-1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SrtTime(c.ms), c.srt) << c.ms;
        EXPECT_EQ(AssTime(c.ms), c.ass) << c.ms;
    }
}

TEST(SubtitleTimes, TicksScaleToMilliseconds) {
    EXPECT_EQ(TicksToMs(2500, 1000000), 2500);
    EXPECT_EQ(TicksToMs(2500, 500000), 1250);
    EXPECT_EQ(TicksToMs(66155, 22674), 1500);  // 1499.998 ms in a sample-exact scale
    EXPECT_EQ(TicksToMs(3, 333333), 1);
    EXPECT_EQ(TicksToMs(1, 333333), 0);
    EXPECT_EQ(TicksToMs(-40, 1000000), -40);
    EXPECT_EQ(TicksToMs(-66155, 22674), -1500);
}

TEST(SubtitleEvents, MissingDurationsEndJustBeforeTheNextEvent) {
    std::vector<Tsrt> events(3);
    events[0].start = 1000;
    events[1].start = 4000;
    events[1].duration = 500;
    events[2].start = 9000;
    FillDurations(events);
    EXPECT_EQ(events[0].duration, 2999);
    EXPECT_EQ(events[1].duration, 500);
    EXPECT_EQ(events[2].duration, 3000);
}

TEST(AssFields, CuttingLeavesCommasOfTheTextAlone) {
    EXPECT_EQ(CutLeadingFields("5,0,Default,,0,0,0,,Hello", 8), "Hello");
    EXPECT_EQ(CutLeadingFields("5,0,Default,,0,0,0,,Hello, world {\\i1}x\\Ny", 8), "Hello, world {\\i1}x\\Ny");
    EXPECT_EQ(CutLeadingFields("5,0,Default,Hi", 3), "Hi");
    EXPECT_EQ(CutLeadingFields("no commas", 8), "no commas");
    EXPECT_EQ(CutLeadingFields("a,b", -2), "a,b");
}

TEST(AssFields, DialogueLinePutsTheTimesBackAfterTheLayer) {
    EXPECT_EQ(AssDialogueLine("5,0,Default,,0,0,0,,Hello", 3723045, 3725000),
              "Dialogue: 0,01:02:03.04,01:02:05.00,Default,,0,0,0,,Hello");
    EXPECT_EQ(AssDialogueLine("5,,Default,,0,0,0,,Hi, there", 0, 1500),
              "Dialogue: 0,00:00:00.00,00:00:01.50,Default,,0,0,0,,Hi, there");
    EXPECT_EQ(AssDialogueLine("7,2,Sign,,0,0,0,,x", 10, 20), "Dialogue: 2,00:00:00.01,00:00:00.02,Sign,,0,0,0,,x");
}

// ----------------------------------------------------------- the types

TEST(ExportNames, ChangeOutExtReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(ChangeOutExt("/films/film.001.mkv", ".ac3"), "/films/film.001.ac3");
    EXPECT_EQ(ChangeOutExt("/films.old/film", ".srt"), "/films.old/film.srt");
    EXPECT_EQ(ChangeOutExt("film", ".ogg"), "film.ogg");
    EXPECT_EQ(ExportExtension(ExportType::Ass, "ssa"), ".ssa");
    EXPECT_EQ(ExportExtension(ExportType::WavMp3), ".wav");
    EXPECT_EQ(ExportExtension(ExportType::Flac), ".flac");
}

// The type buttons a file's checked track offers.
struct Offer {
    uint64_t type;
    const char* codec;
    std::vector<std::string> captions;
};

TEST(ExportTypes, EachCodecOffersItsButtons) {
    const Offer offers[] = {
        {2, "A_AC3", {"mka", "ac3", "wav (pcm)"}},
        {2, "A_MPEG/L3", {"mka", "mp3", "wav (mp3)", "wav (pcm)"}},
        {2, "A_PCM/INT/LIT", {"mka", "wav (pcm)"}},
        {2, "A_AAC", {"mka", "aac", "wav (pcm)"}},
        {2, "A_AAC/MPEG4/LC", {"mka", "wav (pcm)"}},  // every codec a decoder takes becomes PCM
        {2, "A_DTS", {"mka", "wav (pcm)"}},
        {2, "A_REAL/COOK", {"mka"}},
        {2, "A_VORBIS", {"mka", "ogg", "wav (pcm)"}},
        {2, "A_FLAC", {"mka", "flac", "wav (pcm)"}},
        {17, "S_TEXT/UTF8", {"mks", "srt"}},
        {17, "S_TEXT/ASS", {"mks", "srt", "ass"}},
        {17, "S_TEXT/SSA", {"mks", "srt", "ssa"}},
        {17, "S_VOBSUB", {"mks"}},
    };
    for (const Offer& o : offers) {
        TempFile file(MatroskaFile({Master(0x1654AE6B, {TrackEntry(1, o.type, o.codec)})}));
        Document doc;
        doc.sourcePath = file.path();
        CaptureHost host;
        CheckContainer(doc, host, true);
        ASSERT_EQ(doc.tatra.size(), 1u);
        const bool audio = o.type == 2;
        EXPECT_EQ(ChooseExportPanel(doc.tatra), audio ? ExportPanel::Audio : ExportPanel::Subtitles);
        const OfferedTypes offered = audio ? ActivateAudioTypes(doc) : ActivateSubsTypes(doc);
        std::vector<std::string> captions;
        for (ExportType t : offered.types) captions.push_back(ExportCaption(t, offered.assCaption));
        EXPECT_EQ(captions, o.captions) << o.codec;
    }
}

TEST(ExportTypes, SeveralCheckedTracksGetNoTypePanel) {
    TempFile file(MatroskaFile({Master(0x1654AE6B, {TrackEntry(1, 2, "A_AC3"), TrackEntry(2, 17, "S_TEXT/UTF8"),
                                                     TrackEntry(3, 1, "V_MPEG4/ISO/AVC")})}));
    Document doc;
    doc.sourcePath = file.path();
    CaptureHost host;
    CheckContainer(doc, host, true);
    ASSERT_EQ(doc.tatra.size(), 3u);
    doc.tatra[2].selectMark = "";
    EXPECT_EQ(ChooseExportPanel(doc.tatra), ExportPanel::None);  // one audio plus one subtitle track
    EXPECT_STREQ(PanelExtension(ChooseExportPanel(doc.tatra)), ".mkv");
    doc.tatra[1].selectMark = "";
    EXPECT_EQ(ChooseExportPanel(doc.tatra), ExportPanel::Audio);
    EXPECT_STREQ(PanelExtension(ExportPanel::Audio), ".mka");
    doc.tatra[0].selectMark = "";
    doc.tatra[2].selectMark = "y";
    EXPECT_EQ(ChooseExportPanel(doc.tatra), ExportPanel::None);  // a video track alone
    EXPECT_TRUE(ActivateAudioTypes(doc).types.empty());
}

TEST(ExportTypes, TheMatroskaTypesGoToTheRemux) {
    for (ExportType t : {ExportType::None, ExportType::Mka, ExportType::Mks}) EXPECT_EQ(FindExportWriter(t), nullptr);
    for (ExportType t : {ExportType::Ac3, ExportType::Aac, ExportType::Ogg, ExportType::Flac, ExportType::Mp3,
                         ExportType::WavMp3, ExportType::WavPcm, ExportType::Srt, ExportType::Ass})
        EXPECT_NE(FindExportWriter(t), nullptr);
}

}  // namespace
}  // namespace quillon::test
