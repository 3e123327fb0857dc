// The timeline check and its repairs on real films (tests/interop/make_media.sh,
// made once per build tree). Films with B-frames, whose video is stored in
// decode order with times that step back (H.264 from x264's default preset,
// HEVC from libx265, MPEG-4 ASP, by ffmpeg and by mkvmerge, in SimpleBlocks and
// in BlockGroups), are clean. Copies damaged byte by byte (a Cluster's Timecode
// lowered, two Clusters' Timecodes swapped, non-key frames' timecodes broken)
// are reported with exactly the blocks whose times moved earlier, as mkvinfo
// shows them against the undamaged film. Each repair on the damage it is meant
// for writes a file that mkvinfo reads without a word and whose times the
// check, ffprobe and ffmpeg's decoder find in order, and does to the blocks
// what it says; on a clean film a repair writes what a plain remux writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/interop_helpers.h"
#include "support/mkvinfo_listing.h"

namespace quillon::timeline_interop {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using test::HasText;
using test::ListedElement;
using test::Quillon;
using test::Quoted;
using test::RunSeparated;
using test::SeparatedResult;

constexpr uint8_t kInvisible = 0x08;

// ---------------------------------------------------------------- listings

// One block as mkvinfo lists it, with its frames' bytes and its flags byte.
struct Block {
    int64_t ns = 0;
    bool key = true;  // a SimpleBlock's key flag; a Block without a ReferenceBlock
    bool group = false;
    uint8_t flags = 0;
    std::vector<int64_t> references;  // ns, relative
    std::vector<Bytes> frames;
};

// What mkvinfo shows of a film: its tracks and each track's blocks in file order.
struct Film {
    std::string error;  // mkvinfo failed or printed an error or a warning
    std::vector<test::ListedTrack> tracks;
    std::map<uint64_t, std::vector<Block>> blocks;

    std::string Type(uint64_t number) const {
        for (const test::ListedTrack& t : tracks)
            if (t.number == number) return t.Value("Track type");
        return {};
    }
    const std::vector<Block>& Of(uint64_t number) const {
        static const std::vector<Block> none;
        const auto it = blocks.find(number);
        return it == blocks.end() ? none : it->second;
    }
};

Film Read(const fs::path& file) {
    Film film;
    const std::vector<ListedElement> listing = test::MkvinfoListing(file, film.error);
    const Bytes bytes = test::ReadBytes(file);
    film.tracks = test::ListedTracks(listing);
    // A BlockGroup's Block and ReferenceBlocks may come in either order: the
    // block is kept when the group ends.
    std::optional<std::pair<uint64_t, Block>> pending;
    int groupDepth = -1;
    const auto flush = [&] {
        if (pending) film.blocks[pending->first].push_back(pending->second);
        pending.reset();
    };
    for (const ListedElement& e : listing) {
        if (groupDepth >= 0 && e.depth <= groupDepth) {
            flush();
            groupDepth = -1;
        }
        if (e.name == "Block group") {
            groupDepth = e.depth;
            pending.emplace(0, Block{});
            pending->second.group = true;
            continue;
        }
        if (groupDepth >= 0 && e.name == "Reference block") {
            pending->second.references.push_back(test::ListedNanoseconds(test::ListedValue(e)));
            pending->second.key = false;
            continue;
        }
        const auto caption = test::BlockCaption(e);
        if (!caption) continue;
        Block b = caption->simple ? Block{} : pending ? pending->second : Block{};
        b.ns = test::ListedNanoseconds(caption->time);
        if (caption->simple) b.key = caption->key;
        b.flags = test::BlockFlags(bytes, e);
        for (const test::ListedFrame& f : e.frames)
            b.frames.emplace_back(bytes.begin() + static_cast<long>(f.position),
                                  bytes.begin() + static_cast<long>(f.position + f.size));
        if (!caption->simple && groupDepth >= 0) {
            pending->first = caption->track;
            pending->second = b;
        } else {
            film.blocks[caption->track].push_back(b);
        }
    }
    flush();
    return film;
}

// The places of a damaged film's blocks of a track whose times moved earlier
// than in the undamaged film (the same layout, block for block).
std::set<size_t> MovedEarlier(const Film& damaged, const Film& original, uint64_t track) {
    std::set<size_t> moved;
    const std::vector<Block>& d = damaged.Of(track);
    const std::vector<Block>& o = original.Of(track);
    EXPECT_EQ(d.size(), o.size()) << "track " << track;
    for (size_t k = 0; k < d.size() && k < o.size(); ++k)
        if (d[k].ns < o[k].ns) moved.insert(k);
    return moved;
}

// A track's frames in the order of their blocks' times (equal times in file order).
std::vector<Bytes> ShownOrder(std::vector<Block> blocks) {
    std::stable_sort(blocks.begin(), blocks.end(), [](const Block& a, const Block& b) { return a.ns < b.ns; });
    std::vector<Bytes> frames;
    for (const Block& b : blocks) frames.insert(frames.end(), b.frames.begin(), b.frames.end());
    return frames;
}

// ---------------------------------------------------------------- reports

// The caption line and the lines after it (the log comes before).
std::vector<std::string> Report(const std::string& out) {
    const std::vector<std::string> lines = test::Lines(out);
    const auto caption = std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& l) { return l.rfind("  TimeLine  ::  ", 0) == 0; });
    return {caption, lines.end()};
}

