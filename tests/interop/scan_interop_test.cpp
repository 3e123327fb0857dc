// The full container scan checked against mkvinfo: files made by ffmpeg and
// mkvmerge (tests/interop/make_media.sh, made once per build tree) and the
// two committed samples are scanned, and every row of the element list is
// matched with the element mkvinfo lists at the same place: depth, position,
// total size and data size, the name for the common elements, and for every
// block its track, frame count, key flag and each frame's position and size.
// quillon-cli check and tree are run over the same files. Then a table of
// quillon-cli cases: exit statuses, log lines, the tree and the track list.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/document.h"
#include "reader/open_file.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"
#include "support/interop_helpers.h"
#include "support/mkvinfo_listing.h"

namespace quillon::scan_interop {
namespace {

namespace fs = std::filesystem;
using test::CaptureHost;
using test::HasLine;
using test::Lines;
using test::Quoted;

using Listed = test::ListedElement;

// Our names of the elements common in these files, by mkvinfo's caption. A
// caption not here is not compared by name.
const std::map<std::string, std::string>& NameOf() {
    static const std::map<std::string, std::string> names = {
        {"EBML head", "EBML"},
        {"Document type", "DocType"},
        {"Segment", "Segment"},
        {"Seek head", "SeekHead"},
        {"Seek entry", "Seek"},
        {"EBML void", "Void"},
        {"Segment information", "Info"},
        {"Tracks", "Tracks"},
        {"Track", "TrackEntry"},
        {"Track number", "TrackNumber"},
        {"Codec ID", "CodecID"},
        {"Video track", "Video"},
        {"Audio track", "Audio"},
        {"Cluster", "Cluster"},
        {"Cluster timestamp", "TimeCode"},
        {"Simple block", "SimpleBlock"},
        {"Block group", "BlockGroup"},
        {"Block", "Block"},
        {"Block duration", "BlockDuration"},
        {"Reference block", "ReferenceBlock"},
        {"Cues", "Cues"},
        {"Cue point", "CuePoint"},
        {"Attachments", "Attachments"},
        {"Attached", "AttachedFile"},
        {"Chapters", "Chapters"},
        {"Edition entry", "EditionEntry"},
        {"Chapter atom", "ChapterAtom"},
        {"Tags", "Tags"},
        {"Tag", "Tag"},
    };
    return names;
}

// ---------------------------------------------------------------- our scan

struct OurScan {
    Document doc;
    CaptureHost host;
    OpenOutcome outcome;
};

std::string Describe(const Tbrick& row) {
    std::ostringstream s;
    s << row.name() << " (" << row.idHex() << ") depth " << row.depth << " at " << row.position << " total "
      << row.totalSize << " data " << row.dataSize << " size field " << int(row.sizeLen)
      << (row.unknownSize ? " unknown size" : "");
    return s.str();
}

std::string Describe(const Listed& e) {
    std::ostringstream s;
    s << "mkvinfo: \"" << e.line << "\"";
    if (e.unknownSize) s << " (extent " << e.totalSize << ")";
    return s.str();
}

bool IsCrc(const Tbrick& row) { return std::string(row.idHex()) == "BF"; }

// ---------------------------------------------------------------- fixture

struct ScannedFile {
    const char* name;
    bool committed;  // tests/data rather than the made media
};

const ScannedFile kFiles[] = {
    {"sample.mkv", true},
    {"ffmpeg_sample.mkv", true},
    {"ffmpeg_h264_aac_srt.mkv", false},
    {"mkvmerge_mp3_ac3.mkv", false},
    {"mkvmerge_groups.mkv", false},
    {"mkvmerge_attach_chap.mkv", false},
    {"ffmpeg_live.mkv", false},
    {"ffmpeg_vp9_opus.mkv", false},
};

void PrintTo(const ScannedFile& file, std::ostream* out) { *out << file.name; }

class ScanAgainstMkvinfo : public test::InteropTest, public ::testing::WithParamInterface<ScannedFile> {
protected:
    void SetUp() override {
        InteropTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        file_ = GetParam().committed ? test::SampleFile(GetParam().name) : test::MediaFile(GetParam().name);
        ASSERT_TRUE(fs::exists(file_)) << file_;
        std::string error;
        listed_ = test::MkvinfoListing(file_, error);
        ASSERT_TRUE(error.empty()) << error;
        ASSERT_FALSE(listed_.empty());

        scan_.doc.sourcePath = file_.string();
        scan_.outcome = CheckContainer(scan_.doc, scan_.host, true);
        ASSERT_TRUE(scan_.outcome.opened);
        ASSERT_EQ(static_cast<int>(scan_.outcome.scan), static_cast<int>(ScanResult::Ok)) << "scan result";
        const tabrick& list = scan_.doc.lista;
        for (size_t i = 0; i < list.size(); ++i) {
            if (IsCrc(list[i])) crcs_.push_back(&list[i]);
            else rows_.push_back(&list[i]);
        }
    }

