// Damaged places crafted byte by byte: each scan logs them, lists everything
// intact around them once, and a remux or export writes every intact block
// and never a byte the file does not hold.
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
ByteVec Audio(uint64_t number) { return TrackEntry(number, 2, "A_AC3"); }
ByteVec Frame1(uint64_t track, int16_t tc, uint8_t fill) { return SimpleBlock(track, tc, 0x80, Frame(6, fill)); }
ByteVec ClusterAt(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec UnknownCluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return UnknownSizeMaster(kCluster, children);
}
// An element whose size field claims `extra` bytes more than it holds.
ByteVec Overrunning(uint32_t id, const std::vector<ByteVec>& children, uint64_t extra) {
    ByteVec data;
    for (const ByteVec& c : children) data.insert(data.end(), c.begin(), c.end());
    return Cat({IdBytes(id), SizeField(data.size() + extra), data});
}
// Bytes no element starts with: 0x00 is no ID's first byte.
ByteVec Garbage(size_t size) { return ByteVec(size, 0x00); }

// Frames (their fill bytes) per track of the blocks a full scan lists.
std::map<uint64_t, std::string> FramesPerTrack(const tabrick& list) {
    std::map<uint64_t, std::string> frames;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].isBlock() && list[i].intactBlock()) frames[list[i].block.trackNumber] += std::to_string(list[i].block.timecode) + ",";
    return frames;
}

// A remux of `file` through the save command, as the front runs it.
struct Remuxed {
    ScanResult scan = ScanResult::Ok;
    SaveOutcome outcome = SaveOutcome::Failed;
    ByteVec bytes;
    CaptureHost host;
};

void RemuxBytes(const ByteVec& file, Remuxed& r) {
    TempFile in(file);
    Document doc;
    doc.sourcePath = in.path();
    r.scan = CheckContainer(doc, r.host, true).scan;
    FinishContainerCheck(doc, r.host, true);
    SaveRequest request;
    request.job = RemuxJob{};
    request.outputPath = in.path() + ".out.mkv";
    r.outcome = SaveCommand(doc, r.host, request);
    std::ifstream written(request.outputPath, std::ios::binary);
    r.bytes.assign(std::istreambuf_iterator<char>(written), {});
    std::remove(request.outputPath.c_str());
}

struct Case {
    const char* what;  // why the file is damaged
    ByteVec file;
    uint64_t damaged;            // damaged places the full scan logs
    std::vector<const char*> rows;  // element names that must each appear (in this order)
    std::map<uint64_t, std::string> frames;  // per track: the relative times of the intact blocks
};

