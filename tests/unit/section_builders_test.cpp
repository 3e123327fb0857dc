#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/generated/element_ids.h"
#include "support/ebml_builder.h"

#include "writer/index_builders.h"
#include "reader/model_builder.h"
#include "writer/section_builders.h"

namespace quillon {
namespace {

using V = std::vector<uint8_t>;

TEST(SectionBuilders, EbmlHeaderWritesPresentValuesInOrder) {
    tebml e;
    e.ebmlVersion.Set(1);
    e.docType.Set("matroska");
    e.docTypeReadVersion.Set(2);
    EXPECT_EQ(makeEBMLbuff(e), (V{0x1A, 0x45, 0xDF, 0xA3, 0x93, 0x42, 0x86, 0x81, 0x01, 0x42, 0x82, 0x88, 'm', 'a', 't',
                                  'r', 'o', 's', 'k', 'a', 0x42, 0x85, 0x81, 0x02}));
}

TEST(SectionBuilders, InfoValues) {
    // The two names every file must carry: ours when the model has none.
    const V apps = {0x4D, 0x80, 0x87, 'Q', 'u', 'i', 'l', 'l', 'o', 'n', 0x57, 0x41, 0x87, 'Q', 'u', 'i', 'l', 'l', 'o', 'n'};
    EXPECT_EQ(makeINFObuff(tinfo{}), test::Cat({V{0x15, 0x49, 0xA9, 0x66, 0x94}, apps}));
    tinfo info;
    info.timecodeScale.Set(1000000);
    info.duration.Set(2.5f);
    info.muxingApp.Set("m");
    info.writingApp.Set("w");
    const V bytes = makeINFObuff(info);
    EXPECT_EQ(bytes, (V{0x15, 0x49, 0xA9, 0x66, 0x96, 0x2A, 0xD7, 0xB1, 0x83, 0x0F, 0x42, 0x40, 0x4D, 0x80, 0x81, 'm',
                        0x57, 0x41, 0x81, 'w', 0x44, 0x89, 0x84, 0x40, 0x20, 0x00, 0x00}));
    info = tinfo{};
    info.segmentUID.Set(fillSegmentUID("ABC"));  // padded on the left
    const V uid = makeINFObuff(info);
    ASSERT_EQ(uid.size(), 5u + apps.size() + 3 + 16);
    EXPECT_EQ(V(uid.end() - 3, uid.end()), (V{0x00, 0x0A, 0xBC}));
}

tTrackEntry Entry(uint64_t number, uint8_t type, const std::string& codec) {
    tTrackEntry t;
    t.trackNumber.Set(number);
    t.trackUID.Set(0xF000000000000000ull + number);  // needs all 64 bits
    t.trackType.Set(type);
    t.codecID.Set(codec);
    return t;
}

TEST(SectionBuilders, TracksRenumberedWithTheirOwnChildren) {
    std::vector<tTrackEntry> tracks = {Entry(1, 1, "V"), Entry(2, 2, "A"), Entry(3, 17, "S")};
    tracks[0].displayWidth.Set(640);  // no DisplayHeight
    tracks[0].otherVideoChildren = {0x55, 0xB0, 0x81, 0x00};        // a raw Colour kept as it was
    tracks[2].otherEntryChildren = {0x22, 0xB5, 0x9D, 0x82, 'r', 'u'};  // LanguageBCP47
    TrackTable table(3);
    for (size_t i = 0; i < 3; ++i) {
        table[i].numberText = std::to_string(i + 1);
        table[i].selectMark = i == 1 ? "" : "y";
    }
    const V bytes = makeTRACKSbuff(tracks, TrackMap::FromTracks(table));
    const V first = {0xAE, 0x9F, 0xD7, 0x81, 0x01, 0x73, 0xC5, 0x88, 0xF0, 0, 0, 0, 0, 0, 0, 0x01, 0x83, 0x81, 0x01,
                     0x86, 0x81, 'V', 0xE0, 0x89, 0x54, 0xB0, 0x82, 0x02, 0x80, 0x55, 0xB0, 0x81, 0x00};
    const V second = {0xAE, 0x9A, 0xD7, 0x81, 0x02, 0x73, 0xC5, 0x88, 0xF0, 0, 0, 0, 0, 0, 0, 0x03, 0x83, 0x81, 0x11,
                      0x86, 0x81, 'S', 0x22, 0xB5, 0x9D, 0x82, 'r', 'u'};
    V expected = {0x16, 0x54, 0xAE, 0x6B, static_cast<uint8_t>(0x80 | (first.size() + second.size()))};
    expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(bytes, expected);
}

TEST(SectionBuilders, TrackWithoutUidGetsANonZeroOne) {
    tTrackEntry t = Entry(1, 2, "A");
    t.trackUID.Set(0);
    TrackTable table(1);
    table[0].numberText = "1";
    table[0].selectMark = "y";
    const V bytes = makeTRACKSbuff({t}, TrackMap::FromTracks(table));
    // AE size D7 81 01 73 C5 size uid...
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(bytes[10], 0x73);
    EXPECT_NE(bytes[13], 0x00);  // the UID's first byte
}

TEST(SectionBuilders, AttachmentsAreWrittenWithTheirDataFromTheSource) {
    // The source holds the file's data at offset 3.
    const test::TempFile source({0xEE, 0xEE, 0xEE, 1, 2, 0xEE});
    const test::TempFile target({});
    SourceFile in;
    ASSERT_TRUE(in.Open(source.path()));
    tAttachedFile f;
    f.fileName.Set("a");
    f.fileData.Set(ByteRange{0, 3, 2});
    f.fileUID.Set(~0ull);
    OutputFile out;
    ASSERT_TRUE(out.Create(target.path()));
    ASSERT_TRUE(writeATTF({f}, in, out));
    ASSERT_TRUE(out.Commit());
    std::ifstream written(target.path(), std::ios::binary);
    const V bytes((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, (V{0x19, 0x41, 0xA4, 0x69, 0x97, 0x61, 0xA7, 0x94, 0x46, 0x6E, 0x81, 'a', 0x46, 0x5C, 0x82, 1, 2,
                        0x46, 0xAE, 0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(makeCHAPbuff({0x45, 0xB9, 0x80}), (V{0x10, 0x43, 0xA7, 0x70, 0x83, 0x45, 0xB9, 0x80}));
}

TEST(IndexBuilders, CuesAndSeekHeads) {
    EXPECT_EQ(cues2buff({}), (V{0x1C, 0x53, 0xBB, 0x6B, 0x80}));
    EXPECT_EQ(cues2buff({CueRow{1000, 1, 300}}),
              (V{0x1C, 0x53, 0xBB, 0x6B, 0x8F, 0xBB, 0x8D, 0xB3, 0x82, 0x03, 0xE8, 0xB7, 0x87, 0xF7, 0x81, 0x01, 0xF1,
                 0x82, 0x01, 0x2C}));
    EXPECT_EQ(calcCUESlen({CueRow{1000, 1, 300}}), 15u);
    EXPECT_EQ(seekhead2buff({TSeek{kInfo, 4000}}),
              (V{0x11, 0x4D, 0x9B, 0x74, 0x8F, 0x4D, 0xBB, 0x8C, 0x53, 0xAB, 0x84, 0x15, 0x49, 0xA9, 0x66, 0x53, 0xAC,
                 0x82, 0x0F, 0xA0}));
}

TEST(IndexBuilders, FrontSeekHeadAndVoidFillTheReserveExactly) {
    for (size_t entries : {1u, 4u, 6u, 150u, 190u}) {
        std::vector<TSeek> seeks(entries, TSeek{kCluster, 123456});
        const V head = topHeadxVoid2buff(seeks);
        const size_t seekHead = seekhead2buff(seeks).size();
        ASSERT_EQ(head[seekHead], 0xEC) << entries;
        const size_t sizeLength = head.size() - seekHead - 1;
        uint64_t voidData = sizeLength == 1 ? head.back() & 0x7F : ((head[seekHead + 1] & 0x3F) << 8) | head.back();
        EXPECT_EQ(head.size() + voidData, kFrontReserve) << entries;
    }
}

}  // namespace
}  // namespace quillon
