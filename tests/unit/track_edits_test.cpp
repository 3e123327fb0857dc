#include <gtest/gtest.h>

#include "core/generated/element_ids.h"

#include <fstream>
#include <iterator>

#include "edit/quick_edits.h"
#include "edit/staged_edits.h"
#include "edit/track_texts.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "support/scan_helpers.h"
#include "save/save_command.h"

namespace quillon::test {
namespace {


ByteVec ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(in), {});
}

// Two audio tracks (the first default) and a subtitle track; the Language of
// track 2 has a two-byte size field, as some muxers write it. Tracks 4 and 5
// as mkvmerge writes them: Language with LanguageBCP47, and an English track
// with LanguageBCP47 only.
ByteVec EditableFile() {
    const ByteVec wideLanguage = Element(kLanguage, ByteVec{'g', 'e', 'r'}, 2);
    return MatroskaFile(
        {InfoMaster({Uint(0x2AD7B1, 1000000)}),
         Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Uint(kFlagDefault, 1), Str(kLanguage, "eng")}),
                          TrackEntry(2, 2, "A_AAC", {Uint(kFlagDefault, 0), wideLanguage}),
                          TrackEntry(3, 17, "S_TEXT/UTF8", {Str(kLanguage, "rus")}),
                          TrackEntry(4, 17, "S_TEXT/UTF8", {Str(kLanguage, "rus"), Str(kLanguageBCP47, "ru")}),
                          TrackEntry(5, 17, "S_TEXT/UTF8", {Str(kLanguageBCP47, "en")})}),
         Master(kCluster, {Uint(0xE7, 0), SimpleBlock(1, 0, 0x80, Frame(4)), SimpleBlock(2, 0, 0x80, Frame(4))})});
}

struct Opened {
    TempFile file{EditableFile()};
    Document doc;
    CaptureHost host;
    Opened() {
        doc.sourcePath = file.path();
        ReadHeader(doc, host);
    }
    // Reads the file again and returns the track table as the file now says.
    TrackTable Reread() {
        Document again;
        again.sourcePath = file.path();
        CaptureHost h;
        ReadHeader(again, h);
        return again.tatra;
    }
};

TEST(QuickEdits, DefaultSwitchPatchesOnlyTheFlagBytes) {
    Opened o;
    const ByteVec before = ReadAll(o.file.path());
    ASSERT_EQ(QuickSetDefault(o.doc, o.host, 1), PatchResult::Written);
    const ByteVec after = ReadAll(o.file.path());
    ASSERT_EQ(after.size(), before.size());
    const TrackTable tracks = o.Reread();
    EXPECT_EQ(tracks[0].defaultMark, "");
    EXPECT_EQ(tracks[1].defaultMark, "y");
    EXPECT_EQ(o.doc.tatra[1].defaultMark, "y");
    EXPECT_EQ(o.doc.lista[TrackFlagDefaultElement(o.doc, 0)].ValueText(), "0");
    // Exactly two bytes changed: the two flags' data bytes.
    size_t changed = 0;
    for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_EQ(changed, 2u);

    ASSERT_EQ(QuickDropDefault(o.doc, o.host, 1), PatchResult::Written);
    EXPECT_EQ(o.Reread()[1].defaultMark, "");
    // A track without a FlagDefault element cannot be switched in place.
    EXPECT_EQ(QuickSetDefault(o.doc, o.host, 2), PatchResult::NotThatElement);
}

