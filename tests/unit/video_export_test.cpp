// The video and picture-subtitle stream exports end to end on built files:
// the stream each writer leaves, and the refusals of a CodecPrivate that
// cannot be read.
#include <gtest/gtest.h>

#include "core/generated/element_ids.h"
#include "export/export_dispatch.h"
#include "export/ivf_writer.h"
#include "export/nal_units.h"
#include "support/export_helpers.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec Info() { return InfoMaster({Uint(kTimecodeScale, 1000000)}); }
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec Joined(const std::vector<ByteVec>& parts) {
    ByteVec out;
    for (const ByteVec& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
// A NAL unit of `type` (its first byte as given) and `size` bytes in all.
ByteVec Unit(uint8_t firstByte, size_t size, uint8_t fill = 0x5A) {
    ByteVec unit(size, fill);
    unit[0] = firstByte;
    return unit;
}
// The unit behind a big-endian length of `lengthSize` bytes.
ByteVec Prefixed(const ByteVec& unit, int lengthSize) {
    ByteVec out;
    for (int k = lengthSize - 1; k >= 0; --k) out.push_back(static_cast<uint8_t>(unit.size() >> (8 * k)));
    out.insert(out.end(), unit.begin(), unit.end());
    return out;
}
const ByteVec kLong = {0, 0, 0, 1}, kShort = {0, 0, 1};

// avcC: one SPS and one PPS, NAL lengths of `lengthSize` bytes.
ByteVec AvcConfig(const ByteVec& sps, const ByteVec& pps, int lengthSize) {
    ByteVec c = {1, 0x64, 0, 0x0A, static_cast<uint8_t>(0xFC | (lengthSize - 1)), 0xE1};
    c.push_back(0);
    c.push_back(static_cast<uint8_t>(sps.size()));
    c.insert(c.end(), sps.begin(), sps.end());
    c.push_back(1);
    c.push_back(0);
    c.push_back(static_cast<uint8_t>(pps.size()));
    c.insert(c.end(), pps.begin(), pps.end());
    return c;
}

// hvcC: one array per unit, NAL lengths of 4 bytes.
ByteVec HevcConfig(const std::vector<ByteVec>& units) {
    ByteVec c(21, 0);
    c[0] = 1;
    c.push_back(0xF0 | 3);
    c.push_back(static_cast<uint8_t>(units.size()));
    for (const ByteVec& u : units) {
        c.push_back(static_cast<uint8_t>((u[0] >> 1) & 0x3F));
        c.insert(c.end(), {0, 1, 0, static_cast<uint8_t>(u.size())});
        c.insert(c.end(), u.begin(), u.end());
    }
    return c;
}

ByteVec VideoFile(const std::string& codec, const ByteVec& codecPrivate, const std::vector<ByteVec>& blocks,
                  const std::vector<ByteVec>& extra = {}) {
    std::vector<ByteVec> children = {Binary(kCodecPrivate, codecPrivate)};
    children.insert(children.end(), extra.begin(), extra.end());
    return MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 1, codec, children)}), Cluster(0, blocks)});
}

// ------------------------------------------------------------ H.264, HEVC

TEST(ExportAnnexB, H264UnitsOfEveryLengthSizeGetFourByteStartCodes) {
    const ByteVec sps = Unit(0x67, 9), pps = Unit(0x68, 4);
    const ByteVec idr = Unit(0x65, 300), sei = Unit(0x06, 7), slice = Unit(0x41, 20);
    for (int lengthSize : {1, 2, 4}) {
        const ByteVec big = lengthSize == 1 ? Unit(0x65, 200) : idr;
        const ByteVec file = VideoFile(
            "V_MPEG4/ISO/AVC", AvcConfig(sps, pps, lengthSize),
            {SimpleBlock(1, 0, 0x80, Joined({Prefixed(sei, lengthSize), Prefixed(big, lengthSize)})),
             SimpleBlock(1, 80, 0x00, {}),  // an empty frame gives nothing
             SimpleBlock(1, 40, 0x00, Prefixed(slice, lengthSize))});
        Exported e;
        Export(file, ExportType::H264, e);
        ASSERT_EQ(e.outcome, SaveOutcome::Written) << lengthSize;
        EXPECT_EQ(e.bytes, Joined({kLong, sps, kLong, pps, kLong, sei, kLong, big, kLong, slice})) << lengthSize;
    }
}

