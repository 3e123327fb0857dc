// Attachments and the dump through quillon-cli, checked by mkvmerge,
// mkvextract and unrtf: a remux that adds, drops, renames and re-types
// attachments is listed by mkvmerge -J exactly so, the added files' bytes are
// unchanged and the kept ones are the source's; attachments --save writes
// what mkvextract writes; the dump's RTF reads back as its text.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include <nlohmann/json.hpp>

#include "core/generated/element_ids.h"
#include "support/ebml_builder.h"
#include "support/interop_helpers.h"

namespace quillon::attachments_interop {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using test::Quillon;
using test::Quoted;
using test::ReadBytes;
using test::RunSeparated;
using test::SeparatedResult;

class AttachmentsInterop : public test::InteropTest {};

std::vector<uint8_t> Extracted(const fs::path& file, int id, const std::string& name) {
    const fs::path out = test::FreshOutput("attachments", name);
    const SeparatedResult run = RunSeparated("mkvextract " + Quoted(file.string()) + " attachments " +
                                             std::to_string(id) + ":" + Quoted(out.string()));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    return ReadBytes(out);
}

TEST_F(AttachmentsInterop, RemuxedAttachmentsAreWhatMkvmergeLists) {
    const fs::path source = test::MediaFile("mkvmerge_attach_chap.mkv");  // notes.txt (Notes), blob.bin
    const fs::path font = test::FreshOutput("attachments", "Face.OTF");
    const fs::path picture = test::FreshOutput("attachments", "cover.jpg");
    test::WriteBytes(font, {'O', 'T', 'T', 'O', 0, 1, 2, 3});
    std::vector<uint8_t> jpeg(5000);
    for (size_t i = 0; i < jpeg.size(); ++i) jpeg[i] = uint8_t(i * 7);
    test::WriteBytes(picture, jpeg);
    const fs::path out = test::FreshOutput("attachments", "edited.mkv");
    const SeparatedResult run = Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) +
                                        " --overwrite --drop-attachment 2 --attachment-name 1=readme.txt"
                                        " --attachment-mime 1=text/x-readme --attachment-desc 1=Read_me --attach " +
                                        Quoted(font.string()) + " --attach " + Quoted(picture.string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const Json j = Json::parse(RunSeparated("mkvmerge -J " + Quoted(out.string())).out);
    ASSERT_EQ(j["attachments"].size(), 3u);
    const struct {
        const char* name;
        const char* mime;
        uint64_t size;
        const char* description;
    } expected[] = {{"readme.txt", "text/x-readme", 24, "Read_me"}, {"face.otf", "font/otf", 8, ""},
                    {"cover.jpg", "image/jpeg", 5000, ""}};
    for (size_t k = 0; k < 3; ++k) {
        const Json& a = j["attachments"][k];
        EXPECT_EQ(a["file_name"], expected[k].name) << k;
        EXPECT_EQ(a["content_type"], expected[k].mime) << k;
        EXPECT_EQ(a["size"], expected[k].size) << k;
        EXPECT_EQ(a.value("description", ""), expected[k].description) << k;
    }
    // Kept bytes are the source's, added bytes the files'.
    EXPECT_EQ(Extracted(out, 1, "kept.txt"), Extracted(source, 1, "source.txt"));
    EXPECT_EQ(Extracted(out, 2, "font.out"), ReadBytes(font));
    EXPECT_EQ(Extracted(out, 3, "cover.out"), jpeg);
    // The UIDs stay unique and non-zero.
    std::set<uint64_t> uids;
    for (const Json& a : j["attachments"]) uids.insert(a["properties"]["uid"].get<uint64_t>());
    EXPECT_EQ(uids.size(), 3u);
    EXPECT_EQ(uids.count(0), 0u);

    // Listing and saving from the command line.
    const SeparatedResult list = Quillon("attachments " + Quoted(out.string()));
    ASSERT_EQ(list.status, 0);
    EXPECT_TRUE(std::regex_search(list.out, std::regex("^1\treadme\\.txt\ttext/x-readme\t24\t[0-9]+\tRead_me\n")));
    EXPECT_TRUE(test::HasText(list.out, "3\tcover.jpg\timage/jpeg\t5000\t"));
    const fs::path saved = test::FreshOutput("attachments", "saved.bin");
    ASSERT_EQ(Quillon("attachments " + Quoted(source.string()) + " --save 2 -o " + Quoted(saved.string())).status, 0);
    EXPECT_EQ(ReadBytes(saved), Extracted(source, 2, "blob.out"));
    EXPECT_EQ(Quillon("attachments " + Quoted(source.string()) + " --save 9").status, 2);
}

TEST_F(AttachmentsInterop, DroppingEveryAttachmentWritesNone) {
    const fs::path source = test::MediaFile("mkvmerge_attach_chap.mkv");
    const fs::path out = test::FreshOutput("attachments", "none.mkv");
    ASSERT_EQ(Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) +
                      " --overwrite --drop-attachment 1 --drop-attachment 2")
                  .status,
              0);
    const Json j = Json::parse(RunSeparated("mkvmerge -J " + Quoted(out.string())).out);
    EXPECT_TRUE(j["attachments"].empty());
    EXPECT_EQ(j["errors"].size(), 0u);
}