// "раз" or "раза" after a count.
std::string RussianTimes(uint64_t count) {
    uint64_t last = count % 100;
    if (last > 19) last %= 10;
    return last >= 2 && last <= 4 ? "раза" : "раз";
}

std::string RussianNegative(uint64_t count) {
    uint64_t last = count % 100;
    if (last > 19) last %= 10;
    if (last == 1) return " блок имеет";
    return last >= 2 && last <= 4 ? " блока имеют" : " блоков имеют";
}

// The report the check should give of a damaged film: a line for each track
// with blocks that moved earlier, their count and the first three times in
// milliseconds; a line for those that became negative.
std::vector<std::string> ExpectedReport(const Film& damaged, const Film& original, bool russian) {
    std::vector<std::string> lines;
    std::string numbers;
    for (const test::ListedTrack& t : damaged.tracks) {
        const std::set<size_t> moved = MovedEarlier(damaged, original, t.number);
        if (moved.empty()) continue;
        numbers += (numbers.empty() ? "" : ", ") + std::to_string(t.number);
        const std::string count = std::to_string(moved.size());
        std::string line = russian ? "• трек " + std::to_string(t.number) + ": " + count + " " +
                                         RussianTimes(moved.size()) + " время шло вспять  ("
                                   : "• track " + std::to_string(t.number) + ": " + count +
                                         " times the time went backwards  (";
        size_t shown = 0, negative = 0;
        for (size_t k : moved) {
            const int64_t ns = damaged.Of(t.number)[k].ns;
            if (ns < 0) ++negative;
            if (shown < 3) line += (shown ? "," : "") + std::to_string(ns / 1000000);
            ++shown;
        }
        lines.push_back(line + (moved.size() > 3 ? ",..." : "") + (russian ? " мс)" : " ms)"));
        if (negative > 0)
            lines.push_back(russian ? "• " + std::to_string(negative) + RussianNegative(negative) + " отрицательное время"
                                    : "• " + std::to_string(negative) + " block(s) has negative time");
    }
    lines.insert(lines.begin(), std::string("  TimeLine  ::  ") +
                                    (russian ? "Номера треков с нелинейным временем: " : "Tracks with non linear timeline: ") +
                                    numbers);
    return lines;
}

const char kClean[] = "  TimeLine  ::  No errors found";
const char kCleanRussian[] = "  TimeLine  ::  Ошибок не обнаружено";

// ---------------------------------------------------------------- peers

// ffmpeg decodes the video without a word: frames whose times disagree with
// the order the decoder shows them in make its muxer complain.
void ExpectVideoDecodesSilently(const fs::path& file) {
    const SeparatedResult run =
        RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(file.string()) + " -map 0:v -f null -");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "") << "ffmpeg decoding the video of " << file;
}

