// The in-place header editor against mkvpropedit: each property set (or
// deleted) by us and by mkvpropedit on copies of the same mkvmerge- and
// ffmpeg-made films. mkvmerge -J and mkvinfo see the same properties, ffmpeg
// reads the same packets as before, mkvinfo and our check find nothing wrong.
// Then many files in one call, and an edit interrupted after each write read
// by mkvinfo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "core/file_io.h"
#include "core/header_properties.h"
#include "core/track_selector.h"
#include "edit/header_edit.h"
#include "support/interop_helpers.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

fs::path CopyOf(const fs::path& source, const std::string& as) {
    const fs::path target = FreshOutput("header-edits", as);
    fs::copy_file(source, target);
    return target;
}

// mkvmerge -J without the file's name.
std::string Identified(const fs::path& file) {
    nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(file) + " 2>/dev/null").output, nullptr, false);
    if (j.is_discarded()) return "<not JSON>";
    j.erase("file_name");
    return j.dump(1);
}

// mkvinfo's lines of Info and Tracks, sorted (children may stand in another
// order), without what only says where things are.
std::vector<std::string> HeaderLines(const fs::path& file) {
    std::vector<std::string> kept;
    bool inside = false;
    for (const std::string& line : Lines(RunCommand("mkvinfo -v " + Q(file)).output)) {
        if (line.rfind("|+ ", 0) == 0) inside = line == "|+ Segment information" || line == "|+ Tracks";
        if (!inside || HasText(line, "CRC-32") || HasText(line, "EBML void") || HasText(line, " at ")) continue;
        kept.push_back(line);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

// Each packet's stream, size and MD5 (a default duration or a codec delay
// changes the times ffmpeg gives them, never the data).
std::string PacketLines(const fs::path& file) {
    std::string packets;
    for (const std::string& line : Lines(RunCommand("ffmpeg -v error -i " + Q(file) + " -map 0 -c copy -f framemd5 -").output)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t stream = line.find(','), hash = line.rfind(',');
        const size_t size = hash == std::string::npos || hash == 0 ? std::string::npos : line.rfind(',', hash - 1);
        packets += size == std::string::npos ? line + "\n" : line.substr(0, stream) + line.substr(size) + "\n";
    }
    return packets;
}

struct PropertyCase {
    const char* ours;
    const char* theirs;    // mkvpropedit's name; nullptr where it has none (then mkvinfo's line is checked)
    const char* selector;  // "info", or ours: v1, a1, s1
    const char* value;     // nullptr: delete
};

const PropertyCase kProperties[] = {
    {"title", "title", "info", "Вечер на хуторе близ Диканьки"},
    {"date", "date", "info", "2024-05-01T20:00:00Z"},
    {"segment-uid", "segment-uid", "info", "0123456789abcdef0123456789abcdef"},
    {"name", "name", "a1", "Русская дорожка, очень длинное название, которое не влезет в старое место ни за что"},
    {"name", "name", "a1", nullptr},
    {"language", "language", "a1", "jpn"},
    {"language", "language", "s1", "pt-BR"},
    {"flag-default", "flag-default", "s1", "1"},
    {"flag-default", "flag-default", "a1", nullptr},
    {"flag-forced", "flag-forced", "s1", "1"},
    {"flag-enabled", "flag-enabled", "a1", "0"},
    {"flag-hearing-impaired", "flag-hearing-impaired", "s1", "1"},
    {"flag-visual-impaired", "flag-visual-impaired", "a1", "1"},
    {"flag-text-descriptions", "flag-text-descriptions", "s1", "1"},
    {"flag-original", "flag-original", "a1", "1"},
    {"flag-commentary", "flag-commentary", "a1", "1"},
    {"default-duration", "default-duration", "v1", "41708333"},
    {"codec-delay", "codec-delay", "a1", "6500000"},
    {"seek-pre-roll", nullptr, "a1", "80000000"},
    {"display-width", "display-width", "v1", "1024"},
    {"display-height", "display-height", "v1", "576"},
    {"display-unit", "display-unit", "v1", "3"},
    {"pixel-crop-top", "pixel-crop-top", "v1", "8"},
    {"pixel-crop-bottom", "pixel-crop-bottom", "v1", "8"},
    {"pixel-crop-left", "pixel-crop-left", "v1", "4"},
    {"pixel-crop-right", "pixel-crop-right", "v1", "4"},
    {"stereo-mode", "stereo-mode", "v1", "1"},
    {"colour-range", "color-range", "v1", "1"},
    {"colour-primaries", "color-primaries", "v1", "1"},
    {"colour-transfer", "color-transfer-characteristics", "v1", "1"},
    {"colour-matrix", "color-matrix-coefficients", "v1", "1"},
    {"sampling-frequency", "sampling-frequency", "a1", "44100"},
    {"output-sampling-frequency", "output-sampling-frequency", "a1", "88200"},
    {"channels", "channels", "a1", "6"},
    {"bit-depth", "bit-depth", "a1", "24"},
};

class HeaderEditInterop : public InteropTest {};

TEST_F(HeaderEditInterop, EveryPropertyAsMkvpropeditSetsIt) {
    for (const char* film : {"mkvmerge_h264_aac_srt.mkv", "ffmpeg_h264_aac_srt.mkv"}) {
        const fs::path source = MediaFile(film);
        const std::string packets = PacketLines(source);
        ASSERT_FALSE(packets.empty());
        int k = 0;
        for (const PropertyCase& c : kProperties) {
            SCOPED_TRACE(std::string(film) + ": " + c.selector + " " + c.ours + "=" + (c.value ? c.value : "(delete)"));
            const fs::path ours = CopyOf(source, "ours-" + std::to_string(k) + "-" + film);
            const fs::path theirs = CopyOf(source, "theirs-" + std::to_string(k++) + "-" + film);
            const bool info = std::string(c.selector) == "info";
            const std::string target = info ? "--info" : std::string("--track ") + c.selector;
            const std::string change = c.value ? std::string("--set '") + c.ours + "=" + c.value + "'" : std::string("--delete ") + c.ours;
            const SeparatedResult edit = Quillon("edit " + Q(ours) + " " + target + " " + change);
            ASSERT_EQ(edit.status, 0) << edit.out << edit.err;
            if (c.theirs) {
                const std::string theirTarget = info ? "info" : std::string("track:") + c.selector;
                const std::string theirChange =
                    c.value ? std::string("--set '") + c.theirs + "=" + c.value + "'" : std::string("--delete ") + c.theirs;
                ASSERT_EQ(RunCommand("mkvpropedit -q " + Q(theirs) + " --edit " + theirTarget + " " + theirChange).exitStatus, 0);
                EXPECT_EQ(Identified(ours), Identified(theirs));
                EXPECT_EQ(HeaderLines(ours), HeaderLines(theirs));
                EXPECT_TRUE(PacketLines(ours) == PacketLines(theirs));
            } else {
                const std::vector<std::string> lines = HeaderLines(ours);
                EXPECT_TRUE(std::find(lines.begin(), lines.end(), "|  + Seek pre-roll: 00:00:00.080000000") != lines.end());
            }
            // A codec delay makes ffmpeg skip the first samples and a stereo
            // mode split the frames; nothing else changes a packet it reads.
            const std::string property = c.ours;
            if (property != "codec-delay" && property != "stereo-mode") {
                EXPECT_TRUE(PacketLines(ours) == packets);
            }
            const CommandResult mkvinfo = RunCommand("mkvinfo -v " + Q(ours));
            EXPECT_EQ(mkvinfo.exitStatus, 0);
            EXPECT_FALSE(HasText(mkvinfo.output, "(Error") || HasText(mkvinfo.output, "Warning")) << mkvinfo.output;
            const SeparatedResult check = Quillon("check " + Q(ours));
            EXPECT_EQ(check.status, 0) << check.out << check.err;  // every CRC-32 true, every rule kept
        }
    }
}

// Turn about with mkvpropedit on the same file, as a library gets edited by
// both: each edit moves Info and leaves SeekHeads the other must follow.
TEST_F(HeaderEditInterop, TurnAboutWithMkvpropedit) {
    for (const char* film : {"mkvmerge_h264_aac_srt.mkv", "ffmpeg_h264_aac_srt.mkv"}) {
        const fs::path copy = CopyOf(MediaFile(film), std::string("turns-") + film);
        const std::string packets = PacketLines(copy);
        for (int turn = 0; turn < 4; ++turn) {
            SCOPED_TRACE(std::string(film) + " turn " + std::to_string(turn));
            const std::string title = std::string(600 + 50 * size_t(turn), 'a' + char(turn));
            ASSERT_EQ(RunCommand("mkvpropedit -q " + Q(copy) + " --edit info --set title=short").exitStatus, 0);
            const SeparatedResult edit = Quillon("edit " + Q(copy) + " --info --set title=" + title);
            ASSERT_EQ(edit.status, 0) << edit.out << edit.err;
            EXPECT_EQ(Quillon("check " + Q(copy)).status, 0);
            const CommandResult mkvinfo = RunCommand("mkvinfo -v " + Q(copy));
            EXPECT_EQ(mkvinfo.exitStatus, 0);
            EXPECT_FALSE(HasText(mkvinfo.output, "(Error")) << mkvinfo.output;
            const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(copy)).output);
            EXPECT_EQ(j["container"]["properties"]["title"], title);
            EXPECT_TRUE(PacketLines(copy) == packets);
        }
    }
}

