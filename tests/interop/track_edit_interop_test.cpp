// Track edits checked by mkvinfo and mkvextract: the quick edits on copies of
// files made by mkvmerge and ffmpeg, and a remux after staged edits.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "core/generated/element_ids.h"
#include "edit/quick_edits.h"
#include "reader/element_queries.h"
#include "reader/open_file.h"
#include "support/capture_host.h"
#include "support/interop_helpers.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

// A copy of a committed sample to edit, in this suite's output folder.
std::string Copy(const std::string& name, const std::string& as) {
    const fs::path target = FreshOutput("track-edits", as);
    fs::copy_file(SampleFile(name), target);
    return target.string();
}

using Extent = std::pair<uint64_t, uint64_t>;  // [position, end)

// CRC-32 as EBML stores it, bit by bit: nothing shared with the program's own.
uint32_t SlowCrc32(const uint8_t* data, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        c ^= data[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// What a quick edit of a track may change: the element itself and the data
// of the CRC-32 elements of the masters around it (as our header read sees them).
struct EditPlaces {
    std::vector<Extent> elements;  // the element, and for a language its LanguageBCP47 too
    std::vector<Extent> crcs;     // the 4 data bytes of each CRC-32
    std::vector<Extent> covered;  // what each CRC-32 covers: its parent's data after it
};

EditPlaces PlacesOf(const std::string& path, const std::string& track, bool language) {
    Document doc;
    doc.sourcePath = path;
    CaptureHost host;
    ReadHeader(doc, host);
    EditPlaces places;
    for (size_t i = 0; i < doc.tatra.size(); ++i) {
        if (doc.tatra[i].numberText != track) continue;
        const int element = language ? TrackLanguageElement(doc, i) : TrackFlagDefaultElement(doc, i);
        const Tbrick& row = doc.lista[element];
        places.elements.push_back({row.position, row.end()});
        if (const int tag = language ? FindChildElement(doc.lista, kLanguageBCP47, row.parent) : -1; tag >= 0)
            places.elements.push_back({doc.lista[tag].position, doc.lista[tag].end()});
        for (int32_t at = row.parent; at >= 0; at = doc.lista[at].parent)
            for (size_t c = static_cast<size_t>(at) + 1; c < doc.lista.size() && doc.lista[c].depth > doc.lista[at].depth; ++c)
                if (doc.lista[c].parent == at && doc.lista[c].id() == kCRC32) {
                    places.crcs.push_back({doc.lista[c].dataStart(), doc.lista[c].end()});
                    places.covered.push_back({doc.lista[c].end(), doc.lista[at].end()});
                }
    }
    return places;
}

void ExpectOnlyInside(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after, const EditPlaces& places) {
    ASSERT_EQ(before.size(), after.size());
    const auto inside = [](size_t i, Extent e) { return i >= e.first && i < e.second; };
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i] || std::any_of(places.elements.begin(), places.elements.end(), [&](Extent e) { return inside(i, e); }))
            continue;
        ASSERT_TRUE(std::any_of(places.crcs.begin(), places.crcs.end(), [&](Extent e) { return inside(i, e); }))
            << "byte " << i << " changed";
    }
    // Every CRC-32 around the element still holds for what the file now says.
    for (size_t k = 0; k < places.crcs.size(); ++k) {
        const uint32_t stored = after[places.crcs[k].first] | after[places.crcs[k].first + 1] << 8 |
                                after[places.crcs[k].first + 2] << 16 | static_cast<uint32_t>(after[places.crcs[k].first + 3]) << 24;
        EXPECT_EQ(stored, SlowCrc32(after.data() + places.covered[k].first, places.covered[k].second - places.covered[k].first));
    }
}

struct QuickCase {
    const char* file;
    const char* track;
    const char* code;
    const char* language;  // Language as mkvinfo then shows it
    const char* tag;       // LanguageBCP47 as mkvinfo then shows it
    bool hadTag;           // the track had a LanguageBCP47 to overwrite
};