// ffprobe's packet times of every audio and subtitle stream never go back.
void ExpectAudioAndSubtitleTimesInOrder(const fs::path& file, const Film& film) {
    const test::ProbedFile probed = test::FfprobePackets(file);
    ASSERT_EQ(probed.run.status, 0) << probed.run.err;
    for (const test::ListedTrack& t : film.tracks) {
        const std::string type = film.Type(t.number);
        if (type != "audio" && type != "subtitles") continue;
        ASSERT_TRUE(probed.streams.count(t.trackId)) << "track " << t.number;
        int64_t last = test::kNoTime;
        size_t timed = 0;
        for (const test::ProbedPacket& p : probed.streams.at(t.trackId).packets) {
            if (p.pts == test::kNoTime) continue;
            ++timed;
            EXPECT_GE(p.pts, last) << type << " track " << t.number << ": a packet earlier than the one before";
            last = p.pts;
        }
        EXPECT_GT(timed, 0u) << "track " << t.number;
    }
}

bool SamePackets(const test::ProbedFile& a, const test::ProbedFile& b) {
    if (a.streams.size() != b.streams.size()) return false;
    for (const auto& [index, stream] : a.streams) {
        const auto other = b.streams.find(index);
        if (other == b.streams.end() || other->second.packets != stream.packets ||
            other->second.timeBaseNum != stream.timeBaseNum || other->second.timeBaseDen != stream.timeBaseDen)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------- fixture

class TimelineInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name) { return test::MediaFile(name); }
    static fs::path Output(const std::string& name) { return test::FreshOutput("timeline", name); }

    static SeparatedResult Timeline(const fs::path& file, const std::string& lang) {
        return Quillon("--lang " + lang + " timeline " + Quoted(file.string()));
    }
    static SeparatedResult Remux(const fs::path& in, const fs::path& out, const std::string& args,
                                 const std::string& lang = "eng") {
        return Quillon("--lang " + lang + " remux " + Quoted(in.string()) + " -o " + Quoted(out.string()) + " " + args);
    }
    // "--repair 1=KIND --repair 2=KIND ..." for every track of the film.
    static std::string RepairAll(const Film& film, const std::string& kind) {
        std::string args;
        for (const test::ListedTrack& t : film.tracks) args += " --repair " + std::to_string(t.number) + "=" + kind;
        return args;
    }
    // A film make_media.sh leaves out when ffmpeg cannot make it (HEVC without libx265).
    static bool Missing(const std::string& name) { return !fs::exists(Media(name)); }
};

// ---------------------------------------------------------------- clean films

struct CleanCase {
    const char* file;
    bool reordered;  // video stored in decode order: its times step back
};

void PrintTo(const CleanCase& c, std::ostream* os) { *os << c.file; }

const CleanCase kCleanFilms[] = {
    {"mkvmerge_timeline.mkv", true},         // H.264, x264 default preset, 3 B-frames; AC-3, SRT
    {"mkvmerge_timeline_groups.mkv", true},  // the same in BlockGroups
    {"ffmpeg_timeline.mkv", true},           // the same pictures by ffmpeg; AAC, SRT
    {"ffmpeg_import.mkv", true},             // x264 default preset by ffmpeg; AC-3
    {"mkvmerge_import.mkv", true},           // x264 default preset by mkvmerge; MP3
    {"ffmpeg_hevc.mkv", true},               // libx265 default preset; AC-3
    {"mkvmerge_mpeg4_asp.mkv", true},        // MPEG-4 ASP with two B-frames; MP3
    {"ffmpeg_h264_aac_srt.mkv", true},       // x264 veryfast with 2 B-frames, CRC-32 elements
    {"mkvmerge_h264_ac3_srt.mkv", true},
    {"mkvmerge_h264_aac_srt.mkv", true},
    {"mkvmerge_groups.mkv", true},           // forward references from the B-frames
    {"mkvmerge_groups_500us.mkv", true},     // ticks of half a millisecond
    {"ffmpeg_pipe.mkv", true},               // a Segment of unknown size
    {"ffmpeg_live.mkv", true},               // Clusters of unknown size
    {"ffmpeg_vp9_opus.mkv", false},          // VP9 has no B-frames; Opus
    {"mkvmerge_mp3_ac3.mkv", false},
    {"mkvmerge_audio.mkv", false},           // AC-3, MP3, AAC, FLAC, Vorbis; sample-exact ticks
    {"ffmpeg_audio_subs.mkv", false},        // audio, ASS and SRT
    {"mkvmerge_subtitles.mkv", false},       // a subtitle block bigger than the read-ahead cache
};

