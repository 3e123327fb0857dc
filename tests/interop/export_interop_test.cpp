// The single-track exports checked by independent programs on files made by
// ffmpeg and mkvmerge (tests/interop/make_media.sh, made once per build
// tree): raw streams against mkvextract, Ogg decoded by ffmpeg, subtitles read
// back by ffmpeg against ffmpeg's own extraction, and the command line's
// refusals and overwrite rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/interop_helpers.h"

namespace quillon::export_interop {
namespace {

namespace fs = std::filesystem;

using test::Quillon;
using test::Quoted;
using test::ReadText;
using test::RunSeparated;
using test::SeparatedResult;

// "export FILE --track N --as TYPE -o OUT --overwrite", with the status told on failure.
SeparatedResult Export(const fs::path& file, int track, const std::string& type, const fs::path& out) {
    return Quillon("export " + Quoted(file.string()) + " --track " + std::to_string(track) + " --as " + type + " -o " +
                   Quoted(out.string()) + " --overwrite");
}

// Stream index of a track: the media put track N at stream N - 1.
std::string Stream(int track) { return std::to_string(track - 1); }

// ---------------------------------------------------------------- fixture

class ExportInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name) { return test::MediaFile(name); }

    // A fresh output path for this test.
    static fs::path Output(const std::string& name) { return test::FreshOutput("export", name); }
};

// ------------------------------------------------------------ raw streams

struct RawCase {
    const char* file;
    int track;
    const char* type;
};

TEST_F(ExportInterop, RawStreamsAreWhatMkvextractWrites) {
    const RawCase cases[] = {
        {"mkvmerge_audio.mkv", 1, "ac3"},     {"mkvmerge_audio.mkv", 2, "mp3"},    {"mkvmerge_audio.mkv", 3, "aac"},
        {"mkvmerge_audio.mkv", 4, "flac"},    {"ffmpeg_audio_subs.mkv", 1, "ac3"}, {"ffmpeg_audio_subs.mkv", 2, "aac"},
        {"ffmpeg_audio_subs.mkv", 3, "flac"},
    };
    for (const RawCase& c : cases) {
        const std::string name = fs::path(c.file).stem().string() + "-" + std::to_string(c.track) + "." + c.type;
        const fs::path ours = Output(name), theirs = Output("mkvextract-" + name);
        const auto run = Export(Media(c.file), c.track, c.type, ours);
        ASSERT_EQ(run.status, 0) << name << "\n" << run.out << run.err;
        const auto extract = RunSeparated("mkvextract " + Quoted(Media(c.file).string()) + " tracks " +
                                          Stream(c.track) + ":" + Quoted(theirs.string()));
        ASSERT_EQ(extract.status, 0) << extract.out << extract.err;
        const std::string a = ReadText(ours), b = ReadText(theirs);
        EXPECT_GT(a.size(), 10000u) << name;
        EXPECT_TRUE(a == b) << name << ": " << a.size() << " bytes against mkvextract's " << b.size();
    }
}

// ------------------------------------------------------------------- Ogg

struct Packets {
    size_t count = 0;
    double first = 0, end = 0;  // first pts; last pts + its duration
};

Packets ProbePackets(const fs::path& file, const std::string& stream) {
    const auto run = RunSeparated("ffprobe -v error -select_streams " + stream +
                                  " -show_entries packet=pts_time,duration_time -of csv=p=0 " + Quoted(file.string()));
    Packets p;
    std::stringstream in(run.out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        double pts = 0, duration = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf", &pts, &duration) < 1) continue;
        if (p.count++ == 0) p.first = pts;
        p.end = std::max(p.end, pts + duration);
    }
    return p;
}

std::string ProbeValue(const fs::path& file, const std::string& entry) {
    const auto run = RunSeparated("ffprobe -v error -select_streams 0 -show_entries stream=" + entry +
                                  " -of default=nw=1:nk=1 " + Quoted(file.string()));
    return run.out.substr(0, run.out.find('\n'));
}

TEST_F(ExportInterop, OggIsDecodedWholeByFfmpeg) {
    const RawCase cases[] = {
        {"mkvmerge_audio.mkv", 5, "ogg"}, {"ffmpeg_audio_subs.mkv", 4, "ogg"}, {"mkvmerge_subtitles.mkv", 1, "ogg"}};
    for (const RawCase& c : cases) {
        const std::string name = fs::path(c.file).stem().string() + "-" + std::to_string(c.track) + ".ogg";
        const fs::path ours = Output(name);
        const auto run = Export(Media(c.file), c.track, "ogg", ours);
        ASSERT_EQ(run.status, 0) << name << "\n" << run.out << run.err;

        const Packets source = ProbePackets(Media(c.file), Stream(c.track));
        ASSERT_GT(source.count, 100u) << name;
        EXPECT_EQ(ProbePackets(ours, "0").count, source.count) << name;

        // Every packet decodes without a word from ffmpeg; the decoded sound
        // and the duration ffprobe reads from the granules last as long as the
        // track in the source.
        const SeparatedResult decode =
            RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(ours.string()) + " -f s16le -ac 1 -");
        EXPECT_EQ(decode.status, 0) << name;
        EXPECT_EQ(decode.err, "") << name;
        const double rate = std::stod(ProbeValue(ours, "sample_rate"));
        const double decoded = static_cast<double>(decode.out.size()) / 2 / rate;
        const double probed = std::stod(ProbeValue(ours, "duration"));
        const double expected = source.end - source.first;
        EXPECT_NEAR(decoded, expected, expected * 0.01) << name;
        EXPECT_NEAR(probed, expected, expected * 0.01) << name;
    }
}

