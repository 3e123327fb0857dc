// Tracks added by the remux, checked by independent programs on files made by
// ffmpeg and mkvmerge (tests/interop/make_media.sh, made once per build tree):
// tracks imported from another Matroska file against mkvextract's and
// ffprobe's view of that file (times converted where the timestamp scales
// differ, references and durations of BlockGroups kept); SRT, ASS and SSA
// files against ffmpeg reading the file itself; MP3 files against ffmpeg
// decoding the file itself; and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/interop_helpers.h"
#include "support/mkvinfo_listing.h"

namespace quillon::track_adding_interop {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using test::FfprobePackets;
using test::HasText;
using test::ListedElement;
using test::ListedTrack;
using test::ProbedFile;
using test::ProbedPacket;
using test::ProbedStream;
using test::Quillon;
using test::Quoted;
using test::RunSeparated;
using test::SeparatedResult;

// ---------------------------------------------------------------- listings

// mkvinfo's account of a file: its elements, tracks and the Segment's timestamp scale.
struct Listed {
    std::string error;  // mkvinfo failed or printed an error or a warning
    std::vector<ListedElement> elements;
    std::vector<ListedTrack> tracks;
    int64_t timestampScale = 0;

    const ListedTrack* Track(uint64_t number) const {
        for (const ListedTrack& t : tracks)
            if (t.number == number) return &t;
        return nullptr;
    }
};

Listed List(const fs::path& file) {
    Listed l;
    l.elements = test::MkvinfoListing(file, l.error);
    l.tracks = test::ListedTracks(l.elements);
    for (size_t i = 0; i < l.elements.size(); ++i) {
        if (l.elements[i].name != "Segment information") continue;
        for (size_t k = i + 1; k < l.elements.size() && l.elements[k].depth > l.elements[i].depth; ++k)
            if (l.elements[k].name == "Timestamp scale" && l.elements[k].depth == l.elements[i].depth + 1)
                l.timestampScale = std::stoll(test::ListedValue(l.elements[k]));
    }
    return l;
}

// What mkvinfo shows of one BlockGroup of a track, in nanoseconds.
struct GroupFacts {
    int64_t time = 0;
    std::vector<int64_t> references;
    std::optional<int64_t> duration;
    bool operator==(const GroupFacts&) const = default;
};

std::vector<GroupFacts> Groups(const Listed& l, uint64_t track) {
    std::vector<GroupFacts> groups;
    const auto& e = l.elements;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i].name != "Block group") continue;
        GroupFacts g;
        bool ours = false;
        for (size_t k = i + 1; k < e.size() && e[k].depth > e[i].depth; ++k) {
            if (const auto block = test::BlockCaption(e[k]); block && !block->simple) {
                ours = block->track == track;
                g.time = test::ListedNanoseconds(block->time);
            } else if (e[k].name == "Reference block") {
                g.references.push_back(test::ListedNanoseconds(test::ListedValue(e[k])));
            } else if (e[k].name == "Block duration") {
                g.duration = test::ListedNanoseconds(test::ListedValue(e[k]));
            }
        }
        if (ours) groups.push_back(g);
    }
    return groups;
}

void PrintTo(const GroupFacts& g, std::ostream* os) {
    *os << "{" << g.time << " ns, references";
    for (int64_t r : g.references) *os << " " << r;
    *os << ", duration " << (g.duration ? std::to_string(*g.duration) : "none") << "}";
}

// A block of a track as mkvinfo shows it: its time and its number of frames.
struct BlockFacts {
    int64_t time = 0;  // ns
    uint64_t frames = 0;
    bool operator==(const BlockFacts&) const = default;
};

void PrintTo(const BlockFacts& b, std::ostream* os) { *os << "{" << b.time << " ns, " << b.frames << " frames}"; }

// The blocks of a track, in file order.
std::vector<BlockFacts> Blocks(const Listed& l, uint64_t track) {
    std::vector<BlockFacts> blocks;
    for (const ListedElement& e : l.elements)
        if (const auto block = test::BlockCaption(e); block && block->track == track)
            blocks.push_back({test::ListedNanoseconds(block->time), block->frameCount});
    return blocks;
}

// ---------------------------------------------------------------- times