class TimelineCleanFilm : public TimelineInterop, public ::testing::WithParamInterface<CleanCase> {};

// The check finds nothing in either language, and exits with 0.
TEST_P(TimelineCleanFilm, NoErrorsFound) {
    const CleanCase& c = GetParam();
    if (Missing(c.file)) GTEST_SKIP() << c.file << " not made: ffmpeg has no libx265";
    const fs::path file = Media(c.file);
    if (c.reordered) {
        // The video's times do step back: a strict rule would flag it.
        const Film film = Read(file);
        ASSERT_EQ(film.error, "");
        bool back = false;
        for (const auto& [track, blocks] : film.blocks)
            if (film.Type(track) == "video")
                for (size_t k = 1; k < blocks.size(); ++k) back = back || blocks[k].ns < blocks[k - 1].ns;
        EXPECT_TRUE(back) << "no video time steps back";
    }
    const SeparatedResult eng = Timeline(file, "eng");
    EXPECT_EQ(eng.status, 0) << eng.out << eng.err;
    EXPECT_EQ(Report(eng.out), std::vector<std::string>{kClean}) << eng.out;
    const SeparatedResult rus = Timeline(file, "rus");
    EXPECT_EQ(rus.status, 0);
    EXPECT_EQ(Report(rus.out), std::vector<std::string>{kCleanRussian}) << rus.out;
}

INSTANTIATE_TEST_SUITE_P(Media, TimelineCleanFilm, ::testing::ValuesIn(kCleanFilms), [](const auto& info) {
    std::string name = info.param.file;
    std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }, '_');
    return name;
});

class TimelineRepairOnCleanFilm : public TimelineInterop, public ::testing::WithParamInterface<const char*> {};

// A track the check finds clean is never changed: every repair, on every
// track, with --fix-references, writes the packets a plain remux writes.
TEST_P(TimelineRepairOnCleanFilm, WritesWhatAPlainRemuxWrites) {
    if (Missing(GetParam())) GTEST_SKIP() << GetParam() << " not made: ffmpeg has no libx265";
    const fs::path file = Media(GetParam());
    const std::string stem = file.stem().string();
    const Film film = Read(file);
    ASSERT_EQ(film.error, "");
    const fs::path plainOut = Output(stem + "-plain.mkv");
    const SeparatedResult plain = Remux(file, plainOut, "");
    ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
    const test::ProbedFile expected = test::FfprobePackets(plainOut);
    ASSERT_FALSE(expected.streams.empty());
    for (const char* kind : {"reorder", "retime", "retime-invisible", "keyframes"}) {
        SCOPED_TRACE(kind);
        const fs::path out = Output(stem + "-" + kind + ".mkv");
        const SeparatedResult run = Remux(file, out, RepairAll(film, kind) + " --fix-references");
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_FALSE(HasText(run.out, "• ошибки остались")) << run.out;
        EXPECT_TRUE(SamePackets(test::FfprobePackets(out), expected));
        if (!HasFailure()) fs::remove(out);
    }
    if (!HasFailure()) fs::remove(plainOut);
}

