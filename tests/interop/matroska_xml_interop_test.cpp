// The chapters and tags of mkvmerge- and ffmpeg-made films as XML (and the
// chapters as OGM text) against mkvextract's: the same text.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/generated/element_ids.h"
#include "export/matroska_xml.h"
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

}  // namespace
}  // namespace quillon::test