// Language takes the ISO 639-2 code of any form of a language, and
// LanguageBCP47 (where the track has one) its tag, so the two agree.
TEST(QuickEdits, LanguageCodes) {
    struct Case {
        size_t row;
        std::string code;
        PatchResult result;
        std::string readBack;  // the track table's language once the file is read again
        std::string bcp47;     // LanguageBCP47 as the file then holds it ("" without one)
    } cases[] = {
        {0, "fre", PatchResult::Written, "fre", ""},
        {0, "de", PatchResult::Written, "ger", ""},      // an ISO 639-1 code: its ISO 639-2 form
        {1, "fr", PatchResult::Written, "fre", ""},      // a two-byte size field
        {3, "de", PatchResult::Written, "ger", "de"},    // both elements
        {3, "deu", PatchResult::Written, "ger", "de"},
        // What does not fit the elements' bytes goes to the header editor, which
        // refuses this file (it has no SeekHead): nothing written.
        {3, "pt-BR", PatchResult::WriteFailed, "rus", "ru"},
        {4, "eng", PatchResult::Written, "en", "en"},    // English by absence of Language: the tag alone
        {4, "de", PatchResult::WriteFailed, "en", "en"},  // another language needs a Language element
        {0, "russ", PatchResult::BadCode, "eng", ""},
        {0, "", PatchResult::BadCode, "eng", ""},
        {0, "e n", PatchResult::BadCode, "eng", ""},
        {2, "eng", PatchResult::Written, "eng", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + c.code);
        Opened o;
        const ByteVec before = ReadAll(o.file.path());
        EXPECT_EQ(QuickSetLanguage(o.doc, o.host, c.row, c.code), c.result);
        const ByteVec after = ReadAll(o.file.path());
        ASSERT_EQ(after.size(), before.size());
        Document again;
        again.sourcePath = o.file.path();
        CaptureHost h;
        ReadHeader(again, h);
        EXPECT_EQ(again.tatra[c.row].language, c.readBack);
        const int tag = FindChildElement(again.lista, kLanguageBCP47, static_cast<int>(again.tatra[c.row].entryIndex));
        EXPECT_EQ(tag >= 0 ? again.lista[tag].Text() : "", c.bcp47);
        if (c.result == PatchResult::Written) EXPECT_EQ(o.doc.tatra[c.row].language, c.readBack);
        else EXPECT_EQ(after, before);
    }
}

TEST(QuickEdits, FailedPatchLeavesEverythingAsItWas) {
    Opened o;
    o.doc.sourcePath += ".gone";  // the file cannot be opened for writing any more
    EXPECT_EQ(QuickSetDefault(o.doc, o.host, 1), PatchResult::OpenFailed);
    EXPECT_EQ(o.doc.tatra[0].defaultMark, "y");
    EXPECT_EQ(o.doc.tatra[1].defaultMark, "");
    EXPECT_EQ(o.doc.lista[TrackFlagDefaultElement(o.doc, 1)].ValueText(), "0");
    EXPECT_FALSE(o.host.lines.empty());  // the user was told
}

