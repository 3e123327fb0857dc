// Adding tracks: the model operations every adder shares, and the three
// adders (another Matroska file, subtitles, MP3) end to end on small built
// files, the saved result read back with our own scanner.
#include <gtest/gtest.h>

#include <fstream>

#include "core/block_merge.h"
#include "core/generated/element_ids.h"
#include "core/value_text.h"
#include "edit/mp3_addition.h"
#include "edit/subtitle_addition.h"
#include "edit/track_adding.h"
#include "edit/track_import.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "reader/track_table.h"
#include "save/save_command.h"
#include "support/save_helpers.h"

namespace quillon::test {
namespace {

// ---------------------------------------------------------------- model operations

std::vector<xBlock> Blocks(std::initializer_list<std::pair<int64_t, uint32_t>> timesAndRows) {
    std::vector<xBlock> blocks;
    for (const auto& [time, row] : timesAndRows) {
        xBlock b;
        b.absTime = time;
        b.row = row;
        blocks.push_back(b);
    }
    return blocks;
}

std::vector<uint32_t> Rows(const std::vector<xBlock>& blocks) {
    std::vector<uint32_t> rows;
    for (const xBlock& b : blocks) rows.push_back(b.row);
    return rows;
}

TEST(TrackAdding, MergeKeepsEachListsOrderAndPutsEqualTimesAfterTheBlocksThere) {
    struct Case {
        const char* what;
        std::vector<xBlock> existing, added;
        std::vector<uint32_t> rows;
    };
    const Case cases[] = {
        {"equal time goes after", Blocks({{0, 1}, {40, 2}, {80, 3}}), Blocks({{40, 10}}), {1, 2, 10, 3}},
        {"smaller time goes before", Blocks({{0, 1}, {40, 2}}), Blocks({{39, 10}, {100, 11}}), {1, 10, 2, 11}},
        // Video in decode order (times step back at the B-frames) is never reordered.
        {"decode order kept", Blocks({{0, 1}, {120, 2}, {40, 3}, {80, 4}}), Blocks({{50, 10}, {60, 11}}),
         {1, 10, 11, 2, 3, 4}},
        {"into nothing", {}, Blocks({{5, 10}, {1, 11}}), {10, 11}},
        {"nothing added", Blocks({{5, 1}}), {}, {1}},
    };
    for (const Case& c : cases) {
        std::vector<xBlock> blocks = c.existing;
        MergeBlocks(blocks, c.added);
        EXPECT_EQ(Rows(blocks), c.rows) << c.what;
    }
    std::vector<xBlock> blocks = Blocks({{0, 1}, {40, 2}, {40, 3}, {80, 4}});
    InsertBlockByTime(blocks, Blocks({{40, 10}})[0]);
    EXPECT_EQ(Rows(blocks), (std::vector<uint32_t>{1, 2, 3, 10, 4}));

    // The same merge takes a track out, moves it and puts it back (a moved
    // start, a repaired track): the odd rows 90 later, row 3 onto row 4's time.
    std::vector<xBlock> again = Blocks({{0, 1}, {10, 2}, {20, 3}, {110, 4}, {120, 5}});
    RemergeByTime(again, [](const xBlock& b) { return b.row % 2 == 1; }, [](xBlock& b) { b.absTime += 90; });
    EXPECT_EQ(Rows(again), (std::vector<uint32_t>{2, 1, 4, 3, 5}));
    EXPECT_EQ(again[1].absTime, 90);
}

TEST(TrackAdding, NumbersFollowTheLargestAndUidsAreNewAndNonZero) {
    TMKV mkv;
    EXPECT_EQ(NewTrackNumber(mkv), 1u);
    for (uint64_t n : {1u, 5u, 2u}) {
        tTrackEntry t;
        t.trackNumber.Set(n);
        t.trackUID.Set(n * 10);
        mkv.tracks.push_back(t);
    }
    EXPECT_EQ(NewTrackNumber(mkv), 6u);
    for (int i = 0; i < 1000; ++i) {
        const uint64_t uid = NewUID(mkv);
        ASSERT_NE(uid, 0u);
        ASSERT_TRUE(uid != 10 && uid != 50 && uid != 20);
    }
    EXPECT_EQ(KeptOrNewUID(mkv, 77), 77u);
    EXPECT_NE(KeptOrNewUID(mkv, 50), 50u);
    EXPECT_NE(KeptOrNewUID(mkv, 0), 0u);
}

// ---------------------------------------------------------------- files

ByteVec Info(uint64_t scale) { return InfoMaster({Uint(kTimecodeScale, scale), Str(0x4D80, "test"), Str(0x5741, "test")}); }
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec Simple(uint64_t track, int16_t tc, bool key, uint8_t fill) {
    return SimpleBlock(track, tc, key ? 0x80 : 0x00, Frame(10, fill));
}
ByteVec Group(uint64_t track, int16_t tc, int64_t reference, uint64_t duration, uint8_t fill) {
    std::vector<ByteVec> children = {Element(kBlock, BlockPayload(track, tc, 0x00, Frame(12, fill)))};
    if (reference) children.push_back(Int(kReferenceBlock, reference));
    if (duration) children.push_back(Uint(kBlockDuration, duration));
    return MasterOf(kBlockGroup, children);
}

// The open file: video 1 and audio 2, TimecodeScale 1 ms.
ByteVec OpenFile(bool groupsOnly = false) {
    const ByteVec a = groupsOnly ? Group(1, 0, 0, 0, 0x11) : Simple(1, 0, true, 0x11);
    const ByteVec b = groupsOnly ? Group(2, 20, 0, 0, 0x22) : Simple(2, 20, true, 0x22);
    const ByteVec c = groupsOnly ? Group(1, 40, -40, 0, 0x12) : Simple(1, 40, false, 0x12);
    return MatroskaFile({Info(1000000), Master(kTracks, {TrackEntry(1, 1, "V_TEST"), TrackEntry(2, 2, "A_AC3")}),
                         Cluster(0, {a, b, c})});
}

using Opened = OpenedForSave;

// A saved file read back: each block as "track:time in ticks" plus "k" for a key frame.
struct Saved : SavedFile {
    const tabrick& list = scan.list;