// mkvmerge -J's attachments without their UIDs (each tool draws its own).
std::string AttachmentsOf(const fs::path& file) {
    nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(file)).output, nullptr, false);
    if (j.is_discarded()) return "<not JSON>";
    nlohmann::json list = j["attachments"];
    for (auto& a : list) a.erase("properties");
    return list.dump(1);
}

TEST_F(HeaderEditInterop, AttachmentsAddedReplacedAndDroppedAsMkvpropeditDoes) {
    const fs::path cover = FreshOutput("header-edits", "extra.bin");
    std::vector<uint8_t> picture(6000);
    for (size_t k = 0; k < picture.size(); ++k) picture[k] = uint8_t(k * 7);
    WriteBytes(cover, picture);
    struct Step {
        const char* ours;
        const char* theirs;
        size_t needs;  // attachments the step needs in the file
    };
    const Step steps[] = {
        {"--attach", "--add-attachment", 0},
        {"--replace-attachment 1=", "--replace-attachment 1:", 1},
        {"--drop-attachment 2", "--delete-attachment 2", 2},
        {"--drop-attachment 1 --drop-attachment 1", "--delete-attachment 1 --delete-attachment 2", 2},  // the last ones
    };
    for (const char* film : {"mkvmerge_attach_chap.mkv", "ffmpeg_h264_aac_srt.mkv"}) {
        const fs::path ours = CopyOf(MediaFile(film), std::string("attach-ours-") + film);
        const fs::path theirs = CopyOf(MediaFile(film), std::string("attach-theirs-") + film);
        const std::string packets = PacketLines(ours);
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(film) + ": " + step.ours);
            const std::string ourArgs = std::string(step.ours);
            const bool takesFile = ourArgs == "--attach" || ourArgs.back() == '=';
            const std::string our = takesFile ? (ourArgs.back() == '=' ? ourArgs + Q(cover) : ourArgs + " " + Q(cover)) : ourArgs;
            const std::string their = takesFile ? (std::string(step.theirs).back() == ':' ? std::string(step.theirs) + Q(cover)
                                                                                        : std::string(step.theirs) + " " + Q(cover))
                                                : std::string(step.theirs);
            const size_t count = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(theirs)).output)["attachments"].size();
            if (count < step.needs) continue;  // not so many in this film
            const SeparatedResult edit = Quillon("edit " + Q(ours) + " " + our);
            ASSERT_EQ(edit.status, 0) << edit.out << edit.err;
            ASSERT_EQ(RunCommand("mkvpropedit -q " + Q(theirs) + " " + their).exitStatus, 0);
            EXPECT_EQ(AttachmentsOf(ours), AttachmentsOf(theirs));
            EXPECT_EQ(Quillon("check " + Q(ours)).status, 0);
            const CommandResult mkvinfo = RunCommand("mkvinfo -v " + Q(ours));
            EXPECT_EQ(mkvinfo.exitStatus, 0);
            EXPECT_FALSE(HasText(mkvinfo.output, "(Error")) << mkvinfo.output;
            EXPECT_TRUE(PacketLines(ours) == packets);
        }
        // The added picture comes back out byte for byte.
        const fs::path out = FreshOutput("header-edits", std::string("extracted-") + film);
        const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(ours)).output);
        for (const auto& a : j["attachments"])
            if (a["file_name"] == "extra.bin" && a["size"] == 6000) {
                RunCommand("mkvextract " + Q(ours) + " attachments " + std::to_string(a["id"].get<int>()) + ":" + Q(out));
                EXPECT_EQ(ReadBytes(out), picture);
            }
    }
}

