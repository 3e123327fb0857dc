#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/generated/element_ids.h"

#include "reader/element_queries.h"
#include "reader/video_check.h"

#include "core/dictionary.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

// A valid two-byte EBML ID that no dictionary row has.
constexpr uint32_t kUnknownId = 0x4FAB;

ByteVec Info() { return InfoMaster({Uint(kTimecodeScale, 1000000), Float(0x4489, 5023.9)}); }
ByteVec Tracks() {
    return Master(kTracks, {TrackEntry(1, 1, "V_MPEG4/ISO/AVC", {Master(kVideo, {Uint(0xB0, 320), Uint(kPixelHeight, 240)})}),
                            TrackEntry(2, 2, "A_AC3")});
}
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
// A SeekHead whose one entry points at the Info right behind it.
ByteVec SeekHead() {
    const auto head = [](uint64_t infoAt) {
        return Master(kSeekHead, {Master(kSeek, {Binary(kSeekID, {0x15, 0x49, 0xA9, 0x66}), Uint(kSeekPosition, infoAt)})});
    };
    return head(head(0).size());
}
// Cues with one point: track 1 at time 0 in the Cluster at `clusterAt` (counted from the Segment's data).
ByteVec Cues(uint64_t clusterAt) {
    return Master(kCues, {Master(kCuePoint, {Uint(kCueTime, 0), Master(kCueTrackPositions, {Uint(kCueTrack, 1), Uint(kCueClusterPosition, clusterAt)})})});
}
ByteVec Tags() {
    return Master(kTags, {Master(kTag, {Master(kTargets, {}), Master(kSimpleTag, {Str(kTagName, "TITLE"), Str(kTagString, "film")})})});
}

ByteVec NormalFile() {
    const ByteVec head = Cat({SeekHead(), Info(), Tracks()});
    return MatroskaFile({head, Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(20)), SimpleBlock(2, 5, 0x80, Frame(10))}),
                         Cluster(40, {SimpleBlock(1, 0, 0x00, Frame(7))}), Cues(head.size())});
}