    std::vector<std::string> BlocksOf(uint64_t track) const {
        std::vector<std::string> out;
        for (size_t i = 0; i < list.size(); ++i) {
            if (!list[i].isBlock() || list[i].block.trackNumber != track) continue;
            const int cluster = list[list[i].parent].id() == kCluster ? list[i].parent : list[list[i].parent].parent;
            const int64_t time = TextToInt64(FindChildValue(list, kTimeCode, cluster)) + list[i].block.timecode;
            out.push_back(std::to_string(time) + (list[i].block.keyFrame() ? "k" : ""));
        }
        return out;
    }
    // The values of a group child (ReferenceBlock, BlockDuration) of the track's blocks, in order.
    std::vector<std::string> GroupValues(uint64_t track, uint32_t id) const {
        std::vector<std::string> out;
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].id() == kBlock && list[i].block.trackNumber == track) {
                const int row = FindChildElement(list, id, list[i].parent);
                out.push_back(row < 0 ? "-" : list[row].ValueText());
            }
        return out;
    }
    // The bytes of the first block of the track after its flags byte.
    ByteVec FirstBlockData(uint64_t track) const {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].isBlock() && list[i].block.trackNumber == track) {
                const uint64_t h = list[i].idLength() + list[i].sizeLen + 4;
                return ByteVec(bytes.begin() + static_cast<long>(list[i].position + h),
                               bytes.begin() + static_cast<long>(list[i].position + list[i].totalSize));
            }
        return {};
    }
    uint8_t FirstBlockFlags(uint64_t track) const {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].isBlock() && list[i].block.trackNumber == track) return list[i].block.flags;
        return 0;
    }
    std::string EntryValue(uint64_t track, uint32_t id) const {
        const int entry = TrackEntryRow(list, std::to_string(track));
        return entry < 0 ? "" : FindChildValue(list, id, entry);
    }
};