    fs::path file_;
    std::vector<Listed> listed_;
    OurScan scan_;
    std::vector<const Tbrick*> rows_;  // our list without the CRC-32 rows mkvinfo does not print
    std::vector<const Tbrick*> crcs_;
};

// Every element mkvinfo lists is in our list, in the same order, at the same
// depth and position, with the same sizes; nothing else is in our list but
// CRC-32 elements.
TEST_P(ScanAgainstMkvinfo, ElementListMatchesMkvinfo) {
    for (size_t i = 0; i < std::min(rows_.size(), listed_.size()); ++i) {
        const Tbrick& ours = *rows_[i];
        const Listed& theirs = listed_[i];
        SCOPED_TRACE("element " + std::to_string(i) + ": ours " + Describe(ours) + "; " + Describe(theirs));
        ASSERT_EQ(ours.position, theirs.position);
        ASSERT_EQ(ours.depth, theirs.depth);
        ASSERT_EQ(ours.unknownSize, theirs.unknownSize);
        // For a known size mkvinfo prints the size field's value and the
        // whole element; for an unknown size it prints neither, and ours is
        // the real extent, compared with where mkvinfo's next element at the
        // same depth or above starts.
        ASSERT_EQ(ours.totalSize, theirs.totalSize);
        if (!theirs.unknownSize) { ASSERT_EQ(ours.dataSize, theirs.dataSize); }
        ASSERT_EQ(ours.dataSize + ours.idLength() + ours.sizeLen, ours.totalSize);
        const auto name = NameOf().find(theirs.name);
        if (name != NameOf().end()) { ASSERT_STREQ(ours.name(), name->second.c_str()); }
    }
    ASSERT_EQ(rows_.size(), listed_.size()) << "first element only "
                                            << (rows_.size() > listed_.size() ? "we" : "mkvinfo") << " list: "
                                            << (rows_.size() > listed_.size()
                                                    ? Describe(*rows_[listed_.size()])
                                                    : Describe(listed_[rows_.size()]));
}

// The rows mkvinfo does not print are real CRC-32 elements: four bytes of
// data, the first child of their parent; and the rows around them leave no
// gap: every first child starts at its parent's data start, every later one
// where its previous sibling ends, and a parent's last child ends with it.
TEST_P(ScanAgainstMkvinfo, CrcRowsAndTilingAreSound) {
    const tabrick& list = scan_.doc.lista;
    for (const Tbrick* crc : crcs_) {
        SCOPED_TRACE(Describe(*crc));
        EXPECT_EQ(crc->dataSize, 4u);
        ASSERT_GE(crc->parent, 0);
        EXPECT_EQ(crc->position, list[crc->parent].dataStart());
    }
    // The open containers, the file itself first, each with where its next
    // child must start.
    struct Open {
        const Tbrick* row;  // nullptr: the file
        uint64_t next;
    };
    std::vector<Open> open = {{nullptr, 0}};
    auto close = [&] {
        const Open& done = open.back();
        EXPECT_EQ(done.next, done.row ? done.row->end() : fs::file_size(file_))
            << "children do not fill " << (done.row ? Describe(*done.row) : std::string("the file"));
        open.pop_back();
    };
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        SCOPED_TRACE("row " + std::to_string(i) + ": " + Describe(row));
        ASSERT_GE(row.depth, 0);
        ASSERT_LE(static_cast<size_t>(row.depth) + 1, open.size());
        while (open.size() > static_cast<size_t>(row.depth) + 1) close();
        ASSERT_EQ(row.position, open.back().next);
        open.back().next = row.end();
        if (row.kind() == 'c') open.push_back({&row, row.dataStart()});
    }
    while (!open.empty()) close();
}

// Every block's header as mkvinfo reads it: track, frame count, key flag of
// a SimpleBlock, and each frame's position and size from the lacing.
TEST_P(ScanAgainstMkvinfo, BlockFramesMatchMkvinfo) {
    static const std::regex kBlock(R"(^(Simple block|Block): (key, )?.*track number (\d+), (\d+) frame\(s\))");
    ASSERT_EQ(rows_.size(), listed_.size()) << "the element lists differ; see ElementListMatchesMkvinfo";
    size_t blocks = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Tbrick& ours = *rows_[i];
        const Listed& theirs = listed_[i];
        if (!ours.isBlock()) {
            EXPECT_TRUE(theirs.frames.empty()) << Describe(theirs);
            continue;
        }
        ++blocks;
        SCOPED_TRACE("ours " + Describe(ours) + "; " + Describe(theirs));
        const std::string caption = theirs.line.substr(theirs.line.find('+') + 2);
        std::smatch m;
        ASSERT_TRUE(std::regex_search(caption, m, kBlock));
        EXPECT_EQ(ours.block.trackNumber, std::stoull(m[3]));
        EXPECT_EQ(ours.block.frameCount, std::stoul(m[4]));
        if (m[1] == "Simple block") { EXPECT_EQ(ours.block.keyFrame() == 1, m[2].matched); }
        // Frames as (position, size), ours from the parsed lace header.
        std::vector<std::pair<uint64_t, uint64_t>> ourFrames, theirFrames;
        uint64_t at = ours.position + ours.block.dataOffset;
        for (size_t k = 0; k < ours.block.frameCount; ++k) {
            ourFrames.emplace_back(at, ours.block.frameSize(k));
            at += ours.block.frameSize(k);
        }
        for (const test::ListedFrame& f : theirs.frames) theirFrames.emplace_back(f.position, f.size);
        ASSERT_EQ(ourFrames, theirFrames);
        EXPECT_EQ(at, ours.end()) << "the frames do not fill the block";
    }
    EXPECT_GT(blocks, 0u);
}

