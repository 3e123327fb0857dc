// Damaged copies of two real films, one muxed by mkvmerge and one by ffmpeg
// (tests/interop/make_media.sh), each damaged in one place, byte by byte, the
// way files get damaged: a size field that claims too much, a broken element
// header, a download cut short, a run of zeros in the middle. For each copy,
// quillon-cli check must report a structure error, the scan must list every
// intact element once, and remux and export must put out exactly the intact
// blocks. What is intact is worked out from mkvinfo's listing of the undamaged
// original, never from our reader: an element (a block: a SimpleBlock, or a
// BlockGroup with its Block) is intact when none of its bytes lies where the
// damage is, or after an unreadable header in the same parent, since nothing
// there can be found without guessing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/source_file.h"
#include "reader/scanner.h"
#include "support/capture_host.h"
#include "support/interop_helpers.h"
#include "support/mkvinfo_listing.h"
#include "support/scan_helpers.h"

namespace quillon::damaged_interop {
namespace {

namespace fs = std::filesystem;
using test::ListedElement;
using test::Quoted;
using Bytes = std::vector<uint8_t>;
using Listing = std::vector<ListedElement>;

constexpr const char* kMkvmergeFilm = "mkvmerge_h264_ac3_srt.mkv";  // tracks: 1 H.264, 2 AC-3, 3 SRT
constexpr const char* kFfmpegFilm = "ffmpeg_h264_aac_srt.mkv";      // tracks: 1 H.264, 2 AAC, 3 SRT

const char kStructureError[] = "• ошибка в структуре файла";
const char kStructureErrorEng[] = "• file structure error";
const char kOneBlockLeftOut[] = "• блоков пропущено (в исходном файле они не целые): 1";

// ---------------------------------------------------------------- the original

// A byte range [from, to) of a file.
struct Span {
    uint64_t from = 0;
    uint64_t to = 0;

