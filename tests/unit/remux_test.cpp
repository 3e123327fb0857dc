// The remux end to end on built files: the output is read back with our own
// scanner and checked element by element.
#include <gtest/gtest.h>

#include "core/generated/element_ids.h"

#include <filesystem>
#include <fstream>

#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "support/scan_helpers.h"
#include "core/value_text.h"
#include "core/put_primitives.h"
#include "save/save_command.h"

namespace quillon::test {
namespace {


ByteVec Info() { return InfoMaster({Uint(0x2AD7B1, 1000000), Str(0x4D80, "test"), Str(0x5741, "test")}); }
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec Simple(uint64_t track, int16_t tc, bool key, size_t size = 10) {
    return SimpleBlock(track, tc, key ? 0x80 : 0x00, Frame(size, static_cast<uint8_t>(track)));
}
ByteVec Group(uint64_t track, int16_t tc, int64_t reference, uint64_t duration = 0) {
    std::vector<ByteVec> children = {Element(kBlock, BlockPayload(track, tc, 0x00, Frame(12, static_cast<uint8_t>(track))))};
    if (reference) children.push_back(Int(kReferenceBlock, reference));
    if (duration) children.push_back(Uint(kBlockDuration, duration));
    return MasterOf(kBlockGroup, children);
}

// A remuxed file read back.
struct Remuxed {
    SaveOutcome outcome;
    tabrick list;
    ByteVec bytes;
    CaptureHost host;

    std::vector<const Tbrick*> All(uint32_t name) const {
        std::vector<const Tbrick*> rows;
        for (int i = FindFirstById(list, name); i >= 0; i = FindNextById(list, name, i)) rows.push_back(&list[i]);
        return rows;
    }
    std::vector<std::string> ClusterTimes() const {
        std::vector<std::string> times;
        for (const Tbrick* c : All(kCluster)) {
            const int index = static_cast<int>(c->firstChild) - 1;  // a cluster's first child follows it
            times.push_back(FindChildValue(list, kTimeCode, index));
        }
        return times;
    }
    // "track:relative time" of each block in file order, with "g" for a group.
    std::vector<std::string> Blocks() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < list.size(); ++i) {
            if (!list[i].isBlock()) continue;
            const Tbrick& parent = list[list[i].parent];
            const bool group = std::string(parent.name()) == "BlockGroup";
            out.push_back((group ? "g" : "") + list[i].block.trackText() + ":" + list[i].block.timecodeText() +
                          (list[i].block.keyFrame() ? "k" : ""));
        }
        return out;
    }
};

struct RemuxSetup {
    std::vector<std::string> selectMarks;  // per track table row; empty: all selected
    RemuxOptions options;
    int stopAfterPolls = -1;
};

void Remux(const ByteVec& source, const RemuxSetup& setup, Remuxed& out) {
    TempFile in(source);
    const std::string outputPath = in.path() + ".out.mkv";
    Document doc;
    doc.sourcePath = in.path();
    CaptureHost scanHost;
    CheckContainer(doc, scanHost, true);
    FinishContainerCheck(doc, scanHost, true);
    for (size_t i = 0; i < setup.selectMarks.size() && i < doc.tatra.size(); ++i) doc.tatra[i].selectMark = setup.selectMarks[i];
    SaveRequest request;
    request.job = RemuxJob{setup.options};
    request.outputPath = outputPath;
    out.host.stopAfterPolls = setup.stopAfterPolls;
    out.outcome = SaveCommand(doc, out.host, request);
    std::ifstream file(outputPath, std::ios::binary);
    out.bytes.assign(std::istreambuf_iterator<char>(file), {});
    std::remove(outputPath.c_str());
    if (out.bytes.empty()) return;
    TempFile written(out.bytes);
    SourceFile reread;
    ASSERT_TRUE(reread.Open(written.path()));
    CaptureHost readHost;
    const ScanOutcome scan = ReadStruct(reread, readHost, out.list, true);
    ASSERT_EQ(scan.result, ScanResult::Ok);
    ASSERT_FALSE(readHost.HasLine("• размер файла меньше размера, указанного в сегменте"));
    // The Segment size is the real length.
    const Tbrick& segment = out.list[FindFirstById(out.list, kSegment)];
    ASSERT_EQ(segment.end(), out.bytes.size());
}

ByteVec VideoAudioFile(const std::vector<ByteVec>& clusters, const ByteVec& info = Info()) {
    const ByteVec video = Master(kVideo, {Uint(kPixelWidth, 320), Uint(kPixelHeight, 240)});
    std::vector<ByteVec> children = {info, Master(kTracks, {TrackEntry(1, 1, "V_TEST", {video}), TrackEntry(2, 2, "A_AC3")})};
    children.insert(children.end(), clusters.begin(), clusters.end());
    return MatroskaFile(children);
}