INSTANTIATE_TEST_SUITE_P(Media, TimelineRepairOnCleanFilm,
                         ::testing::Values("mkvmerge_timeline.mkv", "mkvmerge_timeline_groups.mkv", "ffmpeg_timeline.mkv",
                                           "ffmpeg_import.mkv", "ffmpeg_hevc.mkv", "mkvmerge_mpeg4_asp.mkv",
                                           "mkvmerge_groups.mkv"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

// ---------------------------------------------------------------- damaged films

struct DamageCase {
    const char* damaged;
    const char* original;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.damaged; }

const DamageCase kDamaged[] = {
    {"mkvmerge_timeline_lowered.mkv", "mkvmerge_timeline.mkv"},  // every track has blocks in the Cluster
    {"mkvmerge_timeline_groups_lowered.mkv", "mkvmerge_timeline_groups.mkv"},
    {"ffmpeg_timeline_lowered.mkv", "ffmpeg_timeline.mkv"},
    {"mkvmerge_timeline_swapped.mkv", "mkvmerge_timeline.mkv"},  // the second Cluster's blocks moved earlier
    {"mkvmerge_timeline_nonkey.mkv", "mkvmerge_timeline.mkv"},   // video only, negative times
};

class TimelineDamagedFilm : public TimelineInterop, public ::testing::WithParamInterface<DamageCase> {};

// The check reports the tracks, counts and first times of exactly the blocks
// whose times moved earlier, in English and in Russian, and exits with 1.
TEST_P(TimelineDamagedFilm, ReportsTheBlocksThatMovedEarlier) {
    const DamageCase& c = GetParam();
    const Film damaged = Read(Media(c.damaged));
    const Film original = Read(Media(c.original));
    ASSERT_EQ(damaged.error, "");
    ASSERT_EQ(original.error, "");
    for (const bool russian : {false, true}) {
        SCOPED_TRACE(russian ? "rus" : "eng");
        const SeparatedResult run = Timeline(Media(c.damaged), russian ? "rus" : "eng");
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_EQ(Report(run.out), ExpectedReport(damaged, original, russian)) << run.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Media, TimelineDamagedFilm, ::testing::ValuesIn(kDamaged), [](const auto& info) {
    std::string name = info.param.damaged;
    return name.substr(0, name.find('.'));
});

// ---------------------------------------------------------------- repairs

struct RepairCase {
    const char* name;
    const char* damaged;
    const char* original;
    const char* kind;  // the repair of every track
    bool fixReferences;
};

void PrintTo(const RepairCase& c, std::ostream* os) { *os << c.name; }

const RepairCase kRepairs[] = {
    // A Cluster's Timecode lowered: its blocks take new times, in their place.
    {"RetimeMkvmerge", "mkvmerge_timeline_lowered.mkv", "mkvmerge_timeline.mkv", "retime", false},
    {"RetimeInvisibleMkvmerge", "mkvmerge_timeline_lowered.mkv", "mkvmerge_timeline.mkv", "retime-invisible", false},
    {"RetimeInvisibleBlockGroups", "mkvmerge_timeline_groups_lowered.mkv", "mkvmerge_timeline_groups.mkv",
     "retime-invisible", false},
    {"RetimeBlockGroupsFixReferences", "mkvmerge_timeline_groups_lowered.mkv", "mkvmerge_timeline_groups.mkv",
     "retime", true},
    // ffmpeg's Clusters start between key frames.
    {"RetimeFfmpeg", "ffmpeg_timeline_lowered.mkv", "ffmpeg_timeline.mkv", "retime", false},
    // Two Clusters' Timecodes swapped: the blocks go back into the order of their times.
    {"ReorderSwappedClusters", "mkvmerge_timeline_swapped.mkv", "mkvmerge_timeline.mkv", "reorder", false},
    // Non-key frames' timecodes broken: the frames between key frames take spread times.
    {"KeyFramesNonKeyTimecodes", "mkvmerge_timeline_nonkey.mkv", "mkvmerge_timeline.mkv", "keyframes", false},
};

class TimelineRepairOnDamage : public TimelineInterop, public ::testing::WithParamInterface<RepairCase> {};

// Strictly rising times with one step between them, all above `after` and
// (when given) below `before`.
void ExpectEvenlySpread(std::vector<int64_t> times, int64_t after, std::optional<int64_t> before,
                        const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(times.empty());
    std::sort(times.begin(), times.end());
    EXPECT_GT(times.front(), after);
    if (before) { EXPECT_LT(times.back(), *before); }
    const int64_t step = times.front() - after;
    EXPECT_GT(step, 0);
    for (size_t m = 1; m < times.size(); ++m) EXPECT_EQ(times[m] - times[m - 1], step) << "time " << m;
}

// retime, retime-invisible: the blocks stay in their order; those that
// moved earlier take evenly spread times between the time before them and
// the next good time (video: in the order of their old times), so the film
// shows its frames in the undamaged film's order; retime-invisible marks
// exactly those blocks invisible.
void ExpectRetimed(const std::vector<Block>& before, const std::vector<Block>& after, const std::vector<Block>& good,
                   const std::set<size_t>& moved, bool video, bool invisible) {
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < after.size(); ++k) {
        EXPECT_EQ(after[k].frames, before[k].frames) << "block " << k << " out of its place";
        if (!moved.count(k)) { EXPECT_EQ(after[k].ns, before[k].ns) << "a good block re-timed: " << k; }
        EXPECT_EQ((after[k].flags & kInvisible) != 0, invisible && moved.count(k) > 0) << "invisible bit of block " << k;
    }
    int64_t latest = 0;  // the latest good time so far
    for (size_t k = 0; k < after.size();) {
        if (!moved.count(k)) {
            latest = std::max(latest, after[k].ns);
            ++k;
            continue;
        }
        size_t end = k;
        while (end < after.size() && moved.count(end)) ++end;
        std::vector<size_t> run;
        for (size_t j = k; j < end; ++j) run.push_back(j);
        std::vector<int64_t> times;
        for (size_t j : run) times.push_back(after[j].ns);
        ExpectEvenlySpread(times, latest, end < after.size() ? std::optional<int64_t>(after[end].ns) : std::nullopt,
                           "the run from block " + std::to_string(k));
        if (video) {
            std::stable_sort(run.begin(), run.end(), [&](size_t a, size_t b) { return before[a].ns < before[b].ns; });
            for (size_t m = 1; m < run.size(); ++m)
                EXPECT_LT(after[run[m - 1]].ns, after[run[m]].ns) << "not in the order of the old times";
        }
        latest = std::max(latest, *std::max_element(times.begin(), times.end()));
        k = end;
    }
    EXPECT_TRUE(ShownOrder(after) == ShownOrder(good)) << "the frames are not shown in the undamaged film's order";
}

// reorder: the blocks sorted by time, their times kept; video whole key-frame
// intervals by their key frame's time, the order inside kept.
void ExpectReordered(const std::vector<Block>& before, const std::vector<Block>& after, bool video) {
    std::vector<std::vector<Block>> runs;
    for (const Block& b : before) {
        if (runs.empty() || !video || b.key) runs.emplace_back();
        runs.back().push_back(b);
    }
    std::stable_sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.front().ns < b.front().ns; });
    std::vector<Block> expected;
    for (const auto& run : runs) expected.insert(expected.end(), run.begin(), run.end());
    ASSERT_EQ(after.size(), expected.size());
    for (size_t k = 0; k < after.size(); ++k) {
        EXPECT_EQ(after[k].ns, expected[k].ns) << "block " << k;
        EXPECT_EQ(after[k].frames, expected[k].frames) << "block " << k;
        EXPECT_EQ(after[k].flags & kInvisible, 0) << "block " << k;
    }
}

