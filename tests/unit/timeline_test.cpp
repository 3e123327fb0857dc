// The timeline check and its repairs on small built files: which blocks are
// faults, the report lines, each repair's new times and order, and what the
// writer makes of a repaired track.
#include <gtest/gtest.h>

#include <fstream>

#include "core/generated/element_ids.h"
#include "reader/block_table.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/save_helpers.h"
#include "timeline/timeline_repair.h"

namespace quillon::test {
namespace {

struct B {
    uint64_t track;
    int16_t time;
    bool key = true;
    bool group = false;  // a BlockGroup, with a ReferenceBlock when not a key frame
};

// One cluster at time 0; track 1 is of `firstType` (1 video, 2 audio), track 2 audio.
ByteVec File(const std::vector<B>& blocks, uint64_t firstType = 2) {
    std::vector<ByteVec> children = {Uint(kTimeCode, 0)};
    for (const B& b : blocks) {
        const ByteVec frame = Frame(6, static_cast<uint8_t>(b.time));
        if (!b.group) {
            children.push_back(SimpleBlock(b.track, b.time, b.key ? 0x80 : 0x00, frame));
            continue;
        }
        std::vector<ByteVec> group = {Element(kBlock, BlockPayload(b.track, b.time, 0, frame))};
        if (!b.key) group.push_back(Int(kReferenceBlock, -40));
        children.push_back(MasterOf(kBlockGroup, group));
    }
    return MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}),
                         Master(kTracks, {TrackEntry(1, firstType, firstType == 1 ? "V_TEST" : "A_AC3"),
                                          TrackEntry(2, 2, "A_AAC")}),
                         MasterOf(kCluster, children)});
}

struct Opened : OpenedForSave {
    explicit Opened(const ByteVec& bytes) : OpenedForSave(bytes) { EnsureBlockTable(doc); }
    std::vector<int64_t> Times(uint64_t track) const {
        std::vector<int64_t> times;
        for (const xBlock& b : doc.mkv.blocks)
            if (doc.BlockTrack(b) == track) times.push_back(b.absTime);
        return times;
    }
    // The first frame byte of each block of the track, in list order: which block stands where.
    std::vector<int> Identities(uint64_t track) const {
        std::vector<int> ids;
        for (const xBlock& b : doc.mkv.blocks)
            if (doc.BlockTrack(b) == track) ids.push_back(doc.lista[b.row].block.timecode);
        return ids;
    }
};

std::vector<B> Track1(std::initializer_list<int16_t> times) {
    std::vector<B> blocks;
    for (int16_t t : times) blocks.push_back({1, t});
    return blocks;
}

TEST(TimelineCheck, StrictRuleFindsEveryBlockEarlierThanOneBeforeIt) {
    struct Case {
        std::vector<B> blocks;
        std::vector<int64_t> faults;
    };
    const Case cases[] = {
        {Track1({0, 40, 80, 60, 120}), {60}},
        {Track1({100, 50, 60, 70}), {50, 60, 70}},  // the maximum stays 100
        {Track1({-10, 0, 40}), {-10}},              // negative even as the first block
        {{{1, 0}, {2, 5}, {1, 40}, {2, 45}, {1, 80}}, {}},
    };
    for (const Case& c : cases) {
        Opened o(File(c.blocks));
        const TimelineReport r = TimeLineCheck(o.doc);
        std::vector<int64_t> faults;
        for (const TimelineFault& f : r.Find(1)->faults) faults.push_back(f.time);
        EXPECT_EQ(faults, c.faults);
        EXPECT_EQ(r.nonLinear, !c.faults.empty());
        EXPECT_TRUE(r.Find(2)->faults.empty());
    }
}

TEST(TimelineCheck, VideoInDecodeOrderIsCleanUntilItStepsBackSixteenFrames) {
    // B-frames: decode order 0, 120, 40, 80, 240, 160, 200, ... (40 ms frames).
    std::vector<B> bframes;
    for (int16_t gop = 0; gop < 8; ++gop)
        for (int16_t t : {0, 120, 40, 80})
            bframes.push_back({1, static_cast<int16_t>(gop * 160 + t), t == 0});
    Opened clean(File(bframes, 1));
    EXPECT_FALSE(TimeLineCheck(clean.doc).nonLinear);

    std::vector<B> glued = bframes;
    glued.push_back({1, 0, true});  // a second piece starting again at 0
    glued.push_back({1, 40, false});
    Opened broken(File(glued, 1));
    const TimelineReport r = TimeLineCheck(broken.doc);
    ASSERT_EQ(r.Find(1)->faults.size(), 2u);
    EXPECT_EQ(r.Find(1)->faults[0].time, 0);
}