// A write past the file-size limit (ulimit -f) is a failure the program
// tells, not a death by SIGXFSZ: the edit and the remux say so, the edited
// file stays whole, no half output is left.
TEST_F(HeaderEditInterop, TheFileSizeLimitIsAToldFailure) {
    const fs::path film = CopyOf(MediaFile("ffmpeg_h264_aac_srt.mkv"), "limited.mkv");
    const auto before = ReadBytes(film);
    const std::string limit = "ulimit -f " + std::to_string(before.size() / 1024 + 1) + "; ";
    const std::string title(4000, 'T');  // Info must move behind the Clusters: past the limit
    const CommandResult edit = RunCommand("bash -c " + Quoted(limit + QuillonPath() + " --lang eng edit " + Q(film) +
                                                              " --info --set title=" + title));
    EXPECT_EQ(edit.exitStatus, 1) << edit.output;
    EXPECT_TRUE(HasText(edit.output, "File too large")) << edit.output;
    EXPECT_EQ(Quillon("check " + Q(film)).status, 0);
    const fs::path out = FreshOutput("header-edits", "limited-out.mkv");
    const CommandResult remux = RunCommand("bash -c " + Quoted("ulimit -f 8; " + QuillonPath() + " --lang eng remux " + Q(film) +
                                                               " -o " + Q(out)));
    EXPECT_EQ(remux.exitStatus, 1) << remux.output;
    EXPECT_TRUE(HasText(remux.output, "File too large")) << remux.output;
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(HeaderEditInterop, ManyFilesInOneCallEachOnItsOwn) {
    const fs::path films[] = {MediaFile("mkvmerge_h264_aac_srt.mkv"), MediaFile("ffmpeg_h264_aac_srt.mkv"),
                              MediaFile("mkvmerge_mp3_ac3.mkv")};
    std::string operands;
    std::vector<fs::path> copies;
    for (const fs::path& film : films) {
        copies.push_back(CopyOf(film, "many-" + film.filename().string()));
        operands += " " + Q(copies.back());
    }
    // The third film has no subtitles: "s1" names nothing there, and only that file fails.
    const SeparatedResult run = Quillon("edit" + operands + " -j 2 --json --track a1 --set language=jpn --set flag-default=1"
                                        " --track s1 --set flag-forced=1 --info --set 'title=Серия 1'");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.out;
    ASSERT_EQ(report["files"].size(), 3u);
    EXPECT_EQ(report["files"][0]["result"], "changed");
    EXPECT_EQ(report["files"][1]["result"], "changed");
    EXPECT_EQ(report["files"][2]["result"], "failed");
    EXPECT_TRUE(HasText(report["files"][2]["message"].get<std::string>(), "s1"));
    EXPECT_EQ(ReadBytes(copies[2]), ReadBytes(films[2]));
    for (int k = 0; k < 2; ++k) {
        const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(copies[size_t(k)])).output);
        EXPECT_EQ(j["container"]["properties"]["title"], "Серия 1");
        for (const auto& track : j["tracks"]) {
            if (track["type"] == "audio") {
                EXPECT_EQ(track["properties"]["language"], "jpn");
            }
            if (track["type"] == "subtitles") {
                EXPECT_EQ(track["properties"]["forced_track"], true);
            }
        }
    }
    // A property or value that does not exist is the caller's error, before any file is touched.
    EXPECT_EQ(Quillon("edit" + operands + " --track a1 --set loudness=3").status, 2);
    EXPECT_EQ(Quillon("edit" + operands + " --track a1 --set channels=0").status, 1);
    EXPECT_EQ(ReadBytes(copies[2]), ReadBytes(films[2]));
}

