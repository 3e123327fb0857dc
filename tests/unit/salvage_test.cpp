// Damage that used to end the walk early, each crafted byte by byte: the
// scan tells what is wrong and still lists every block the file holds whole,
// and a remux writes them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec Info() { return InfoMaster({Uint(kTimecodeScale, 1000000)}); }
ByteVec Tracks() { return Master(kTracks, {TrackEntry(1, 2, "A_AC3"), TrackEntry(2, 2, "A_AAC")}); }
ByteVec Block(uint64_t track, int16_t tc) { return SimpleBlock(track, tc, 0x80, Frame(40, static_cast<uint8_t>(0x10 * track + tc))); }
std::vector<ByteVec> ClusterChildren(uint64_t time, std::initializer_list<ByteVec> blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks);
    return children;
}
ByteVec Cluster(uint64_t time, std::initializer_list<ByteVec> blocks) { return MasterOf(kCluster, ClusterChildren(time, blocks)); }
ByteVec UnknownCluster(uint64_t time, std::initializer_list<ByteVec> blocks) { return UnknownSizeMaster(kCluster, ClusterChildren(time, blocks)); }
// A master whose size field says `size` whatever it holds (same width as a minimal one would be: 8 bytes).
ByteVec SizedMaster(uint32_t id, const ByteVec& data, uint64_t size) { return Cat({IdBytes(id), SizeField(size, 8), data}); }
ByteVec Data(std::initializer_list<ByteVec> parts) { return Cat(parts); }

ByteVec C0() { return Cluster(0, {Block(1, 0), Block(2, 5)}); }
ByteVec C1() { return Cluster(1000, {Block(1, 10), Block(2, 15)}); }
ByteVec C2() { return Cluster(2000, {Block(1, 20), Block(2, 25)}); }
const std::map<uint64_t, std::string> kAllBlocks = {{1, "0,10,20,"}, {2, "5,15,25,"}};

// Per track, the relative times of the blocks the scan lists whole, and whether each is listed once.
std::map<uint64_t, std::string> IntactBlocks(const tabrick& list) {
    std::map<uint64_t, std::string> frames;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].isBlock() && list[i].intactBlock()) frames[list[i].block.trackNumber] += std::to_string(list[i].block.timecode) + ",";
    return frames;
}

bool Found(const Scanned& s, Rule rule) {
    for (const Finding& f : s.outcome.findings.items())
        if (f.rule == rule) return true;
    return false;
}

struct Case {
    const char* what;
    ByteVec file;
    Rule told;  // the finding that names the damage
    std::map<uint64_t, std::string> blocks;
};