TEST(TimelineCheck, CaptionReportLinesAndPluralForms) {
    Opened o(File(Track1({0, 40, 80, 60, 120})));
    const TimelineReport r = TimeLineCheck(o.doc);
    EXPECT_EQ(TimelineCaption(r, Lang::Rus), "  TimeLine  ::  Номера треков с нелинейным временем: 1");
    EXPECT_EQ(TimelineCaption(r, Lang::Eng), "  TimeLine  ::  Tracks with non linear timeline: 1");
    EXPECT_EQ(ShowTrackError(r, 1, Lang::Rus), (std::vector<std::string>{"• трек 1: 1 раз время шло вспять  (60 мс)"}));
    EXPECT_EQ(ShowTrackError(r, 1, Lang::Eng), (std::vector<std::string>{"• track 1: 1 times the time went backwards  (60 ms)"}));
    EXPECT_TRUE(ShowTrackError(r, 2, Lang::Rus).empty());

    Opened n(File(Track1({-30, -20, -10, 0, 5, 1, 2})));
    const TimelineReport rn = TimeLineCheck(n.doc);
    EXPECT_EQ(ShowTrackError(rn, 1, Lang::Rus),
              (std::vector<std::string>{"• трек 1: 5 раз время шло вспять  (-30,-20,-10,... мс)",
                                        "• 3 блока имеют отрицательное время"}));
    EXPECT_EQ(ShowTrackError(rn, 1, Lang::Eng)[1], "• 3 block(s) has negative time");

    Opened clean(File(Track1({0, 40})));
    EXPECT_EQ(TimelineCaption(TimeLineCheck(clean.doc), Lang::Rus), "  TimeLine  ::  Ошибок не обнаружено");

    const struct {
        uint64_t count;
        const char* raz;
        const char* blok;
        const char* imeet;
    } forms[] = {{1, "раз", "блок", "имеет"},   {2, "раза", "блока", "имеют"},  {5, "раз", "блоков", "имеют"},
                 {11, "раз", "блоков", "имеют"}, {21, "раз", "блок", "имеет"},  {22, "раза", "блока", "имеют"},
                 {111, "раз", "блоков", "имеют"}, {0, "раз", "блоков", "имеют"}};
    for (const auto& f : forms) {
        EXPECT_EQ(PluralForm(f.count, "раз", "", "а", ""), f.raz) << f.count;
        EXPECT_EQ(PluralForm(f.count, "блок", "ов", "а", ""), f.blok) << f.count;
        EXPECT_EQ(PluralForm(f.count, "име", "ют", "ют", "ет"), f.imeet) << f.count;
    }
}

TEST(TimelineRepair, EachRepairGivesItsTimes) {
    struct Case {
        const char* what;
        std::vector<B> blocks;
        TimelineRepair repair;
        std::vector<int64_t> times;
        std::vector<int> identities;  // which block stands where afterwards (its old time)
    };
    const Case cases[] = {
        {"reorder", Track1({0, 80, 40, 120}), TimelineRepair::Reorder, {0, 40, 80, 120}, {0, 40, 80, 120}},
        {"retime", Track1({0, 40, 80, 20, 30, 160}), TimelineRepair::Retime, {0, 40, 80, 106, 132, 160}, {0, 40, 80, 20, 30, 160}},
        {"retime at the end", Track1({0, 40, 80, 20}), TimelineRepair::Retime, {0, 40, 80, 81}, {0, 40, 80, 20}},
        {"key frames", {{1, 0}, {1, 10, false}, {1, 100, false}, {1, 90}, {1, 5, false}}, TimelineRepair::KeyFrames,
         {0, 30, 60, 90, 120}, {0, 10, 100, 90, 5}},
    };
    for (const Case& c : cases) {
        Opened o(File(c.blocks));
        const RepairOutcome out = RepairTrack(o.doc, 1, c.repair, false);
        EXPECT_TRUE(out.changed) << c.what;
        EXPECT_FALSE(out.after.nonLinear) << c.what;
        EXPECT_EQ(o.Times(1), c.times) << c.what;
        EXPECT_EQ(o.Identities(1), c.identities) << c.what;
        EXPECT_EQ(out.memo.back(), "• готово") << c.what;
        EXPECT_EQ(o.doc.saveMode, SaveMode::Build) << c.what;
    }
}