void Save(Document& doc, Saved& out) {
    SaveAndRescan(doc, out);
    ASSERT_FALSE(out.bytes.empty());
    ASSERT_EQ(out.scan.outcome.result, ScanResult::Ok);
}

// ---------------------------------------------------------------- import

// The other file: TimecodeScale 0.5 ms; track 1 video in BlockGroups, track 3
// audio in SimpleBlocks with a TrackTimecodeScale of 2, track 2 unused.
ByteVec OtherFile() {
    return MatroskaFile(
        {Info(500000),
         Master(kTracks, {TrackEntry(1, 1, "V_OTHER", {Str(kLanguageBCP47, "de-CH")}), TrackEntry(2, 2, "A_NONE"),
                          TrackEntry(3, 2, "A_OTHER", {Float(kTrackTimecodeScale, 2.0)})}),
         Cluster(1000, {Group(1, 0, 0, 80, 0x31), Simple(3, 10, true, 0x33), Group(1, 160, -160, 80, 0x32),
                        Group(1, 80, -80, 80, 0x34), Simple(3, 30, false, 0x35)})});
}

TEST(TrackImport, TimesReferencesAndDurationsBecomeTheDocumentsTicks) {
    Opened open(OpenFile());
    TempFile other(OtherFile());
    CaptureHost host;
    ASSERT_TRUE(ScanImportFile(open.doc, other.path(), host));
    ASSERT_EQ(open.doc.importTatra.size(), 3u);
    open.doc.importTatra[1].selectMark.clear();
    EXPECT_EQ(MergeTracks(open.doc, other.path(), host), 2u);

    // Numbered after the open file's tracks, in the other file's order.
    ASSERT_EQ(open.doc.tatra.size(), 4u);
    EXPECT_EQ(open.doc.tatra[2].numberText, "3");
    EXPECT_EQ(open.doc.tatra[3].numberText, "4");
    EXPECT_EQ(open.doc.saveMode, SaveMode::Build);

    Saved saved;
    Save(open.doc, saved);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);
    EXPECT_EQ(saved.BlocksOf(1), (std::vector<std::string>{"0k", "40"}));
    // 0.5 ms ticks halved, decode order kept.
    EXPECT_EQ(saved.BlocksOf(3), (std::vector<std::string>{"500", "580", "540"}));
    EXPECT_EQ(saved.GroupValues(3, kReferenceBlock), (std::vector<std::string>{"-", "-80", "-40"}));
    EXPECT_EQ(saved.GroupValues(3, kBlockDuration), (std::vector<std::string>{"40", "40", "40"}));
    // TrackTimecodeScale 2 first: (1000 + 10) × 2 half-ticks; the key-frame bit travels.
    EXPECT_EQ(saved.BlocksOf(4), (std::vector<std::string>{"1010k", "1030"}));
    // The factor is in those times already: it is not written to be applied again.
    EXPECT_EQ(saved.EntryValue(4, kTrackTimecodeScale), "");
    EXPECT_EQ(saved.EntryValue(3, kCodecID), "V_OTHER");
    EXPECT_EQ(saved.EntryValue(3, kLanguageBCP47), "de-CH");  // children we hold no field for travel as they are
    EXPECT_EQ(saved.FirstBlockData(3), Frame(12, 0x31));
}

TEST(TrackImport, TimesFromAnotherScaleAreRoundedToTheNearestTick) {
    // A scale 1 ns short of a millisecond: tick 1000 is 999.999 ms, which is
    // 1000 ms to the nearest (cutting would give 999); 1500 → 1499.9985 → 1500.
    const ByteVec file = MatroskaFile({Info(999999), Master(kTracks, {TrackEntry(1, 2, "A_OTHER")}),
                                       Cluster(1000, {Simple(1, 0, true, 0x31), Simple(1, 500, true, 0x32)})});
    Opened open(OpenFile());
    TempFile other(file);
    CaptureHost host;
    ASSERT_TRUE(ScanImportFile(open.doc, other.path(), host));
    ASSERT_EQ(MergeTracks(open.doc, other.path(), host), 1u);
    Saved saved;
    Save(open.doc, saved);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);
    EXPECT_EQ(saved.BlocksOf(3), (std::vector<std::string>{"1000k", "1500k"}));
}