TEST(ContainerScan, RefusesAFileWithoutTheSignature) {
    for (const ScanKind kind : {ScanKind::Quick, ScanKind::Full, ScanKind::Header}) {
        Scanned s;
        ScanBytes(ByteVec{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, kind, s);
        EXPECT_EQ(s.outcome.result, ScanResult::NoSignature);
        EXPECT_EQ(s.host.lines, std::vector<std::string>{"• отсутствует сигнатура 1A45DFA3"});
        EXPECT_TRUE(s.list.empty());
    }
}

TEST(ContainerScan, RefusesAFileWithoutASegment) {
    Scanned s;
    ScanBytes(Cat({EbmlHeader(), Master(kTags, {})}), ScanKind::Full, s);
    EXPECT_EQ(s.outcome.result, ScanResult::NoSegment);
    EXPECT_EQ(s.host.lines, std::vector<std::string>{"• ожидался сегмент (18538067) и не нашёлся"});
    EXPECT_TRUE(s.list.empty());
}

TEST(ContainerScan, QuickScanListsClustersCuesAndSeekHeadWithoutChildren) {
    Scanned s;
    ScanBytes(NormalFile(), ScanKind::Quick, s);
    ASSERT_EQ(s.outcome.result, ScanResult::Ok);
    const std::vector<std::string> expected = {
        "EBML", ".EBMLVersion", ".EBMLReadVersion", ".EBMLMaxIDLength", ".EBMLMaxSizeLength", ".DocType",
        ".DocTypeVersion", ".DocTypeReadVersion", "Segment", ".SeekHead", ".Info", "..TimecodeScale",
        "..Duration", "..MuxingApp", "..WritingApp", ".Tracks", "..TrackEntry", "...TrackNumber", "...TrackUID", "...TrackType", "...CodecID",
        "...Video", "....PixelWidth", "....PixelHeight", "..TrackEntry", "...TrackNumber", "...TrackUID",
        "...TrackType", "...CodecID", ".Cluster", ".Cluster", ".Cues"};
    EXPECT_EQ(Outline(s.list), expected);
    EXPECT_EQ(s.host.lines, (std::vector<std::string>{"• файл открыт", "• быстрая проверка контейнера",
                                                      "• ошибки контейнера не обнаружены"}));
    EXPECT_EQ(FindUsedBlockType(s.list), "...");
}

TEST(ContainerScan, FullScanListsEveryBlockWithItsHeader) {
    Scanned s;
    ScanBytes(NormalFile(), ScanKind::Full, s);
    ASSERT_EQ(s.outcome.result, ScanResult::Ok);
    EXPECT_EQ(s.host.lines, (std::vector<std::string>{"• файл открыт", "• проверка контейнера",
                                                      "• ошибки контейнера не обнаружены",
                                                      "• построение дерева файла"}));
    const int first = RowNamed(s.list, "SimpleBlock");
    ASSERT_GE(first, 0);
    const Tbrick& row = s.list[first];
    EXPECT_EQ(row.block.trackNumber, 1u);
    EXPECT_EQ(row.block.keyFrame(), 1);
    EXPECT_EQ(row.block.frameCount, 1);
    EXPECT_EQ(row.block.frameSize(0), 20u);
    EXPECT_EQ(row.block.dataOffset, 6u);  // ID, size, track, timecode(2), flags
    EXPECT_EQ(row.totalSize, 26u);
    EXPECT_EQ(s.list[RowNamed(s.list, "SimpleBlock", first + 1)].block.timecodeText(), "5");
    EXPECT_EQ(FindUsedBlockType(s.list), "s-mode");
    EXPECT_EQ(s.list[RowNamed(s.list, "TrackType")].ValueText(), "01 (video)");
    EXPECT_EQ(s.list[RowNamed(s.list, "Duration")].ValueText(), "5023");
    // Positions chain: every row's data starts where its header ends, and
    // siblings follow each other.
    const int cues = RowNamed(s.list, "Cues");
    const int lastCluster = RowNamed(s.list, "Cluster", RowNamed(s.list, "Cluster") + 1);
    EXPECT_EQ(s.list[lastCluster].end(), s.list[cues].position);
    EXPECT_EQ(s.list[cues].end(), s.list[1 + RowNamed(s.list, "Segment") - 1].end());
}

TEST(ContainerScan, UnknownElementIsSkippedByItsSizeAndListed) {
    // A newer or private element: its header reads, its size fits, and what follows it reads too.
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Uint(kUnknownId, 1), Uint(kFlagDefault, 1)}),
                                                                TrackEntry(2, 17, "S_TEXT/UTF8")}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(4))})});
    ASSERT_EQ(FindElementById(kUnknownId), -1);
    const std::vector<std::string> tracks = {".Tracks", "..TrackEntry", "...TrackNumber", "...TrackUID",
                                             "...TrackType", "...CodecID", "...(unknown)", "...FlagDefault",
                                             "..TrackEntry", "...TrackNumber", "...TrackUID", "...TrackType", "...CodecID"};
    for (const ScanKind kind : {ScanKind::Quick, ScanKind::Full, ScanKind::Header}) {
        Scanned s;
        ScanBytes(file, kind, s);
        EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
        EXPECT_EQ(s.outcome.damagedPlaces, 1u);
        EXPECT_TRUE(s.host.HasLine("• предупреждение: элемент с неизвестным ID пропущен: (unknown) @ 107: ID 4FAB"));
        const auto outline = Outline(s.list);
        const int from = RowNamed(s.list, "Tracks");
        ASSERT_GE(from, 0);
        EXPECT_EQ(std::vector<std::string>(outline.begin() + from, outline.begin() + from + tracks.size()), tracks);
        EXPECT_EQ(s.list[RowNamed(s.list, "(unknown)")].id(), kUnknownId);
        EXPECT_FALSE(s.list[from + 1].damage & kContentLost);
        ExpectWellFormed(s.list);
    }
}

TEST(ContainerScan, UnknownIdWhoseSizeDoesNotFitLosesOnlyTheRestOfItsParent) {
    const ByteVec entry = TrackEntry(1, 2, "A_AC3", {Cat({IdBytes(kUnknownId), SizeField(200), ByteVec(3, 1)})});
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {entry, TrackEntry(2, 17, "S_TEXT/UTF8")}),
                                       Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(4))})});
    for (const ScanKind kind : {ScanKind::Quick, ScanKind::Full, ScanKind::Header}) {
        Scanned s;
        ScanBytes(file, kind, s);
        EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
        EXPECT_TRUE(s.host.HasLine("• ошибка в структуре файла: неизвестный элемент: ? @ 107"));
        EXPECT_FALSE(s.host.HasLine("• ошибки контейнера не обнаружены"));
        const int from = RowNamed(s.list, "Tracks");
        EXPECT_TRUE(s.list[from + 1].damage & kContentLost);
        EXPECT_GE(RowNamed(s.list, "TrackEntry", from + 2), 0);
        EXPECT_EQ(Outline(s.list).back(), kind == ScanKind::Header ? ".clusters ... " : kind == ScanKind::Full ? "..SimpleBlock" : ".Cluster");
        ExpectWellFormed(s.list);
    }
}