// a ÷ b to the nearest whole number, halves away from zero.
int64_t NearestDiv(__int128 a, __int128 b) {
    if (b < 0) a = -a, b = -b;
    const __int128 q = (2 * (a < 0 ? -a : a) + b) / (2 * b);
    return static_cast<int64_t>(a < 0 ? -q : q);
}

// A time of the other file in the target file's ticks: t × its scale / the
// target's scale, to the nearest tick. For ffprobe's times the scales are
// the time bases.
int64_t Converted(int64_t t, const ProbedStream& from, const ProbedStream& to) {
    return NearestDiv(static_cast<__int128>(t) * from.timeBaseNum * to.timeBaseDen,
                      static_cast<__int128>(from.timeBaseDen) * to.timeBaseNum);
}

// mkvinfo prints ticks × scale: in nanoseconds a conversion is a rounding to
// the target's nearest tick.
int64_t Nearest(int64_t ns, int64_t scale) { return NearestDiv(ns, scale) * scale; }

BlockFacts ConvertedBlock(const BlockFacts& b, int64_t scale) { return {Nearest(b.time, scale), b.frames}; }

// A reference or a duration still spans the same blocks: the difference of
// the converted times at its two ends.
GroupFacts ConvertedGroup(const GroupFacts& g, int64_t scale) {
    GroupFacts out;
    out.time = Nearest(g.time, scale);
    for (int64_t r : g.references) out.references.push_back(Nearest(g.time + r, scale) - out.time);
    if (g.duration) out.duration = Nearest(g.time + *g.duration, scale) - out.time;
    return out;
}

// ---------------------------------------------------------------- programs

std::string Decoded(const std::string& input) {
    return RunSeparated("ffmpeg -nostdin -v error " + input + " -f s16le -").out;
}

bool HasBFrames(const fs::path& file, int stream) {
    const SeparatedResult run = RunSeparated("ffprobe -v error -select_streams " + std::to_string(stream) +
                                             " -show_entries frame=pict_type -of csv=p=0 " + Quoted(file.string()));
    return HasText(run.out, "B");
}

// ffmpeg decodes every video and audio stream of the file without a word.
void ExpectWholeDecode(const fs::path& file) {
    const SeparatedResult run =
        RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(file.string()) + " -map 0:v -map 0:a -f null -");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "") << "ffmpeg decoding " << file;
}

// A file name as a test name: "script.ass" gives "script_ass".
std::string TestName(std::string file) {
    const auto odd = [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); };
    std::replace_if(file.begin(), file.end(), odd, '_');
    return file;
}

// ---------------------------------------------------------------- fixture

class TrackAddingInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name) { return test::MediaFile(name); }

    // A fresh output path for this test.
    static fs::path Output(const std::string& name) { return test::FreshOutput("track-adding", name); }

    // "remux TARGET -o OUT ARGS", messages in English.
    static SeparatedResult Remux(const std::string& target, const fs::path& out, const std::string& args) {
        return Quillon("remux " + Quoted(Media(target).string()) + " -o " + Quoted(out.string()) + " --lang eng " +
                       args);
    }
};

// The film every subtitle and MP3 file is added to: H.264, AAC, SRT (tracks 1 to 3).
const char kFilm[] = "mkvmerge_h264_aac_srt.mkv";

// ---------------------------------------------------------------- import

struct ImportOption {
    const char* file;
    const char* list;  // "" takes every track
};