TEST(TrackImport, UidsAreKeptUnlessTheFileHasThemAlready) {
    Opened open(OpenFile());
    TempFile other(OtherFile());
    CaptureHost host;
    ASSERT_TRUE(ScanImportFile(open.doc, other.path(), host));
    ASSERT_EQ(MergeTracks(open.doc, other.path(), host), 3u);
    const auto uid = [&](const char* number) { return ModelTrack(open.doc.mkv, number)->trackUID.value; };
    // The builder gives track N the UID N×1000+7: 1007 and 2007 are the open file's already.
    EXPECT_NE(uid("3"), 1007u);
    EXPECT_NE(uid("4"), 2007u);
    EXPECT_EQ(uid("5"), 3007u);
    EXPECT_NE(uid("3"), 0u);
}

TEST(TrackImport, BadFilesAndUnknownTracksChangeNothing) {
    Opened open(OpenFile());
    CaptureHost host;
    EXPECT_FALSE(ScanImportFile(open.doc, open.file.path() + ".missing", host));
    EXPECT_TRUE(host.HasLine("• ошибка открытия файла"));
    TempFile notMatroska(ByteVec(100, 0x20));
    EXPECT_FALSE(ScanImportFile(open.doc, notMatroska.path(), host));
    TempFile other(OtherFile());
    ASSERT_TRUE(ScanImportFile(open.doc, other.path(), host));
    for (Track& t : open.doc.importTatra) t.selectMark.clear();
    EXPECT_EQ(MergeTracks(open.doc, other.path(), host), 0u);
    EXPECT_EQ(open.doc.tatra.size(), 2u);
    EXPECT_TRUE(open.doc.addedSources.empty());
}

TEST(TrackAdding, MoreThan126TracksAreRefusedBeforeAnythingChanges) {
    Opened open(OpenFile());
    open.doc.tatra.resize(126, open.doc.tatra[0]);
    CaptureHost host;
    TempFile srt(ByteVec{}, ".srt");
    {
        std::ofstream out(srt.path(), std::ios::binary);
        out << "1\r\n00:00:01,000 --> 00:00:02,000\r\nA subtitle line\r\n";
    }
    EXPECT_FALSE(AddSubtitleFile(open.doc, srt.path(), host));
    EXPECT_TRUE(host.HasLine("Дорожек станет больше 126, а в новом файле их может быть не больше 126."));
    EXPECT_EQ(open.doc.mkv.tracks.size(), 2u);
    EXPECT_TRUE(open.doc.addedSources.empty());
}

// ---------------------------------------------------------------- subtitles