TEST(ContainerScan, NewerMatroskaElementsAreKnown) {
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 2, "A_OPUS", {Str(0x22B59D, "en-US"), Uint(0x56AA, 6500000),
                                                             Uint(0x56BB, 80000000), Uint(0x55AB, 1)})}),
         Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(4))})});
    Scanned s;
    ScanBytes(file, ScanKind::Full, s);
    EXPECT_EQ(s.outcome.result, ScanResult::Ok);
    EXPECT_EQ(s.list[RowNamed(s.list, "LanguageBCP47")].ValueText(), "en-US");
    EXPECT_EQ(s.list[RowNamed(s.list, "CodecDelay")].ValueText(), "6500000");
}

TEST(ContainerScan, WarnsWhenTheSegmentIsLongerThanTheFile) {
    ByteVec file = NormalFile();
    file.resize(file.size() - 3);  // the last Cues bytes are missing
    Scanned s;
    ScanBytes(file, ScanKind::Quick, s);
    EXPECT_TRUE(s.host.HasLine("• размер файла меньше размера, указанного в сегменте"));

    Scanned whole;
    ScanBytes(NormalFile(), ScanKind::Quick, whole);
    EXPECT_FALSE(whole.host.HasLine("• размер файла меньше размера, указанного в сегменте"));
}

TEST(ContainerScan, TruncatedFileEndsWithAStructureErrorInsteadOfReadingGarbage) {
    ByteVec file = NormalFile();
    const size_t cut = file.size() - 30;  // inside the second cluster
    file.resize(cut);
    Scanned s;
    ScanBytes(file, ScanKind::Full, s);
    EXPECT_TRUE(s.host.HasLine("• размер файла меньше размера, указанного в сегменте"));
    EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
}

TEST(ContainerScan, UnknownSizeClustersEndAtTheNextTopLevelElement) {
    const ByteVec c1 = UnknownSizeMaster(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, Frame(30)),
                                                    SimpleBlock(1, 40, 0x00, Frame(12))});
    const ByteVec c2 = UnknownSizeMaster(kCluster, {Uint(kTimeCode, 80), SimpleBlock(1, 0, 0x80, Frame(9))});
    const ByteVec tags = Tags();
    const ByteVec head = Cat({Info(), Tracks()});
    const ByteVec segmentData = Cat({head, c1, c2, Cues(head.size()), tags});
    const ByteVec file = Cat({EbmlHeader(), UnknownSizeMaster(0x18538067, {segmentData})});

    for (const ScanKind kind : {ScanKind::Quick, ScanKind::Full}) {
        Scanned s;
        ScanBytes(file, kind, s);
        ASSERT_EQ(s.outcome.result, ScanResult::Ok) << int(kind);
        EXPECT_FALSE(s.host.HasLine("• размер файла меньше размера, указанного в сегменте"));
        const Tbrick& segment = s.list[RowNamed(s.list, "Segment")];
        EXPECT_TRUE(segment.unknownSize);
        EXPECT_EQ(segment.end(), file.size());
        const int first = RowNamed(s.list, "Cluster");
        const int second = RowNamed(s.list, "Cluster", first + 1);
        EXPECT_EQ(s.list[first].totalSize, c1.size());
        EXPECT_EQ(s.list[first].dataSize, c1.size() - 12);
        EXPECT_EQ(s.list[second].totalSize, c2.size());
        EXPECT_EQ(s.list[second].end(), s.list[RowNamed(s.list, "Cues")].position);
        EXPECT_GE(RowNamed(s.list, "Tag"), 0);
        if (kind == ScanKind::Full) {
            EXPECT_EQ(s.list[RowNamed(s.list, "SimpleBlock")].parent, first);
            EXPECT_EQ(s.list[RowNamed(s.list, "SimpleBlock", second)].parent, second);
        }
    }
}