std::vector<Case> Cases() {
    const ByteVec head = Data({Info(), Tracks()});
    const ByteVec c0 = C0(), c1 = C1(), c2 = C2();
    // The first Cluster's size claims half of the next one too.
    const ByteVec c0Data(c0.begin() + 5, c0.end());
    const ByteVec overlong = SizedMaster(kCluster, c0Data, c0Data.size() + c1.size() / 2);
    // The first Cluster's size ends behind its first block: its second block follows at the Segment level.
    const ByteVec firstChildren = Data({Uint(kTimeCode, 0), Block(1, 0)});
    const ByteVec shortCluster = Cat({SizedMaster(kCluster, firstChildren, firstChildren.size()), Block(2, 5)});
    // A SimpleBlock in a Cluster of unknown size whose size runs 30 bytes into the next Cluster.
    const ByteVec runaway = Cat({IdBytes(kSimpleBlock), SizeField(BlockPayload(2, 5, 0x80, Frame(40)).size() + 30), BlockPayload(2, 5, 0x80, Frame(40))});
    // A Segment whose size ends behind the first Cluster.
    const ByteVec shortSegment = Cat({EbmlHeader(), IdBytes(kSegment), SizeField(head.size() + c0.size(), 8), head, c0, c1, c2});
    // Bytes between Clusters that read as an element of the wrong level with a runaway size.
    const ByteVec stray = Cat({IdBytes(kTrackJoinBlocks), SizeField(1ull << 40, 8), ByteVec(20, 0x33)});
    // Zeros over the second Cluster's ID and size field.
    ByteVec headless = c1;
    std::fill_n(headless.begin(), 5, 0);
    return {
        {"a Cluster whose ID and size are zeroed is rebuilt from its Timestamp",
         MatroskaFile({head, c0, headless, c2}), Rule::ClusterHeaderLost, kAllBlocks},
        {"a Cluster whose size runs into the middle of the next one ends where that one starts",
         MatroskaFile({head, overlong, c1, c2}), Rule::WrongSize, kAllBlocks},
        {"a Cluster whose size ends before its blocks do takes them back",
         MatroskaFile({head, shortCluster, c1, c2}), Rule::WrongSize, kAllBlocks},
        {"a Segment whose size ends before its Clusters do is read to the end of the file",
         shortSegment, Rule::SegmentTooShort, kAllBlocks},
        {"a Segment of size 0 is read as one of unknown size",
         Cat({EbmlHeader(), IdBytes(kSegment), SizeField(0, 8), head, c0, c1, c2}), Rule::SegmentSizeZero, kAllBlocks},
        {"an element of the wrong level with a runaway size between Clusters is skipped",
         MatroskaFile({head, c0, stray, c1, c2}), Rule::OutOfPlace, kAllBlocks},
        {"a SimpleBlock running into the next Cluster of unknown size is cut there",
         MatroskaFile({head, UnknownCluster(0, {Block(1, 0), runaway}), UnknownCluster(1000, {Block(1, 10), Block(2, 15)}), c2}),
         Rule::WrongSize, {{1, "0,10,20,"}, {2, "15,25,"}}},
    };
}

TEST(Salvage, EveryBlockTheFileHoldsWholeIsListedAndTheDamageTold) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        Scanned s;
        ScanBytes(c.file, ScanKind::Full, s);
        ExpectWellFormed(s.list);
        EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
        EXPECT_TRUE(Found(s, c.told)) << RuleName(c.told);
        EXPECT_EQ(IntactBlocks(s.list), c.blocks);
        // Each block keeps its own Cluster's time: 1000 ticks a Cluster, the block's time in its last digits.
        for (size_t i = 0; i < s.list.size(); ++i) {
            if (!s.list[i].isBlock() || !s.list[i].intactBlock()) continue;
            const int cluster = s.list[i].parent;
            EXPECT_EQ(FindChildValue(s.list, kTimeCode, cluster), std::to_string(s.list[i].block.timecode / 10 * 1000)) << i;
        }
        // The quick scan walks the same Segment level.
        Scanned quick;
        ScanBytes(c.file, ScanKind::Quick, quick);
        ExpectWellFormed(quick.list);
        EXPECT_EQ(quick.outcome.result, ScanResult::StructureError);
    }
}

TEST(Salvage, TheRemuxWritesThemAll) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        TempFile in(c.file);
        Document doc;
        doc.sourcePath = in.path();
        CaptureHost host;
        CheckContainer(doc, host, true);
        FinishContainerCheck(doc, host, true);
        SaveRequest request;
        request.job = RemuxJob{};
        request.outputPath = in.path() + ".out.mkv";
        const SaveOutcome outcome = SaveCommand(doc, host, request);
        EXPECT_TRUE(outcome == SaveOutcome::Written || outcome == SaveOutcome::WrittenWithWarnings);
        std::ifstream written(request.outputPath, std::ios::binary);
        const ByteVec bytes{std::istreambuf_iterator<char>(written), {}};
        std::remove(request.outputPath.c_str());
        Scanned out;
        ScanBytes(bytes, ScanKind::Full, out);
        EXPECT_EQ(out.outcome.result, ScanResult::Ok);
        std::map<uint64_t, size_t> counts, expected;
        for (size_t i = 0; i < out.list.size(); ++i)
            if (out.list[i].isBlock()) ++counts[out.list[i].block.trackNumber];
        for (const auto& [track, times] : c.blocks) expected[track] = static_cast<size_t>(std::count(times.begin(), times.end(), ','));
        EXPECT_EQ(counts, expected);
    }
}