// keyframes: the blocks stay in their order, key frames keep their times and
// the frames after each key frame take evenly spread times up to the next one.
void ExpectKeyFramesKept(const std::vector<Block>& before, const std::vector<Block>& after) {
    ASSERT_EQ(after.size(), before.size());
    std::vector<size_t> keys;
    for (size_t k = 0; k < after.size(); ++k) {
        EXPECT_EQ(after[k].frames, before[k].frames) << "block " << k << " out of its place";
        EXPECT_EQ(after[k].key, before[k].key) << "block " << k;
        if (!after[k].key) continue;
        EXPECT_EQ(after[k].ns, before[k].ns) << "key frame " << k << " re-timed";
        keys.push_back(k);
    }
    ASSERT_FALSE(keys.empty());
    ASSERT_EQ(keys.front(), 0u);
    for (size_t i = 0; i < keys.size(); ++i) {
        const size_t end = i + 1 < keys.size() ? keys[i + 1] : after.size();
        std::vector<int64_t> times;
        for (size_t j = keys[i] + 1; j < end; ++j) times.push_back(after[j].ns);
        if (times.empty()) continue;
        ExpectEvenlySpread(times, after[keys[i]].ns,
                           end < after.size() ? std::optional<int64_t>(after[end].ns) : std::nullopt,
                           "the frames after key frame " + std::to_string(keys[i]));
    }
}