    bool Overlaps(uint64_t begin, uint64_t end) const { return from < end && begin < to; }
};

// A SimpleBlock, or a BlockGroup with its Block: what a remux keeps or leaves out whole.
struct Unit {
    Span extent;
    uint64_t track = 0;
    std::string time;
    std::vector<test::ListedFrame> frames;
};

std::vector<Unit> UnitsOf(const Listing& listing) {
    std::vector<Unit> units;
    const ListedElement* group = nullptr;
    for (const ListedElement& e : listing) {
        if (e.name == "Block group") group = &e;
        const auto block = test::BlockCaption(e);
        if (!block) continue;
        const ListedElement& whole = block->simple || !group ? e : *group;
        units.push_back({{whole.position, whole.end()}, block->track, block->time, e.frames});
    }
    return units;
}

// The text after "Caption: " up to " at POSITION ...".
std::string ValueOf(const ListedElement& e) {
    const size_t start = e.line.find(e.name + ": ");
    const size_t end = e.line.rfind(" at ");
    if (start == std::string::npos || end == std::string::npos) return {};
    const size_t from = start + e.name.size() + 2;
    return end > from ? e.line.substr(from, end - from) : std::string();
}

// "1 V_MPEG4/ISO/AVC" for each track, in the order of the TrackEntries.
std::vector<std::string> TracksOf(const Listing& listing) {
    std::vector<std::string> tracks;
    std::string number;
    for (const ListedElement& e : listing) {
        if (e.name == "Track number") number = ValueOf(e).substr(0, ValueOf(e).find(' '));
        if (e.name == "Codec ID") tracks.push_back(number + " " + ValueOf(e));
    }
    return tracks;
}

// Each track's frames in file order: the block's time and the frame's bytes.
using Frames = std::map<uint64_t, std::vector<std::pair<std::string, Bytes>>>;

// The frames of the units that keep clear of `gone`.
Frames FramesOf(const std::vector<Unit>& units, const Bytes& file, Span gone = {}) {
    Frames frames;
    for (const Unit& u : units) {
        if (gone.Overlaps(u.extent.from, u.extent.to)) continue;
        for (const test::ListedFrame& f : u.frames)
            frames[u.track].emplace_back(u.time, Bytes(file.begin() + static_cast<long>(f.position),
                                                       file.begin() + static_cast<long>(f.position + f.size)));
    }
    return frames;
}

size_t Count(const Frames& frames) {
    size_t n = 0;
    for (const auto& [track, list] : frames) n += list.size();
    return n;
}

// An undamaged film as mkvinfo sees it, read once per test process.
struct Original {
    fs::path path;
    Bytes bytes;
    Listing listing;
    std::vector<Unit> units;
    std::string error;
};

const Original& OriginalOf(const std::string& name) {
    static std::map<std::string, std::unique_ptr<Original>> cache;
    auto& slot = cache[name];
    if (!slot) {
        slot = std::make_unique<Original>();
        slot->path = test::MediaFile(name);
        slot->bytes = test::ReadBytes(slot->path);
        slot->listing = test::MkvinfoListing(slot->path, slot->error);
        slot->units = UnitsOf(slot->listing);
    }
    return *slot;
}

// ---------------------------------------------------------------- the damage

// A damaged copy: its bytes, the bytes that differ from the original (for a
// cut: from the cut to the original's end), and the stretch whose blocks are
// gone with the damage (empty when the damage takes no block with it).
struct Damaged {
    Bytes bytes;
    Span changed;
    Span lost;
};

enum class Harm {
    OverrunLastTrackEntry,
    UnknownIdOnFirstVideo,
    ZeroSizeOnFirstVideo,
    CutInLastBlock,
    ZerosOverBlockInMiddleCluster,
    ZerosOverMiddleClusterHeader,
};

const ListedElement* Find(const Listing& listing, const std::string& name, bool last) {
    const ListedElement* found = nullptr;
    for (const ListedElement& e : listing)
        if (e.name == name && (!found || last)) found = &e;
    return found;
}

// Writes `value` as an EBML size of `width` bytes at `at`.
void PutSize(Bytes& bytes, uint64_t at, int width, uint64_t value) {
    for (int k = width - 1; k >= 0; --k, value >>= 8)
        bytes[at + static_cast<uint64_t>(k)] = static_cast<uint8_t>(value);
    bytes[at] |= static_cast<uint8_t>(0x80 >> (width - 1));
}

// The copy of `original` with the harm done. Fails the test if the original
// lacks what the harm needs.
Damaged Harmed(const Original& original, Harm harm) {
    Damaged d{original.bytes, {}, {}};
    const Listing& listing = original.listing;
    std::vector<const ListedElement*> clusters;
    for (const ListedElement& e : listing)
        if (e.name == "Cluster") clusters.push_back(&e);
    const ListedElement* middle = clusters.size() >= 3 ? clusters[clusters.size() / 2] : nullptr;
    switch (harm) {
        case Harm::OverrunLastTrackEntry: {
            const ListedElement* entry = Find(listing, "Track", true);
            const ListedElement* tracks = Find(listing, "Tracks", false);
            EXPECT_TRUE(entry && tracks && entry->end() == tracks->end())
                << "the last TrackEntry does not end its Tracks";
            if (!entry || original.bytes[entry->position] != 0xAE) break;
            const int width = static_cast<int>(entry->totalSize - entry->dataSize - 1);
            PutSize(d.bytes, entry->position + 1, width, entry->dataSize + 26);
            d.changed = {entry->position + 1, entry->position + 1 + static_cast<uint64_t>(width)};
            break;
        }
        case Harm::UnknownIdOnFirstVideo:
        case Harm::ZeroSizeOnFirstVideo: {
            const ListedElement* entry = Find(listing, "Track", false);
            const ListedElement* video = Find(listing, "Video track", false);
            EXPECT_TRUE(entry && video && video->end() <= entry->end() && original.bytes[video->position] == 0xE0)
                << "no Video in the first TrackEntry";
            if (!entry || !video) break;
            // 0x81 is the ID of no element; a size field starting with 0x00 has no length marker.
            const uint64_t at = video->position + (harm == Harm::UnknownIdOnFirstVideo ? 0 : 1);
            d.bytes[at] = harm == Harm::UnknownIdOnFirstVideo ? 0x81 : 0x00;
            d.changed = {at, at + 1};
            // An unknown ID whose size fits is skipped by it: only the Video
            // goes. Where no element can be read, nothing after it in its
            // parent can be trusted: the rest of the TrackEntry goes.
            d.lost = {video->position, harm == Harm::UnknownIdOnFirstVideo ? video->end() : entry->end()};
            break;
        }
        case Harm::CutInLastBlock: {
            EXPECT_FALSE(original.units.empty());
            if (original.units.empty()) break;
            const Span block = original.units.back().extent;
            const uint64_t cut = block.from + (block.to - block.from) / 2;
            d.bytes.resize(cut);
            d.changed = d.lost = {cut, original.bytes.size()};
            break;
        }
        case Harm::ZerosOverBlockInMiddleCluster: {
            EXPECT_NE(middle, nullptr) << "fewer than three Clusters";
            if (!middle) break;
            const auto first = std::find_if(original.units.begin(), original.units.end(),
                                            [&](const Unit& u) { return u.extent.from > middle->position; });
            EXPECT_TRUE(first != original.units.end() && first->extent.to <= middle->end());
            if (first == original.units.end()) break;
            // Zeros over the block's ID, size, track number and time: that
            // block goes, the walk goes on at the next one.
            std::fill_n(d.bytes.begin() + static_cast<long>(first->extent.from), 8, 0);
            d.changed = {first->extent.from, first->extent.from + 8};
            d.lost = first->extent;
            break;
        }
        case Harm::ZerosOverMiddleClusterHeader: {
            EXPECT_NE(middle, nullptr) << "fewer than three Clusters";
            if (!middle) break;
            const uint64_t header = middle->totalSize - middle->dataSize;
            // The Cluster is found again by its Timestamp: no block goes.
            std::fill_n(d.bytes.begin() + static_cast<long>(middle->position), header, 0);
            d.changed = {middle->position, middle->position + header};
            break;
        }
    }
    return d;
}

struct DamageCase {
    const char* name;
    const char* film;
    Harm harm;
    bool takesBlocks;  // whether blocks lie where the damage is
    const char* why;   // why the copy is damaged
};

const DamageCase kCases[] = {
    {"MkvmergeTrackEntryOverrun", kMkvmergeFilm, Harm::OverrunLastTrackEntry, false,
     "the last TrackEntry's size claims 26 bytes more than its Tracks holds: it overruns into the next element"},
    {"FfmpegTrackEntryOverrun", kFfmpegFilm, Harm::OverrunLastTrackEntry, false,
     "the last TrackEntry's size claims 26 bytes more than its Tracks holds: it overruns into the Tags"},
    {"MkvmergeUnknownIdInTrackEntry", kMkvmergeFilm, Harm::UnknownIdOnFirstVideo, false,
     "the first TrackEntry's Video has the ID 0x81, which no element has"},
    {"FfmpegUnknownIdInTrackEntry", kFfmpegFilm, Harm::UnknownIdOnFirstVideo, false,
     "the first TrackEntry's Video has the ID 0x81, which no element has"},
    {"MkvmergeBadSizeInTrackEntry", kMkvmergeFilm, Harm::ZeroSizeOnFirstVideo, false,
     "the size field of the first TrackEntry's Video starts with 0x00: no length can be read from it"},
    {"FfmpegBadSizeInTrackEntry", kFfmpegFilm, Harm::ZeroSizeOnFirstVideo, false,
     "the size field of the first TrackEntry's Video starts with 0x00: no length can be read from it"},
    {"MkvmergeCutInLastBlock", kMkvmergeFilm, Harm::CutInLastBlock, true,
     "the file ends halfway through its last block, as a broken download does"},
    {"FfmpegCutInLastBlock", kFfmpegFilm, Harm::CutInLastBlock, true,
     "the file ends halfway through its last block, as a broken download does"},
    {"MkvmergeZerosOverBlock", kMkvmergeFilm, Harm::ZerosOverBlockInMiddleCluster, true,
     "zeros over the header of the first block of a Cluster in the middle"},
    {"FfmpegZerosOverBlock", kFfmpegFilm, Harm::ZerosOverBlockInMiddleCluster, true,
     "zeros over the header of the first block of a Cluster in the middle"},
    {"MkvmergeZerosOverCluster", kMkvmergeFilm, Harm::ZerosOverMiddleClusterHeader, false,
     "zeros over the ID and size of a Cluster in the middle"},
    {"FfmpegZerosOverCluster", kFfmpegFilm, Harm::ZerosOverMiddleClusterHeader, false,
     "zeros over the ID and size of a Cluster in the middle"},
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.name; }

class DamagedFilm : public test::InteropTest, public ::testing::WithParamInterface<DamageCase> {
protected:
    void SetUp() override {
        InteropTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        original_ = &OriginalOf(GetParam().film);
        ASSERT_TRUE(original_->error.empty()) << original_->error;
        ASSERT_FALSE(original_->units.empty());
        damaged_ = Harmed(*original_, GetParam().harm);
        ASSERT_FALSE(HasFailure());
        ASSERT_LT(damaged_.changed.from, damaged_.changed.to) << "nothing was damaged";
        path_ = test::FreshOutput("damaged", std::string(GetParam().name) + ".mkv");
        test::WriteBytes(path_, damaged_.bytes);
    }