TEST(SubtitleAddition, EventsBecomeBlocksWithDurationsInTheDocumentsTicks) {
    for (const uint64_t scale : {uint64_t{1000000}, uint64_t{500000}}) {
        ByteVec bytes = OpenFile();
        // The same file at another TimecodeScale: its ticks are half as long.
        const ByteVec info1 = Info(1000000), info2 = Info(scale);
        auto at = std::search(bytes.begin(), bytes.end(), info1.begin(), info1.end());
        ASSERT_NE(at, bytes.end());
        if (scale != 1000000) {
            ASSERT_EQ(info1.size(), info2.size());
            std::copy(info2.begin(), info2.end(), at);
        }
        Opened open(bytes);
        TempFile srt(ByteVec{}, ".srt");
        {
            std::ofstream out(srt.path(), std::ios::binary);
            out << "1\n00:00:00,020 --> 00:00:00,060\nOne\ntwo\n\n2\n00:00:00,000 --> 00:00:00,010\nFirst\n";
        }
        CaptureHost host;
        ASSERT_TRUE(AddSubtitleFile(open.doc, srt.path(), host));
        ASSERT_EQ(open.doc.tatra.size(), 3u);
        EXPECT_EQ(open.doc.tatra[2].typeText, "SUBTITLES");
        EXPECT_EQ(open.doc.tatra[2].language, "xz");
        Saved saved;
        Save(open.doc, saved);
        ASSERT_EQ(saved.outcome, SaveOutcome::Written);
        const int k = static_cast<int>(1000000 / scale);
        // Sorted by time; an event at the time of a block already there comes after it.
        EXPECT_EQ(saved.BlocksOf(3), (std::vector<std::string>{"0", std::to_string(20 * k)}));
        EXPECT_EQ(saved.GroupValues(3, kBlockDuration), (std::vector<std::string>{std::to_string(10 * k), std::to_string(40 * k)}));
        EXPECT_EQ(saved.EntryValue(3, kCodecID), "S_TEXT/UTF8");
        EXPECT_EQ(saved.EntryValue(3, kLanguage), "und");  // the placeholder is never written
        ByteVec first = saved.FirstBlockData(3);
        EXPECT_EQ(std::string(first.begin(), first.end()), "First");
    }
}

TEST(SubtitleAddition, FailuresTellWhyAndAddNothing) {
    struct Case {
        const char* suffix;
        std::string content;
        std::string line;  // expected in the log
    };
    const Case cases[] = {
        {".txt", "1\n00:00:01,000 --> 00:00:02,000\nText long enough\n", "субтитры должны быть в формате SRT или SSA/ASS"},
        {".srt", "1\n", "слишком маленький файл, чтобы быть субтитрами..."},
        {".srt", "1\n00:00:01,000 --> 00:00:02,000\nText\n\n2\nnot a time line at all\nx\n", "• SRT parsing error in line 6"},
        {".ass", "[Script Info]\nTitle: nothing after the header here\n", "• ASS parsing error, no events found"},
    };
    for (const Case& c : cases) {
        Opened open(OpenFile());
        TempFile file(ByteVec(c.content.begin(), c.content.end()), c.suffix);
        CaptureHost host;
        EXPECT_FALSE(AddSubtitleFile(open.doc, file.path(), host)) << c.line;
        EXPECT_TRUE(host.HasLine(c.line)) << c.line;
        EXPECT_EQ(open.doc.tatra.size(), 2u);
        EXPECT_EQ(open.doc.saveMode, SaveMode::Export);
    }
    Opened open(OpenFile());
    CaptureHost host;
    EXPECT_FALSE(AddSubtitleFile(open.doc, "/nonexistent/x.srt", host));
    EXPECT_TRUE(host.HasLine("• не удалось открыть субтитры."));
}

// ---------------------------------------------------------------- MP3

// A 128 kbit/s 44.1 kHz MPEG-1 Layer III frame: 417 bytes, 418 with padding.
ByteVec Mp3Frame(bool padded, uint8_t fill) {
    ByteVec frame(padded ? 418 : 417, fill);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = padded ? 0x92 : 0x90;
    frame[3] = 0x00;
    return frame;
}

struct Mp3Case {
    const char* what;
    std::vector<bool> padding;  // one entry per frame
    std::vector<uint8_t> flags;  // the flags byte of each block (SimpleBlocks: key frame set)
    std::vector<std::string> times;
};