// Where the track has both elements, only their bytes (and the CRC-32s
// around them) change; where it had no LanguageBCP47, one is written beside
// Language, as mkvpropedit does, and Tracks grows.
TEST(QuickEditInterop, LanguageAndDefaultReadByMkvinfo) {
    const QuickCase cases[] = {{"sample.mkv", "2", "de", "ger", "de", true}, {"sample.mkv", "3", "eng", "eng", "en", true},
                               {"ffmpeg_sample.mkv", "1", "ger", "ger", "de", false},
                               {"ffmpeg_sample.mkv", "2", "fr", "fre", "fr", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " track " + c.track + " " + c.code);
        const std::string path = Copy(c.file, std::string("lang-") + c.track + "-" + c.file);
        const EditPlaces places = PlacesOf(path, c.track, true);
        const auto before = ReadBytes(path);
        const SeparatedResult edit = Quillon("edit " + Quoted(path) + " --track " + c.track + " --language " + c.code);
        ASSERT_EQ(edit.status, 0) << edit.out << edit.err;
        if (c.hadTag) ExpectOnlyInside(before, ReadBytes(path), places);
        const CommandResult info = RunCommand("mkvinfo -v " + Quoted(path));
        EXPECT_EQ(info.exitStatus, 0) << info.output;
        EXPECT_NE(info.output.find(std::string("Language: ") + c.language + "\n"), std::string::npos) << info.output;
        EXPECT_NE(info.output.find(std::string("Language (IETF BCP 47): ") + c.tag + "\n"), std::string::npos) << info.output;
        EXPECT_EQ(Quillon("check " + Quoted(path)).status, 0);
    }

    // Default flag: ffmpeg wrote FlagDefault 0 on every track, and a CRC-32 in Tracks.
    const std::string path = Copy("ffmpeg_sample.mkv", "default.mkv");
    const EditPlaces places = PlacesOf(path, "2", false);
    ASSERT_FALSE(places.crcs.empty());
    const auto before = ReadBytes(path);
    ASSERT_EQ(Quillon("edit " + Quoted(path) + " --track 2 --default").status, 0);
    const auto after = ReadBytes(path);
    ExpectOnlyInside(before, after, places);
    size_t changed = 0;
    for (size_t i = places.elements[0].first; i < places.elements[0].second; ++i) changed += before[i] != after[i];
    EXPECT_EQ(changed, 1u);
    const CommandResult info = RunCommand("mkvinfo " + Quoted(path));
    EXPECT_EQ(info.exitStatus, 0);
    EXPECT_NE(info.output.find("\"Default track\" flag: 1"), std::string::npos) << info.output;
}

TEST(QuickEditInterop, RefusalsLeaveTheFileAlone) {
    const std::string path = Copy("sample.mkv", "refusals.mkv");
    const auto before = ReadBytes(path);
    const std::pair<std::string, int> refusals[] = {
        {"--track 2 --language germ", 1},  // no language's code
        {"--track 3 --default", 0},    // mkvmerge wrote no FlagDefault: it is default already, nothing to write
        {"--track 9 --language de", 1},  // names no track of this file
        {"--track 2 --set flag-forced=2", 1},  // a flag is 0 or 1
        {"--track 2 --set loudness=1", 2},  // no such property
        {"--track x2 --set flag-forced=1", 2},  // no such selector
        {"--track 2", 2},
    };
    for (const auto& [args, status] : refusals) {
        const SeparatedResult r = Quillon("edit " + Quoted(path) + " " + args);
        EXPECT_EQ(r.status, status) << args << "\n" << r.out << r.err;
        EXPECT_EQ(ReadBytes(path), before) << args;
    }
    // "--lang eng" is the interface's language, never a track's: the edit makes track 1 default and says so in English.
    const SeparatedResult english = Quillon("edit " + Quoted(path) + " --track 1 --default --lang eng");
    EXPECT_EQ(english.status, 0) << english.out << english.err;
    EXPECT_NE((english.out + english.err).find("changed in the file"), std::string::npos) << english.out << english.err;
    EXPECT_NE(RunCommand("mkvinfo " + Quoted(path)).output.find("Language (IETF BCP 47): en"), std::string::npos);
}