TEST_P(TimelineRepairOnDamage, WritesAFileInOrderThatPeersRead) {
    const RepairCase& c = GetParam();
    const Film damaged = Read(Media(c.damaged));
    const Film original = Read(Media(c.original));
    ASSERT_EQ(damaged.error, "");
    ASSERT_EQ(original.error, "");
    const fs::path out = Output(std::string(c.name) + ".mkv");
    const SeparatedResult run =
        Remux(Media(c.damaged), out, RepairAll(damaged, c.kind) + (c.fixReferences ? " --fix-references" : ""));
    // Where the source's Cues still point at the times before the damage the
    // check tells so, and the status says the source had faults.
    const int sourceStatus = test::Quillon("check " + Quoted(Media(c.damaged).string())).status;
    ASSERT_EQ(run.status, sourceStatus) << run.out << run.err;
    EXPECT_EQ(HasText(run.out, "CuePoint"), sourceStatus == 1) << run.out;
    EXPECT_FALSE(HasText(run.out, "• ошибки остались") || HasText(run.out, "• faults remain")) << run.out;

    // The peers and the check: mkvinfo reads it without a word; the check
    // finds every track in order; so do ffprobe (audio and subtitles) and
    // ffmpeg's decoder (video).
    const Film written = Read(out);
    ASSERT_EQ(written.error, "");
    const SeparatedResult check = Timeline(out, "eng");
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(Report(check.out), std::vector<std::string>{kClean}) << check.out;
    ExpectAudioAndSubtitleTimesInOrder(out, written);
    ExpectVideoDecodesSilently(out);

    // What the repair did, track by track.
    const std::string kind = c.kind;
    ASSERT_EQ(written.tracks.size(), damaged.tracks.size());
    for (const test::ListedTrack& t : damaged.tracks) {
        SCOPED_TRACE("track " + std::to_string(t.number));
        const std::vector<Block>& before = damaged.Of(t.number);
        const std::vector<Block>& after = written.Of(t.number);
        const std::set<size_t> moved = MovedEarlier(damaged, original, t.number);
        const bool video = damaged.Type(t.number) == "video";
        ASSERT_FALSE(before.empty());
        if (moved.empty()) {
            // A track the check finds clean is never changed.
            ASSERT_EQ(after.size(), before.size());
            for (size_t k = 0; k < after.size(); ++k) {
                EXPECT_EQ(after[k].ns, before[k].ns) << "block " << k;
                EXPECT_EQ(after[k].frames, before[k].frames) << "block " << k;
                EXPECT_EQ(after[k].flags, before[k].flags) << "block " << k;
            }
        } else if (kind == "retime" || kind == "retime-invisible") {
            ExpectRetimed(before, after, original.Of(t.number), moved, video, kind == "retime-invisible");
        } else if (kind == "reorder") {
            ExpectReordered(before, after, video);
        } else {
            ExpectKeyFramesKept(before, after);
        }
        if (c.fixReferences && !moved.empty()) {
            // Every group that refers to another refers to the block written before it.
            for (size_t k = 1; k < after.size(); ++k) {
                if (!after[k].group || after[k].key) continue;
                EXPECT_EQ(after[k].references, std::vector<int64_t>{after[k - 1].ns - after[k].ns}) << "block " << k;
            }
        }
    }
    if (!HasFailure()) fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Media, TimelineRepairOnDamage, ::testing::ValuesIn(kRepairs),
                         [](const auto& info) { return std::string(info.param.name); });

// A P-frame out of its place on the frame grid: lowered far (every check
// sees it) or put between the two B-frames shown before it (only the grid
// tells: the decoder would show it before them). The check finds it, and
// the repair gives it back the empty step among the frames around it, which
// is its own time.
TEST_F(TimelineInterop, APFrameOutOfPlaceGoesBackToItsStepOnTheGrid) {
    const Film original = Read(Media("mkvmerge_timeline.mkv"));
    for (const char* name : {"mkvmerge_timeline_pframe.mkv", "mkvmerge_timeline_pframe_between.mkv"}) {
        SCOPED_TRACE(name);
        const SeparatedResult check = Timeline(Media(name), "eng");
        EXPECT_EQ(check.status, 1);
        ASSERT_FALSE(Report(check.out).empty()) << check.out;
        EXPECT_EQ(Report(check.out)[0], "  TimeLine  ::  Tracks with non linear timeline: 1") << check.out;

        const fs::path out = Output(std::string("pframe-") + name);
        const SeparatedResult run = Remux(Media(name), out, "--repair 1=retime");
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        ExpectVideoDecodesSilently(out);
        EXPECT_EQ(Report(Timeline(out, "eng").out), std::vector<std::string>{kClean});
        const Film written = Read(out);
        ASSERT_EQ(written.Of(1).size(), original.Of(1).size());
        for (size_t k = 0; k < written.Of(1).size(); ++k)
            EXPECT_EQ(written.Of(1)[k].ns, original.Of(1)[k].ns) << "frame " << k;
    }
}

