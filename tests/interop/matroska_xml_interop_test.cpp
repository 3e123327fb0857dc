// The chapters and tags of mkvmerge- and ffmpeg-made films as XML (and the
// chapters as OGM text) against mkvextract's: the same text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "core/generated/element_ids.h"
#include "export/matroska_xml.h"
#include "export/track_times.h"
#include "save/save_command.h"
#include "reader/open_file.h"
#include "support/capture_host.h"
#include "support/interop_helpers.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

class MatroskaXmlInterop : public InteropTest {};

TEST_F(MatroskaXmlInterop, ChaptersAndTagsAsMkvextractWritesThem) {
    struct Case {
        const char* film;
        uint32_t master;
        const char* mode;  // mkvextract's
    };
    const Case cases[] = {
        {"mkvmerge_attach_chap.mkv", kChapters, "chapters"},
        {"mkvmerge_attach_chap.mkv", kChapters, "chapters -s"},
        {"mkvmerge_tags.mkv", kTags, "tags"},
        {"ffmpeg_h264_aac_srt.mkv", kTags, "tags"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.film) + " " + c.mode);
        Document doc;
        doc.sourcePath = MediaFile(c.film).string();
        CaptureHost host;
        ASSERT_TRUE(CheckContainer(doc, host, true).opened);
        const std::optional<EbmlNode> master = ReadLevel1Master(doc, c.master);
        ASSERT_TRUE(master);
        const fs::path theirs = FreshOutput("matroska-xml", std::string(c.film) + "." + c.mode + ".txt");
        ASSERT_EQ(RunCommand("mkvextract " + Quoted(doc.sourcePath) + " " + c.mode + " " + Quoted(theirs.string())).exitStatus, 0);
        const std::string ours = c.master == kTags             ? TagsXml(*master)
                                 : std::string(c.mode) == "chapters" ? ChaptersXml(*master)
                                                                     : ChaptersOgm(*master);
        EXPECT_EQ(ours, ReadText(theirs));
    }
}

// Each track's cue points and frame timestamps (timestamp format v2), laced
// audio and B-frame video among them.
TEST_F(MatroskaXmlInterop, CuesAndTimestampsAsMkvextractWritesThem) {
    for (const char* film : {"mkvmerge_h264_aac_srt.mkv", "ffmpeg_h264_aac_srt.mkv", "mkvmerge_mp3_ac3.mkv"}) {
        Document doc;
        doc.sourcePath = MediaFile(film).string();
        CaptureHost host;
        ASSERT_TRUE(CheckContainer(doc, host, true).opened);
        ASSERT_TRUE(prepare2export(doc, host));
        for (const tTrackEntry& t : doc.mkv.tracks) {
            const uint64_t number = t.trackNumber.value;
            SCOPED_TRACE(std::string(film) + " track " + std::to_string(number));
            const std::string id = std::to_string(number - 1);  // mkvextract counts from 0, in file order
            const fs::path cues = FreshOutput("matroska-xml", std::string(film) + ".cues" + id);
            const fs::path times = FreshOutput("matroska-xml", std::string(film) + ".ts" + id);
            RunCommand("mkvextract " + Quoted(doc.sourcePath) + " cues " + id + ":" + Quoted(cues.string()));
            RunCommand("mkvextract " + Quoted(doc.sourcePath) + " timestamps_v2 " + id + ":" + Quoted(times.string()));
            // mkvextract reads only the first track of a cue point that lists
            // several (ffmpeg writes such): its lines are ours, in order, and
            // ours has the rest.
            const std::string ourCues = CuesText(doc, number).value_or("?");
            const std::string theirCues = fs::exists(cues) ? ReadText(cues) : std::string();
            if (std::string(film).rfind("mkvmerge", 0) == 0) {
                EXPECT_EQ(ourCues, theirCues);
            } else {
                size_t from = 0;
                for (const std::string& line : Lines(theirCues)) {
                    const size_t at = ourCues.find(line + "\n", from);
                    EXPECT_NE(at, std::string::npos) << line;
                    if (at != std::string::npos) from = at + line.size();
                }
            }
            EXPECT_EQ(TimestampsV2(doc, number, host).value_or("?"), ReadText(times));
        }
    }
}

// All of a film's other data from one quillon-cli call, against mkvextract.
TEST_F(MatroskaXmlInterop, TheCommandWritesEveryKindInOneReading) {
    const fs::path film = MediaFile("mkvmerge_attach_chap.mkv");
    const fs::path dir = OutputDir("matroska-xml") / "one-call";
    fs::remove_all(dir);
    fs::create_directories(dir / "ours");
    fs::create_directories(dir / "theirs");
    const auto o = [&](const char* name) { return Quoted((dir / "ours" / name).string()); };
    const auto t = [&](const char* name) { return Quoted((dir / "theirs" / name).string()); };
    const SeparatedResult run = Quillon("export " + Quoted(film.string()) + " --chapters " + o("ch.xml") + " --chapters-ogm " +
                                        o("ch.txt") + " --tags " + o("tags.xml") + " --cues 1:" + o("cues.txt") +
                                        " --timestamps 1:" + o("ts.txt") + " --codec-private 1:" + o("cp.bin") +
                                        " --attachments " + Quoted((dir / "ours").string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::string in = Quoted(film.string());
    RunCommand("mkvextract " + in + " chapters " + t("ch.xml"));
    RunCommand("mkvextract " + in + " chapters -s " + t("ch.txt"));
    RunCommand("mkvextract " + in + " tags " + t("tags.xml"));
    RunCommand("mkvextract " + in + " cues 0:" + t("cues.txt"));
    RunCommand("mkvextract " + in + " timestamps_v2 0:" + t("ts.txt"));
    for (const char* name : {"ch.xml", "ch.txt", "tags.xml", "cues.txt", "ts.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadBytes(dir / "ours" / name), ReadBytes(dir / "theirs" / name));
    }
    // The CodecPrivate as mkvmerge -J reports it (mkvextract has no mode for it alone).
    const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + in).output);
    std::string hex;
    for (const uint8_t b : ReadBytes(dir / "ours" / "cp.bin")) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    EXPECT_EQ(hex, j["tracks"][0]["properties"].value("codec_private_data", ""));
    // Every attachment under its own name, its bytes as mkvextract gives them.
    RunCommand("cd " + Quoted((dir / "theirs").string()) + " && mkvextract " + in + " attachments 1 2");
    for (const char* name : {"notes.txt", "blob.bin"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(dir / "ours" / name));
        EXPECT_EQ(ReadBytes(dir / "ours" / name), ReadBytes(dir / "theirs" / name));
    }
    // Refused: an existing output without --overwrite, a track the file has not.
    EXPECT_EQ(Quillon("export " + in + " --chapters " + o("ch.xml")).status, 1);
    EXPECT_EQ(Quillon("export " + in + " --cues 9:" + o("x.txt")).status, 2);
}

}  // namespace
}  // namespace quillon::test