struct ImportCase {
    const char* name;
    const char* target;
    std::vector<ImportOption> imports;  // --import options, in order
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

const ImportCase kImports[] = {
    {"FfmpegAudio", "mkvmerge_h264_aac_srt.mkv", {{"ffmpeg_import.mkv", "2"}}},
    {"FfmpegVideo", "mkvmerge_h264_aac_srt.mkv", {{"ffmpeg_import.mkv", "1"}}},
    {"MkvmergeVideoAndAudio", "ffmpeg_h264_aac_srt.mkv", {{"mkvmerge_import.mkv", "1,2"}}},
    // Every block in a BlockGroup: ReferenceBlocks of the video, BlockDurations of the subtitles.
    {"BlockGroups", "ffmpeg_h264_aac_srt.mkv", {{"mkvmerge_groups.mkv", "1,3"}}},
    // The same from ticks of 500000 ns into ticks of 1 ms.
    {"BlockGroupsFromFinerTicks", "mkvmerge_h264_aac_srt.mkv", {{"mkvmerge_groups_500us.mkv", "1,3"}}},
    // Ticks of 1 ms into ticks of 500000 ns, with two --import options.
    {"IntoFinerTicks", "mkvmerge_groups_500us.mkv", {{"ffmpeg_import.mkv", "1"}, {"mkvmerge_import.mkv", "2"}}},
    // AC-3 and MP3 from a file whose ticks are sample-exact (20832 ns): the floor shows.
    {"FromSampleExactTicks", "mkvmerge_h264_aac_srt.mkv", {{"mkvmerge_audio.mkv", "1,2"}}},
    {"EveryTrack", "ffmpeg_h264_aac_srt.mkv", {{"mkvmerge_groups_500us.mkv", ""}, {"ffmpeg_import.mkv", ""}}},
};

// One new track: where it comes from.
struct Origin {
    std::string file;
    uint64_t number = 0;  // in that file
};

class ImportInterop : public TrackAddingInterop, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(ImportInterop, NewTracksAreTheOtherFilesTracksAndTheOldOnesStay) {
    const ImportCase& c = GetParam();
    const fs::path out = Output(std::string(c.name) + ".mkv");
    std::string args;
    for (const ImportOption& o : c.imports)
        args += " --import " + Quoted(Media(o.file).string() + (*o.list ? std::string(":") + o.list : ""));
    const SeparatedResult run = Remux(c.target, out, args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const fs::path targetPath = Media(c.target);
    const Listed target = List(targetPath);
    ASSERT_EQ(target.error, "");
    std::map<std::string, Listed> others;
    std::vector<Origin> origins;
    for (const ImportOption& o : c.imports) {
        const Listed& other = others[o.file] = List(Media(o.file));
        ASSERT_EQ(other.error, "");
        if (!*o.list)
            for (const ListedTrack& t : other.tracks) origins.push_back({o.file, t.number});
        std::stringstream list(o.list);
        for (std::string n; std::getline(list, n, ',');) origins.push_back({o.file, std::stoull(n)});
    }

    // mkvinfo reads the output without an error or a warning; the old tracks
    // are as they were, the new ones follow, numbered from 1 + the largest old number.
    const Listed listed = List(out);
    ASSERT_EQ(listed.error, "");
    EXPECT_EQ(listed.timestampScale, target.timestampScale);
    ASSERT_EQ(listed.tracks.size(), target.tracks.size() + origins.size());
    uint64_t largest = 0;
    for (size_t k = 0; k < target.tracks.size(); ++k) {
        EXPECT_EQ(listed.tracks[k].values, target.tracks[k].values) << "old track " << target.tracks[k].number;
        largest = std::max(largest, target.tracks[k].number);
    }
    for (size_t j = 0; j < origins.size(); ++j) {
        const ListedTrack& now = listed.tracks[target.tracks.size() + j];
        const ListedTrack* was = others[origins[j].file].Track(origins[j].number);
        ASSERT_NE(was, nullptr) << origins[j].file << " track " << origins[j].number;
        SCOPED_TRACE("new track " + std::to_string(now.number) + " from " + origins[j].file + " track " +
                     std::to_string(origins[j].number));
        EXPECT_EQ(now.number, largest + 1 + j);
        EXPECT_NE(was->Value("Codec ID"), "");
        for (const char* name : {"Track type", "Codec ID", "Codec's private data", "Default duration", "Language",
                                 "Track UID", "Sampling frequency", "Channels", "Pixel width", "Pixel height"})
            EXPECT_EQ(now.Value(name), was->Value(name)) << name;
    }

    // The old tracks: mkvextract writes the same streams, ffprobe sees the same packets.
    const ProbedFile probed = FfprobePackets(out);
    const ProbedFile targetProbed = FfprobePackets(targetPath);
    ASSERT_EQ(probed.run.status, 0) << probed.run.err;
    for (size_t k = 0; k < target.tracks.size(); ++k) {
        const int id = target.tracks[k].trackId;
        SCOPED_TRACE("old track " + std::to_string(target.tracks[k].number));
        const std::string stem = std::string(c.name) + "." + std::to_string(id);
        const Bytes was = test::MkvextractTrack(targetPath, id, Output(stem + ".target"));
        EXPECT_FALSE(was.empty());
        EXPECT_TRUE(test::MkvextractTrack(out, id, Output(stem + ".out")) == was);
        EXPECT_EQ(probed.streams.at(id).packets, targetProbed.streams.at(id).packets);
        EXPECT_EQ(Groups(listed, target.tracks[k].number), Groups(target, target.tracks[k].number));
    }

    // The new tracks: the other file's streams, packets and BlockGroups, with
    // the times in the target's ticks.
    for (size_t j = 0; j < origins.size(); ++j) {
        const ListedTrack& now = listed.tracks[target.tracks.size() + j];
        const Listed& other = others[origins[j].file];
        const fs::path otherPath = Media(origins[j].file);
        const ListedTrack& was = *other.Track(origins[j].number);
        SCOPED_TRACE("new track " + std::to_string(now.number) + " from " + origins[j].file + " track " +
                     std::to_string(origins[j].number));
        const std::string stem = std::string(c.name) + "." + std::to_string(now.number);
        const Bytes extracted = test::MkvextractTrack(otherPath, was.trackId, Output(stem + ".other"));
        EXPECT_FALSE(extracted.empty());
        EXPECT_TRUE(test::MkvextractTrack(out, now.trackId, Output(stem + ".out")) == extracted)
            << "mkvextract's stream differs";

        // mkvinfo: the blocks at the other file's times in the target's
        // ticks, laced as they were.
        const std::vector<BlockFacts> blocks = Blocks(other, was.number);
        ASSERT_FALSE(blocks.empty());
        std::vector<BlockFacts> expectedBlocks;
        for (const BlockFacts& b : blocks) expectedBlocks.push_back(ConvertedBlock(b, listed.timestampScale));
        EXPECT_EQ(Blocks(listed, now.number), expectedBlocks);

        // ffprobe: the same packets; where the ticks differ, a block's first
        // frame at the converted time. The times of a lace's other frames,
        // ffmpeg's dts and its durations are ffmpeg's own sums (the block's
        // time plus shares of the DefaultDuration, each in its file's ticks),
        // not times the file holds.
        const ProbedFile otherProbed = FfprobePackets(otherPath);
        const ProbedStream& from = otherProbed.streams.at(was.trackId);
        const ProbedStream& to = probed.streams.at(now.trackId);
        ASSERT_EQ(to.packets.size(), from.packets.size());
        ASSERT_FALSE(from.packets.empty());
        const bool sameTicks = other.timestampScale == listed.timestampScale;
        EXPECT_EQ(sameTicks, from.timeBaseNum == to.timeBaseNum && from.timeBaseDen == to.timeBaseDen);
        std::set<size_t> firstFrames;
        size_t frame = 0;
        for (const BlockFacts& b : blocks) {
            firstFrames.insert(frame);
            frame += b.frames;
        }
        for (size_t i = 0; i < from.packets.size(); ++i) {
            const ProbedPacket& a = from.packets[i];
            const ProbedPacket& b = to.packets[i];
            if (sameTicks) {
                EXPECT_EQ(b, a) << "packet " << i;
                continue;
            }
            if (firstFrames.count(i)) {
                EXPECT_EQ(b.pts, Converted(a.pts, from, to)) << "packet " << i << " at " << a.pts;
            }
            EXPECT_EQ(b.size, a.size) << "packet " << i;
            EXPECT_EQ(b.hash, a.hash) << "packet " << i;
            EXPECT_EQ(b.flags, a.flags) << "packet " << i;
        }

        std::vector<GroupFacts> expected;
        for (const GroupFacts& g : Groups(other, was.number))
            expected.push_back(ConvertedGroup(g, listed.timestampScale));
        EXPECT_EQ(Groups(listed, now.number), expected);
        if (was.Value("Track type") == "video") { EXPECT_TRUE(HasBFrames(out, now.trackId)) << "no B-frames"; }
    }

    ExpectWholeDecode(out);
    if (!HasFailure()) fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Media, ImportInterop, ::testing::ValuesIn(kImports),
                         [](const auto& info) { return std::string(info.param.name); });

// With a list the tracks are numbered in the list's order, as "--tracks 3,1"
// orders the kept tracks: "mkvmerge_import.mkv:2,1" gives the MP3 track 4.
TEST_F(TrackAddingInterop, ImportListOrderIsTheNumberingOrder) {
    const fs::path out = Output("list-order.mkv");
    const SeparatedResult run =
        Remux(kFilm, out, "--import " + Quoted(Media("mkvmerge_import.mkv").string() + ":2,1"));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const Listed listed = List(out);
    ASSERT_EQ(listed.error, "");
    ASSERT_EQ(listed.tracks.size(), 5u);
    EXPECT_EQ(listed.tracks[3].Value("Codec ID"), "A_MPEG/L3");
    EXPECT_EQ(listed.tracks[4].Value("Codec ID"), "V_MPEG4/ISO/AVC");
    if (!HasFailure()) fs::remove(out);
}

// The media hold what the import cases rely on: B-frames with references in
// both directions in BlockGroups, subtitles with BlockDurations, and a
// timestamp scale that differs from the targets'.
TEST_F(TrackAddingInterop, ImportSourcesHaveTheFeaturesUnderTest) {
    for (const char* file : {"mkvmerge_groups.mkv", "mkvmerge_groups_500us.mkv"}) {
        SCOPED_TRACE(file);
        const Listed l = List(Media(file));
        ASSERT_EQ(l.error, "");
        bool backward = false, forward = false;
        for (const GroupFacts& g : Groups(l, 1))
            for (int64_t r : g.references) (r < 0 ? backward : forward) = true;
        EXPECT_TRUE(backward && forward);
        const std::vector<GroupFacts> subtitles = Groups(l, 3);
        ASSERT_FALSE(subtitles.empty());
        for (const GroupFacts& g : subtitles) EXPECT_TRUE(g.duration.has_value());
    }
    EXPECT_EQ(List(Media("mkvmerge_groups_500us.mkv")).timestampScale, 500000);
    EXPECT_EQ(List(Media("mkvmerge_h264_aac_srt.mkv")).timestampScale, 1000000);
    EXPECT_NE(List(Media("mkvmerge_audio.mkv")).timestampScale % 1000, 0);
    for (const char* file : {"ffmpeg_import.mkv", "mkvmerge_import.mkv"})
        EXPECT_TRUE(HasBFrames(Media(file), 0)) << file;
}

// ---------------------------------------------------------------- subtitles

struct SubtitleCase {
    const char* file;
    const char* codec;
    const char* reader;  // ffmpeg's input options for the file itself
    const char* as;      // what ffmpeg writes both as
    const char* text;    // a piece of Cyrillic text of the file, as UTF-8
};

void PrintTo(const SubtitleCase& c, std::ostream* os) { *os << c.file; }

const SubtitleCase kSubtitles[] = {
    {"cyrillic.srt", "S_TEXT/UTF8", "", "srt", "Привет"},  // CR LF, UTF-8
    {"lf.srt", "S_TEXT/UTF8", "", "srt", "Привет"},
    {"bom.srt", "S_TEXT/UTF8", "", "srt", "Привет"},
    {"utf16.srt", "S_TEXT/UTF8", "", "srt", "Привет"},
    // The text arrives as UTF-8.
    {"cp1251.srt", "S_TEXT/UTF8", "-sub_charenc CP1251", "srt", "Привет"},
    {"script.ass", "S_TEXT/ASS", "", "ass", "Привет"},
    {"script.ssa", "S_TEXT/SSA", "", "ass", "Второй"},
};

class SubtitleInterop : public TrackAddingInterop, public ::testing::WithParamInterface<SubtitleCase> {};

// ffmpeg reads the new track as the same events (times and text, for ASS
// and SSA the whole script with its header) as it reads the file.
TEST_P(SubtitleInterop, FfmpegReadsTheEventsOfTheFile) {
    const SubtitleCase& c = GetParam();
    const fs::path out = Output(TestName(c.file) + ".mkv");
    const SeparatedResult run = Remux(kFilm, out, "--add-subtitles " + Quoted(Media(c.file).string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const Listed listed = List(out);
    ASSERT_EQ(listed.error, "");
    ASSERT_EQ(listed.tracks.size(), 4u);
    EXPECT_EQ(listed.tracks[3].number, 4u);
    EXPECT_EQ(listed.tracks[3].Value("Codec ID"), c.codec);
    EXPECT_EQ(listed.tracks[3].Value("Language"), "und");

    // SRT is decoded and written anew; a script is copied as it is.
    const std::string writer =
        std::string(" -c:s ") + (std::string(c.as) == "srt" ? "srt" : "copy") + " -f " + c.as + " -";
    const SeparatedResult ours =
        RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(out.string()) + " -map 0:s:1" + writer);
    const SeparatedResult theirs = RunSeparated("ffmpeg -nostdin -v error " + std::string(c.reader) + " -i " +
                                                Quoted(Media(c.file).string()) + writer);
    ASSERT_EQ(theirs.status, 0) << theirs.err;
    EXPECT_EQ(ours.status, 0);
    EXPECT_EQ(ours.err, "");
    EXPECT_TRUE(HasText(ours.out, c.text)) << ours.out;
    EXPECT_EQ(ours.out, theirs.out);
    if (!HasFailure()) fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Files, SubtitleInterop, ::testing::ValuesIn(kSubtitles),
                         [](const auto& info) { return TestName(info.param.file); });

// ---------------------------------------------------------------- MP3

struct AudioCase {
    const char* file;
    const char* codec;
    bool xing;  // the file starts with a Xing/Info frame
};

void PrintTo(const AudioCase& c, std::ostream* os) { *os << c.file; }

class AudioInterop : public TrackAddingInterop, public ::testing::WithParamInterface<AudioCase> {};

// ffmpeg decodes the new track to the samples it decodes from the file, and
// ffprobe counts as many frames in the track as in the file.
TEST_P(AudioInterop, FfmpegDecodesTheSamplesOfTheFile) {
    const AudioCase& c = GetParam();
    const fs::path mp3 = Media(c.file);
    const fs::path out = Output(TestName(c.file) + ".mkv");
    const SeparatedResult run = Remux(kFilm, out, "--add-audio " + Quoted(mp3.string()));
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    const Listed listed = List(out);
    ASSERT_EQ(listed.error, "");
    ASSERT_EQ(listed.tracks.size(), 4u);
    const ListedTrack& track = listed.tracks[3];
    EXPECT_EQ(track.number, 4u);
    EXPECT_EQ(track.Value("Codec ID"), c.codec);
    EXPECT_EQ(track.Value("Language"), "und");

    // Frames go eight to a block; a Xing/Info frame is no audio frame: the
    // mp3 demuxer leaves it out of its packets as well.
    const std::vector<BlockFacts> blocks = Blocks(listed, 4);
    ASSERT_FALSE(blocks.empty());
    uint64_t total = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        total += blocks[i].frames;
        if (i + 1 < blocks.size()) { EXPECT_EQ(blocks[i].frames, 8u) << "block " << i; }
    }
    const ProbedFile file = FfprobePackets(mp3);
    ASSERT_EQ(file.streams.size(), 1u);
    EXPECT_EQ(total, file.streams.at(0).packets.size());
    const ProbedFile probed = FfprobePackets(out);
    EXPECT_EQ(probed.streams.at(3).packets.size(), total);

    // With a Xing frame the demuxer marks the encoder delay and padding to
    // be cut from what the decoder gives; "-flags2 +skip_manual" has the
    // decoder give every sample of every frame instead, as it does for the
    // track (Matroska's MP3 carries no such marks). Then both are exact.
    const std::string ours = Decoded("-i " + Quoted(out.string()) + " -map 0:a:1");
    const std::string theirs =
        Decoded(std::string(c.xing ? "-flags2 +skip_manual " : "") + "-i " + Quoted(mp3.string()));
    EXPECT_GT(theirs.size(), 10000u);
    EXPECT_TRUE(ours == theirs) << ours.size() << " bytes of PCM against " << theirs.size();
    if (c.xing) {
        // ... and the trimming is real: without the option the file decodes shorter.
        EXPECT_LT(Decoded("-i " + Quoted(mp3.string())).size(), theirs.size());
    }
    ExpectWholeDecode(out);
    if (!HasFailure()) fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Files, AudioInterop,
                         ::testing::Values(AudioCase{"mpeg1_cbr.mp3", "A_MPEG/L3", false},
                                           AudioCase{"mpeg1_vbr_id3.mp3", "A_MPEG/L3", false},
                                           AudioCase{"mpeg2_22k_id3.mp3", "A_MPEG/L3", false},
                                           AudioCase{"mpeg2_24k_vbr.mp3", "A_MPEG/L3", false},
                                           AudioCase{"mpeg25_8k.mp3", "A_MPEG/L3", false},
                                           AudioCase{"mpeg1_xing.mp3", "A_MPEG/L3", true},
                                           AudioCase{"layer2.mp3", "A_MPEG/L2", false}),
                         [](const auto& info) { return TestName(info.param.file); });

// ---------------------------------------------------------------- numbers and edits

// Imports, subtitles and MP3s in one run are numbered in the order of the
// options; --lang, --name and --default take the new numbers; an added
// file's track without --lang is "und", an imported one keeps its language.
TEST_F(TrackAddingInterop, NewTracksAreNumberedInTheOrderGivenAndTakeTheEdits) {
    const fs::path out = Output("order-and-edits.mkv");
    const SeparatedResult run =
        Remux(kFilm, out,
              "--add-audio " + Quoted(Media("mpeg1_cbr.mp3").string()) + " --import " +
                  Quoted(Media("mkvmerge_groups.mkv").string() + ":2") + " --add-subtitles " +
                  Quoted(Media("script.ass").string()) + " --add-subtitles " + Quoted(Media("lf.srt").string()) +
                  " --lang 4=fin --name 6=Русские --default 4 --lang 7=rus");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const Listed listed = List(out);
    ASSERT_EQ(listed.error, "");
    ASSERT_EQ(listed.tracks.size(), 7u);
    const struct {
        const char* codec;
        const char* language;
    } expected[] = {{"A_MPEG/L3", "fin"}, {"A_AAC", "spa"}, {"S_TEXT/ASS", "und"}, {"S_TEXT/UTF8", "rus"}};
    for (size_t j = 0; j < std::size(expected); ++j) {
        const ListedTrack& t = listed.tracks[3 + j];
        SCOPED_TRACE("track " + std::to_string(t.number));
        EXPECT_EQ(t.number, 4 + j);
        EXPECT_EQ(t.Value("Codec ID"), expected[j].codec);
        EXPECT_EQ(t.Value("Language"), expected[j].language);
    }
    EXPECT_EQ(listed.tracks[3].Value("\"Default track\" flag"), "1");
    EXPECT_EQ(listed.tracks[5].Value("Name"), "Русские");
    if (!HasFailure()) fs::remove(out);
}

// ---------------------------------------------------------------- refusals

struct RefusalCase {
    const char* name;
    std::string args;
    int status;
    const char* message;
};

TEST_F(TrackAddingInterop, RefusalsWriteNoFileAndSayWhy) {
    const fs::path dir = test::OutputDir("track-adding");
    // Line 6, the second time line, has a letter in its milliseconds and a short arrow.
    const std::string broken =
        "1\r\n00:00:00,500 --> 00:00:01,000\r\nFine\r\n\r\n2\r\n00:00:02,x00 -> 00:00:03,000\r\nBroken\r\n";
    test::WriteBytes(dir / "broken.srt", Bytes(broken.begin(), broken.end()));
    // A well-formed SRT, but named .txt.
    const std::string notes = "1\r\n00:00:00,500 --> 00:00:01,000\r\nNotes\r\n";
    test::WriteBytes(dir / "notes.txt", Bytes(notes.begin(), notes.end()));
    // A Matroska file named as an MP3: the name passes, the content does not.
    fs::remove(dir / "film.mp3");
    fs::copy_file(Media("mkvmerge_audio.mkv"), dir / "film.mp3");
    const auto at = [&](const std::string& name) { return Quoted((dir / name).string()); };
    const RefusalCase cases[] = {
        {"missing import", "--import " + at("missing.mkv"), 1, "file open error"},
        {"no such track", "--import " + Quoted(Media("ffmpeg_import.mkv").string() + ":7"), 2, "no such track"},
        {"broken SRT", "--add-subtitles " + at("broken.srt"), 1, "SRT parsing error in line 6"},
        {"a .txt as subtitles", "--add-subtitles " + at("notes.txt"), 1, "subtitles must be in SRT or SSA/ASS format"},
        {"Matroska as MP3 by name", "--add-audio " + Quoted(Media("mkvmerge_audio.mkv").string()), 1,
         "I can import MP3 only"},
        {"Matroska as MP3 by content", "--add-audio " + at("film.mp3"), 1, "Frame sync not found"},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = Output("refused.mkv");
        const SeparatedResult run = Remux(kFilm, out, c.args);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_TRUE(HasText(run.out + run.err, c.message)) << run.out << run.err;
        EXPECT_FALSE(fs::exists(out));
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_EQ(entry.path().filename().string().find("refused.mkv"), std::string::npos)
                << "left behind: " << entry.path();
    }
}

}  // namespace
}  // namespace quillon::track_adding_interop