TEST(Remux, TimeRuleWritesNoEmptyClustersAcrossAGap) {
    // A gap in the times (5 s here, 2^40 ticks in a damaged file) makes no run of empty clusters.
    for (const uint64_t start : {uint64_t{5000}, uint64_t{1099511627000}}) {
        Remuxed r;
        Remux(VideoAudioFile({Cluster(start, {Simple(1, 0, true), Simple(2, 10, true), Simple(1, 1200, false)})}), {}, r);
        ASSERT_EQ(r.outcome, SaveOutcome::Written);
        EXPECT_EQ(r.ClusterTimes(), (std::vector<std::string>{std::to_string(start), std::to_string(start + 1000)}));
        EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"1:0k", "2:10k", "1:200"}));
        EXPECT_EQ(r.All(kSeek).size(), 4u + 2u);  // front: Info, Tracks, Cues, SeekHead; then the two clusters
    }
}

TEST(Remux, KeyFrameRuleFollowsEveryVideoTrackEvenAnInactiveOne) {
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 1, "V_A", {Master(kVideo, {Uint(kPixelWidth, 320), Uint(kPixelHeight, 240)})}),
                                  TrackEntry(2, 1, "V_B", {Master(kVideo, {Uint(kPixelWidth, 320), Uint(kPixelHeight, 240)})}),
                                  TrackEntry(3, 2, "A_AC3")}),
         Cluster(0, {Simple(1, 0, true), Simple(3, 5, true), Simple(2, 20, true), Simple(1, 40, false),
                     Simple(3, 50, true), Simple(1, 80, true)})});
    RemuxSetup setup;
    setup.selectMarks = {"y", "", "y"};
    setup.options.clusterRule = ClusterRule::KeyFrame;
    Remuxed r;
    Remux(file, setup, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(r.ClusterTimes(), (std::vector<std::string>{"0", "20", "80"}));
    EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"1:0k", "2:5k", "1:20", "2:30k", "1:0k"}));
}

// A new cluster starts when a block's source cluster time passes the next
// old cluster's time (strictly): blocks of the source's second cluster still
// join the first, and the last old time is never reached.
TEST(Remux, OldClusterRuleStartsClustersAtTheSourceTimes) {
    RemuxSetup setup;
    setup.options.clusterRule = ClusterRule::OldClusters;
    Remuxed r;
    Remux(VideoAudioFile({Cluster(0, {Simple(1, 0, true), Simple(2, 700, true)}), Cluster(1500, {Simple(1, 0, false)}),
                          Cluster(4000, {Simple(1, 10, true)})}),
          setup, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(r.ClusterTimes(), (std::vector<std::string>{"0", "1500"}));
    EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"1:0k", "2:700k", "1:1500", "1:2510k"}));
}

TEST(Remux, PackingChoices) {
    const ByteVec file = VideoAudioFile({Cluster(0, {Group(1, 0, 0, 40), Group(1, 40, -40), Simple(1, 80, true),
                                                     Simple(1, 120, false), Simple(2, 0, true)})});
    struct Case {
        Packing packing;
        std::vector<std::string> blocks;
    } cases[] = {
        {Packing::AsBefore, {"g1:0", "g1:40", "1:80k", "1:120", "2:0k"}},
        {Packing::SimpleBlock, {"1:0k", "1:40", "1:80k", "1:120", "2:0k"}},
        {Packing::BlockGroup, {"g1:0", "g1:40", "g1:80", "g1:120", "g2:0"}},  // no key bit in a Block
    };
    for (const auto& c : cases) {
        RemuxSetup setup;
        setup.options.packing = c.packing;
        Remuxed r;
        Remux(file, setup, r);
        ASSERT_EQ(r.outcome, SaveOutcome::Written);
        EXPECT_EQ(r.Blocks(), c.blocks) << int(c.packing);
        const auto references = r.All(kReferenceBlock);
        const auto durations = r.All(kBlockDuration);
        if (c.packing == Packing::AsBefore) {
            ASSERT_EQ(references.size(), 1u);
            EXPECT_EQ(references[0]->ValueText(), "-40");
            ASSERT_EQ(durations.size(), 1u);  // kept on the group without a reference
            EXPECT_EQ(durations[0]->ValueText(), "40");
        }
        if (c.packing == Packing::BlockGroup) {
            // The non-key SimpleBlock refers to the block before it of its track.
            ASSERT_EQ(references.size(), 2u);
            EXPECT_EQ(references[1]->ValueText(), "-40");
        }
        if (c.packing == Packing::SimpleBlock) {
            EXPECT_TRUE(references.empty());
        }
    }
}