TEST(QuickEdits, FileChangedSinceTheScanIsRefused) {
    Opened o;
    ByteVec bytes = ReadAll(o.file.path());
    const Tbrick& flag = o.doc.lista[TrackFlagDefaultElement(o.doc, 1)];
    bytes[flag.position] = 0xEC;  // someone turned the element into a Void
    {
        std::ofstream out(o.file.path(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    EXPECT_EQ(QuickSetDefault(o.doc, o.host, 1), PatchResult::FileChanged);
    EXPECT_EQ(ReadAll(o.file.path()), bytes);
}

struct Staged {
    TempFile file{MatroskaFile(
        {InfoMaster({Uint(0x2AD7B1, 1000000)}),
         Master(kTracks, {TrackEntry(1, 1, "V_TEST", {Master(0xE0, {Uint(0xB0, 640), Uint(0xBA, 480)})}),
                          TrackEntry(2, 2, "A_AC3", {Uint(kFlagDefault, 1), Str(kLanguage, "eng"), Str(0x22B59D, "en")}),
                          TrackEntry(3, 2, "A_AAC", {Str(kLanguage, "ger")})}),
         Master(kCluster, {Uint(0xE7, 1000), SimpleBlock(1, 0, 0x80, Frame(4)), SimpleBlock(2, 10, 0x80, Frame(4)),
                           SimpleBlock(1, 40, 0x00, Frame(4)), SimpleBlock(2, 50, 0x80, Frame(4)),
                           SimpleBlock(1, 80, 0x00, Frame(4))})})};
    Document doc;
    CaptureHost host;
    Staged() {
        doc.sourcePath = file.path();
        ReadHeader(doc, host);
        EXPECT_TRUE(prepare2export(doc, host));
    }
    TrackPanelInput Input(const std::string& number) {
        const auto values = OpenTrackPanel(doc, number);
        TrackPanelInput in;
        in.number = number;
        in.name = values->name;
        in.language = values->language;
        in.timecodeScale = values->timecodeScale;
        in.firstFrame = in.initialFirstFrame = values->firstFrame;
        in.isDefault = values->isDefault;
        return in;
    }
    const tTrackEntry& Entry(uint64_t n) const {
        for (const auto& t : doc.mkv.tracks)
            if (t.trackNumber.value == n) return t;
        throw std::runtime_error("no entry");
    }
};

TEST(StagedEdits, PanelShowsTheTrack) {
    Staged s;
    const auto v = OpenTrackPanel(s.doc, "2");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->codecID, "A_AC3");
    EXPECT_EQ(v->language, "eng");
    EXPECT_EQ(v->timecodeScale, "1");
    EXPECT_EQ(v->firstFrame, "1010");
    EXPECT_EQ(v->duration, "00:00:01.050");
    EXPECT_TRUE(v->isDefault);
    EXPECT_FALSE(OpenTrackPanel(s.doc, "9"));
}

TEST(StagedEdits, AcceptChecksRunInOrderAndChangeNothingWhenRefused) {
    struct Case {
        std::string language, scale, firstFrame;
        PanelField field;
    } cases[] = {
        {" ", "", "x", PanelField::Language},
        {"xz", "", "x", PanelField::LanguagePlaceholder},
        {"rus", "", "x", PanelField::TimecodeScale},
        {"rus", ",", "0", PanelField::TimecodeScale},  // not a number: refused, nothing half-updated
        {"rus", "0", "0", PanelField::TimecodeScale},
        {"rus", "1,5", "-1", PanelField::FirstFrame},
        {"rus", "1,5", "12a", PanelField::FirstFrame},
    };
    for (const auto& c : cases) {
        Staged s;
        TrackPanelInput in = s.Input("2");
        in.name = "changed";
        in.language = c.language;
        in.timecodeScale = c.scale;
        in.firstFrame = c.firstFrame;
        EXPECT_EQ(AcceptTrackPanel(s.doc, in), c.field) << c.language << "|" << c.scale << "|" << c.firstFrame;
        EXPECT_FALSE(s.Entry(2).name.present);
        EXPECT_EQ(s.Entry(2).language.value, "eng");
        EXPECT_EQ(s.doc.saveMode, SaveMode::Export);
    }
}

TEST(StagedEdits, AcceptStagesNameLanguageScaleAndDefault) {
    Staged s;
    TrackPanelInput in = s.Input("3");
    in.name = "  Kommentar ";
    in.language = "ger";
    in.isDefault = true;
    ASSERT_EQ(in.firstFrame, "-1");  // a track without blocks needs a time typed in
    EXPECT_EQ(AcceptTrackPanel(s.doc, in), PanelField::FirstFrame);
    in.firstFrame = "0";
    ASSERT_EQ(AcceptTrackPanel(s.doc, in), PanelField::None);
    EXPECT_EQ(s.Entry(3).name.value, "Kommentar");
    EXPECT_EQ(s.Entry(3).flagDefault.value, 1);
    EXPECT_TRUE(s.Entry(3).flagDefault.present);
    EXPECT_FALSE(s.Entry(3).trackTimecodeScale.present);  // 1 stays implicit
    EXPECT_EQ(s.Entry(2).flagDefault.value, 0);
    EXPECT_TRUE(s.Entry(2).flagDefault.present);
    EXPECT_FALSE(s.Entry(1).flagDefault.present);  // another type: untouched
    EXPECT_EQ(s.doc.tatra[2].defaultMark, "Y");
    EXPECT_EQ(s.doc.tatra[1].defaultMark, "");
    EXPECT_EQ(s.doc.tatra[2].description, "A_AAC, Kommentar");
    EXPECT_EQ(s.doc.saveMode, SaveMode::Build);

    // A changed language drops the contradicting LanguageBCP47; an empty name is absent.
    TrackPanelInput two = s.Input("2");
    two.language = "fre";
    two.name = "";
    two.timecodeScale = "2,5";
    ASSERT_EQ(AcceptTrackPanel(s.doc, two), PanelField::None);
    EXPECT_TRUE(s.Entry(2).otherEntryChildren.empty());
    EXPECT_FALSE(s.Entry(2).name.present);
    EXPECT_FLOAT_EQ(s.Entry(2).trackTimecodeScale.value, 2.5f);
    EXPECT_EQ(s.doc.tatra[1].description, "A_AC3");

    TrackPanelInput video = s.Input("1");
    video.language = "und";
    ASSERT_EQ(AcceptTrackPanel(s.doc, video), PanelField::None);
    EXPECT_EQ(s.doc.tatra[0].description, "640x480, V_TEST");
}

TEST(StagedEdits, ANewDefaultWritesFlagZeroIntoTheOthersOfItsType) {
    // Track 3 has no FlagDefault, which reads as 1: it must get a 0 written, or two tracks stay default.
    Staged s;
    ASSERT_TRUE(StageDefault(s.doc, "2", true));
    EXPECT_TRUE(s.Entry(3).flagDefault.present);
    EXPECT_EQ(s.Entry(3).flagDefault.value, 0);
    EXPECT_EQ(s.Entry(2).flagDefault.value, 1);
    EXPECT_FALSE(s.Entry(1).flagDefault.present);
}

TEST(StagedEdits, ShiftTrackStartMovesOneTrackAndMergesByTime) {
    Staged s;
    TrackPanelInput in = s.Input("2");
    in.firstFrame = "1041";  // 1010 -> 1041: +31
    ASSERT_EQ(AcceptTrackPanel(s.doc, in), PanelField::None);
    std::vector<std::string> order;
    for (const xBlock& b : s.doc.mkv.blocks) order.push_back(std::to_string(s.doc.BlockTrack(b)) + "@" + std::to_string(b.absTime));
    EXPECT_EQ(order, (std::vector<std::string>{"1@1000", "1@1040", "2@1041", "1@1080", "2@1081"}));
    ShiftTrackStart(s.doc, "2", 1040);  // equal times: the other track first
    EXPECT_EQ(s.doc.BlockTrack(s.doc.mkv.blocks[1]), 1u);
    EXPECT_EQ(s.doc.BlockTrack(s.doc.mkv.blocks[2]), 2u);
    ShiftTrackStart(s.doc, "7", 0);  // no such track: nothing happens
    EXPECT_EQ(s.doc.mkv.blocks.size(), 5u);
}

TEST(StagedEdits, Reordering) {
    Staged s;
    EXPECT_FALSE(MoveTrackUp(s.doc, 0));
    EXPECT_FALSE(MoveTrackDown(s.doc, 2));
    EXPECT_EQ(s.doc.saveMode, SaveMode::Export);
    EXPECT_TRUE(MoveTrackDown(s.doc, 0));
    EXPECT_TRUE(MoveTrackUp(s.doc, 2));
    EXPECT_EQ(s.doc.tatra[0].numberText + s.doc.tatra[1].numberText + s.doc.tatra[2].numberText, "231");
    EXPECT_EQ(s.doc.saveMode, SaveMode::Build);
}

TEST(TrackTexts, Conversions) {
    EXPECT_EQ(FormatMsTime(3600005), "01:00:00.005");
    EXPECT_EQ(FormatMsTime(0), "00:00:00.000");
    EXPECT_EQ(FormatMsTime(61001), "00:01:01.001");
    EXPECT_TRUE(IsSignedInteger("-12"));
    EXPECT_TRUE(IsSignedInteger("0"));
    EXPECT_FALSE(IsSignedInteger("-"));
    EXPECT_FALSE(IsSignedInteger("1-2"));
    EXPECT_FALSE(IsSignedInteger(""));
    EXPECT_EQ(AnsiToUtf8Text("\xC0\xFF\xA8\xB8\x93\x94 a"), "АяЁё“” a");
}

}  // namespace
}  // namespace quillon::test