    // Whether the damage left this element of the original whole and in place.
    bool Intact(const ListedElement& e) const {
        return !damaged_.changed.Overlaps(e.position, e.end()) && !damaged_.lost.Overlaps(e.position, e.end());
    }

    const Original* original_ = nullptr;
    Damaged damaged_;
    fs::path path_;
};

TEST_P(DamagedFilm, CheckReportsAStructureError) {
    SCOPED_TRACE(GetParam().why);
    const auto rus = test::Quillon("check " + Quoted(path_.string()));
    EXPECT_EQ(rus.status, 1) << rus.out << rus.err;
    const auto eng = test::Quillon("check --lang eng " + Quoted(path_.string()));
    EXPECT_EQ(eng.status, 1) << eng.out << eng.err;
    const auto startsAnyLine = [](const std::string& text, const std::string& start) {
        const auto lines = test::Lines(text);
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    };
    // An unknown ID is a warning: the element is skipped by its size, nothing else is lost.
    const bool warning = GetParam().harm == Harm::UnknownIdOnFirstVideo;
    EXPECT_TRUE(startsAnyLine(rus.out, warning ? "• предупреждение: " : kStructureError)) << rus.out;
    EXPECT_TRUE(startsAnyLine(eng.out, warning ? "• warning: " : kStructureErrorEng)) << eng.out;
    EXPECT_FALSE(test::HasLine(rus.out, "• ошибки контейнера не обнаружены")) << rus.out;
}

// The full scan lists every element once, each inside its parent, and every
// element the damage left whole at its place with its size: later
// TrackEntries, the Clusters and the blocks around the damage.
TEST_P(DamagedFilm, ScanListsEveryIntactElementOnce) {
    SCOPED_TRACE(GetParam().why);
    SourceFile source;
    ASSERT_TRUE(source.Open(path_.string()));
    test::CaptureHost host;
    tabrick list;
    const ScanOutcome outcome = ReadStruct(source, host, list, true);
    EXPECT_EQ(static_cast<int>(outcome.result), static_cast<int>(ScanResult::StructureError));
    EXPECT_GE(outcome.damagedPlaces, 1u);
    test::ExpectWellFormed(list);

    std::map<uint64_t, const Tbrick*> rows;
    for (size_t i = 0; i < list.size(); ++i) rows.emplace(list[i].position, &list[i]);
    size_t intact = 0;
    for (const ListedElement& e : original_->listing) {
        if (!Intact(e)) continue;
        ++intact;
        const auto row = rows.find(e.position);
        ASSERT_NE(row, rows.end()) << "not listed: " << e.line;
        EXPECT_EQ(row->second->totalSize, e.totalSize) << e.line;
        EXPECT_EQ(row->second->depth, e.depth) << e.line;
    }
    EXPECT_GT(intact, original_->listing.size() / 2);

    // quillon-cli tree prints that same list, one line per row.
    const auto tree = test::Quillon("tree " + Quoted(path_.string()));
    EXPECT_EQ(tree.status, 1) << tree.err;
    EXPECT_EQ(test::Lines(tree.out).size(), list.size()) << tree.err;
}

// The remux of the damaged copy: exit status 1 for the damage, a file mkvinfo
// reads without a word, every track of the original, and in each exactly the
// frames of the intact blocks, at their times, in their order.
TEST_P(DamagedFilm, RemuxKeepsExactlyTheIntactBlocks) {
    SCOPED_TRACE(GetParam().why);
    const fs::path out = test::FreshOutput("damaged", std::string(GetParam().name) + "-remux.mkv");
    const auto run = test::Quillon("remux " + Quoted(path_.string()) + " -o " + Quoted(out.string()));
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    ASSERT_TRUE(fs::exists(out)) << run.out << run.err;
    if (GetParam().harm == Harm::CutInLastBlock) { EXPECT_TRUE(test::HasLine(run.out, kOneBlockLeftOut)) << run.out; }

    const auto info = test::RunSeparated("mkvinfo " + Quoted(out.string()));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_EQ(info.err, "");
    for (const std::string& line : test::Lines(info.out))
        EXPECT_TRUE(!test::HasText(line, "Error") && !test::HasText(line, "Warning")) << line;

    std::string error;
    const Listing written = test::MkvinfoListing(out, error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_EQ(TracksOf(written), TracksOf(original_->listing));

    const Frames expected = FramesOf(original_->units, original_->bytes, damaged_.lost);
    const Frames got = FramesOf(UnitsOf(written), test::ReadBytes(out));
    const size_t all = Count(FramesOf(original_->units, original_->bytes));
    EXPECT_GT(Count(expected), all / 2);
    if (GetParam().takesBlocks) {
        EXPECT_LT(Count(expected), all) << "the damage took no block with it";
    } else {
        EXPECT_EQ(Count(expected), all);
    }
    for (const auto& [track, frames] : expected) {
        SCOPED_TRACE("track " + std::to_string(track));
        const auto it = got.find(track);
        ASSERT_NE(it, got.end()) << "no frames at all";
        const auto& ours = it->second;
        for (size_t i = 0; i < std::min(frames.size(), ours.size()); ++i) {
            ASSERT_EQ(ours[i].first, frames[i].first) << "time of frame " << i;
            ASSERT_TRUE(ours[i].second == frames[i].second) << "bytes of frame " << i << " at " << frames[i].first;
        }
        EXPECT_EQ(ours.size(), frames.size());
    }
    EXPECT_EQ(got.size(), expected.size()) << "tracks with frames";
}

INSTANTIATE_TEST_SUITE_P(Harms, DamagedFilm, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- export

// A single-track export of a film cut halfway through the last block of that
// track: the blocks before the cut are written, the cut one is left out and
// counted, and the exit status says so.
class CutFilmExport : public test::InteropTest {
protected:
    // A copy of `film` cut halfway through the last block of `track`; the
    // stretch from the cut on is `lost`.
    fs::path CutCopy(const Original& film, uint64_t track, const std::string& name, Span& lost) {
        const auto last =
            std::find_if(film.units.rbegin(), film.units.rend(), [&](const Unit& u) { return u.track == track; });
        EXPECT_NE(last, film.units.rend()) << "no block of track " << track;
        if (last == film.units.rend()) return {};
        const uint64_t cut = last->extent.from + (last->extent.to - last->extent.from) / 2;
        lost = {cut, film.bytes.size()};
        const fs::path path = test::FreshOutput("damaged", name);
        test::WriteBytes(path, Bytes(film.bytes.begin(), film.bytes.begin() + static_cast<long>(cut)));
        return path;
    }

    static test::SeparatedResult Export(const fs::path& in, int track, const std::string& type, const fs::path& out) {
        return test::Quillon("export " + Quoted(in.string()) + " --track " + std::to_string(track) + " --as " + type +
                             " -o " + Quoted(out.string()));
    }
};

// AC-3 frames as they are: the export is the intact frames one after another,
// which is what mkvextract writes of the undamaged film up to the cut block.
TEST_F(CutFilmExport, Ac3HoldsTheFramesBeforeTheCut) {
    const Original& film = OriginalOf(kMkvmergeFilm);
    ASSERT_TRUE(film.error.empty()) << film.error;
    Span lost;
    const fs::path cut = CutCopy(film, 2, "cut-in-ac3.mkv", lost);
    ASSERT_FALSE(cut.empty());
    const fs::path out = test::FreshOutput("damaged", "cut-in-ac3.ac3");
    const auto run = Export(cut, 2, "ac3", out);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(test::HasLine(run.out, kOneBlockLeftOut)) << run.out;

    Bytes expected;
    const Frames intact = FramesOf(film.units, film.bytes, lost);
    ASSERT_TRUE(intact.count(2));
    for (const auto& [time, frame] : intact.at(2)) expected.insert(expected.end(), frame.begin(), frame.end());
    const Bytes ours = test::ReadBytes(out);
    EXPECT_TRUE(ours == expected) << ours.size() << " bytes against " << expected.size();

    // The same frames are a true beginning of mkvextract's whole stream.
    const fs::path whole = test::FreshOutput("damaged", "whole.ac3");
    const auto extract =
        test::RunSeparated("mkvextract " + Quoted(film.path.string()) + " tracks 1:" + Quoted(whole.string()));
    ASSERT_EQ(extract.status, 0) << extract.out << extract.err;
    const Bytes all = test::ReadBytes(whole);
    EXPECT_GT(expected.size(), all.size() / 2);
    EXPECT_LT(expected.size(), all.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), all.begin()));
}

// The events of an SRT text, each as its times line and its text lines joined by '|'.
std::vector<std::string> SrtEvents(const std::string& srt) {
    std::vector<std::string> events;
    const auto lines = test::Lines(srt);
    const auto blank = [](const std::string& line) { return line.empty() || line == "\r"; };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!test::HasText(lines[i], " --> ")) continue;
        std::string event = lines[i];
        while (i + 1 < lines.size() && !blank(lines[i + 1])) event += "|" + lines[++i];
        events.push_back(event);
    }
    return events;
}