// Two films glued together (cat a.mkv b.mkv): the second one's blocks are
// never given to the first one's tracks, and a save says it was left out.
TEST(Salvage, ASecondFileGluedBehindTheFirstIsListedNeverRead) {
    const ByteVec head = Data({Info(), Tracks()});
    const ByteVec second = MatroskaFile({head, Cluster(0, {Block(1, 90), Block(2, 95)})});
    const ByteVec knownSize = Cat({MatroskaFile({head, C0(), C1()}), second});
    const ByteVec unknownSize = Cat({EbmlHeader(), UnknownSizeMaster(kSegment, {head, UnknownCluster(0, {Block(1, 0), Block(2, 5)}),
                                                                             UnknownCluster(1000, {Block(1, 10), Block(2, 15)})}),
                                     second});
    for (const ByteVec& file : {knownSize, unknownSize}) {
        Scanned s;
        ScanBytes(file, ScanKind::Full, s);
        ExpectWellFormed(s.list);
        EXPECT_TRUE(Found(s, Rule::SecondSegment));
        EXPECT_EQ(IntactBlocks(s.list), (std::map<uint64_t, std::string>{{1, "0,10,"}, {2, "5,15,"}}));
        const int firstSegment = RowNamed(s.list, "Segment");
        const int secondSegment = RowNamed(s.list, "Segment", firstSegment + 1);
        ASSERT_GT(secondSegment, 0);
        EXPECT_EQ(s.list[secondSegment].depth, 0);
        EXPECT_EQ(s.list[secondSegment].end(), file.size());
        EXPECT_EQ(s.list[firstSegment].end(), file.size() - second.size());

        TempFile in(file);
        Document doc;
        doc.sourcePath = in.path();
        CaptureHost host;
        CheckContainer(doc, host, true);
        SaveRequest request;
        request.job = RemuxJob{};
        request.outputPath = in.path() + ".out.mkv";
        EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::WrittenWithWarnings);
        std::remove(request.outputPath.c_str());
        EXPECT_TRUE(host.HasLine("• второй сегмент не записан, он начинается с " + std::to_string(file.size() - second.size())));
    }
}

// Blocks whose bytes are gone cannot be listed, but a track of fixed frame
// length shows the hole they left: the save counts them.
TEST(Salvage, BlocksLostInDamagedBytesAreCountedByTheHoleInTheirTrack) {
    const ByteVec tracks = Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Uint(kDefaultDuration, 32000000)}),
                                            TrackEntry(2, 17, "S_TEXT/UTF8")});
    const auto block = [](int16_t tc) { return SimpleBlock(1, tc, 0x80, Frame(40)); };
    const size_t lostBytes = 3 * block(0).size();
    const ByteVec file = MatroskaFile({Info(), tracks, Cluster(0, {block(0), block(32), SimpleBlock(2, 40, 0x80, Frame(10)),
                                                                   ByteVec(lostBytes, 0x00), block(160), block(192)}),
                                       Cluster(224, {block(0)})});
    TempFile in(file);
    Document doc;
    doc.sourcePath = in.path();
    CaptureHost host;
    CheckContainer(doc, host, true);
    EXPECT_EQ(doc.lostBlocks, 3u);
    SaveRequest request;
    request.job = RemuxJob{};
    request.outputPath = in.path() + ".out.mkv";
    EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::WrittenWithWarnings);
    std::remove(request.outputPath.c_str());
    EXPECT_TRUE(host.HasLine("• блоков пропущено (потеряны в повреждённых байтах, по времени соседних): 3"));
}

}  // namespace
}  // namespace quillon::test
