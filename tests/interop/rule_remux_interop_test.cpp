// A season remuxed by rules against mkvmerge run per file with the track IDs
// chosen by hand: six films made by mkvmerge and ffmpeg whose track orders,
// languages and counts differ, one without the wanted audio. mkvmerge -J
// sees the same tracks in the same order with the same flags, names and
// languages; each kept track's packets are the source track's. Then the bad
// inputs, and one file through the rules against the single remux.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "support/interop_helpers.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// mkvmerge -J's view of the tracks: type, codec, language, name, flags, in order.
nlohmann::json TrackView(const fs::path& file) {
    const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(file)).output, nullptr, false);
    nlohmann::json view = nlohmann::json::array();
    if (j.is_discarded()) return view;
    for (const auto& t : j["tracks"]) {
        const auto& p = t["properties"];
        view.push_back({t["type"], t["codec"], p.value("language", ""), p.value("track_name", ""), p.value("default_track", true),
                        p.value("forced_track", false)});
    }
    return view;
}

// One stream's packets (size and MD5), as ffmpeg reads them.
std::string StreamPackets(const fs::path& file, int stream) {
    std::string packets;
    const std::string out =
        RunCommand("ffmpeg -v error -i " + Q(file) + " -map 0:" + std::to_string(stream) + " -c copy -f framemd5 -").output;
    for (const std::string& line : Lines(out)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t hash = line.rfind(',');
        const size_t size = hash == std::string::npos || hash == 0 ? std::string::npos : line.rfind(',', hash - 1);
        packets += (size == std::string::npos ? line : line.substr(size)) + "\n";
    }
    return packets;
}

struct Film {
    const char* name;
    const char* make;           // the shell command that makes it ($A, $B: the media films, $O: the film)
    std::vector<int> keptIds;   // mkvmerge's IDs of the tracks the rules keep, in output order; empty: not written
    int defaultSubtitle;        // among keptIds, the subtitle made default
};

class RuleRemuxInterop : public InteropTest {};

TEST_F(RuleRemuxInterop, ASeasonAgainstMkvmergePerFile) {
    const fs::path dir = OutputDir("rule-remux") / "season";
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const std::string a = Q(MediaFile("mkvmerge_h264_aac_srt.mkv")), b = Q(MediaFile("ffmpeg_h264_aac_srt.mkv"));
    // Rules: the video, the Japanese audio named "Japanese", the English
    // subtitles default, in the order video, audio, subtitles.
    const Film films[] = {
        {"e01.mkv", "mkvmerge -q -o $O --language 0:jpn --language 1:jpn $A --language 1:eng --language 2:eng -D $B", {0, 1, 4}, 4},
        {"e02.mkv", "mkvmerge -q -o $O --language 1:eng --language 2:fre -D $B --language 1:jpn --language 2:eng $A", {2, 3, 4}, 4},
        {"e03.mkv", "mkvmerge -q -o $O --language 1:jpn --language 2:eng $A -D -A --language 2:rus $B --track-order 0:0,0:2,1:2,0:1",
         {0, 3, 1}, 1},
        {"e04.mkv", "mkvmerge -q -o $O --language 1:ger --language 2:eng $A", {}, 0},  // no Japanese audio
        {"e05.mkv",
         "ffmpeg -v error -i $A -i $B -map 0:0 -map 1:2 -map 0:1 -map 1:1 -c copy -metadata:s:1 language=eng "
         "-metadata:s:2 language=jpn -metadata:s:3 language=eng -disposition:1 0 -disposition:2 default $O",
         {0, 2, 1}, 1},
        {"e06.mkv",
         "ffmpeg -v error -i $B -i $A -map 0:0 -map 0:1 -map 1:2 -map 0:2 -c copy -metadata:s:1 language=jpn "
         "-metadata:s:2 language=ger -metadata:s:3 language=eng -metadata:s:3 title=English $O",
         {0, 1, 3}, 3},
    };
    std::string inputs;
    for (const Film& f : films) {
        std::string make = f.make;
        for (const auto& [key, value] : {std::pair{"$A", a}, std::pair{"$B", b}, std::pair{"$O", Q(dir / f.name)}})
            for (size_t at = make.find(key); at != std::string::npos; at = make.find(key)) make.replace(at, 2, value);
        ASSERT_EQ(RunCommand(make).exitStatus, 0) << make;
        inputs += " " + Q(dir / f.name);
    }
    const SeparatedResult run = Quillon("remux" + inputs + " --output-dir " + Q(dir / "out") +
                                        " --keep v1 --keep a:jpn --keep s:eng --default s:eng --name a:jpn=Japanese"
                                        " --order v,a,s -j 2 --json");
    EXPECT_EQ(run.status, 1) << run.out << run.err;  // one film could not be written
    const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.out << run.err;
    EXPECT_EQ(report["written"], 5);
    EXPECT_EQ(report["failed"], 1);

    for (size_t k = 0; k < std::size(films); ++k) {
        const Film& f = films[k];
        SCOPED_TRACE(f.name);
        const fs::path ours = dir / "out" / f.name;
        if (f.keptIds.empty()) {
            EXPECT_EQ(report["files"][k]["result"], "failed");
            EXPECT_TRUE(HasText(report["files"][k]["failures"].dump(), "a:jpn"));
            EXPECT_FALSE(fs::exists(ours));
            continue;
        }
        EXPECT_EQ(report["files"][k]["result"], "written");
        // mkvmerge with the IDs chosen by hand.
        const fs::path theirs = dir / "out" / (std::string("mkvmerge-") + f.name);
        const std::string v = std::to_string(f.keptIds[0]), au = std::to_string(f.keptIds[1]), s = std::to_string(f.keptIds[2]);
        std::string command = "mkvmerge -q -o " + Q(theirs) + " -d " + v + " -a " + au + " -s " + s + " --track-order 0:" + v +
                              ",0:" + au + ",0:" + s + " --track-name " + au + ":Japanese --default-track-flag " + s +
                              ":1 --no-chapters --no-attachments " + Q(dir / f.name);
        ASSERT_LE(RunCommand(command).exitStatus, 1) << command;
        EXPECT_EQ(TrackView(ours), TrackView(theirs));
        for (int stream = 0; stream < 3; ++stream)
            EXPECT_EQ(StreamPackets(ours, stream), StreamPackets(dir / f.name, f.keptIds[size_t(stream)])) << "stream " << stream;
    }
}