// What the quick edits had to refuse (a longer code, a flag the track did
// not hold) is now written, the master rewritten in its room or moved.
TEST(QuickEditInterop, LongerCodesAndMissingFlagsAreWritten) {
    const std::string path = Copy("sample.mkv", "grown.mkv");
    ASSERT_EQ(Quillon("edit " + Quoted(path) + " --track 2 --language pt-BR --track 3 --no-default").status, 0);
    const CommandResult info = RunCommand("mkvinfo -v " + Quoted(path));
    EXPECT_NE(info.output.find("Language (IETF BCP 47): pt-BR\n"), std::string::npos) << info.output;
    const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Quoted(path)).output);
    EXPECT_EQ(j["tracks"][2]["properties"]["default_track"], false);
    EXPECT_EQ(Quillon("check " + Quoted(path)).status, 0);
}

std::vector<long> Timestamps(const std::string& file, int trackId) {
    const std::string out = file + ".ts" + std::to_string(trackId);
    RunCommand("mkvextract " + Quoted(file) + " timestamps_v2 " + std::to_string(trackId) + ":" + Quoted(out));
    std::ifstream in(out);
    std::vector<long> times;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') times.push_back(std::lround(std::stod(line)));
    return times;
}

TEST(StagedEditInterop, RemuxCarriesNamesLanguagesDefaultsOrderAndShift) {
    const std::string source = Copy("sample.mkv", "staged-source.mkv");
    const std::string output = source + ".out.mkv";
    const SeparatedResult remux =
        Quillon("remux " + Quoted(source) + " -o " + Quoted(output) +
                " --overwrite --tracks 3,2,1 --name 2=Dolby --language 2=ger --lang 3=eng --default 2 --start 2=500");
    ASSERT_EQ(remux.status, 0) << remux.out << remux.err;
    const CommandResult info = RunCommand("mkvinfo " + Quoted(output));
    ASSERT_EQ(info.exitStatus, 0) << info.output;
    // Track order: subtitles, audio, video, numbered 1, 2, 3.
    const size_t subs = info.output.find("Codec ID: S_TEXT/UTF8");
    const size_t audio = info.output.find("Codec ID: A_AC3");
    const size_t video = info.output.find("Codec ID: V_MPEG4/ISO/AVC");
    EXPECT_LT(subs, audio);
    EXPECT_LT(audio, video);
    EXPECT_NE(info.output.find("Name: Dolby"), std::string::npos);
    EXPECT_NE(info.output.find("Language: ger"), std::string::npos);
    EXPECT_NE(info.output.find("Language: eng"), std::string::npos);
    // The changed languages' IETF forms agree with them; the video kept its own.
    EXPECT_EQ(info.output.find("Language (IETF BCP 47): ru"), std::string::npos);
    EXPECT_NE(info.output.find("Language (IETF BCP 47): de"), std::string::npos);
    EXPECT_NE(info.output.find("Language (IETF BCP 47): en"), std::string::npos);
    const size_t audioTrack = info.output.rfind("+ Track\n", audio);
    const size_t defaultFlag = info.output.find("\"Default track\" flag: 1", audioTrack);
    EXPECT_LT(defaultFlag, info.output.find("+ Track\n", audio));

    // The audio (source track id 1, output id 1) moved by exactly the shift.
    const std::vector<long> before = Timestamps(source, 1);
    const std::vector<long> after = Timestamps(output, 1);
    ASSERT_EQ(before.size(), after.size());
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(after.front(), 500);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(after[i] - before[i], 500 - before.front()) << i;
    // The video did not move.
    EXPECT_EQ(Timestamps(source, 0), Timestamps(output, 2));
}

}  // namespace
}  // namespace quillon::test