TEST(Remux, SubtitlesAreAlwaysBlockGroupsWithTheirDurations) {
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 17, "S_TEXT/UTF8")}),
                                       Cluster(0, {Group(1, 100, 0, 900), Simple(1, 2000, true)})});
    RemuxSetup setup;
    setup.options.packing = Packing::SimpleBlock;
    Remuxed r;
    Remux(file, setup, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"g1:100", "g1:0"}));  // a Block has no key bit
    ASSERT_EQ(r.All(kBlockDuration).size(), 1u);
}

TEST(Remux, CuesForKeyFramesOfTheFirstActiveVideoTrack) {
    const ByteVec file = VideoAudioFile({Cluster(0, {Simple(1, 0, true), Simple(2, 5, true), Simple(1, 40, false)}),
                                         Cluster(1000, {Simple(1, 0, true), Simple(2, 5, true)})});
    Remuxed withVideo;
    Remux(file, {}, withVideo);
    const auto times = withVideo.All(kCueTime);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[0]->ValueText(), "0");
    EXPECT_EQ(times[1]->ValueText(), "1000");
    // Each cue points at the cluster that holds its key frame.
    const auto positions = withVideo.All(kCueClusterPosition);
    const auto clusters = withVideo.All(kCluster);
    const uint64_t segmentData = withVideo.list[FindFirstById(withVideo.list, kSegment)].dataStart();
    EXPECT_EQ(segmentData + TextToUInt64(positions[1]->ValueText()), clusters[1]->position);

    RemuxSetup audioOnly;
    audioOnly.selectMarks = {"", "y"};
    Remuxed audio;
    Remux(file, audioOnly, audio);
    EXPECT_EQ(audio.All(kCuePoint).size(), 2u);  // every audio block is a key frame
    EXPECT_EQ(audio.All(kCueTrack)[0]->ValueText(), "1");
}

TEST(Remux, FrontSeekHeadFillsTheReserveOrIsLeftOut) {
    const ByteVec file = VideoAudioFile({Cluster(0, {Simple(1, 0, true)})});
    Remuxed r;
    Remux(file, {}, r);
    const Tbrick& segment = r.list[FindFirstById(r.list, kSegment)];
    EXPECT_EQ(r.list[FindFirstById(r.list, kInfo)].position, segment.dataStart() + 4000);
    const auto seekIds = r.All(kSeekID);
    std::vector<std::string> front;
    for (size_t i = 0; i < 4; ++i) front.push_back(seekIds[i]->ValueText());
    EXPECT_EQ(front, (std::vector<std::string>{"1549A966", "1654AE6B", "1C53BB6B", "114D9B74"}));

    RemuxSetup bare;
    bare.options.writeSeekHeads = false;
    bare.options.writeCues = false;
    Remuxed b;
    Remux(file, bare, b);
    const Tbrick& s = b.list[FindFirstById(b.list, kSegment)];
    EXPECT_EQ(b.list[FindFirstById(b.list, kInfo)].position, s.position + 12);
    EXPECT_EQ(FindFirstById(b.list, kSeekHead), -1);
    EXPECT_EQ(FindFirstById(b.list, kCues), -1);
    EXPECT_EQ(FindFirstById(b.list, kVoid), -1);
}

TEST(Remux, ChosenTracksAreRenumbered) {
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 1, "V"), TrackEntry(2, 2, "A_AC3"), TrackEntry(3, 17, "S_TEXT/UTF8")}),
         Cluster(0, {Simple(1, 0, true), Simple(2, 0, true), Simple(3, 0, true)})});
    RemuxSetup setup;
    setup.selectMarks = {"", "y", ""};
    Remuxed r;
    Remux(file, setup, r);
    ASSERT_EQ(r.All(kTrackEntry).size(), 1u);
    EXPECT_EQ(r.All(kTrackNumber)[0]->ValueText(), "1");
    EXPECT_EQ(r.All(kCodecID)[0]->ValueText(), "A_AC3");
    EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"1:0k"}));
}