TEST_F(RuleRemuxInterop, BadInputsAndNamesThatMeet) {
    const fs::path dir = OutputDir("rule-remux") / "bad";
    fs::remove_all(dir);
    fs::create_directories(dir / "one");
    fs::create_directories(dir / "two");
    fs::create_directories(dir / "out");
    fs::copy_file(MediaFile("mkvmerge_h264_aac_srt.mkv"), dir / "one" / "ep.mkv");
    fs::copy_file(MediaFile("ffmpeg_h264_aac_srt.mkv"), dir / "two" / "ep.mkv");
    // A damaged film: the second Cluster's header and what follows it overwritten.
    std::vector<uint8_t> damaged = ReadBytes(MediaFile("mkvmerge_h264_aac_srt.mkv"));
    const uint8_t cluster[] = {0x1F, 0x43, 0xB6, 0x75};
    auto at = std::search(damaged.begin(), damaged.end(), std::begin(cluster), std::end(cluster));
    ASSERT_NE(at, damaged.end());
    at = std::search(at + 4, damaged.end(), std::begin(cluster), std::end(cluster));
    ASSERT_NE(at, damaged.end());
    std::fill(at, at + 64, uint8_t(0));
    WriteBytes(dir / "damaged.mkv", damaged);
    const std::string inputs = " " + Q(dir / "one" / "ep.mkv") + " " + Q(dir / "two" / "ep.mkv") + " " + Q(dir / "damaged.mkv") +
                               " " + Q(dir / "missing.mkv");
    const SeparatedResult run = Quillon("remux" + inputs + " --output-dir " + Q(dir / "out") + " --keep a1 --json");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.out;
    // Two inputs of one name: two outputs, neither over the other.
    EXPECT_EQ(report["files"][0]["output"], (dir / "out" / "ep.mkv").string());
    EXPECT_EQ(report["files"][1]["output"], (dir / "out" / "ep (2).mkv").string());
    EXPECT_EQ(TrackView(dir / "out" / "ep.mkv").size(), 3u);
    EXPECT_EQ(TrackView(dir / "out" / "ep (2).mkv")[0][1], TrackView(dir / "two" / "ep.mkv")[0][1]);
    // The damaged film is written with what could be read, and says so.
    EXPECT_EQ(report["files"][2]["result"], "written_with_warnings") << report["files"][2].dump();
    EXPECT_EQ(report["with_warnings"], 1);
    EXPECT_FALSE(report["files"][2]["warnings"].empty());
    EXPECT_EQ(report["files"][3]["result"], "failed");
    EXPECT_EQ(report["written"].get<int>() + report["failed"].get<int>(), 4);
    // Outputs never go over their inputs, even into the inputs' own folder.
    const SeparatedResult beside = Quillon("remux " + Q(dir / "one" / "ep.mkv") + " --output-dir " + Q(dir / "one") + " --keep a1");
    EXPECT_EQ(beside.status, 0) << beside.out << beside.err;
    EXPECT_TRUE(fs::exists(dir / "one" / "ep (2).mkv"));
    EXPECT_EQ(ReadBytes(dir / "one" / "ep.mkv"), ReadBytes(MediaFile("mkvmerge_h264_aac_srt.mkv")));
    // An output folder that is not one, a rule that is not one: the caller's errors.
    EXPECT_EQ(Quillon("remux" + inputs + " --output-dir " + Q(dir / "damaged.mkv") + " --keep a1").status, 2);
    EXPECT_EQ(Quillon("remux" + inputs + " --output-dir " + Q(dir / "out") + " --keep x:jpn").status, 2);
}

