#include <gtest/gtest.h>

#include "reader/block_header.h"
#include "reader/node_text.h"
#include "support/ebml_builder.h"

namespace quillon::test {
namespace {

Tblock Parse(const ByteVec& element) {
    Tblock block;
    EXPECT_EQ(ParseBlockHeader(element.data(), element.size(), element.size(), block), BlockParse::Ok);
    return block;
}

TEST(BlockHeader, AllLacings) {
    struct Case {
        const char* what;
        uint8_t flags;
        ByteVec lace;   // lace count byte and size bytes
        size_t payload;  // frame bytes after the lace header
        std::vector<uint32_t> sizes;
        std::string lacingText;
    } cases[] = {
        {"no lacing", 0x80, {}, 1226, {1226}, "00"},
        {"Xiph 300, 10, 50", 0x02, {0x02, 0xFF, 0x2D, 0x0A}, 360, {300, 10, 50}, "01"},
        {"Xiph run of exactly 255", 0x02, {0x01, 0xFF, 0x00}, 300, {255, 45}, "01"},
        {"fixed 4 frames of 1000 bytes", 0x04, {0x03}, 1000, {250, 250, 250, 250}, "10"},
        // EBML: 500, then +100 (0x40 0x00 biased: 0x5F 0xFF is 0; 0x60 0x63 is +100), then -200.
        {"EBML 500, 600, 400, rest", 0x06, {0x03, 0x41, 0xF4, 0x60, 0x63, 0x5F, 0x37}, 1600, {500, 600, 400, 100}, "11"},
    };
    for (const auto& c : cases) {
        const ByteVec element = SimpleBlock(1, 0, c.flags, Cat({c.lace, Frame(c.payload)}));
        const Tblock b = Parse(element);
        EXPECT_EQ(b.lacingText(), c.lacingText) << c.what;
        ASSERT_EQ(b.frameCount, c.sizes.size()) << c.what;
        for (size_t k = 0; k < c.sizes.size(); ++k) EXPECT_EQ(b.frameSize(k), c.sizes[k]) << c.what << " frame " << k;
        const size_t header = element.size() - c.payload;
        EXPECT_EQ(b.dataOffset, header) << c.what;  // behind the last lace byte
    }
}

TEST(BlockHeader, FixedLacingThatDoesNotDivideIsDamaged) {
    // 390 bytes cannot be 256 frames of one size: no frame boundary is known.
    for (const size_t payload : {size_t{1001}, size_t{390}}) {
        const ByteVec element = SimpleBlock(1, 0, 0x04, Cat({ByteVec{0xFF}, Frame(payload)}));
        Tblock block;
        EXPECT_EQ(ParseBlockHeader(element.data(), element.size(), element.size(), block), BlockParse::Damaged) << payload;
    }
}

TEST(BlockHeader, FlagsTimecodeAndTrack) {
    const Tblock b = Parse(SimpleBlock(300, -32768, 0x89, Frame(5)));  // key, invisible, discardable
    EXPECT_EQ(b.trackNumber, 300u);
    EXPECT_EQ(b.trackLen, 2);
    EXPECT_EQ(b.timecodeText(), "-32768");
    EXPECT_EQ(b.keyFrame(), 1);
    EXPECT_EQ(b.invisible(), 1);
    EXPECT_EQ(b.discardable(), 1);
    EXPECT_EQ(b.frameSize(0), 5u);
}

TEST(BlockHeader, LongLaceHeaderAsksForMoreBytes) {
    // 255 Xiph frames of 600 bytes: the lace header is 254 * 3 bytes long.
    ByteVec lace = {0xFE};
    for (int k = 0; k < 254; ++k) lace.insert(lace.end(), {0xFF, 0xFF, 0x5A});
    const ByteVec element = SimpleBlock(2, 0, 0x82, Cat({lace, Frame(255 * 600)}));
    Tblock b;
    EXPECT_EQ(ParseBlockHeader(element.data(), 24, element.size(), b), BlockParse::NeedMore);
    b = Parse(element);
    EXPECT_EQ(b.frameCount, 255);
    EXPECT_EQ(b.frameSize(0), 600u);
    EXPECT_EQ(b.frameSize(254), 600u);
}

TEST(BlockHeader, DamagedLaceSizesNeverClaimMoreThanTheBlock) {
    // Xiph sizes of 255 + 255 + 10 in a block with only 40 bytes of frames.
    const ByteVec element = SimpleBlock(1, 0, 0x02, Cat({ByteVec{0x01, 0xFF, 0xFF, 0x0A}, Frame(40)}));
    Tblock b;
    EXPECT_EQ(ParseBlockHeader(element.data(), element.size(), element.size(), b), BlockParse::Damaged);
    ASSERT_EQ(b.frameCount, 2);
    EXPECT_LE(b.frameSize(0), element.size());
    EXPECT_EQ(b.frameSize(1), 0u);
}

TEST(NodeText, BlocksAndValues) {
    Tbrick block;
    block.element = 50;  // SimpleBlock
    block.totalSize = 1234;
    block.block = Parse(SimpleBlock(1, 0, 0x80, Frame(1226)));
    EXPECT_EQ(NodeText(block), "SimpleBlock [1234]  (track: 1, 1 keyframe, timecode: 0, lacetype: 00, size(s): 1226)");

    Tbrick laced;
    laced.element = 48;  // Block
    laced.totalSize = 370;
    laced.block = Parse(SimpleBlock(2, -5, 0x02, Cat({ByteVec{0x02, 0xFF, 0x2D, 0x0A}, Frame(360)})));
    EXPECT_EQ(NodeText(laced), "Block [370]  (track: 2, 3 frames, timecode: -5, lacetype: 01, size(s): 300, 10, 50)");

    Tbrick type;
    type.element = 75;  // TrackType
    type.totalSize = 3;
    type.bytes = "\x01";
    type.number = 1;
    type.hasValue = true;
    EXPECT_EQ(NodeText(type), "TrackType [3] = 01 (video)");

    Tbrick name;
    name.element = 86;  // Name: UTF-8 text shown through the display conversion
    name.totalSize = 12;
    name.bytes = "Caf\xC3\xA9";
    name.hasValue = true;
    EXPECT_EQ(NodeText(name), "Name [12] = Café");

    Tbrick container;
    container.element = 41;  // Cluster
    container.totalSize = 99;
    EXPECT_EQ(NodeText(container), "Cluster [99]");
}

}  // namespace
}  // namespace quillon::test
