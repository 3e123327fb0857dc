// info --json and check --json: one valid JSON document (jq reads it) that
// agrees with mkvmerge -J on the tracks (count, codec IDs, languages, flags),
// the attachments and the chapters, on files made by mkvmerge and ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "support/interop_helpers.h"

namespace quillon::json_interop {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using test::Quillon;
using test::Quoted;
using test::RunSeparated;
using test::SeparatedResult;

Json Parse(const std::string& text) { return Json::parse(text, nullptr, false); }

class JsonInterop : public test::InteropTest {};

TEST_F(JsonInterop, InfoAgreesWithMkvmerge) {
    const fs::path files[] = {test::SampleFile("sample.mkv"), test::SampleFile("ffmpeg_sample.mkv"),
                              test::MediaFile("mkvmerge_h264_aac_srt.mkv"), test::MediaFile("ffmpeg_h264_aac_srt.mkv"),
                              test::MediaFile("mkvmerge_attach_chap.mkv"), test::MediaFile("ffmpeg_wav.mkv"),
                              // Chapters and an attachment behind the Clusters, named by a SeekHead.
                              test::MediaFile("mkvpropedit_appended.mkv")};
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const SeparatedResult ours = Quillon("info " + Quoted(file.string()) + " --json");
        ASSERT_EQ(ours.status, 0) << ours.err;
        // One document, nothing else on stdout: jq takes it.
        const fs::path saved = test::FreshOutput("json", "info.json");
        test::WriteBytes(saved, std::vector<uint8_t>(ours.out.begin(), ours.out.end()));
        const SeparatedResult jq = RunSeparated("jq -e '.tracks | length' " + Quoted(saved.string()));
        EXPECT_EQ(jq.status, 0) << jq.err;
        const Json a = Parse(ours.out);
        ASSERT_FALSE(a.is_discarded()) << ours.out;
        const Json b = Parse(RunSeparated("mkvmerge -J " + Quoted(file.string())).out);
        ASSERT_FALSE(b.is_discarded());

        ASSERT_EQ(a["tracks"].size(), b["tracks"].size());
        for (size_t k = 0; k < a["tracks"].size(); ++k) {
            const Json& t = a["tracks"][k];
            const Json& p = b["tracks"][k]["properties"];
            EXPECT_EQ(t["number"], p["number"]) << k;
            EXPECT_EQ(t["codec_id"], p["codec_id"]) << k;
            EXPECT_EQ(t["language"], p["language"]) << k;
            if (p.contains("language_ietf") && t.contains("language_bcp47"))
                EXPECT_EQ(t["language_bcp47"], p["language_ietf"]) << k;
            EXPECT_EQ(t["default"], p["default_track"]) << k;
            EXPECT_EQ(t["forced"], p["forced_track"]) << k;
            EXPECT_EQ(t["enabled"], p["enabled_track"]) << k;
            EXPECT_EQ(t["uid"], p["uid"]) << k;
            EXPECT_EQ(t["type"], b["tracks"][k]["type"]) << k;
            if (t["type"] == "audio") {
                EXPECT_EQ(t["channels"], p["audio_channels"]) << k;
                EXPECT_EQ(t["sampling_frequency"], p["audio_sampling_frequency"]) << k;
            }
        }
        ASSERT_EQ(a["attachments"].size(), b["attachments"].size());
        for (size_t k = 0; k < a["attachments"].size(); ++k) {
            EXPECT_EQ(a["attachments"][k]["name"], b["attachments"][k]["file_name"]);
            EXPECT_EQ(a["attachments"][k]["size"], b["attachments"][k]["size"]);
            EXPECT_EQ(a["attachments"][k]["mime_type"], b["attachments"][k]["content_type"]);
        }
        const uint64_t chapters = b["chapters"].empty() ? 0 : b["chapters"][0]["num_entries"].get<uint64_t>();
        EXPECT_EQ(a["chapters"], chapters);
        EXPECT_TRUE(a["info"]["timecode_scale"].is_number_unsigned());
        EXPECT_TRUE(a["info"]["duration_ms"].is_number());
    }
}

TEST_F(JsonInterop, CheckAddsTheLogAndTheResult) {
    const fs::path file = test::MediaFile("mkvmerge_attach_chap.mkv");
    const SeparatedResult run = Quillon("--lang eng check " + Quoted(file.string()) + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const Json j = Parse(run.out);
    ASSERT_FALSE(j.is_discarded()) << run.out;
    EXPECT_EQ(j["result"], "ok");
    ASSERT_TRUE(j["log"].is_array());
    EXPECT_FALSE(j["log"].empty());
    EXPECT_EQ(j["tracks"].size(), 1u);
    EXPECT_EQ(j["attachments"].size(), 2u);

    // A file cut in its middle: still one document, with the damage in the log.
    const fs::path cut = test::FreshOutput("json", "cut.mkv");
    std::vector<uint8_t> bytes = test::ReadBytes(test::MediaFile("mkvmerge_h264_aac_srt.mkv"));
    bytes.resize(bytes.size() / 2);
    test::WriteBytes(cut, bytes);
    const SeparatedResult damaged = Quillon("check " + Quoted(cut.string()) + " --json");
    EXPECT_EQ(damaged.status, 1);
    const Json d = Parse(damaged.out);
    ASSERT_FALSE(d.is_discarded()) << damaged.out;
    EXPECT_EQ(d["result"], "structure_error");
    EXPECT_EQ(d["tracks"].size(), 3u);
}

}  // namespace
}  // namespace quillon::json_interop