TEST(Remux, TrackMetadataTheModelDoesNotHoldIsKept) {
    const ByteVec entry = TrackEntry(1, 1, "V_VP9",
                                     {Str(0x22B59D, "de-CH"), Uint(0x55AB, 1),
                                      Master(0xE0, {Uint(0xB0, 320), Uint(0xBA, 240), Master(0x55B0, {Uint(0x55B9, 1)})}),
                                      Uint(0x56AA, 6500000)});
    const ByteVec file = MatroskaFile({Info(), Master(kTracks, {entry}), Cluster(0, {Simple(1, 0, true)})});
    Remuxed r;
    Remux(file, {}, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(r.All(kLanguageBCP47)[0]->ValueText(), "de-CH");
    EXPECT_EQ(r.All(kFlagHearingImpaired).size(), 1u);
    EXPECT_EQ(r.All(kCodecDelay)[0]->ValueText(), "6500000");
    ASSERT_EQ(r.All(kColour).size(), 1u);
    EXPECT_EQ(r.list[r.All(kColour)[0]->parent].name(), std::string("Video"));
    EXPECT_EQ(r.All(kTrackUID)[0]->ValueText(), "1007");  // the source's UID
}

TEST(Remux, RelativeTimecodesNeverWrap) {
    // Key frames 40 s apart under the key-frame rule: a non-key frame 35 s
    // after its cluster's start gets a cluster of its own.
    const ByteVec file = VideoAudioFile({Cluster(0, {Simple(1, 0, true), Simple(2, 10, true)}),
                                         Cluster(35000, {Simple(1, 0, false), Simple(2, 10, true)}),
                                         Cluster(40000, {Simple(1, 0, true)})});
    RemuxSetup setup;
    setup.options.clusterRule = ClusterRule::KeyFrame;
    Remuxed r;
    Remux(file, setup, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(r.ClusterTimes(), (std::vector<std::string>{"0", "35000", "40000"}));
    EXPECT_EQ(r.Blocks(), (std::vector<std::string>{"1:0k", "2:10k", "1:0", "2:10k", "1:0k"}));
}

// Tags go along: global ones as they are; one aimed at a track, a chapter or
// an attachment the new file no longer holds goes with it; a tag aimed at two
// tracks keeps the one that stays.
TEST(Remux, TagsAreCarriedLessThoseAimedAtWhatIsLeftOut) {
    const auto tag = [](const std::string& name, const std::vector<ByteVec>& targets) {
        return Master(kTag, {MasterOf(kTargets, targets), Master(kSimpleTag, {Str(kTagName, name), Str(kTagString, "x")})});
    };
    const ByteVec video = Master(kVideo, {Uint(kPixelWidth, 320), Uint(kPixelHeight, 240)});
    const ByteVec file = MatroskaFile(
        {Info(), Master(kTracks, {TrackEntry(1, 1, "V_TEST", {video}), TrackEntry(2, 2, "A_AC3")}),
         Master(kChapters, {Master(kEditionEntry, {Uint(kEditionUID, 55), Master(kChapterAtom, {Uint(kChapterUID, 66), Uint(kChapterTimeStart, 0)})})}),
         Master(kAttachments, {Master(kAttachedFile, {Str(kFileName, "a.txt"), Str(kFileMimeType, "text/plain"), Binary(kFileData, {1}), Uint(kFileUID, 77)})}),
         Cluster(0, {Simple(1, 0, true), Simple(2, 5, true)}),
         Master(kTags, {tag("TITLE", {}), tag("VIDEO", {Uint(kTagTrackUID, 1007)}), tag("AUDIO", {Uint(kTagTrackUID, 2007)}),
                        tag("BOTH", {Uint(kTagTrackUID, 1007), Uint(kTagTrackUID, 2007)}), tag("CHAPTER", {Uint(kTagChapterUID, 66)}),
                        tag("FILE", {Uint(kTagAttachmentUID, 77)})})});
    const auto tagNames = [](const Remuxed& r) {
        std::vector<std::string> names;
        for (const Tbrick* t : r.All(kTagName)) names.push_back(t->ValueText());
        return names;
    };
    RemuxSetup audioDropped;
    audioDropped.selectMarks = {"y", ""};
    audioDropped.options.attachments = true;
    Remuxed r;
    Remux(file, audioDropped, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    EXPECT_EQ(tagNames(r), (std::vector<std::string>{"TITLE", "VIDEO", "BOTH", "FILE"}));
    EXPECT_EQ(r.All(kTagTrackUID).size(), 2u);  // BOTH keeps only the video's UID
    EXPECT_EQ(r.All(kSeek).size(), 4u + 1u + 1u + 1u);  // Info, Tracks, Attachments, Tags, Cues, SeekHead; a Cluster

    RemuxSetup everything;
    everything.options.chapters = true;
    Remuxed all;
    Remux(file, everything, all);
    EXPECT_EQ(tagNames(all), (std::vector<std::string>{"TITLE", "VIDEO", "AUDIO", "BOTH", "CHAPTER"}));

    RemuxSetup none;
    none.options.tags = false;
    Remuxed without;
    Remux(file, none, without);
    EXPECT_TRUE(without.All(kTags).empty());
}

// A block that is no key frame stays one in a BlockGroup, also as the first
// of its track (a file cut in the middle of a GOP): it refers back.
TEST(Remux, GroupPackingKeepsEveryBlocksKeyFrameState) {
    RemuxSetup setup;
    setup.options.packing = Packing::BlockGroup;
    Remuxed r;
    Remux(VideoAudioFile({Cluster(0, {Simple(1, 0, false), Simple(1, 40, true), Simple(1, 80, false)})}), setup, r);
    ASSERT_EQ(r.outcome, SaveOutcome::Written);
    std::vector<bool> referring;
    for (const Tbrick* group : r.All(kBlockGroup))
        referring.push_back(FindChildElement(r.list, kReferenceBlock, static_cast<int>(group - &r.list[0])) >= 0);
    EXPECT_EQ(referring, (std::vector<bool>{true, false, true}));
}

TEST(Remux, StoppedRemuxStillLeavesAValidFile) {
    std::vector<ByteVec> clusters;
    for (int c = 0; c < 10; ++c) {
        std::vector<ByteVec> blocks;
        for (int b = 0; b < 50; ++b) blocks.push_back(Simple(1, static_cast<int16_t>(b * 20), b == 0));
        clusters.push_back(Cluster(static_cast<uint64_t>(c) * 1000, blocks));
    }
    RemuxSetup setup;
    setup.selectMarks = {"y", ""};
    setup.stopAfterPolls = 3;  // stops after about 4 * 64 blocks
    Remuxed r;
    // The source says it lasts 10 s.
    const ByteVec info = InfoMaster({Uint(kTimecodeScale, 1000000), Float(kDuration, 10000)});
    Remux(VideoAudioFile(clusters, info), setup, r);  // Remux checks the Segment size against the length
    ASSERT_EQ(r.outcome, SaveOutcome::Stopped);
    const auto written = r.All(kCluster);
    // Its Duration is that of what was written: the last block of the last cluster kept.
    const std::string lastCluster = FindChildValue(r.list, kTimeCode, static_cast<int>(written.back() - &r.list[0]));
    EXPECT_EQ(r.All(kDuration)[0]->ValueText(), std::to_string(std::stoll(lastCluster) + 49 * 20));
    EXPECT_GT(written.size(), 2u);
    EXPECT_LT(written.size(), 10u);
    // The SeekHead at the end lists exactly the clusters present; the cues match them.
    size_t clusterSeeks = 0;
    for (const Tbrick* id : r.All(kSeekID)) clusterSeeks += id->ValueText() == "1F43B675";
    EXPECT_EQ(clusterSeeks, written.size());
    EXPECT_EQ(r.All(kCuePoint).size(), written.size());
}

TEST(Remux, RefusalsAndFailuresAreReported) {
    const ByteVec file = VideoAudioFile({Cluster(0, {Simple(1, 0, true)})});
    {
        RemuxSetup none;
        none.selectMarks = {"", ""};
        Remuxed r;
        Remux(file, none, r);
        EXPECT_EQ(r.outcome, SaveOutcome::NothingWritten);
        EXPECT_TRUE(r.bytes.empty());
    }
    {
        TempFile in(file);
        Document doc;
        doc.sourcePath = in.path();
        CaptureHost host;
        CheckContainer(doc, host, true);
        FinishContainerCheck(doc, host, true);
        SaveRequest request;
        request.job = RemuxJob{};
        request.outputPath = "/nonexistent-dir/out.mkv";
        EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::Failed);
        request.outputPath = in.path();  // the source itself
        EXPECT_EQ(SaveCommand(doc, host, request), SaveOutcome::NothingWritten);
    }
    {
        std::vector<ByteVec> entries;
        for (uint64_t n = 1; n <= 127; ++n) entries.push_back(TrackEntry(n, 2, "A_AC3"));
        Remuxed r;
        Remux(MatroskaFile({Info(), MasterOf(kTracks, entries), Cluster(0, {Simple(1, 0, true)})}), {}, r);
        EXPECT_EQ(r.outcome, SaveOutcome::NothingWritten);
        EXPECT_TRUE(r.bytes.empty());
    }
}

}  // namespace
}  // namespace quillon::test