TEST(TimelineRepair, InvisibleMarksOnlyTheRetimedBlocksAndTheWriterSetsTheBit) {
    Opened o(File({{1, 0}, {2, 1}, {1, 40}, {1, 80}, {1, 20}, {1, 30}, {1, 160}, {2, 170}}));
    RepairTrack(o.doc, 1, TimelineRepair::RetimeInvisible, false);
    std::vector<bool> marked;
    for (const xBlock& b : o.doc.mkv.blocks)
        if (o.doc.BlockTrack(b) == 1) marked.push_back(b.flags & xBlock::kInvisible);
    EXPECT_EQ(marked, (std::vector<bool>{false, false, false, true, true, false}));

    SavedFile saved;
    SaveAndRescan(o.doc, saved);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);
    const Scanned& s = saved.scan;
    std::vector<std::pair<int, bool>> written;  // track 1: relative time, invisible bit
    for (size_t i = 0; i < s.list.size(); ++i) {
        const Tbrick& row = s.list[i];
        if (row.isBlock() && row.block.trackNumber == 1) written.push_back({row.block.timecode, row.block.invisible() != 0});
    }
    EXPECT_EQ(written, (std::vector<std::pair<int, bool>>{{0, false}, {40, false}, {80, false}, {106, true}, {132, true}, {160, false}}));
}

TEST(TimelineRepair, ReorderRefusesNegativeTimesAndCleanTracksNeverChange) {
    Opened negative(File(Track1({0, -5, 40, 20})));
    const RepairOutcome refused = RepairTrack(negative.doc, 1, TimelineRepair::Reorder, false);
    EXPECT_FALSE(refused.changed);
    EXPECT_NE(std::find(refused.memo.begin(), refused.memo.end(), "• время < 0"), refused.memo.end());
    EXPECT_EQ(refused.memo.back(), "• ошибки остались");
    EXPECT_EQ(negative.Times(1), (std::vector<int64_t>{0, -5, 40, 20}));

    // A video track in decode order the check finds clean: no repair touches it.
    std::vector<B> bframes;
    for (int16_t gop = 0; gop < 4; ++gop)
        for (int16_t t : {0, 120, 40, 80}) bframes.push_back({1, static_cast<int16_t>(gop * 160 + t), t == 0});
    for (TimelineRepair repair : {TimelineRepair::Reorder, TimelineRepair::Retime, TimelineRepair::KeyFrames}) {
        Opened clean(File(bframes, 1));
        const std::vector<int64_t> before = clean.Times(1);
        EXPECT_FALSE(RepairTrack(clean.doc, 1, repair, true).changed);
        EXPECT_EQ(clean.Times(1), before);
        EXPECT_EQ(clean.doc.saveMode, SaveMode::Export);
    }
}

TEST(TimelineRepair, VideoMovesWholeKeyFrameIntervalsAndKeepsDecodeOrderInside) {
    // Two GOPs in the wrong order: [K400 520 440 480] before [K0 120 40 80] — but after a long enough
    // first run that the second is a fault: sixteen frames of GOPs at 800.. first.
    std::vector<B> blocks;
    for (int16_t gop = 0; gop < 4; ++gop)
        for (int16_t t : {0, 120, 40, 80}) blocks.push_back({1, static_cast<int16_t>(800 + gop * 160 + t), t == 0});
    for (int16_t t : {0, 120, 40, 80}) blocks.push_back({1, t, t == 0});
    Opened o(File(blocks, 1));
    ASSERT_TRUE(TimeLineCheck(o.doc).nonLinear);
    const RepairOutcome out = RepairTrack(o.doc, 1, TimelineRepair::Reorder, false);
    EXPECT_TRUE(out.changed);
    EXPECT_FALSE(out.after.nonLinear);
    const std::vector<int64_t> times = o.Times(1);
    EXPECT_EQ(std::vector<int64_t>(times.begin(), times.begin() + 8), (std::vector<int64_t>{0, 120, 40, 80, 800, 920, 840, 880}));
}

TEST(TimelineRepair, ReferencesPointAtTheBlockWrittenBefore) {
    Opened o(File({{1, 0, true, true}, {1, 80, false, true}, {1, 40, false, true}, {1, 120, false, true}}));
    RepairTrack(o.doc, 1, TimelineRepair::Reorder, true);
    SavedFile saved;
    SaveAndRescan(o.doc, saved);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);
    const Scanned& s = saved.scan;
    std::vector<std::string> references;
    for (size_t i = 0; i < s.list.size(); ++i)
        if (s.list[i].id() == kBlock && s.list[i].block.trackNumber == 1) {
            const int ref = FindChildElement(s.list, kReferenceBlock, s.list[i].parent);
            references.push_back(ref < 0 ? "-" : s.list[ref].ValueText());
        }
    EXPECT_EQ(references, (std::vector<std::string>{"-", "-40", "-40", "-40"}));
}

}  // namespace
}  // namespace quillon::test