std::vector<Case> Cases() {
    const ByteVec c0 = ClusterAt(0, {Frame1(1, 0, 0xA1), Frame1(2, 5, 0xB1)});
    const ByteVec c1 = ClusterAt(1000, {Frame1(1, 10, 0xA2), Frame1(2, 15, 0xB2)});
    const ByteVec c2 = ClusterAt(2000, {Frame1(1, 20, 0xA3), Frame1(2, 25, 0xB3)});
    return {
        {"a TrackEntry 26 bytes longer than its Tracks: it runs into the Cluster after it",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Overrunning(kTrackEntry, {Uint(kTrackNumber, 2), Uint(kTrackUID, 2), Uint(kTrackType, 2), Str(kCodecID, "A_AC3")}, 26)}), c0, c1}),
         1, {"Tracks", "TrackEntry", "TrackEntry", "Cluster", "Cluster"}, {{1, "0,10,"}, {2, "5,15,"}}},
        {"an unknown ID in the first TrackEntry: only the rest of that entry is lost",
         MatroskaFile({Info(), Master(kTracks, {Master(kTrackEntry, {Uint(kTrackNumber, 1), Garbage(3), Uint(kTrackType, 2)}), Audio(2)}), c0, c1}),
         1, {"TrackEntry", "TrackNumber", "TrackEntry", "TrackNumber", "TrackType", "Cluster", "Cluster"}, {{1, "0,10,"}, {2, "5,15,"}}},
        {"a SimpleBlock longer than its Cluster: it is cut and left out, the next cluster is listed once",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Audio(2)}),
                       MasterOf(kCluster, {Uint(kTimeCode, 0), Frame1(1, 0, 0xA1), Cat({IdBytes(kSimpleBlock), SizeField(40), BlockPayload(2, 5, 0x80, Frame(6))})}),
                       c1}),
         1, {"Cluster", "SimpleBlock", "SimpleBlock", "Cluster"}, {{1, "0,10,"}, {2, "15,"}}},
        {"a Block longer than its BlockGroup",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Audio(2)}),
                       ClusterAt(0, {Frame1(1, 0, 0xA1), Master(kBlockGroup, {Cat({IdBytes(kBlock), SizeField(30), BlockPayload(2, 5, 0, Frame(6))})})}),
                       c1}),
         1, {"BlockGroup", "Block", "Cluster"}, {{1, "0,10,"}, {2, "15,"}}},
        {"garbage over a known-size Cluster's first block: the walk goes on at the block behind it",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Audio(2)}), c0, MasterOf(kCluster, {Uint(kTimeCode, 1000), Garbage(12), Frame1(2, 15, 0xB2)}), c2}),
         1, {"Cluster", "Cluster", "TimeCode", "SimpleBlock", "Cluster"}, {{1, "0,20,"}, {2, "5,15,25,"}}},
        {"garbage in a Cluster of unknown size: the walk goes on at the block behind it",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Audio(2)}), UnknownCluster(0, {Frame1(1, 0, 0xA1), Garbage(40), Frame1(2, 5, 0xB1)}),
                       UnknownCluster(1000, {Frame1(1, 10, 0xA2), Frame1(2, 15, 0xB2)})}),
         1, {"Cluster", "SimpleBlock", "SimpleBlock", "Cluster", "SimpleBlock", "SimpleBlock"}, {{1, "0,10,"}, {2, "5,15,"}}},
        {"garbage between Clusters at the Segment level: the walk goes on at the next Cluster",
         MatroskaFile({Info(), Master(kTracks, {Audio(1), Audio(2)}), c0, Garbage(100), c1}),
         1, {"Cluster", "Cluster"}, {{1, "0,10,"}, {2, "5,15,"}}},
        {"a Cluster inside a TrackEntry: a top-level element where it cannot stand",
         MatroskaFile({Info(), Master(kTracks, {Master(kTrackEntry, {Uint(kTrackNumber, 1), Uint(kTrackType, 2), c1}), Audio(2)}), c0}),
         1, {"TrackEntry", "TrackEntry", "Cluster"}, {{1, "0,"}, {2, "5,"}}},
        {"a SimpleBlock inside a TrackEntry: no block stands there",
         MatroskaFile({Info(), Master(kTracks, {Master(kTrackEntry, {Uint(kTrackNumber, 1), Uint(kTrackUID, 1), Frame1(2, 0, 0xEE), Uint(kTrackType, 2), Str(kCodecID, "A_AC3")}), Audio(2)}), c0}),
         1, {"TrackEntry", "TrackNumber", "SimpleBlock", "TrackType", "TrackEntry", "Cluster"}, {{1, "0,"}, {2, "5,"}}},
        {"a Duration of 9 bytes: no float is that long",
         MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000), Element(kDuration, ByteVec(9, 1))}), Master(kTracks, {Audio(1), Audio(2)}), c0}),
         1, {"Info", "Duration", "Tracks"}, {{1, "0,"}, {2, "5,"}}},
    };
}

TEST(DamagedStructure, EveryScanListsWhatIsIntactOnceAndLogsTheDamage) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        for (const ScanKind kind : {ScanKind::Full, ScanKind::Quick, ScanKind::Header}) {
            Scanned s;
            ScanBytes(c.file, kind, s);
            ExpectWellFormed(s.list);
            if (kind == ScanKind::Full) {
                EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
                EXPECT_EQ(s.outcome.damagedPlaces, c.damaged);
                size_t from = 0;
                for (const char* name : c.rows) {
                    const int at = RowNamed(s.list, name, static_cast<int>(from));
                    ASSERT_GE(at, 0) << name << " missing after row " << from;
                    from = static_cast<size_t>(at) + 1;
                }
                EXPECT_EQ(FramesPerTrack(s.list), c.frames);
            }
            bool logged = false;
            for (const std::string& line : s.host.lines) logged |= line.rfind("• ошибка в структуре файла: ", 0) == 0;
            // The quick scan and the header read do not look inside clusters.
            if (kind == ScanKind::Full) {
                EXPECT_TRUE(logged);
            }
        }
    }
}