// unrtf's HTML with the tags dropped and entities decoded; runs of spaces
// collapse in HTML, so both sides are compared with single spaces.
std::string Collapsed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r') c = ' ';
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += c;
    }
    return out;
}

// Attachment names that would be paths or break the listing's one line per
// attachment: saved in the folder asked for under their last component, and
// listed with their control characters shown.
TEST_F(AttachmentsInterop, NamesFromTheFileAreNeverPaths) {
    using namespace quillon::test;
    const auto attached = [](const std::string& name, uint64_t uid) {
        return Master(kAttachedFile, {Str(kFileName, name), Str(kFileMimeType, "text/plain"), Binary(kFileData, {'x'}), Uint(kFileUID, uid)});
    };
    const fs::path dir = test::FreshOutput("attachments", "names");
    fs::create_directories(dir / "inner");
    const fs::path file = dir / "inner" / "names.mkv";
    test::WriteBytes(file, MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}), Master(kTracks, {TrackEntry(1, 17, "S_TEXT/UTF8")}),
                                   Master(kAttachments, {attached("../escape.txt", 1), attached("two\tcolumns\nlines", 2)}),
                                   Master(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, {'H'})})}));
    const SeparatedResult list = Quillon("attachments " + Quoted(file.string()));
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(test::Lines(list.out).size(), 2u) << list.out;
    const SeparatedResult saved = RunSeparated("cd " + Quoted((dir / "inner").string()) + " && " + Quoted(test::QuillonPath()) +
                                               " attachments names.mkv --save 1 --overwrite");
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_TRUE(fs::exists(dir / "inner" / "escape.txt"));
    EXPECT_FALSE(fs::exists(dir / "escape.txt"));
}

TEST_F(AttachmentsInterop, TheDumpAndItsRtf) {
    const fs::path sample = test::SampleFile("sample.mkv");
    // Line 2 of the tree is the EBML header's first child.
    const SeparatedResult tree = Quillon("tree " + Quoted(sample.string()));
    ASSERT_TRUE(test::HasText(test::Lines(tree.out).at(1), "EBMLVersion"));
    const SeparatedResult element = Quillon("dump " + Quoted(sample.string()) + " --element 2");
    ASSERT_EQ(element.status, 0) << element.err;
    EXPECT_EQ(element.out, "00000000  42 86 81 01 | " + std::string(66 - 24, ' ') + "B...\n");

    const fs::path rtf = test::FreshOutput("attachments", "dump.rtf");
    ASSERT_EQ(Quillon("dump " + Quoted(sample.string()) + " --length 300 --width 24 --rtf " + Quoted(rtf.string())).status, 0);
    const SeparatedResult html = RunSeparated("unrtf --html " + Quoted(rtf.string()) + " 2>/dev/null");
    ASSERT_EQ(html.status, 0);
    std::string text = std::regex_replace(html.out.substr(html.out.find("<body>")), std::regex("<[^>]*>"), " ");
    text = std::regex_replace(text, std::regex("&#([0-9]+);"), "?");
    for (const auto& [entity, c] : {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}})
        text = std::regex_replace(text, std::regex(entity), c);
    const SeparatedResult plain = Quillon("dump " + Quoted(sample.string()) + " --length 300 --width 24");
    // The terminal shows "." where the window (and the RTF) shows letters: compare the hex part of each line.
    for (const std::string& line : test::Lines(plain.out))
        EXPECT_TRUE(test::HasText(Collapsed(text), Collapsed(line.substr(0, 94)))) << line;
}

}  // namespace
}  // namespace quillon::attachments_interop