// quillon-cli check: exit 0, no container errors, and the closing line right
// before the block-type line.
TEST_P(ScanAgainstMkvinfo, CheckCommandFindsNoErrors) {
    const auto run = test::Quillon("check " + Quoted(file_.string()));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto lines = Lines(run.out);
    EXPECT_TRUE(HasLine(run.out, "• ошибки контейнера не обнаружены")) << run.out;
    ASSERT_GE(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[lines.size() - 1].rfind("типы блоков: ", 0), 0u) << run.out;
    EXPECT_EQ(lines[lines.size() - 2], "• операция завершена") << run.out;
}

// Files made by today's muxers (ffmpeg and mkvmerge, Matroska and WebM, with
// and without CRC-32s, Clusters of known and unknown size, every kind of
// track the suites use) break no rule: the check raises nothing at all.
class TodaysMuxers : public test::InteropTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TodaysMuxers, CheckRaisesNothing) {
    const fs::path file = test::MediaFile(GetParam());
    ASSERT_TRUE(fs::exists(file)) << file;
    const auto run = test::Quillon("check --json --lang eng " + Quoted(file.string()));
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const auto report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << run.out;
    EXPECT_EQ(report["result"], "ok");
    EXPECT_EQ(report["problems"].size(), 0u) << report["problems"].dump(1);
}