// The output's findings are at most the elements the damage took from the
// source (a TrackEntry that lost its CodecID is written without one).
void ExpectNoDamage(const Findings& findings) {
    for (const Finding& f : findings.items())
        EXPECT_TRUE(f.rule == Rule::MissingElement || f.rule == Rule::MissingEssential) << RuleName(f.rule) << " " << f.element;
}

// The remux of each case: every intact block once, the output undamaged.
TEST(DamagedStructure, RemuxWritesEveryIntactBlockOnce) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        Remuxed r;
        RemuxBytes(c.file, r);
        ASSERT_EQ(r.scan, ScanResult::StructureError);
        ASSERT_TRUE(r.outcome == SaveOutcome::Written || r.outcome == SaveOutcome::WrittenWithWarnings);
        Scanned out;
        ScanBytes(r.bytes, ScanKind::Full, out);
        ExpectNoDamage(out.outcome.findings);
        // Track numbers stay (1 and 2 in table order); relative times are the cluster rule's.
        std::map<uint64_t, size_t> blocks, expected;
        for (size_t i = 0; i < out.list.size(); ++i)
            if (out.list[i].isBlock()) ++blocks[out.list[i].block.trackNumber];
        for (const auto& [track, times] : c.frames) expected[track] = static_cast<size_t>(std::count(times.begin(), times.end(), ','));
        EXPECT_EQ(blocks, expected);
    }
}

TEST(DamagedStructure, ACutBlockIsLeftOutOfTheRemuxAndTold) {
    // The file ends 3 bytes into the last block's frame.
    ByteVec file = MatroskaFile({Info(), Master(kTracks, {Audio(1)}), ClusterAt(0, {Frame1(1, 0, 0xA1), Frame1(1, 32, 0xA2)})});
    file.resize(file.size() - 3);
    Remuxed r;
    RemuxBytes(file, r);
    ASSERT_EQ(r.scan, ScanResult::StructureError);
    EXPECT_TRUE(r.host.HasLine("• размер файла меньше размера, указанного в сегменте"));
    EXPECT_EQ(r.outcome, SaveOutcome::WrittenWithWarnings);
    EXPECT_TRUE(r.host.HasLine("• блоков пропущено (в исходном файле они не целые): 1"));
    const ByteVec& bytes = r.bytes;
    // The intact frame is there once; nothing of the cut one, and no zeros for its missing bytes.
    const ByteVec kept = Frame(6, 0xA1), cut(3, 0xA2);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), kept.begin(), kept.end()), bytes.end());
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), cut.begin(), cut.end()), bytes.end());
}

TEST(DamagedStructure, AFileWithoutInfoKeepsItsBlocks) {
    Remuxed r;
    RemuxBytes(MatroskaFile({Master(kTracks, {Audio(1)}), ClusterAt(0, {Frame1(1, 0, 0xA1), Frame1(1, 32, 0xA2)})}), r);
    ASSERT_EQ(r.scan, ScanResult::StructureError);
    EXPECT_TRUE(r.host.HasLine("• предупреждение: нет обязательного элемента: Segment @ 40: Info"));
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    Scanned out;
    ScanBytes(r.bytes, ScanKind::Full, out);
    ASSERT_EQ(out.outcome.result, ScanResult::Ok);
    EXPECT_EQ(FindChildValue(out.list, kTimecodeScale, FindFirstById(out.list, kInfo)), "1000000");
    EXPECT_EQ(FindChildValue(out.list, kDocType, 0), "matroska");
    EXPECT_EQ(FramesPerTrack(out.list), (std::map<uint64_t, std::string>{{1, "0,32,"}}));
}

}  // namespace
}  // namespace quillon::test