// -------------------------------------------------------------- subtitles

struct SubCase {
    const char* file;
    int track;
    const char* type;  // what we write
    const char* back;  // the format ffmpeg reads both back to
};

// (The 2.5 MB line of big.srt is more than ffmpeg's SRT writer takes: its
// bytes are checked in SubtitleTextKeepsItsBytes.)
TEST_F(ExportInterop, SubtitlesReadBackAsFfmpegExtractsThemFromTheSource) {
    const SubCase cases[] = {
        {"mkvmerge_subtitles.mkv", 2, "srt", "srt"}, {"mkvmerge_subtitles.mkv", 3, "ass", "ass"},
        {"mkvmerge_subtitles.mkv", 5, "ssa", "ass"}, {"ffmpeg_audio_subs.mkv", 5, "ass", "ass"},
        {"ffmpeg_audio_subs.mkv", 6, "srt", "srt"},
    };
    for (const SubCase& c : cases) {
        const std::string name = fs::path(c.file).stem().string() + "-" + std::to_string(c.track) + "." + c.type;
        const fs::path ours = Output(name);
        const auto run = Export(Media(c.file), c.track, c.type, ours);
        ASSERT_EQ(run.status, 0) << name << "\n" << run.out << run.err;
        const SeparatedResult back =
            RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(ours.string()) + " -f " + c.back + " -");
        const auto theirs = RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(Media(c.file).string()) +
                                         " -map 0:" + Stream(c.track) + " -f " + c.back + " -");
        ASSERT_EQ(back.status, 0) << name << "\n" << back.err;
        ASSERT_EQ(theirs.status, 0) << name << "\n" << theirs.err;
        EXPECT_EQ(back.err, "") << name;
        EXPECT_GT(back.out.size(), 50u) << name;
        EXPECT_TRUE(back.out == theirs.out) << name << ":\n" << back.out.substr(0, 2000) << "\n--- ffmpeg:\n"
                                            << theirs.out.substr(0, 2000);
    }
}

struct SrtEvent {
    std::string times, text;
    bool operator==(const SrtEvent&) const = default;
};

// Events of an SRT text; with `plain`, markup that ffmpeg makes of the ASS
// styles (<font ...>, <b>, {\an8}) is taken out of the texts.
std::vector<SrtEvent> SrtEvents(const std::string& srt, bool plain) {
    std::vector<SrtEvent> events;
    std::stringstream in(srt);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(" --> ") == std::string::npos) continue;
        SrtEvent e;
        e.times = line;
        while (std::getline(in, line) && !line.empty()) e.text += (e.text.empty() ? "" : "\n") + line;
        if (plain) e.text = std::regex_replace(e.text, std::regex("<[^>]*>|\\{[^}]*\\}"), "");
        events.push_back(e);
    }
    return events;
}

TEST_F(ExportInterop, AssTracksAsSrtKeepTheTimesAndTheDialogueText) {
    for (const SubCase& c :
         {SubCase{"mkvmerge_subtitles.mkv", 3, "srt", "srt"}, SubCase{"ffmpeg_audio_subs.mkv", 5, "srt", "srt"},
          SubCase{"mkvmerge_subtitles.mkv", 5, "srt", "srt"}}) {
        const std::string name = fs::path(c.file).stem().string() + "-" + std::to_string(c.track) + "-ass.srt";
        const fs::path ours = Output(name);
        const auto run = Export(Media(c.file), c.track, "srt", ours);
        ASSERT_EQ(run.status, 0) << name << "\n" << run.out << run.err;
        const auto back = RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(ours.string()) + " -f srt -");
        const auto theirs = RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(Media(c.file).string()) +
                                         " -map 0:" + Stream(c.track) + " -f srt -");
        const std::vector<SrtEvent> a = SrtEvents(back.out, false), b = SrtEvents(theirs.out, true);
        ASSERT_GE(a.size(), 2u) << name << "\n" << back.out;
        EXPECT_TRUE(a == b) << name << ":\n" << back.out << "\n--- ffmpeg:\n" << theirs.out;
        EXPECT_TRUE(a[0].text == "Hello, world" || a[0].text == "First, with a comma") << name << ": " << a[0].text;
    }
}