// Ctrl-C in the middle of a season: the files done stay, the ones not begun
// are not begun, a file stopped is a valid file, and the summary says which.
TEST_F(RuleRemuxInterop, InterruptedSeasonLeavesWholeFilesAndSaysWhich) {
    const fs::path dir = OutputDir("rule-remux") / "interrupted";
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    std::string inputs;
    for (int k = 1; k <= 24; ++k) {
        const fs::path copy = dir / ("e" + std::to_string(k) + ".mkv");
        fs::copy_file(MediaFile("mkvmerge_h264_aac_srt.mkv"), copy);
        inputs += " " + Q(copy);
    }
    // The program in a process group of its own, as a terminal's Ctrl-C reaches it.
    const std::string command = "setsid " + QuillonPath() + " remux" + inputs + " --output-dir " + Q(dir / "out") +
                                " --keep a1 -j 2 --json > " + Q(dir / "report.json") + " & pid=$!; sleep 0.4; kill -INT -- -$pid;"
                                " wait $pid; echo $?";
    const CommandResult run = RunCommand("bash -c " + Quoted(command));
    const int status = std::stoi(Lines(run.output).back());
    const nlohmann::json report = nlohmann::json::parse(ReadText(dir / "report.json"), nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.output;
    const int written = report["written"], failed = report["failed"], stopped = report["stopped"], notStarted = report["not_started"];
    EXPECT_EQ(written + failed + stopped + notStarted, 24);
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(status, stopped + notStarted > 0 ? 130 : 0);
    for (const auto& file : report["files"]) {
        const fs::path out = file["output"].get<std::string>();
        if (file["result"] == "not_started") {
            EXPECT_FALSE(fs::exists(out)) << out;
        } else {
            // Written or stopped: a whole file either way.
            EXPECT_EQ(RunCommand("mkvinfo " + Q(out) + " > /dev/null").exitStatus, 0) << out;
        }
    }
}

// The batch runs the same remux as a single save: the rules that choose what
// the contents tab's choices would give the same bytes.
TEST_F(RuleRemuxInterop, OneFileByRulesIsTheSingleRemuxByteForByte) {
    const fs::path dir = OutputDir("rule-remux") / "same";
    fs::remove_all(dir);
    fs::create_directories(dir / "out");
    const fs::path film = MediaFile("mkvmerge_h264_aac_srt.mkv");
    const SeparatedResult single = Quillon("remux " + Q(film) + " -o " + Q(dir / "single.mkv") +
                                           " --tracks 1,3,2 --default 3 --name 2=Commentary --language 2=jpn");
    ASSERT_EQ(single.status, 0) << single.out << single.err;
    const SeparatedResult rules = Quillon("remux " + Q(film) + " --output-dir " + Q(dir / "out") +
                                          " --order v,s,a --default s1 --name a1=Commentary --language a1=jpn");
    ASSERT_EQ(rules.status, 0) << rules.out << rules.err;
    EXPECT_TRUE(ReadBytes(dir / "single.mkv") == ReadBytes(dir / "out" / film.filename()));
}

}  // namespace
}  // namespace quillon::test