TEST(ExportAnnexB, HevcSetsGoFirstAndBeforeKeyFramesThatLackThem) {
    const ByteVec vps = Unit(0x40, 6), sps = Unit(0x42, 8), pps = Unit(0x44, 3), sei = Unit(0x4E, 5);
    const ByteVec idr = Unit(0x26, 40), trail = Unit(0x02, 10), cra = Unit(0x2A, 30), aud = Unit(0x46, 3);
    const ByteVec config = HevcConfig({vps, sps, pps, sei});
    const struct {
        const char* what;
        std::vector<ByteVec> blocks;
        ByteVec expected;
    } cases[] = {
        {"the hvcC's units first; the sets again before a later key frame, before its delimiter",
         {SimpleBlock(1, 0, 0x80, Prefixed(idr, 4)), SimpleBlock(1, 40, 0x00, Prefixed(trail, 4)),
          SimpleBlock(1, 80, 0x80, Joined({Prefixed(aud, 4), Prefixed(cra, 4)}))},
         Joined({kLong, vps, kLong, sps, kLong, pps, kShort, sei, kShort, idr, kShort, trail, kLong, vps, kLong, sps,
                 kLong, pps, kShort, aud, kShort, cra})},
        {"a first frame with sets of its own takes none of the hvcC's; its first unit gets 4 bytes",
         {SimpleBlock(1, 0, 0x80, Joined({Prefixed(aud, 4), Prefixed(vps, 4), Prefixed(sps, 4), Prefixed(pps, 4),
                                          Prefixed(idr, 4)})),
          SimpleBlock(1, 40, 0x00, Prefixed(trail, 4))},
         Joined({kLong, aud, kLong, vps, kLong, sps, kLong, pps, kShort, idr, kShort, trail})},
        {"an IRAP unit in a block not marked key still gets the sets",
         {SimpleBlock(1, 0, 0x80, Prefixed(idr, 4)), SimpleBlock(1, 40, 0x00, Prefixed(cra, 4))},
         Joined({kLong, vps, kLong, sps, kLong, pps, kShort, sei, kShort, idr, kLong, vps, kLong, sps, kLong, pps,
                 kShort, cra})},
    };
    for (const auto& c : cases) {
        Exported e;
        Export(VideoFile("V_MPEGH/ISO/HEVC", config, c.blocks), ExportType::Hevc, e);
        ASSERT_EQ(e.outcome, SaveOutcome::Written) << c.what;
        EXPECT_EQ(e.bytes, c.expected) << c.what;
    }
}

TEST(ExportAnnexB, AUnitRunningPastItsFrameKeepsWhatCameBeforeAndWarns) {
    const ByteVec sps = Unit(0x67, 9), pps = Unit(0x68, 4), idr = Unit(0x65, 30), slice = Unit(0x41, 20);
    ByteVec damaged = Joined({Prefixed(idr, 4), Prefixed(Unit(0x41, 50), 4)});
    damaged.resize(damaged.size() - 10);  // the second unit claims 10 bytes more than the frame holds
    const ByteVec file = VideoFile("V_MPEG4/ISO/AVC", AvcConfig(sps, pps, 4),
                                   {SimpleBlock(1, 0, 0x80, damaged), SimpleBlock(1, 40, 0, Joined({Prefixed(slice, 4), {0, 0}}))});
    Exported e;
    Export(file, ExportType::H264, e);
    ASSERT_EQ(e.outcome, SaveOutcome::WrittenWithWarnings);
    EXPECT_EQ(e.bytes, Joined({kLong, sps, kLong, pps, kLong, idr, kLong, slice}));
    EXPECT_TRUE(e.host.HasLine("• кадров, где длина NAL-блока выходит за конец кадра (записано то, что до неё): 2"));
}