// Subtitles: the export read back by ffmpeg holds every event of the
// undamaged film but the last, whose block is the one cut.
TEST_F(CutFilmExport, SrtHoldsTheEventsBeforeTheCut) {
    for (const char* name : {kMkvmergeFilm, kFfmpegFilm}) {
        SCOPED_TRACE(name);
        const Original& film = OriginalOf(name);
        ASSERT_TRUE(film.error.empty()) << film.error;
        Span lost;
        const std::string stem = fs::path(name).stem().string();
        const fs::path cut = CutCopy(film, 3, "cut-in-srt-" + stem + ".mkv", lost);
        ASSERT_FALSE(cut.empty());
        const fs::path out = test::FreshOutput("damaged", "cut-in-srt-" + stem + ".srt");
        const auto run = Export(cut, 3, "srt", out);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_TRUE(test::HasLine(run.out, kOneBlockLeftOut)) << run.out;

        const auto back = test::RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(out.string()) + " -f srt -");
        const auto theirs =
            test::RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(film.path.string()) + " -map 0:s:0 -f srt -");
        ASSERT_EQ(back.status, 0) << back.err;
        ASSERT_EQ(theirs.status, 0) << theirs.err;
        std::vector<std::string> expected = SrtEvents(theirs.out);
        ASSERT_GE(expected.size(), 2u) << theirs.out;
        expected.pop_back();
        EXPECT_EQ(SrtEvents(back.out), expected) << back.out;
    }
}

}  // namespace
}  // namespace quillon::damaged_interop
