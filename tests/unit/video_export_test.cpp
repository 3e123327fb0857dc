// The video and picture-subtitle stream exports end to end on built files:
// the stream each writer leaves, and the refusals of a CodecPrivate that
// cannot be read.
#include <gtest/gtest.h>

#include "core/generated/element_ids.h"
#include "export/export_dispatch.h"
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
        {"V_MS/VFW/FOURCC", h263, ExportType::None}, {"V_MS/VFW/FOURCC", {1, 2}, ExportType::None},
        {"V_MPEG4/ISO/AVCX", {}, ExportType::None},
    };
    for (const auto& c : cases) EXPECT_EQ(NaturalExportType(c.codec, c.codecPrivate), c.type) << c.codec;
}

}  // namespace
}  // namespace quillon::test