TEST(ExportAnnexB, ACodecPrivateThatCannotBeReadIsRefused) {
    const ByteVec avc = AvcConfig(Unit(0x67, 9), Unit(0x68, 4), 4);
    ByteVec lengthThree = avc;
    lengthThree[4] = 0xFE;
    const ByteVec hevc = HevcConfig({Unit(0x40, 6), Unit(0x42, 8)});
    const struct {
        const char* codec;
        ExportType type;
        ByteVec codecPrivate;
        const char* message;
    } cases[] = {
        {"V_MPEG4/ISO/AVC", ExportType::H264, ByteVec(avc.begin(), avc.end() - 2),
         "CodecPrivate дорожки H.264 не читается (нужна запись avcC). Экспорт прерван."},
        {"V_MPEG4/ISO/AVC", ExportType::H264, {1, 0x64},
         "CodecPrivate дорожки H.264 не читается (нужна запись avcC). Экспорт прерван."},
        {"V_MPEG4/ISO/AVC", ExportType::H264, lengthThree,
         "CodecPrivate дорожки H.264 не читается (нужна запись avcC). Экспорт прерван."},
        {"V_MPEGH/ISO/HEVC", ExportType::Hevc, ByteVec(hevc.begin(), hevc.end() - 1),
         "CodecPrivate дорожки HEVC не читается (нужна запись hvcC). Экспорт прерван."},
        {"V_MPEGH/ISO/HEVC", ExportType::Hevc, ByteVec(20, 0),
         "CodecPrivate дорожки HEVC не читается (нужна запись hvcC). Экспорт прерван."},
    };
    for (const auto& c : cases) {
        Exported e;
        Export(VideoFile(c.codec, c.codecPrivate, {SimpleBlock(1, 0, 0x80, Prefixed(Unit(0x65, 10), 4))}), c.type, e);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten) << c.message;
        EXPECT_FALSE(e.written);
        EXPECT_TRUE(e.Told(c.message)) << c.message;
    }
}

TEST(NalUnits, SplittingStopsAtALengthPastTheEnd) {
    std::vector<std::span<const uint8_t>> units;
    const ByteVec two = Joined({Prefixed(Unit(1, 3), 2), Prefixed(Unit(2, 1), 2)});
    EXPECT_TRUE(SplitNalUnits(two, 2, units));
    EXPECT_EQ(units.size(), 2u);
    const ByteVec cut = {0, 0, 0, 9, 1, 2};
    EXPECT_FALSE(SplitNalUnits(cut, 4, units));
    EXPECT_TRUE(units.empty());
    const ByteVec stub = Joined({Prefixed(Unit(1, 3), 4), {0, 0}});  // too short for another length
    EXPECT_FALSE(SplitNalUnits(stub, 4, units));
    EXPECT_EQ(units.size(), 1u);
}

// ------------------------------------------------------------------- IVF

// The time bases mkvextract writes for these DefaultDurations.
TEST(IvfTimeBase, CommonRatesWithinTwentyMicrosecondsElseTheExactRateInSixteenBits) {
    const struct {
        uint64_t duration;
        IvfTimeBase base;
    } cases[] = {
        {0, {25, 1}},           {40000000, {25, 1}},        {40019999, {25, 1}},     {39980001, {25, 1}},
        {39980000, {50000, 1999}}, {40020000, {50000, 2001}}, {41708333, {24000, 1001}}, {33366667, {30000, 1001}},
        {33350000, {30000, 1001}}, {16683333, {60000, 1001}}, {8341667, {120, 1}},     {66666667, {15, 1}},
        {37000000, {1000, 37}},  {1000000, {1000, 1}},       {12345678, {65535, 809}}, {40070000, {4369, 175}},
        {83333333, {65535, 5461}}, {13888889, {13107, 182}},
    };
    for (const auto& c : cases) EXPECT_EQ(IvfTimeBaseOf(c.duration), c.base) << c.duration;
}

TEST(IvfTimeBase, TimesAreCountedInTheBaseAndRoundedDown) {
    EXPECT_EQ(IvfTimestamp(33000000, {30000, 1001}), 0u);
    EXPECT_EQ(IvfTimestamp(67000000, {30000, 1001}), 2u);
    EXPECT_EQ(IvfTimestamp(1000000000, {25, 1}), 25u);
    EXPECT_EQ(IvfTimestamp(-40000000, {25, 1}), 0u);
    EXPECT_EQ(IvfTimestamp(int64_t{1} << 62, {65535, 1}), uint64_t((__int128(1) << 62) * 65535 / 1000000000));
}

uint32_t Le32(const ByteVec& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }

TEST(ExportIvf, HeaderFramesAndAv1TemporalDelimiters) {
    const ByteVec sequence = {0x0A, 0x02, 0xAA, 0xBB}, frame = {0x32, 0x03, 1, 2, 3}, shown = {0x1A, 0x01, 0x80};
    const ByteVec video = Master(kVideo, {Uint(kPixelWidth, 320), Uint(kPixelHeight, 180)});
    const ByteVec av1Private = Joined({{0x81, 0, 0x0C, 0}, sequence});
    const struct {
        const char* what;
        const char* codec;
        ByteVec codecPrivate;
        std::vector<ByteVec> frames;  // one block each, 40 ms apart
        std::vector<ByteVec> written;
    } cases[] = {
        {"VP9 frames as they are", "V_VP9", {}, {Frame(30, 1), Frame(0), Frame(7, 2)}, {Frame(30, 1), Frame(0), Frame(7, 2)}},
        {"AV1: a delimiter before each frame but one that starts with a frame header", "V_AV1", av1Private,
         {Joined({sequence, frame}), shown, frame},
         {Joined({{0x12, 0}, sequence, frame}), shown, Joined({{0x12, 0}, frame})}},
        {"AV1: a first frame without a sequence header gets the CodecPrivate's", "V_AV1", av1Private, {frame, frame},
         {Joined({{0x12, 0}, sequence, frame}), Joined({{0x12, 0}, frame})}},
    };
    for (const auto& c : cases) {
        std::vector<ByteVec> blocks;
        for (size_t k = 0; k < c.frames.size(); ++k)
            blocks.push_back(SimpleBlock(1, static_cast<int16_t>(40 * k), k == 0 ? 0x80 : 0, c.frames[k]));
        Exported e;
        Export(VideoFile(c.codec, c.codecPrivate, blocks, {video, Uint(kDefaultDuration, 40000000)}), ExportType::Ivf, e);
        ASSERT_EQ(e.outcome, SaveOutcome::Written) << c.what;
        ASSERT_GE(e.bytes.size(), 32u) << c.what;
        EXPECT_EQ(ByteVec(e.bytes.begin(), e.bytes.begin() + 8), (ByteVec{'D', 'K', 'I', 'F', 0, 0, 32, 0})) << c.what;
        EXPECT_EQ(std::string(e.bytes.begin() + 8, e.bytes.begin() + 12), c.codec == std::string("V_AV1") ? "AV01" : "VP90");
        EXPECT_EQ(Le32(e.bytes, 12), 320u | 180u << 16) << c.what;
        EXPECT_EQ(Le32(e.bytes, 16), 25u) << c.what;
        EXPECT_EQ(Le32(e.bytes, 20), 1u) << c.what;
        EXPECT_EQ(Le32(e.bytes, 24), c.written.size()) << c.what;
        ByteVec expected(e.bytes.begin(), e.bytes.begin() + 32);
        for (size_t k = 0; k < c.written.size(); ++k) {
            const ByteVec header = {static_cast<uint8_t>(c.written[k].size()), 0, 0, 0, static_cast<uint8_t>(k), 0, 0, 0, 0, 0, 0, 0};
            expected = Joined({expected, header, c.written[k]});
        }
        EXPECT_EQ(e.bytes, expected) << c.what;
    }
}

TEST(ExportIvf, OtherVideoCodecsAreRefused) {
    Exported e;
    Export(VideoFile("V_THEORA", {}, {SimpleBlock(1, 0, 0x80, Frame(10))}), ExportType::Ivf, e);
    EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten);
    EXPECT_TRUE(e.Told("В IVF пишутся только дорожки VP8, VP9 и AV1; кодек дорожки: V_THEORA"));
}

// ---------------------------------------------------------- type offers

TEST(ExportTypes, EachCodecHasItsNaturalForm) {
    ByteVec h263(40, 0);
    std::copy_n("H263", 4, h263.begin() + 16);
    const struct {
        const char* codec;
        ByteVec codecPrivate;
        ExportType type;
    } cases[] = {
        {"A_AC3", {}, ExportType::Ac3},           {"A_MPEG/L3", {}, ExportType::Mp3},
        {"A_AAC", {}, ExportType::Aac},           {"A_AAC/MPEG4/LC", {}, ExportType::Aac},
        {"A_FLAC", {}, ExportType::Flac},         {"A_VORBIS", {}, ExportType::Ogg},
        {"S_TEXT/UTF8", {}, ExportType::Srt},     {"S_TEXT/ASS", {}, ExportType::Ass},
        {"S_TEXT/SSA", {}, ExportType::Ass},      {"V_MPEG4/ISO/AVC", {}, ExportType::H264},
        {"V_MPEGH/ISO/HEVC", {}, ExportType::Hevc}, {"A_DTS", {}, ExportType::None},
        {"V_VP8", {}, ExportType::Ivf},           {"V_VP9", {}, ExportType::Ivf},
        {"V_AV1", {}, ExportType::Ivf},
        {"V_MS/VFW/FOURCC", h263, ExportType::None}, {"V_MS/VFW/FOURCC", {1, 2}, ExportType::None},
        {"V_MPEG4/ISO/AVCX", {}, ExportType::None},
    };
    for (const auto& c : cases) EXPECT_EQ(NaturalExportType(c.codec, c.codecPrivate), c.type) << c.codec;
}

}  // namespace
}  // namespace quillon::test
