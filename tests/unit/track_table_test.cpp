#include <gtest/gtest.h>

#include "core/generated/element_ids.h"

#include "core/display_text.h"
#include "core/source_file.h"
#include "reader/open_file.h"
#include "reader/track_table.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {


TrackTable TracksOf(const std::vector<ByteVec>& entries) {
    Scanned s;
    ScanBytes(MatroskaFile({MasterOf(kTracks, entries), Master(kCluster, {Uint(0xE7, 0)})}), ScanKind::Header, s);
    TrackTable tracks;
    FillTrackList(s.list, tracks);
    return tracks;
}

TEST(TrackTable, RowsFromTrackEntries) {
    const TrackTable tracks = TracksOf({
        TrackEntry(1, 1, "V_MS/VFW/FOURCC", {Master(kVideo, {Uint(0xBA, 480)})}),
        TrackEntry(2, 2, "A_AC3", {Str(kName, "Звук"), Str(kLanguage, "rus"), Uint(kFlagDefault, 1)}),
        TrackEntry(3, 2, "A_AAC/MPEG4/LC", {Uint(kFlagDefault, 0)}),
        TrackEntry(4, 17, "S_TEXT/UTF8", {Str(kLanguage, "eng")}),
        TrackEntry(5, 3, "V_COMPLEX", {Str(kName, "hidden"), Str(kLanguage, "fre"), Uint(kFlagDefault, 1)}),
        Master(kTrackEntry, {Uint(0x83, 2), Str(0x86, "A_MPEG/L3")}),  // no TrackNumber
        TrackEntry(7, 17, "S_TEXT/ASS", {Str(kLanguageBCP47, "pt-BR")}),  // as mkvmerge writes a language without ISO 639-2 code
    });
    struct Row {
        const char* number;
        const char* type;
        const char* description;
        const char* language;
        const char* defaultMark;
        uint16_t formatTag;
    } expected[] = {
        {"1", "VIDEO", "x480, V_MS/VFW/FOURCC", "eng", "y", 0},  // no Language, no FlagDefault: Matroska's defaults
        {"2", "AUDIO", "A_AC3, Звук", "rus", "y", 0x2000},
        {"3", "AUDIO", "A_AAC/MPEG4/LC", "eng", "", 0},  // only the exact "A_AAC" is AAC
        {"4", "SUBTITLES", "S_TEXT/UTF8", "eng", "y", 0},
        {"5", "UNKNOWN", "", "", "", 0},  // complex tracks are listed with nothing else
        {"?", "AUDIO", "A_MPEG/L3", "eng", "y", 0x0055},
        {"7", "SUBTITLES", "S_TEXT/ASS", "pt-BR", "y", 0},
    };
    ASSERT_EQ(tracks.size(), std::size(expected));
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Track& t = tracks[i];
        EXPECT_EQ(t.numberText, expected[i].number) << i;
        EXPECT_EQ(t.typeText, expected[i].type) << i;
        EXPECT_EQ(t.description, expected[i].description) << i;
        EXPECT_EQ(t.language, expected[i].language) << i;
        EXPECT_EQ(t.defaultMark, expected[i].defaultMark) << i;
        EXPECT_EQ(t.formatTag, expected[i].formatTag) << i;
        EXPECT_EQ(t.selectMark, "y");
        EXPECT_TRUE(t.codecText.empty());
        EXPECT_NE(t.entryIndex, Track::kNotInSource);
    }
}

TEST(TrackTable, TypeNamesAndJoining) {
    const std::pair<uint64_t, const char*> names[] = {{1, "VIDEO"}, {2, "AUDIO"}, {3, "COMPLEX"}, {16, "LOGO"},
                                                      {17, "SUBTITLES"}, {18, "BUTTONS"}, {32, "CONTROL"}, {4, "UNKNOWN"}};
    for (const auto& [type, name] : names) EXPECT_STREQ(TrackTypeName(type), name);
    EXPECT_EQ(JoinComma("a", "b"), "a, b");
    EXPECT_EQ(JoinComma("", "b"), "b");
    EXPECT_EQ(JoinComma("a", ""), "a");
    EXPECT_EQ(JoinComma("", ""), "");
}

TEST(DisplayText, CyrillicAndQuotesPassOtherCharactersShowTheirBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"Привет, Ёжик ёлка", "Привет, Ёжик ёлка"},
        {"“quoted”", "“quoted”"},
        {"Café", "Caf%C3A9"},
        {"日本", "%E697A5%E69CAC"},
        {"\xF0\x9F\x98\x80", "%F09F9880"},
        {"bad \x80 byte", "bad \x80 byte"},  // a stray continuation byte is copied
        {"cut \xD0", "cut \xD0"},            // a lead byte without its continuation
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(Utf8ToAnsiText(in), out) << in;
}

TEST(OpenFile, HeaderReadAndContainerCheckFillTheDocument) {
    TempFile file(MatroskaFile({InfoMaster({}), Master(kTracks, {TrackEntry(1, 2, "A_AC3")}),
                                Master(kCluster, {Uint(0xE7, 0), SimpleBlock(1, 0, 0x80, Frame(3))})}));
    Document doc;
    doc.sourcePath = file.path();
    CaptureHost host;
    OpenOutcome outcome = ReadHeader(doc, host);
    EXPECT_TRUE(outcome.opened);
    EXPECT_EQ(doc.readState, ReadState::Header);
    ASSERT_EQ(doc.tatra.size(), 1u);

    outcome = CheckContainer(doc, host, true);
    EXPECT_EQ(outcome.scan, ScanResult::Ok);
    EXPECT_EQ(doc.blockTypeText, "s-mode");
    FinishContainerCheck(doc, host, true);
    EXPECT_EQ(doc.readState, ReadState::FullTree);
    EXPECT_EQ(host.lines.back(), "• операция завершена");

    host.lines.clear();
    host.stopAfterPolls = 0;
    std::vector<ByteVec> blocks;
    for (int i = 0; i < 2000; ++i) blocks.push_back(SimpleBlock(1, 0, 0x80, Frame(1)));
    TempFile big(MatroskaFile({Master(kTracks, {TrackEntry(1, 2, "A_AC3")}), MasterOf(kCluster, blocks)}));
    doc.sourcePath = big.path();
    outcome = CheckContainer(doc, host, true);
    EXPECT_EQ(outcome.scan, ScanResult::Stopped);
    EXPECT_TRUE(doc.lista.empty());
    EXPECT_EQ(host.lines.back(), "• операция прервана");

    doc.sourcePath = "/nonexistent/file.mkv";
    host.lines.clear();
    outcome = CheckContainer(doc, host, false);
    EXPECT_FALSE(outcome.opened);
    EXPECT_EQ(host.lines, std::vector<std::string>{"• ошибка открытия файла"});
}

}  // namespace
}  // namespace quillon::test