TEST_F(ExportInterop, SubtitleTextKeepsItsBytes) {
    // mkvmerge keeps the texts of an SRT as they are; ours gives the file back.
    for (const auto& [track, original] : {std::pair{2, "cyrillic.srt"}, std::pair{4, "big.srt"}}) {
        const fs::path ours = Output("subs-" + std::to_string(track) + "-bytes.srt");
        const auto run = Export(Media("mkvmerge_subtitles.mkv"), track, "srt", ours);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const std::string a = ReadText(ours), b = ReadText(Media(original));
        EXPECT_TRUE(a == b) << original << ": " << a.size() << " bytes against " << b.size();
    }
}

// ------------------------------------------------------------ the command

TEST_F(ExportInterop, ATypeTheTrackDoesNotOfferIsRefusedWithTheOnesItDoes) {
    const struct {
        const char* file;
        int track;
        const char* type;
        const char* offered;
    } cases[] = {
        {"mkvmerge_audio.mkv", 1, "mp3", "mka, ac3"},          {"mkvmerge_audio.mkv", 2, "ac3", "mka, mp3"},
        {"mkvmerge_audio.mkv", 5, "flac", "mka, ogg"},         {"mkvmerge_audio.mkv", 3, "mks", "mka, aac"},
        {"mkvmerge_subtitles.mkv", 3, "ssa", "mks, srt, ass"}, {"mkvmerge_subtitles.mkv", 2, "ass", "mks, srt"},
        {"mkvmerge_subtitles.mkv", 2, "ogg", "mks, srt"},      {"mkvmerge_subtitles.mkv", 5, "ass", "mks, srt, ssa"},
    };
    for (const auto& c : cases) {
        const fs::path out = Output("refused.out");
        const SeparatedResult run =
            Quillon("export " + Quoted(Media(c.file).string()) + " --track " + std::to_string(c.track) + " --as " +
                    c.type + " -o " + Quoted(out.string()) + " --lang eng");
        EXPECT_EQ(run.status, 2) << c.file << " " << c.track << " " << c.type;
        EXPECT_NE(run.err.find(std::string("the track does not offer this type; it can be exported as: ") + c.offered),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(fs::exists(out));
    }
    const SeparatedResult unknown =
        Quillon("export " + Quoted(Media("mkvmerge_audio.mkv").string()) + " --track 1 --as aiff");
    EXPECT_EQ(unknown.status, 2);
    const SeparatedResult noTrack =
        Quillon("export " + Quoted(Media("mkvmerge_audio.mkv").string()) + " --track 9 --as ac3");
    EXPECT_EQ(noTrack.status, 2);
}

TEST_F(ExportInterop, MatroskaTypesHoldTheOneTrack) {
    const struct {
        const char* file;
        int track;
        const char* type;
        const char* codec;
    } cases[] = {{"mkvmerge_audio.mkv", 3, "mka", "AAC"}, {"mkvmerge_subtitles.mkv", 3, "mks", "SubStationAlpha"}};
    for (const auto& c : cases) {
        const fs::path out = Output(std::string("one.") + c.type);
        const auto run = Export(Media(c.file), c.track, c.type, out);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const auto info = RunSeparated("mkvmerge -J " + Quoted(out.string()));
        ASSERT_EQ(info.status, 0) << info.out;
        EXPECT_EQ(std::count(info.out.begin(), info.out.end(), '\n') > 0, true);
        const std::regex codec("\"codec\": \"([^\"]*)\"");
        std::vector<std::string> codecs;
        for (auto it = std::sregex_iterator(info.out.begin(), info.out.end(), codec); it != std::sregex_iterator();
             ++it)
            codecs.push_back((*it)[1]);
        EXPECT_EQ(codecs, std::vector<std::string>{c.codec}) << info.out;
    }
}

TEST_F(ExportInterop, ExistingOutputIsKeptUnlessOverwriteIsGiven) {
    const fs::path input = Output("film.mkv");
    fs::copy_file(Media("mkvmerge_audio.mkv"), input);
    // Without -o the name is chosen beside the input, with the type's extension.
    const fs::path chosen = Output("film.001.ac3");
    const auto first = Quillon("export " + Quoted(input.string()) + " --track 1 --as ac3");
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_NE(first.out.find(chosen.string()), std::string::npos) << first.out;
    const std::string stream = ReadText(chosen);
    EXPECT_GT(stream.size(), 10000u);

    const fs::path existing = Output("kept.ac3");
    std::ofstream(existing) << "old";
    const std::string args = "export " + Quoted(input.string()) + " --track 1 --as ac3 -o " + Quoted(existing.string());
    const auto declined = Quillon(args);  // stdin is no terminal: the question is answered no
    EXPECT_EQ(declined.status, 1);
    EXPECT_EQ(ReadText(existing), "old");
    const auto replaced = Quillon(args + " --overwrite");
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_TRUE(ReadText(existing) == stream);
    fs::remove(chosen);
}

}  // namespace
}  // namespace quillon::export_interop