INSTANTIATE_TEST_SUITE_P(Media, TodaysMuxers,
                         ::testing::Values("ffmpeg_audio_subs.mkv", "ffmpeg_h264_aac_srt.mkv", "ffmpeg_hevc.mkv", "ffmpeg_import.mkv",
                                           "ffmpeg_live.mkv", "ffmpeg_mp42_aac.mkv", "ffmpeg_pipe.mkv", "ffmpeg_timeline.mkv",
                                           "ffmpeg_vp9_opus.mkv", "ffmpeg_vp9_opus.webm", "ffmpeg_wav.mkv", "mkvmerge_attach_chap.mkv",
                                           "mkvmerge_audio.mkv", "mkvmerge_groups.mkv", "mkvmerge_groups_500us.mkv",
                                           "mkvmerge_h264_aac_srt.mkv", "mkvmerge_h264_ac3_srt.mkv", "mkvmerge_import.mkv",
                                           "mkvmerge_mp3_ac3.mkv", "mkvmerge_mpeg4_asp.mkv", "mkvmerge_subtitles.mkv", "mkvmerge_tags.mkv",
                                           "mkvmerge_timeline.mkv", "mkvmerge_timeline_groups.mkv", "mkvmerge_vorbis.mkv",
                                           "mkvmerge_vp9_opus.webm", "mkvmerge_wav.mkv", "mkvmerge_xvid_aac.mkv",
                                           "mkvmerge_xvid_ac3.mkv"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// quillon-cli tree prints one line per element: tabs for the depth and the
// total size in brackets, in mkvinfo's order once the CRC-32 lines are left
// out.
TEST_P(ScanAgainstMkvinfo, TreeCommandMatchesMkvinfo) {
    const auto run = test::Quillon("tree " + Quoted(file_.string()));
    ASSERT_EQ(run.status, 0) << run.err;
    static const std::regex kTreeLine(R"(^(\t*)(\S+) \[(\d+)\])");
    std::vector<std::string> shown;
    std::smatch m;
    size_t n = 0;
    for (const std::string& line : Lines(run.out)) {
        if (!std::regex_search(line, m, kTreeLine) || m[2] == "CRC-32") continue;
        ASSERT_LT(n, listed_.size()) << "more tree lines than mkvinfo elements: " << line;
        const Listed& theirs = listed_[n++];
        SCOPED_TRACE("tree line \"" + line + "\"; " + Describe(theirs));
        ASSERT_EQ(static_cast<int>(m[1].length()), theirs.depth);
        ASSERT_EQ(std::stoull(m[3]), theirs.totalSize);
    }
    EXPECT_EQ(n, listed_.size());
}

std::string FileTestName(const ::testing::TestParamInfo<ScannedFile>& info) {
    std::string name = info.param.name;
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, ScanAgainstMkvinfo, ::testing::ValuesIn(kFiles), FileTestName);

// ---------------------------------------------------------------- CLI cases

fs::path Sample() { return test::SampleFile("sample.mkv"); }

struct CliCase {
    const char* what;
    std::string args;
    int status;
    const char* outLine;  // a whole stdout line that must be there, or nullptr
    const char* errPart;  // text that must be in stderr, or nullptr
};

TEST(QuillonCli, ExitStatusesAndLogLines) {
    const test::TempFile text(test::ByteVec{'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't', '\n'}, ".txt");
    const std::string sample = Quoted(Sample().string());
    const std::string missing = Quoted((fs::temp_directory_path() / "quillon-no-such-file.mkv").string());
    const CliCase cases[] = {
        {"sample", "check " + sample, 0, "• ошибки контейнера не обнаружены", nullptr},
        {"quick check", "check --quick " + sample, 0, "• быстрая проверка контейнера", nullptr},
        {"English", "check --lang eng " + sample, 0, "• no errors were found", nullptr},
        {"English, option first", "--lang eng check " + sample, 0, "• operation complete", nullptr},
        {"text file", "check " + Quoted(text.path()), 1, "• отсутствует сигнатура 1A45DFA3", nullptr},
        {"text file, English", "check --lang eng " + Quoted(text.path()), 1, "• signature 1A45DFA3 not found",
         nullptr},
        {"missing file", "check " + missing, 2, "• ошибка открытия файла", "файл не найден"},
        {"no file", "check", 2, nullptr, "неверный аргумент"},
        {"two files", "check " + sample + " " + sample, 2, nullptr, "неверный аргумент"},
        {"unknown option", "check --bogus " + sample, 2, nullptr, "неверный аргумент: --bogus"},
        {"unknown command", "frob " + sample, 2, nullptr, "неизвестная команда: frob"},
        {"no command", "", 2, nullptr, "использование: quillon-cli"},
        // tree keeps stdout for the tree: its log goes to stderr.
        {"tree of a text file", "tree " + Quoted(text.path()), 1, nullptr, "• отсутствует сигнатура 1A45DFA3"},
        {"info of a missing file", "info " + missing, 2, nullptr, "файл не найден"},
    };
    for (const CliCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto run = test::Quillon(c.args);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        if (c.outLine) { EXPECT_TRUE(HasLine(run.out, c.outLine)) << run.out; }
        if (c.errPart) { EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err; }
        if (c.status != 0) {
            EXPECT_FALSE(HasLine(run.out, "• ошибки контейнера не обнаружены")) << run.out;
        }
    }
}

TEST(QuillonCli, SpeaksTheLocalesLanguageUnlessToldOtherwise) {
    const std::string sample = Quoted(Sample().string());
    const struct {
        const char* environment;
        const char* args;
        const char* line;
    } cases[] = {
        {"LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8", "check ", "• no errors were found"},
        {"LC_ALL= LC_MESSAGES= LANG=ru_RU.UTF-8", "check ", "• ошибки контейнера не обнаружены"},
        {"LC_ALL=C LANG=ru_RU.UTF-8", "check ", "• no errors were found"},  // LC_ALL comes first
        {"LC_ALL=en_US.UTF-8", "--lang rus check ", "• ошибки контейнера не обнаружены"},
        {"LC_ALL=ru_RU.UTF-8", "check --lang eng ", "• no errors were found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.environment) + " " + c.args);
        const auto run = test::QuillonWith(c.environment, c.args + sample);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(HasLine(run.out, c.line)) << run.out;
    }
}

TEST(QuillonCli, TreeOfSampleStartsWithTheEbmlHeader) {
    const auto run = test::Quillon("tree " + Quoted(Sample().string()));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    const auto first = std::find(lines.begin(), lines.end(), "EBML [40]");
    ASSERT_NE(first, lines.end()) << run.out;
    // Nothing but log lines before it.
    for (auto it = lines.begin(); it != first; ++it) EXPECT_EQ(it->rfind("• ", 0), 0u) << *it;
    ASSERT_NE(first + 1, lines.end());
    EXPECT_EQ(first[1], "\tEBMLVersion [4] = 1");
    EXPECT_EQ(std::find(first, lines.end(), "Segment [66605]") - first, 8) << "the EBML header has seven children";
}

// Columns of an info line: split at runs of two or more spaces.
std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> out;
    std::string cell;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ' && i + 1 < line.size() && line[i + 1] == ' ') {
            if (!cell.empty()) out.push_back(cell);
            cell.clear();
            while (i + 1 < line.size() && line[i + 1] == ' ') ++i;
        } else {
            cell += line[i];
        }
    }
    if (!cell.empty()) out.push_back(cell);
    return out;
}

TEST(QuillonCli, InfoListsTheThreeTracksOfSample) {
    const auto run = test::Quillon("info " + Quoted(Sample().string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    std::vector<std::vector<std::string>> tracks;
    for (const std::string& line : Lines(run.out))
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0]))) tracks.push_back(Columns(line));
    const std::vector<std::vector<std::string>> expected = {
        {"1", "VIDEO", "160x120, V_MPEG4/ISO/AVC, Test picture", "en"},  // mkvmerge wrote only LanguageBCP47
        {"2", "AUDIO", "A_AC3, Звук", "rus"},
        {"3", "SUBTITLES", "S_TEXT/UTF8, Русские субтитры", "rus", "y"},  // no FlagDefault: default by the format's rule
    };
    EXPECT_EQ(tracks, expected) << run.out;
}

}  // namespace
}  // namespace quillon::scan_interop
