// The chapters and tags of mkvmerge- and ffmpeg-made films as XML (and the
// chapters as OGM text) against mkvextract's: the same text.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace quillon::test