TEST(ContainerScan, ElementsOfTwoGigabytesAndMoreKeepTheir64BitSize) {
    // A sparse file: a 3 GiB Void, then Tags. Only the headers are on disk.
    const uint64_t voidData = 3ull << 30;
    const ByteVec voidHeader = Cat({IdBytes(kVoid), SizeField(voidData, 8)});
    const ByteVec tags = Tags();
    const uint64_t segmentData = voidHeader.size() + voidData + tags.size();
    const ByteVec info = Info();
    const ByteVec head = Cat({EbmlHeader(), IdBytes(0x18538067), SizeField(info.size() + segmentData, 8), info, voidHeader});
    TempFile file(head);
    {
        const int fd = ::open(file.path().c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        const off_t tagsAt = static_cast<off_t>(head.size() + voidData);
        ASSERT_EQ(::pwrite(fd, tags.data(), tags.size(), tagsAt), static_cast<ssize_t>(tags.size()));
        ::close(fd);
    }
    SourceFile source;
    ASSERT_TRUE(source.Open(file.path()));
    CaptureHost host;
    tabrick list;
    const ScanOutcome outcome = ReadStruct(source, host, list, true);
    ASSERT_EQ(outcome.result, ScanResult::Ok);
    const Tbrick& v = list[RowNamed(list, "Void")];
    EXPECT_EQ(v.dataSize, voidData);
    EXPECT_EQ(v.totalSize, voidData + 9);
    EXPECT_EQ(list[RowNamed(list, "Tags")].position, head.size() + voidData);
    EXPECT_GE(RowNamed(list, "Tag"), 0);
}

TEST(ContainerScan, BlocksOfGigabytesInAClusterOfUnknownSizeAreAllListed) {
    // A sparse file: three SimpleBlocks of 1.5 GB in an unknown-size Cluster, as a
    // recorder of uncompressed video writes them. Only the headers are on disk.
    const uint64_t frame = 1500000000;
    const ByteVec head = Cat({EbmlHeader(), IdBytes(kSegment), SizeField(0, 8)});
    const ByteVec front = Cat({Info(), Tracks(), IdBytes(kCluster), ByteVec{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, Uint(kTimeCode, 0)});
    const auto blockHeader = [&](int16_t tc) {
        const ByteVec payload = BlockPayload(1, tc, 0x80, {});
        return Cat({IdBytes(kSimpleBlock), SizeField(payload.size() + frame, 8), payload});
    };
    ByteVec first = Cat({head, front, blockHeader(0)});
    // The segment size 0 stands for "unknown" here as a recorder leaves it: rewrite it as unknown.
    for (size_t k = 0; k < 8; ++k) first[head.size() - 8 + k] = k == 0 ? 0x01 : 0xFF;
    TempFile file(first);
    uint64_t at = first.size() + frame;
    {
        const int fd = ::open(file.path().c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        for (int16_t tc : {40, 80}) {
            const ByteVec h = blockHeader(tc);
            ASSERT_EQ(::pwrite(fd, h.data(), h.size(), static_cast<off_t>(at)), static_cast<ssize_t>(h.size()));
            at += h.size() + frame;
        }
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(at)), 0);
        ::close(fd);
    }
    SourceFile source;
    ASSERT_TRUE(source.Open(file.path()));
    CaptureHost host;
    tabrick list;
    const ScanOutcome outcome = ReadStruct(source, host, list, true);
    EXPECT_EQ(outcome.result, ScanResult::Ok);
    std::vector<int> times;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].isBlock() && list[i].intactBlock()) times.push_back(list[i].block.timecode);
    EXPECT_EQ(times, (std::vector<int>{0, 40, 80}));
}

TEST(ContainerScan, BlockGroupsAndForwardReferences) {
    auto group = [](uint64_t track, int16_t tc, int64_t reference) {
        std::vector<ByteVec> children = {Element(kBlock, BlockPayload(track, tc, 0x00, Frame(8))),
                                         Uint(kBlockDuration, 40)};
        if (reference != 0) children.push_back(Int(kReferenceBlock, reference));
        return MasterOf(kBlockGroup, children);
    };
    const ByteVec bframe = Master(kBlockGroup, {Element(kBlock, BlockPayload(1, 40, 0x00, Frame(8))),
                                                Int(kReferenceBlock, -40), Int(kReferenceBlock, 40)});
    struct Case {
        const char* what;
        std::vector<ByteVec> blocks;
        VideoBlocks videoCheck;
        const char* blockTypes;
    } cases[] = {
        {"backward references only", {group(1, 0, 0), group(1, 40, -40), group(2, 0, 0)}, VideoBlocks::BackwardReferences, "b-mode"},
        {"a forward reference", {group(1, 0, 0), group(1, 80, 0), group(1, 40, 40)}, VideoBlocks::ForwardReferences, "b-mode"},
        // A B-frame refers back and forward: the forward reference is its second ReferenceBlock.
        {"a forward reference second", {group(1, 0, 0), group(1, 80, -80), bframe}, VideoBlocks::ForwardReferences, "b-mode"},
        {"video in SimpleBlocks", {SimpleBlock(1, 0, 0x80, Frame(3)), group(1, 40, 40)}, VideoBlocks::NotInGroups, "bs-mode"},
        {"no video block", {SimpleBlock(2, 0, 0x80, Frame(3))}, VideoBlocks::None, "s-mode"},
    };
    for (const auto& c : cases) {
        Scanned s;
        ScanBytes(MatroskaFile({Info(), Tracks(), Cluster(0, c.blocks)}), ScanKind::Full, s);
        ASSERT_EQ(s.outcome.result, ScanResult::Ok) << c.what;
        EXPECT_EQ(CheckVideoTL(s.list), c.videoCheck) << c.what;
        EXPECT_EQ(FindUsedBlockType(s.list), c.blockTypes) << c.what;
    }
}