// A repair that cannot put a track in order says so. Reordering a lowered
// Cluster's GOP leaves it overlapping the GOP it lands on; reordering a track
// with negative times is refused, and the track is written as it was.
TEST_F(TimelineInterop, RepairsThatLeaveFaultsSaySo) {
    const Film lowered = Read(Media("mkvmerge_timeline_lowered.mkv"));
    ASSERT_EQ(lowered.error, "");
    for (const char* lang : {"eng", "rus"}) {
        SCOPED_TRACE(lang);
        const fs::path out = Output(std::string("overlap-") + lang + ".mkv");
        const SeparatedResult run = Remux(Media("mkvmerge_timeline_lowered.mkv"), out, RepairAll(lowered, "reorder"), lang);
        ASSERT_EQ(run.status, 1) << run.out << run.err;  // its Cues point at the times before the damage
        EXPECT_TRUE(test::HasLine(run.out, std::string(lang) == "eng" ? "• faults remain" : "• ошибки остались"))
            << run.out;
        const SeparatedResult check = Timeline(out, "eng");
        EXPECT_EQ(check.status, 1);
        ASSERT_FALSE(Report(check.out).empty()) << check.out;
        EXPECT_EQ(Report(check.out)[0], "  TimeLine  ::  Tracks with non linear timeline: 1") << check.out;
    }

    const fs::path nonkey = Media("mkvmerge_timeline_nonkey.mkv");
    const fs::path out = Output("negative.mkv");
    const SeparatedResult run = Remux(nonkey, out, "--repair 1=reorder", "rus");
    ASSERT_EQ(run.status, 1) << run.out << run.err;  // faults remain
    EXPECT_TRUE(test::HasLine(run.out, "• время < 0")) << run.out;
    EXPECT_TRUE(test::HasLine(run.out, "• ошибки остались")) << run.out;
    const Film before = Read(nonkey);
    const Film after = Read(out);
    ASSERT_EQ(after.error, "");
    ASSERT_EQ(after.Of(1).size(), before.Of(1).size());
    for (size_t k = 0; k < before.Of(1).size(); ++k) {
        EXPECT_EQ(after.Of(1)[k].ns, before.Of(1)[k].ns) << "block " << k;
        EXPECT_EQ(after.Of(1)[k].frames, before.Of(1)[k].frames) << "block " << k;
    }
}

// Usage and open errors exit with 2 and write nothing.
TEST_F(TimelineInterop, RefusalsExitWithTwo) {
    const fs::path film = Media("mkvmerge_timeline.mkv");
    const fs::path out = Output("refused.mkv");
    const struct {
        std::string args;
        const char* message;
    } cases[] = {
        {"--lang eng timeline", "no file given"},
        {"--lang eng timeline " + Quoted((test::OutputDir("timeline") / "missing.mkv").string()), "file open error"},
        {"--lang eng timeline " + Quoted(film.string()) + " " + Quoted(film.string()), "one file only"},
        {"--lang eng remux " + Quoted(film.string()) + " -o " + Quoted(out.string()) + " --repair 7=retime",
         "7=retime: no such track"},
        {"--lang eng remux " + Quoted(film.string()) + " -o " + Quoted(out.string()) + " --repair 1=sideways",
         "expected N=reorder, retime, retime-invisible or keyframes"},
        {"--lang eng remux " + Quoted(film.string()) + " -o " + Quoted(out.string()) + " --repair 1",
         "expected N=reorder, retime, retime-invisible or keyframes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const SeparatedResult run = Quillon(c.args);
        EXPECT_EQ(run.status, 2) << run.out << run.err;
        EXPECT_TRUE(HasText(run.out + run.err, c.message)) << run.out << run.err;
        EXPECT_FALSE(fs::exists(out));
    }
}

}  // namespace
}  // namespace quillon::timeline_interop