TEST(Mp3Addition, EightFramesToABlockLacedFixedOrByEbmlSizes) {
    const Mp3Case cases[] = {
        {"13 equal frames", std::vector<bool>(13, false), {0x84, 0x84}, {"0k", "208k"}},
        {"alternating sizes", {false, true, false, true, false, true, false, true, true}, {0x86, 0x80}, {"0k", "208k"}},
    };
    for (const Mp3Case& c : cases) {
        ByteVec mp3;
        for (size_t i = 0; i < c.padding.size(); ++i) {
            const ByteVec f = Mp3Frame(c.padding[i], static_cast<uint8_t>(i + 1));
            mp3.insert(mp3.end(), f.begin(), f.end());
        }
        TempFile file(mp3, ".mp3");
        Opened open(OpenFile());
        CaptureHost host;
        ASSERT_TRUE(AddMp3File(open.doc, file.path(), host)) << c.what;
        const tTrackEntry& t = open.doc.mkv.tracks.back();
        EXPECT_EQ(t.codecID.value, "A_MPEG/L3");
        EXPECT_EQ(t.defaultDuration.value, 26122448u);
        EXPECT_EQ(t.samplingFrequency.value, 44100.0f);
        EXPECT_EQ(t.channels.value, 2u);
        Saved saved;
        Save(open.doc, saved);
        ASSERT_EQ(saved.outcome, SaveOutcome::Written);
        EXPECT_EQ(saved.BlocksOf(3), c.times) << c.what;
        EXPECT_EQ(saved.FirstBlockFlags(3), c.flags[0]) << c.what;
        // The first block: lace head, then the frames exactly as the file holds them.
        const ByteVec data = saved.FirstBlockData(3);
        ASSERT_FALSE(data.empty());
        EXPECT_EQ(data[0], 7) << c.what;  // eight frames
        const size_t frames = std::min<size_t>(8, c.padding.size());
        size_t bytes = 0;
        for (size_t i = 0; i < frames; ++i) bytes += c.padding[i] ? 418 : 417;
        EXPECT_TRUE(std::equal(mp3.begin(), mp3.begin() + static_cast<long>(bytes), data.end() - static_cast<long>(bytes)))
            << c.what;
    }
}

TEST(Mp3Addition, BlocksFollowTheOpenFilesKindAndAnInfoFrameIsLeftOut) {
    ByteVec mp3 = Mp3Frame(false, 0);
    const char tag[] = "Info";
    std::copy(tag, tag + 4, mp3.begin() + 4 + 32);  // where an encoder puts it in a stereo MPEG-1 frame
    for (int i = 0; i < 3; ++i) {
        const ByteVec f = Mp3Frame(false, 0x40);
        mp3.insert(mp3.end(), f.begin(), f.end());
    }
    TempFile file(mp3, ".mp3");
    Opened open(OpenFile(true));  // BlockGroups only
    CaptureHost host;
    ASSERT_TRUE(AddMp3File(open.doc, file.path(), host));
    Saved saved;
    Save(open.doc, saved);
    ASSERT_EQ(saved.outcome, SaveOutcome::Written);
    EXPECT_EQ(saved.BlocksOf(3), (std::vector<std::string>{"0"}));     // a Block in a group: no key-frame bit
    EXPECT_EQ(saved.GroupValues(3, kReferenceBlock), (std::vector<std::string>{"-"}));
    const ByteVec data = saved.FirstBlockData(3);
    EXPECT_EQ(data.size(), 1u + 3 * 417);  // three frames, the Info frame left out
    EXPECT_EQ(data[0], 2);
}

TEST(Mp3Addition, FailuresTellWhyAndAddNothing) {
    ByteVec garbageAfter = Mp3Frame(false, 1);
    garbageAfter.insert(garbageAfter.end(), 20, 0x42);
    const struct {
        const char* suffix;
        ByteVec bytes;
        const char* line;
    } cases[] = {
        {".wav", Mp3Frame(false, 1), "умею только MP3"},
        {".mp3", ByteVec(500, 0x42), "не найден Frame sync"},
        {".mp3", garbageAfter, "не удалось разобраться с файлом mp3"},
    };
    for (const auto& c : cases) {
        TempFile file(c.bytes, c.suffix);
        Opened open(OpenFile());
        CaptureHost host;
        EXPECT_FALSE(AddMp3File(open.doc, file.path(), host)) << c.line;
        EXPECT_TRUE(host.HasLine(c.line)) << c.line;
        EXPECT_EQ(open.doc.tatra.size(), 2u);
        EXPECT_TRUE(open.doc.addedSources.empty());
    }
}

}  // namespace
}  // namespace quillon::test