TEST(HeaderRead, StopsAtTheFirstClusterAndSkipsWhatFollows) {
    const ByteVec file = MatroskaFile({SeekHead(), Info(), Tracks(), Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(4))}),
                                       Cluster(40, {}), Tags()});
    Scanned s;
    ScanBytes(file, ScanKind::Header, s);
    ASSERT_EQ(s.outcome.result, ScanResult::Ok);
    const auto outline = Outline(s.list);
    EXPECT_EQ(outline.back(), ".clusters ... ");
    EXPECT_EQ(s.list[s.list.size() - 1].totalSize, 123u);
    EXPECT_EQ(RowNamed(s.list, "Tags"), -1);
    EXPECT_EQ(RowNamed(s.list, "Cluster"), -1);
    EXPECT_GE(RowNamed(s.list, "Seek"), 0);  // the SeekHead is opened: it names what lies behind
}

TEST(HeaderRead, ReadsTheHeaderElementsASeekHeadNamesBehindTheClusters) {
    // Tags and a second Cluster behind the first: the SeekHead names the Tags,
    // so the header read reads them, and nothing else behind the first Cluster.
    const ByteVec info = Info(), tracks = Tracks(), tags = Tags();
    const ByteVec clusters = Cat({Cluster(0, {SimpleBlock(1, 0, 0x80, Frame(4))}), Cluster(40, {})});
    const auto head = [](uint64_t infoAt, uint64_t tagsAt) {
        return Master(kSeekHead, {Master(kSeek, {Binary(kSeekID, {0x15, 0x49, 0xA9, 0x66}), Uint(kSeekPosition, infoAt)}),
                                  Master(kSeek, {Binary(kSeekID, {0x12, 0x54, 0xC3, 0x67}), Uint(kSeekPosition, tagsAt)})});
    };
    ByteVec seekHead = head(0, 0);
    for (int k = 0; k < 3; ++k)
        seekHead = head(seekHead.size(), seekHead.size() + info.size() + tracks.size() + clusters.size());
    Scanned s;
    ScanBytes(MatroskaFile({seekHead, info, tracks, clusters, tags}), ScanKind::Header, s);
    ASSERT_EQ(s.outcome.result, ScanResult::Ok);
    EXPECT_GE(RowNamed(s.list, "Tags"), 0);
    EXPECT_GE(RowNamed(s.list, "TagString"), 0);
    EXPECT_EQ(RowNamed(s.list, "Cluster"), -1);
    EXPECT_EQ(Outline(s.list).back(), "....TagString");
}

TEST(ContainerScan, StopRequestEndsTheScan) {
    std::vector<ByteVec> blocks;
    for (int i = 0; i < 3000; ++i) blocks.push_back(SimpleBlock(1, static_cast<int16_t>(i), 0x80, Frame(2)));
    const ByteVec file = MatroskaFile({Info(), Tracks(), Cluster(0, blocks)});
    Scanned s;
    s.host.stopAfterPolls = 1;
    ScanBytes(file, ScanKind::Full, s);
    EXPECT_EQ(s.outcome.result, ScanResult::Stopped);
    EXPECT_FALSE(s.host.HasLine("• ошибки контейнера не обнаружены"));

    Scanned header;
    header.host.stopAfterPolls = 1;
    ScanBytes(file, ScanKind::Header, header);  // few elements: finishes before the first poll
    EXPECT_EQ(header.outcome.result, ScanResult::Ok);
}

TEST(ContainerScan, DamagedSizeFieldIsAStructureError) {
    // A size field starting with 0x00 is invalid EBML.
    const ByteVec file = Cat({EbmlHeader(), IdBytes(0x18538067), SizeField(8, 8), IdBytes(kInfo), ByteVec{0x00, 0x00}, ByteVec(3, 0)});
    Scanned s;
    ScanBytes(file, ScanKind::Full, s);
    EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
}

}  // namespace
}  // namespace quillon::test