TEST_F(HeaderEditInterop, InterruptedEditsReadByMkvinfo) {
    const fs::path film = MediaFile("ffmpeg_h264_aac_srt.mkv");
    const std::string title(400, 'T');  // no room in place: moved behind the Clusters
    PropertyEdit edit;
    edit.info = true;
    edit.property = FindHeaderProperty("title");
    edit.values = std::get<std::vector<PropertyBytes>>(ParsePropertyValue(*edit.property, title));
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE("write " + std::to_string(failing) + " fails");
        const fs::path copy = CopyOf(film, "interrupted-" + std::to_string(failing) + ".mkv");
        InjectFileFault(FileOp::Write, failing, EIO);
        const HeaderEditResult result = EditHeaders(copy.string(), {edit});
        InjectFileFault(FileOp::Write, 0, 0);
        EXPECT_EQ(result.ok, failing == 3);
        const CommandResult mkvinfo = RunCommand("mkvinfo -v " + Q(copy));
        EXPECT_EQ(mkvinfo.exitStatus, 0) << mkvinfo.output;
        EXPECT_FALSE(HasText(mkvinfo.output, "(Error")) << mkvinfo.output;
        const nlohmann::json j = nlohmann::json::parse(RunCommand("mkvmerge -J " + Q(copy)).output, nullptr, false);
        ASSERT_FALSE(j.is_discarded());
        EXPECT_EQ(j["tracks"].size(), 3u);
        const std::string seen = j["container"]["properties"].value("title", "");
        EXPECT_EQ(seen == title, failing == 3) << seen;
    }
}

}  // namespace
}  // namespace quillon::test
