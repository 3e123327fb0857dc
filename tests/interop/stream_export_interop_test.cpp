// Video and picture/text subtitle tracks exported to their stream forms, on
// films made by ffmpeg and mkvmerge (tests/interop/make_media.sh): byte for
// byte what mkvextract writes of the same track, and where mkvextract writes
// no such stream, decoded by ffmpeg to the same pictures as the track in the
// Matroska file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/interop_helpers.h"

namespace quillon::stream_export_interop {
namespace {

namespace fs = std::filesystem;

using test::Quillon;
using test::Quoted;
using test::ReadText;
using test::RunSeparated;
using test::SeparatedResult;

struct StreamCase {
    const char* file;
    int track;
    const char* type;
};

std::string Name(const StreamCase& c) {
    return fs::path(c.file).stem().string() + "-" + std::to_string(c.track) + "." + c.type;
}

class StreamExportInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name) { return test::MediaFile(name); }
    static fs::path Output(const std::string& name) { return test::FreshOutput("stream-export", name); }

    // Our export of the case's track, as `type` (the case's own type when empty).
    static fs::path Ours(const StreamCase& c, const std::string& type = {}) {
        const fs::path out = Output((type.empty() ? "" : type + "-") + Name(c));
        const auto run = Quillon("export " + Quoted(Media(c.file).string()) + " --track " + std::to_string(c.track) +
                                 " --as " + (type.empty() ? c.type : type) + " -o " + Quoted(out.string()) +
                                 " --overwrite");
        EXPECT_EQ(run.status, 0) << Name(c) << "\n" << run.out << run.err;
        return out;
    }
    static fs::path Mkvextract(const StreamCase& c) {
        const fs::path out = Output("mkvextract-" + Name(c));
        const auto run = RunSeparated("mkvextract " + Quoted(Media(c.file).string()) + " tracks " +
                                      std::to_string(c.track - 1) + ":" + Quoted(out.string()));
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        return out;
    }
};

TEST_F(StreamExportInterop, StreamsAreWhatMkvextractWrites) {
    const StreamCase cases[] = {
        {"ffmpeg_streams.mkv", 1, "h264"}, {"ffmpeg_streams.mkv", 2, "hevc"},
        {"mkvmerge_streams.mkv", 1, "h264"}, {"mkvmerge_streams.mkv", 2, "hevc"},
        {"ffmpeg_streams.mkv", 3, "ivf"},  {"ffmpeg_streams.mkv", 4, "ivf"},
        {"ffmpeg_streams.mkv", 5, "ivf"},  {"mkvmerge_streams.mkv", 3, "ivf"},
        {"mkvmerge_streams.mkv", 4, "ivf"}, {"mkvmerge_streams.mkv", 6, "sup"},
    };
    for (const StreamCase& c : cases) {
        const std::string ours = ReadText(Ours(c)), theirs = ReadText(Mkvextract(c));
        EXPECT_GT(ours.size(), 500u) << Name(c);  // something real was written (the PGS is the smallest)
        EXPECT_TRUE(ours == theirs) << Name(c) << ": " << ours.size() << " bytes against mkvextract's " << theirs.size();
    }
}

TEST_F(StreamExportInterop, AutoPicksTheCodecsOwnForm) {
    const StreamCase cases[] = {
        {"mkvmerge_streams.mkv", 1, "h264"}, {"ffmpeg_streams.mkv", 2, "hevc"}, {"mkvmerge_audio.mkv", 1, "ac3"},
        {"mkvmerge_audio.mkv", 3, "aac"},    {"mkvmerge_subtitles.mkv", 5, "ssa"},
    };
    for (const StreamCase& c : cases) {
        const std::string automatic = ReadText(Ours(c, "auto")), chosen = ReadText(Ours(c));
        EXPECT_FALSE(automatic.empty()) << Name(c);
        EXPECT_TRUE(automatic == chosen) << Name(c);
    }
    // Without -o the name gets the extension of the type auto chose.
    const fs::path input = Output("film.mkv"), chosen = Output("film.001.h265");
    fs::copy_file(Media("mkvmerge_streams.mkv"), input);
    const auto run = Quillon("export " + Quoted(input.string()) + " --track 2 --as auto");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(chosen.string()), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(chosen));
    const auto none = Quillon("export " + Quoted(Media("ffmpeg_vp9_opus.mkv").string()) + " --track 3 --as auto --lang eng");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("the track's codec has no format of its own to export to: A_OPUS"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace quillon::stream_export_interop
