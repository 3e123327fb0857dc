// The remux checked by independent tools: files made by mkvmerge and ffmpeg
// (tests/interop/make_media.sh, made once per build tree) and the two
// committed samples are remuxed with every packing and cluster rule, and each
// output is compared with its source through mkvinfo, mkvextract, ffprobe and
// a small EBML walk of this file's own (it shares no code with our reader).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/generated/element_ids.h"
#include "support/interop_helpers.h"

namespace quillon::remux_interop {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using test::HasText;
using test::Lines;
using test::Quillon;
using test::Quoted;
using test::ReadBytes;
using test::RunSeparated;
using test::SeparatedResult;

// ---------------------------------------------------------------- EBML walk

struct TopElement {
    uint32_t id = 0;
    uint64_t offset = 0;  // relative to the Segment's data
    uint64_t end = 0;
};

struct SeekEntry {
    uint32_t id = 0;
    uint64_t position = 0;
};

struct BlockRec {
    uint64_t track = 0;
    int64_t time = 0;  // cluster time + relative time
    bool group = false;
    bool key = false;
    uint8_t flags = 0;
    Bytes payload;  // everything after the flags byte: lace sizes and frames
    std::vector<int64_t> references;
    std::optional<uint64_t> duration;
    Bytes extras;  // a BlockGroup's other children (BlockAdditions, DiscardPadding, ...), raw
    size_t cluster = 0;
};

struct ClusterRec {
    uint64_t offset = 0;
    int64_t time = 0;
    std::vector<size_t> blocks;
};

struct CueRec {
    int64_t time = 0;
    uint64_t track = 0;
    uint64_t clusterPosition = 0;
};

struct Walk {
    std::string error;
    uint64_t fileSize = 0;
    uint64_t ebmlHeaderSize = 0;
    uint64_t segmentPosition = 0;
    uint64_t segmentData = 0;
    std::optional<uint64_t> segmentSize;  // none: unknown size
    std::vector<TopElement> top;
    std::vector<std::vector<SeekEntry>> seekHeads;
    std::vector<ClusterRec> clusters;
    std::vector<BlockRec> blocks;
    std::vector<CueRec> cues;

    bool Has(uint32_t id) const {
        return std::any_of(top.begin(), top.end(), [&](const TopElement& e) { return e.id == id; });
    }
};

class Walker {
public:
    explicit Walker(const Bytes& d) : d_(d) {}

    Walk Read() {
        Walk w;
        w.fileSize = d_.size();
        uint64_t pos = 0;
        Header h;
        if (!ReadHeader(pos, h) || h.id != 0x1A45DFA3 || h.unknown) return Fail(w, "no EBML header");
        w.ebmlHeaderSize = h.dataStart + h.size;
        pos = w.ebmlHeaderSize;
        if (!ReadHeader(pos, h) || h.id != kSegment) return Fail(w, "no Segment after the EBML header");
        w.segmentPosition = pos;
        w.segmentData = h.dataStart;
        if (!h.unknown) w.segmentSize = h.size;
        const uint64_t segmentEnd = h.unknown ? d_.size() : h.dataStart + h.size;
        if (segmentEnd > d_.size()) return Fail(w, "Segment runs past the end of the file");
        for (pos = h.dataStart; pos < segmentEnd;) {
            Header e;
            if (!ReadHeader(pos, e)) return Fail(w, "bad element header at " + std::to_string(pos));
            uint64_t end = e.dataStart + e.size;
            if (e.unknown) {
                if (e.id != kCluster) return Fail(w, "unknown size outside a Cluster");
                end = EndOfUnknownCluster(e.dataStart, segmentEnd);
            }
            if (end > segmentEnd) return Fail(w, "element runs past the Segment at " + std::to_string(pos));
            w.top.push_back(TopElement{e.id, pos - w.segmentData, end - w.segmentData});
            if (e.id == kSeekHead) ReadSeekHead(e.dataStart, end, w);
            if (e.id == kCues) ReadCues(e.dataStart, end, w);
            if (e.id == kCluster && !ReadCluster(pos - w.segmentData, e.dataStart, end, w)) return w;
            pos = end;
        }
        return w;
    }

private:
    struct Header {
        uint32_t id = 0;
        uint64_t size = 0;
        bool unknown = false;
        uint64_t dataStart = 0;
    };

    static Walk Fail(Walk& w, const std::string& why) {
        w.error = why;
        return w;
    }

    bool Vint(uint64_t pos, bool keepMarker, uint64_t& value, int& length, bool& allOnes) const {
        if (pos >= d_.size() || d_[pos] == 0) return false;
        length = 1;
        while (!(d_[pos] & (0x80 >> (length - 1)))) ++length;
        if (pos + length > d_.size()) return false;
        value = keepMarker ? d_[pos] : d_[pos] & (0xFF >> length);
        allOnes = (d_[pos] & (0xFF >> length)) == (0xFF >> length);
        for (int k = 1; k < length; ++k) {
            value = (value << 8) | d_[pos + k];
            allOnes = allOnes && d_[pos + k] == 0xFF;
        }
        return true;
    }

    bool ReadHeader(uint64_t pos, Header& h) const {
        uint64_t id;
        int idLength, sizeLength;
        bool ones;
        if (!Vint(pos, true, id, idLength, ones) || idLength > 4) return false;
        if (!Vint(pos + idLength, false, h.size, sizeLength, h.unknown)) return false;
        h.id = static_cast<uint32_t>(id);
        h.dataStart = pos + idLength + sizeLength;
        return h.unknown || h.dataStart + h.size <= d_.size();
    }

    uint64_t UInt(uint64_t from, uint64_t to) const {
        uint64_t v = 0;
        for (uint64_t p = from; p < to; ++p) v = (v << 8) | d_[p];
        return v;
    }

    int64_t SInt(uint64_t from, uint64_t to) const {
        if (from == to) return 0;
        int64_t v = static_cast<int8_t>(d_[from]);
        for (uint64_t p = from + 1; p < to; ++p) v = v * 256 + d_[p];
        return v;
    }

    template <class F>
    void Children(uint64_t from, uint64_t to, F&& visit) const {
        for (uint64_t pos = from; pos < to;) {
            Header h;
            if (!ReadHeader(pos, h) || h.unknown || h.dataStart + h.size > to) return;
            visit(h, pos);
            pos = h.dataStart + h.size;
        }
    }

    static bool IsTopLevel(uint32_t id) {
        return id == kCluster || id == kCues || id == kSeekHead || id == kInfo || id == kTracks || id == kTags ||
               id == kAttachments || id == kChapters;
    }

    uint64_t EndOfUnknownCluster(uint64_t from, uint64_t to) const {
        for (uint64_t pos = from; pos < to;) {
            Header h;
            if (!ReadHeader(pos, h) || h.unknown || IsTopLevel(h.id)) return pos;
            pos = h.dataStart + h.size;
        }
        return to;
    }

    void ReadSeekHead(uint64_t from, uint64_t to, Walk& w) const {
        std::vector<SeekEntry> entries;
        Children(from, to, [&](const Header& seek, uint64_t) {
            if (seek.id != 0x4DBB) return;
            SeekEntry entry;
            Children(seek.dataStart, seek.dataStart + seek.size, [&](const Header& c, uint64_t) {
                if (c.id == 0x53AB) entry.id = static_cast<uint32_t>(UInt(c.dataStart, c.dataStart + c.size));
                if (c.id == 0x53AC) entry.position = UInt(c.dataStart, c.dataStart + c.size);
            });
            entries.push_back(entry);
        });
        w.seekHeads.push_back(std::move(entries));
    }

    void ReadCues(uint64_t from, uint64_t to, Walk& w) const {
        Children(from, to, [&](const Header& point, uint64_t) {
            if (point.id != 0xBB) return;
            int64_t time = -1;
            std::vector<CueRec> positions;
            Children(point.dataStart, point.dataStart + point.size, [&](const Header& c, uint64_t) {
                if (c.id == 0xB3) time = static_cast<int64_t>(UInt(c.dataStart, c.dataStart + c.size));
                if (c.id != 0xB7) return;
                CueRec cue;
                Children(c.dataStart, c.dataStart + c.size, [&](const Header& p, uint64_t) {
                    if (p.id == 0xF7) cue.track = UInt(p.dataStart, p.dataStart + p.size);
                    if (p.id == 0xF1) cue.clusterPosition = UInt(p.dataStart, p.dataStart + p.size);
                });
                positions.push_back(cue);
            });
            for (CueRec& cue : positions) {
                cue.time = time;
                w.cues.push_back(cue);
            }
        });
    }

    bool ParseBlock(uint64_t from, uint64_t to, BlockRec& b) const {
        uint64_t track;
        int length;
        bool ones;
        if (!Vint(from, false, track, length, ones) || from + length + 3 > to) return false;
        b.track = track;
        b.time += static_cast<int16_t>((d_[from + length] << 8) | d_[from + length + 1]);
        b.flags = d_[from + length + 2];
        b.payload.assign(d_.begin() + static_cast<long>(from + length + 3), d_.begin() + static_cast<long>(to));
        return true;
    }

    bool ReadCluster(uint64_t offset, uint64_t from, uint64_t to, Walk& w) const {
        ClusterRec cluster;
        cluster.offset = offset;
        const size_t index = w.clusters.size();
        bool ok = true;
        Children(from, to, [&](const Header& c, uint64_t pos) {
            if (c.id == 0xE7) cluster.time = static_cast<int64_t>(UInt(c.dataStart, c.dataStart + c.size));
            if (c.id != 0xA3 && c.id != 0xA0) return;
            BlockRec b;
            b.time = cluster.time;
            b.cluster = index;
            if (c.id == 0xA3) {
                ok = ok && ParseBlock(c.dataStart, c.dataStart + c.size, b);
                b.key = (b.flags & 0x80) != 0;
            } else {
                b.group = true;
                bool sawBlock = false;
                Children(c.dataStart, c.dataStart + c.size, [&](const Header& g, uint64_t gpos) {
                    const uint64_t gend = g.dataStart + g.size;
                    if (g.id == 0xA1)
                        sawBlock = ParseBlock(g.dataStart, gend, b);
                    else if (g.id == 0xFB)
                        b.references.push_back(SInt(g.dataStart, gend));
                    else if (g.id == 0x9B)
                        b.duration = UInt(g.dataStart, gend);
                    else if (g.id != kVoid && g.id != kCRC32)
                        b.extras.insert(b.extras.end(), d_.begin() + static_cast<long>(gpos),
                                        d_.begin() + static_cast<long>(gend));
                });
                ok = ok && sawBlock;
                b.key = b.references.empty();
            }
            if (!ok) w.error = "bad block at " + std::to_string(pos);
            cluster.blocks.push_back(w.blocks.size());
            w.blocks.push_back(std::move(b));
        });
        w.clusters.push_back(std::move(cluster));
        return ok;
    }

    const Bytes& d_;
};

Walk WalkFile(const fs::path& path) { return Walker(ReadBytes(path)).Read(); }

// ---------------------------------------------------------------- tool views

// One track as mkvinfo shows it: its lines, and the number and the
// mkvmerge/mkvextract track ID from its "Track number" line.
struct InfoTrack {
    uint64_t number = 0;
    int tid = -1;
    std::string type;
    std::vector<std::string> lines;  // without the "Track number" line
};

struct InfoView {
    SeparatedResult run;
    std::vector<InfoTrack> tracks;
    std::vector<std::string> segmentInfo;
    std::vector<std::string> problems;  // lines with "Error" or "Warning"
};

InfoView MkvInfo(const fs::path& file) {
    InfoView v;
    v.run = RunSeparated("mkvinfo " + Quoted(file.string()));
    std::string section;
    for (const std::string& line : Lines(v.run.out)) {
        if (HasText(line, "Error") || HasText(line, "Warning")) v.problems.push_back(line);
        if (line.rfind("|+ ", 0) == 0) {
            section = line.substr(3);
            continue;
        }
        if (section == "Segment information") v.segmentInfo.push_back(line);
        if (section != "Tracks") continue;
        if (line == "| + Track") {
            v.tracks.emplace_back();
            continue;
        }
        if (v.tracks.empty()) continue;
        InfoTrack& t = v.tracks.back();
        unsigned long long number = 0;
        int tid = -1;
        if (std::sscanf(line.c_str(), "|  + Track number: %llu (track ID for mkvmerge & mkvextract: %d)", &number,
                        &tid) == 2) {
            t.number = number;
            t.tid = tid;
            continue;
        }
        if (line.rfind("|  + Track type: ", 0) == 0) t.type = line.substr(17);
        t.lines.push_back(line);
    }
    // Our writer puts the children in an order of its own: compared as sets of lines.
    for (InfoTrack& t : v.tracks) std::sort(t.lines.begin(), t.lines.end());
    std::sort(v.segmentInfo.begin(), v.segmentInfo.end());
    return v;
}

// mkvextract puts each Ogg stream (Vorbis, Opus) under a serial number it
// picks at random, so two extractions of the same track differ in the serial
// and in every page CRC. Those two fields are cleared; everything else of the
// pages (granule positions from the block times and DiscardPadding, page
// sequence, packets) still has to match.
Bytes WithoutOggSerials(Bytes data) {
    if (data.size() < 4 || std::string(data.begin(), data.begin() + 4) != "OggS") return data;
    for (size_t pos = 0; pos + 27 <= data.size() && std::equal(data.begin() + static_cast<long>(pos),
                                                               data.begin() + static_cast<long>(pos) + 4, "OggS");) {
        std::fill_n(data.begin() + static_cast<long>(pos) + 14, 4, 0);  // bitstream serial number
        std::fill_n(data.begin() + static_cast<long>(pos) + 22, 4, 0);  // page checksum
        const size_t segments = data[pos + 26];
        size_t body = 0;
        for (size_t k = 0; k < segments && pos + 27 + k < data.size(); ++k) body += data[pos + 27 + k];
        pos += 27 + segments + body;
    }
    return data;
}

struct Extracted {
    SeparatedResult run;
    std::map<int, Bytes> tracks;  // by track ID
    Bytes chapters;
    Bytes attachment1;
};

Extracted MkvExtract(const fs::path& file, int trackCount, bool chapters, bool attachments, const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string command = "mkvextract " + Quoted(file.string()) + " tracks";
    for (int tid = 0; tid < trackCount; ++tid)
        command += " " + std::to_string(tid) + ":" + Quoted((dir / std::to_string(tid)).string());
    if (chapters) command += " chapters " + Quoted((dir / "chapters.xml").string());
    if (attachments) command += " attachments 1:" + Quoted((dir / "attachment1").string());
    Extracted x;
    x.run = RunSeparated(command);
    for (int tid = 0; tid < trackCount; ++tid) x.tracks[tid] = WithoutOggSerials(ReadBytes(dir / std::to_string(tid)));
    if (chapters) x.chapters = ReadBytes(dir / "chapters.xml");
    if (attachments) x.attachment1 = ReadBytes(dir / "attachment1");
    fs::remove_all(dir);
    return x;
}

// ffprobe's packets of each stream: pts, dts, duration, size, flags, a hash
// of the data and the side data (BlockAdditional, skip samples from
// DiscardPadding), one text per packet, in demux order.
struct Probe {
    SeparatedResult run;
    std::map<int, std::vector<std::string>> packets;
};

Probe FfProbe(const fs::path& file) {
    Probe p;
    p.run = RunSeparated(
        "ffprobe -v error -show_data_hash CRC32 -show_entries "
        "packet=stream_index,pts,dts,duration,size,flags,data_hash:packet_side_data -of default " +
        Quoted(file.string()));
    int stream = -1;
    std::string packet;
    for (const std::string& line : Lines(p.run.out)) {
        if (line == "[PACKET]") {
            packet.clear();
            stream = -1;
        } else if (line == "[/PACKET]") {
            p.packets[stream].push_back(packet);
        } else if (line.rfind("stream_index=", 0) == 0) {
            stream = std::stoi(line.substr(13));
        } else {
            packet += line + "|";
        }
    }
    return p;
}

// ---------------------------------------------------------------- sources

struct SourceFacts {
    fs::path path;
    Walk walk;
    InfoView info;
    Extracted extracted;
    Probe probe;
    bool chapters = false;
    bool attachments = false;

    const InfoTrack* Track(uint64_t number) const {
        for (const InfoTrack& t : info.tracks)
            if (t.number == number) return &t;
        return nullptr;
    }
};

// Each source is read by the tools once per test process.
const SourceFacts& Source(const fs::path& path) {
    static std::map<std::string, std::unique_ptr<SourceFacts>> cache;
    auto& slot = cache[path.string()];
    if (!slot) {
        slot = std::make_unique<SourceFacts>();
        SourceFacts& s = *slot;
        s.path = path;
        s.walk = WalkFile(path);
        s.info = MkvInfo(path);
        s.chapters = s.walk.Has(kChapters);
        s.attachments = s.walk.Has(kAttachments);
        s.extracted = MkvExtract(
            path, static_cast<int>(s.info.tracks.size()), s.chapters, s.attachments,
            test::OutputDir("remux") / ("source-" + path.stem().string() + "-" + std::to_string(::getpid())));
        s.probe = FfProbe(path);
    }
    return *slot;
}

// ---------------------------------------------------------------- the check

struct Expect {
    std::string packing = "keep";
    std::string rule = "time";
    bool cues = true;
    bool seekHeads = true;
    bool chapters = false;     // --chapters was given
    bool attachments = false;  // --attachments was given
};

std::string IdHex(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", id);
    return text;
}

std::map<uint64_t, std::vector<const BlockRec*>> ByTrack(const Walk& w) {
    std::map<uint64_t, std::vector<const BlockRec*>> blocks;
    for (const BlockRec& b : w.blocks) blocks[b.track].push_back(&b);
    return blocks;
}

const TopElement* TopAt(const Walk& w, uint64_t offset) {
    for (const TopElement& e : w.top)
        if (e.offset == offset) return &e;
    return nullptr;
}

void CheckLayout(const Walk& out, const Expect& expect, bool chaptersWritten, bool attachmentsWritten) {
    // The Segment: right after the EBML header, 12 bytes of header, its size the real length.
    EXPECT_EQ(out.segmentPosition, out.ebmlHeaderSize);
    EXPECT_EQ(out.segmentData, out.segmentPosition + 12);
    ASSERT_TRUE(out.segmentSize.has_value());
    EXPECT_EQ(*out.segmentSize, out.fileSize - out.ebmlHeaderSize - 12);

    EXPECT_EQ(out.Has(kCues), expect.cues);
    EXPECT_EQ(out.Has(kChapters), chaptersWritten);
    EXPECT_EQ(out.Has(kAttachments), attachmentsWritten);
    ASSERT_FALSE(out.top.empty());
    if (!expect.seekHeads) {
        EXPECT_FALSE(out.Has(kSeekHead));
        EXPECT_EQ(out.top[0].id, kInfo) << "Info must follow the Segment header directly";
        EXPECT_EQ(out.top[0].offset, 0u);
        return;
    }
    // The front SeekHead and a Void fill exactly 4000 bytes; Info comes next.
    ASSERT_GE(out.top.size(), 3u);
    EXPECT_EQ(out.top[0].id, kSeekHead);
    EXPECT_EQ(out.top[0].offset, 0u);
    EXPECT_EQ(out.top[1].id, kVoid);
    EXPECT_EQ(out.top[1].offset, out.top[0].end);
    EXPECT_EQ(out.top[1].end, 4000u);
    EXPECT_EQ(out.top[2].id, kInfo);
    EXPECT_EQ(out.top[2].offset, 4000u);
    ASSERT_EQ(out.seekHeads.size(), 2u);

    // Every SeekHead entry names the element that is there.
    for (const auto& head : out.seekHeads)
        for (const SeekEntry& s : head) {
            const TopElement* e = TopAt(out, s.position);
            ASSERT_NE(e, nullptr) << "Seek " << IdHex(s.id) << " to " << s.position << " points at no element";
            EXPECT_EQ(e->id, s.id) << "Seek " << IdHex(s.id) << " to " << s.position << " finds " << IdHex(e->id);
        }
    // The front SeekHead lists every top element but the clusters, the
    // padding and itself; the last SeekHead lists every cluster in order.
    std::multiset<uint32_t> listed, present;
    for (const SeekEntry& s : out.seekHeads[0]) listed.insert(s.id);
    for (size_t i = 1; i < out.top.size(); ++i)
        if (out.top[i].id != kCluster && out.top[i].id != kVoid) present.insert(out.top[i].id);
    EXPECT_EQ(listed, present);
    std::vector<uint64_t> clusterSeeks, clusterOffsets;
    for (const SeekEntry& s : out.seekHeads[1]) {
        EXPECT_EQ(s.id, kCluster);
        clusterSeeks.push_back(s.position);
    }
    for (const ClusterRec& c : out.clusters) clusterOffsets.push_back(c.offset);
    EXPECT_EQ(clusterSeeks, clusterOffsets);
}

void CheckCues(const Walk& out, uint64_t cueTrack) {
    std::map<uint64_t, const ClusterRec*> clusterAt;
    for (const ClusterRec& c : out.clusters) clusterAt[c.offset] = &c;
    std::vector<int64_t> cueTimes, keyTimes;
    for (const CueRec& cue : out.cues) {
        SCOPED_TRACE("CuePoint at " + std::to_string(cue.time) + " -> " + std::to_string(cue.clusterPosition));
        EXPECT_EQ(cue.track, cueTrack);
        cueTimes.push_back(cue.time);
        const auto it = clusterAt.find(cue.clusterPosition);
        ASSERT_NE(it, clusterAt.end()) << "CueClusterPosition is not the start of a Cluster";
        const bool found = std::any_of(it->second->blocks.begin(), it->second->blocks.end(), [&](size_t k) {
            const BlockRec& b = out.blocks[k];
            return b.track == cue.track && b.time == cue.time && b.key;
        });
        EXPECT_TRUE(found) << "the Cluster holds no key frame of track " << cue.track << " at that time";
    }
    for (const BlockRec& b : out.blocks)
        if (b.track == cueTrack && b.key) keyTimes.push_back(b.time);
    EXPECT_FALSE(keyTimes.empty());
    EXPECT_EQ(cueTimes, keyTimes) << "one CuePoint for each key frame of the cue track";
}

void CheckClusterRule(const Walk& out, const Walk& source, const std::string& rule,
                      const std::set<uint64_t>& videoTracks) {
    std::set<int64_t> sourceTimes;
    for (const ClusterRec& c : source.clusters) sourceTimes.insert(c.time);
    for (size_t i = 0; i < out.clusters.size(); ++i) {
        const ClusterRec& c = out.clusters[i];
        SCOPED_TRACE("output cluster " + std::to_string(i) + " at time " + std::to_string(c.time));
        if (rule == "time") { EXPECT_EQ(c.time % 1000, 0); }
        // Under every rule the first cluster is at 0, even where the source's
        // first cluster is later (ffmpeg puts it at the first video frame's
        // time when B-frames delay it, and the audio starts before).
        if (i == 0) { EXPECT_EQ(c.time, 0); }
        if (rule == "source" && i > 0) { EXPECT_TRUE(sourceTimes.count(c.time)) << "not a cluster time of the source"; }
        if (rule == "keyframe" && i > 0) {
            ASSERT_FALSE(c.blocks.empty());
            const BlockRec& first = out.blocks[c.blocks[0]];
            EXPECT_EQ(first.time, c.time);
            if (!videoTracks.empty()) {
                EXPECT_TRUE(first.key && videoTracks.count(first.track)) << "not a video key frame";
            }
        }
    }
}

// The remux output `outPath` of `src`, keeping the source tracks `kept` in
// that order (output track k is source track kept[k-1]).
void CheckOutput(const SourceFacts& src, const fs::path& outPath, const std::vector<uint64_t>& kept,
                 const Expect& expect) {
    ASSERT_TRUE(src.walk.error.empty()) << "source: " << src.walk.error;
    ASSERT_EQ(src.info.run.status, 0) << src.info.run.out;

    // mkvinfo reads the output without complaint.
    const InfoView info = MkvInfo(outPath);
    EXPECT_EQ(info.run.status, 0) << info.run.out << info.run.err;
    EXPECT_TRUE(info.problems.empty()) << info.problems.front();

    // The tracks: numbered 1..n in the asked order, every header line of the
    // source track kept (UIDs, languages with BCP 47, Colour, CodecDelay, ...).
    ASSERT_EQ(info.tracks.size(), kept.size());
    std::set<uint64_t> videoTracks;
    uint64_t cueTrack = 0;
    for (size_t k = 0; k < kept.size(); ++k) {
        SCOPED_TRACE("output track " + std::to_string(k + 1) + " from source track " + std::to_string(kept[k]));
        const InfoTrack* from = src.Track(kept[k]);
        ASSERT_NE(from, nullptr);
        const InfoTrack& to = info.tracks[k];
        EXPECT_EQ(to.number, k + 1);
        EXPECT_EQ(to.tid, static_cast<int>(k));
        EXPECT_EQ(to.lines, from->lines);
        if (to.type == "video") {
            videoTracks.insert(k + 1);
            if (!cueTrack) cueTrack = k + 1;
        }
    }
    if (!cueTrack) cueTrack = 1;
    EXPECT_EQ(info.segmentInfo, src.info.segmentInfo);

    // Our own walk: layout, cues, clusters, and every block against the source's.
    const Walk out = WalkFile(outPath);
    ASSERT_TRUE(out.error.empty()) << out.error;
    const bool chaptersWritten = expect.chapters && src.chapters;
    const bool attachmentsWritten = expect.attachments && src.attachments;
    {
        SCOPED_TRACE("layout");
        CheckLayout(out, expect, chaptersWritten, attachmentsWritten);
    }
    if (expect.cues) {
        SCOPED_TRACE("cues");
        CheckCues(out, cueTrack);
    }
    {
        SCOPED_TRACE("cluster rule " + expect.rule);
        CheckClusterRule(out, src.walk, expect.rule, videoTracks);
    }

    const auto sourceBlocks = ByTrack(src.walk);
    const auto outBlocks = ByTrack(out);
    for (const auto& [track, blocks] : outBlocks)
        EXPECT_TRUE(track >= 1 && track <= kept.size()) << "a block of track " << track;
    for (size_t k = 0; k < kept.size(); ++k) {
        SCOPED_TRACE("blocks of output track " + std::to_string(k + 1));
        const auto s = sourceBlocks.find(kept[k]);
        const auto o = outBlocks.find(k + 1);
        ASSERT_NE(s, sourceBlocks.end());
        ASSERT_NE(o, outBlocks.end());
        ASSERT_EQ(o->second.size(), s->second.size());
        std::multiset<int64_t> times;
        for (const BlockRec* b : o->second) times.insert(b->time);
        const bool subtitles = src.Track(kept[k])->type == "subtitles";
        for (size_t i = 0; i < s->second.size(); ++i) {
            const BlockRec& a = *s->second[i];
            const BlockRec& b = *o->second[i];
            SCOPED_TRACE("block " + std::to_string(i) + " at " + std::to_string(a.time));
            ASSERT_EQ(b.time, a.time);
            EXPECT_EQ(b.flags & 0x0E, a.flags & 0x0E) << "lacing or invisible bit changed";
            EXPECT_TRUE(b.payload == a.payload) << "frame data differ";
            EXPECT_EQ(b.key, a.key);
            EXPECT_TRUE(b.extras == a.extras) << "BlockAdditions/DiscardPadding differ";
            if (b.group) {
                if (a.group) { EXPECT_EQ(b.references, a.references); }
                if (a.group) { EXPECT_EQ(b.duration, a.duration); }
                for (int64_t r : b.references)
                    EXPECT_TRUE(times.count(b.time + r)) << "ReferenceBlock " << r << " names no block of the track";
            } else if (a.duration) {
                // A SimpleBlock has no room for a BlockDuration: only the
                // all-SimpleBlock packing may drop one (mkvmerge puts one on
                // the last Vorbis block), never a subtitle's.
                EXPECT_EQ(expect.packing, "simple") << "BlockDuration lost";
            }
            if (expect.packing == "keep") { EXPECT_EQ(b.group, a.group); }
            if (expect.packing == "group") { EXPECT_TRUE(b.group); }
            // Only what a SimpleBlock cannot carry stays in a BlockGroup.
            if (expect.packing == "simple") { EXPECT_EQ(b.group, subtitles || !a.extras.empty()); }
        }
    }

    // mkvextract: the same track data, and chapters and attachment as in the source.
    const Extracted x = MkvExtract(outPath, static_cast<int>(kept.size()), chaptersWritten, attachmentsWritten,
                                   outPath.string() + ".extract");
    EXPECT_EQ(x.run.status, 0) << x.run.out << x.run.err;
    for (size_t k = 0; k < kept.size(); ++k) {
        const int sourceTid = src.Track(kept[k])->tid;
        const Bytes& expected = src.extracted.tracks.at(sourceTid);
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(x.tracks.at(static_cast<int>(k)) == expected)
            << "mkvextract of output track " << k + 1 << " differs from source track " << kept[k];
    }
    if (chaptersWritten) { EXPECT_TRUE(x.chapters == src.extracted.chapters && !x.chapters.empty()); }
    if (attachmentsWritten) { EXPECT_TRUE(x.attachment1 == src.extracted.attachment1 && !x.attachment1.empty()); }

    // ffprobe: the same packets with the same times, flags, data and side data.
    const Probe probe = FfProbe(outPath);
    EXPECT_EQ(probe.run.status, 0) << probe.run.err;
    EXPECT_EQ(probe.packets.size(), kept.size());
    for (size_t k = 0; k < kept.size(); ++k) {
        const int sourceTid = src.Track(kept[k])->tid;
        const auto s = src.probe.packets.find(sourceTid);
        const auto o = probe.packets.find(static_cast<int>(k));
        ASSERT_NE(s, src.probe.packets.end());
        ASSERT_NE(o, probe.packets.end());
        EXPECT_EQ(o->second.size(), s->second.size()) << "packets of output stream " << k;
        EXPECT_EQ(o->second, s->second) << "packets of output stream " << k;
    }
}

// ---------------------------------------------------------------- fixture

class RemuxInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name, bool committed) {
        return committed ? test::SampleFile(name) : test::MediaFile(name);
    }

    // A fresh output path for this test.
    static fs::path Output(const std::string& name) { return test::FreshOutput("remux", name); }
};

const char kRefusal[] = "Видео использует ссылки вперёд: блоки нельзя упаковать в SimpleBlock.";

struct MediaCase {
    const char* file;
    bool committed;
    bool forwardReferences;  // --packing simple is refused
    const char* extraArgs;
    std::vector<const char*> mustShow;  // lines mkvinfo still shows in the output
};

const MediaCase kMedia[] = {
    {"mkvmerge_h264_aac_srt.mkv",
     false,
     false,
     "",
     {"Language (IETF BCP 47): en", "Language (IETF BCP 47): fr", "Language (IETF BCP 47): de",
      "Codec ID: S_TEXT/UTF8"}},
    {"mkvmerge_groups.mkv", false, true, "", {"Language (IETF BCP 47): es"}},
    {"mkvmerge_mp3_ac3.mkv",
     false,
     false,
     "",
     {"Codec ID: A_MPEG/L3", "Codec ID: A_AC3", "Language (IETF BCP 47): fi"}},
    {"mkvmerge_vorbis.mkv", false, false, "", {"Codec ID: A_VORBIS"}},
    {"ffmpeg_vp9_opus.mkv",
     false,
     false,
     "",
     {"Video color information", "Color primaries: 9", "Color transfer: 16", "Color matrix coefficients: 9",
      "Codec-inherent delay: 00:00:00.006500000", "Seek pre-roll: 00:00:00.080000000", "VideoAlphaMode"}},
    {"ffmpeg_pipe.mkv", false, false, "", {"Codec ID: A_MPEG/L3"}},
    {"sample.mkv",
     true,
     false,
     "--chapters --attachments",
     {"Track UID: 12768299962755553777", "Language (IETF BCP 47): ru", "Title: Quillon sample"}},
    {"ffmpeg_sample.mkv",
     true,
     false,
     "",
     {"Video color information", "Codec-inherent delay: 00:00:00.006500000", "Seek pre-roll: 00:00:00.080000000"}},
};

std::string Stem(const char* file) { return fs::path(file).stem().string(); }

class RemuxMatrix : public RemuxInterop,
                    public ::testing::WithParamInterface<std::tuple<size_t, std::string, std::string>> {};

TEST_P(RemuxMatrix, OutputMatchesTheSource) {
    const auto [index, packing, rule] = GetParam();
    const MediaCase& media = kMedia[index];
    SCOPED_TRACE(std::string(media.file) + " --packing " + packing + " --clusters " + rule);
    const fs::path source = Media(media.file, media.committed);
    const fs::path out = Output(Stem(media.file) + "-" + packing + "-" + rule + ".mkv");
    const auto run = Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) + " --packing " +
                             packing + " --clusters " + rule + " " + media.extraArgs);
    const SourceFacts& src = Source(source);
    if (media.forwardReferences) {
        // The source really has forward references, so the refusal is earned.
        EXPECT_TRUE(std::any_of(src.walk.blocks.begin(), src.walk.blocks.end(), [](const BlockRec& b) {
            return std::any_of(b.references.begin(), b.references.end(), [](int64_t r) { return r > 0; });
        }));
    }
    if (media.forwardReferences && packing == "simple") {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(HasText(run.err, kRefusal)) << run.err;
        EXPECT_FALSE(fs::exists(out));
        return;
    }
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(HasText(run.out, "r e a d y")) << run.out;

    std::vector<uint64_t> all;
    for (const InfoTrack& t : src.info.tracks) all.push_back(t.number);
    Expect expect;
    expect.packing = packing;
    expect.rule = rule;
    expect.chapters = expect.attachments = HasText(media.extraArgs, "--chapters");
    CheckOutput(src, out, all, expect);
    if (HasFailure()) return;  // keep the output to look at

    const std::string shown = RunSeparated("mkvinfo " + Quoted(out.string())).out;
    for (const char* line : media.mustShow) EXPECT_TRUE(HasText(shown, line)) << "mkvinfo no longer shows: " << line;
    fs::remove(out);
}

INSTANTIATE_TEST_SUITE_P(Media, RemuxMatrix,
                         ::testing::Combine(::testing::Range<size_t>(0, std::size(kMedia)),
                                            ::testing::Values<std::string>("keep", "simple", "group"),
                                            ::testing::Values<std::string>("time", "keyframe", "source")),
                         [](const auto& info) {
                             return Stem(kMedia[std::get<0>(info.param)].file) + "_" + std::get<1>(info.param) + "_" +
                                    std::get<2>(info.param);
                         });

// The media the matrix relies on really have what it is meant to exercise.
TEST_F(RemuxInterop, MediaHaveTheFeaturesUnderTest) {
    const SourceFacts& vp9 = Source(Media("ffmpeg_vp9_opus.mkv", false));
    const auto hasExtra = [&](uint32_t id) {
        const Bytes idBytes = id > 0xFF ? Bytes{static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)}
                                        : Bytes{static_cast<uint8_t>(id)};
        return std::any_of(vp9.walk.blocks.begin(), vp9.walk.blocks.end(), [&](const BlockRec& b) {
            return b.extras.size() >= 2 && std::equal(idBytes.begin(), idBytes.end(), b.extras.begin());
        });
    };
    EXPECT_TRUE(hasExtra(0x75A1)) << "no BlockAdditions";
    EXPECT_TRUE(hasExtra(0x75A2)) << "no DiscardPadding";
    EXPECT_FALSE(Source(Media("ffmpeg_pipe.mkv", false)).walk.segmentSize.has_value()) << "Segment size is known";
    // Lacing: Xiph (MP3), fixed (AC-3), EBML (Vorbis).
    std::set<int> lacings;
    for (const char* f : {"mkvmerge_mp3_ac3.mkv", "mkvmerge_vorbis.mkv"})
        for (const BlockRec& b : Source(Media(f, false)).walk.blocks) lacings.insert(b.flags & 0x06);
    for (int lacing : {0x02, 0x04, 0x06}) EXPECT_TRUE(lacings.count(lacing)) << "no lacing " << lacing;
    const SourceFacts& groups = Source(Media("mkvmerge_groups.mkv", false));
    EXPECT_TRUE(
        std::all_of(groups.walk.blocks.begin(), groups.walk.blocks.end(), [](const BlockRec& b) { return b.group; }));
}

// A Block inside a BlockGroup has no key-frame bit: the four high bits of
// its flags are reserved and written as 0 (a group's key status is the
// absence of a ReferenceBlock). SimpleBlock key frames repacked into
// BlockGroups must not take their 0x80 bit along.
TEST_F(RemuxInterop, BlocksInGroupsHaveNoReservedFlagBits) {
    for (const char* file : {"mkvmerge_h264_aac_srt.mkv", "mkvmerge_mp3_ac3.mkv", "ffmpeg_vp9_opus.mkv"}) {
        SCOPED_TRACE(file);
        const fs::path source = Media(file, false);
        const fs::path out = Output(Stem(file) + "-flags.mkv");
        const SeparatedResult run =
            Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) + " --packing group");
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const Walk walk = WalkFile(out);
        ASSERT_TRUE(walk.error.empty()) << walk.error;
        size_t groups = 0, flagged = 0;
        for (const BlockRec& b : walk.blocks) {
            groups += b.group;
            flagged += b.group && (b.flags & 0xF0) != 0;
        }
        EXPECT_EQ(groups, walk.blocks.size());
        EXPECT_EQ(flagged, 0u) << "Blocks with reserved flag bits set, of " << groups;
        if (!HasFailure()) fs::remove(out);
    }
}

// --tracks: the chosen tracks only, renumbered 1, 2, ... in the given order.
struct TracksCase {
    const char* file;
    bool committed;
    const char* list;
    std::vector<uint64_t> kept;
    std::vector<std::string> codecs;  // of the output tracks, in order
};

TEST_F(RemuxInterop, TrackChoiceRenumbersInTheGivenOrder) {
    const TracksCase cases[] = {
        {"mkvmerge_h264_aac_srt.mkv", false, "2", {2}, {"A_AAC"}},
        {"mkvmerge_h264_aac_srt.mkv", false, "3,1", {3, 1}, {"S_TEXT/UTF8", "V_MPEG4/ISO/AVC"}},
        {"sample.mkv", true, "2,3", {2, 3}, {"A_AC3", "S_TEXT/UTF8"}},
        {"ffmpeg_vp9_opus.mkv", false, "3,2", {3, 2}, {"A_OPUS", "V_VP9"}},
    };
    for (const TracksCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " --tracks " + c.list);
        const fs::path source = Media(c.file, c.committed);
        const fs::path out = Output(Stem(c.file) + "-tracks-" + c.list + ".mkv");
        const SeparatedResult run =
            Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) + " --tracks " + c.list);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        CheckOutput(Source(source), out, c.kept, Expect{});
        const InfoView info = MkvInfo(out);
        ASSERT_EQ(info.tracks.size(), c.codecs.size());
        for (size_t k = 0; k < c.codecs.size(); ++k) {
            EXPECT_EQ(info.tracks[k].number, k + 1);
            EXPECT_TRUE(
                std::count(info.tracks[k].lines.begin(), info.tracks[k].lines.end(), "|  + Codec ID: " + c.codecs[k]))
                << "output track " << k + 1;
        }
        const Walk walk = WalkFile(out);
        for (const BlockRec& b : walk.blocks) ASSERT_LE(b.track, c.kept.size());
        if (!HasFailure()) fs::remove(out);
    }
}

// --no-cues, --no-seekhead and the section switches.
struct OptionsCase {
    const char* file;
    bool committed;
    const char* args;
    Expect expect;
};

TEST_F(RemuxInterop, IndexAndSectionSwitches) {
    const auto make = [](bool cues, bool seekHeads, bool chapters, bool attachments) {
        Expect e;
        e.cues = cues;
        e.seekHeads = seekHeads;
        e.chapters = chapters;
        e.attachments = attachments;
        return e;
    };
    const OptionsCase cases[] = {
        {"mkvmerge_h264_aac_srt.mkv", false, "--no-cues", make(false, true, false, false)},
        {"mkvmerge_h264_aac_srt.mkv", false, "--no-seekhead", make(true, false, false, false)},
        {"mkvmerge_h264_aac_srt.mkv", false, "--no-cues --no-seekhead", make(false, false, false, false)},
        {"sample.mkv", true, "", make(true, true, false, false)},
        {"sample.mkv", true, "--chapters", make(true, true, true, false)},
        {"sample.mkv", true, "--attachments --no-seekhead", make(true, false, false, true)},
        // Nothing to write: no empty Chapters or Attachments element either.
        {"mkvmerge_h264_aac_srt.mkv", false, "--chapters --attachments", make(true, true, true, true)},
    };
    for (const OptionsCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.args);
        const fs::path source = Media(c.file, c.committed);
        const fs::path out = Output(Stem(c.file) + "-options.mkv");
        const SeparatedResult run =
            Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) + " " + c.args);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const SourceFacts& src = Source(source);
        std::vector<uint64_t> all;
        for (const InfoTrack& t : src.info.tracks) all.push_back(t.number);
        CheckOutput(src, out, all, c.expect);
        if (!HasFailure()) fs::remove(out);
    }
}

// An existing output: asked about, and with stdin not a terminal the answer
// is no; --overwrite replaces it.
TEST_F(RemuxInterop, ExistingOutputIsKeptUnlessOverwriteIsGiven) {
    const fs::path source = Media("mkvmerge_h264_aac_srt.mkv", false);
    const fs::path out = Output("existing.mkv");
    const std::string before = "not a Matroska file, keep me\n";
    std::ofstream(out, std::ios::binary) << before;

    const auto declined = Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()));
    EXPECT_EQ(declined.status, 1) << declined.out << declined.err;
    EXPECT_TRUE(HasText(declined.out + declined.err, "Файл с таким именем уже существует."))
        << declined.out << declined.err;
    const Bytes kept = ReadBytes(out);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), before);
    for (const auto& entry : fs::directory_iterator(test::OutputDir("remux")))
        EXPECT_EQ(entry.path().filename().string().find("existing.mkv."), std::string::npos)
            << "left behind: " << entry.path();

    const SeparatedResult replaced =
        Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(out.string()) + " --overwrite");
    ASSERT_EQ(replaced.status, 0) << replaced.out << replaced.err;
    const SourceFacts& src = Source(source);
    CheckOutput(src, out, {1, 2, 3}, Expect{});
    if (!HasFailure()) fs::remove(out);
}

}  // namespace
}  // namespace quillon::remux_interop

namespace quillon::remux_interop {
namespace {

// The tags mkvextract writes for a file, as its XML text.
std::string TagsXml(const fs::path& file) {
    const SeparatedResult run = RunSeparated("mkvextract " + Quoted(file.string()) + " tags -");
    return run.status == 0 ? run.out : "mkvextract failed: " + run.err;
}

// A remux keeps the tags mkvmerge wrote: the global ones and those aimed at a
// track that stays, as mkvextract reads them; a track's tags go with it, and
// --no-tags leaves them all out.
TEST_F(RemuxInterop, TagsAreCarriedAsMkvextractReadsThem) {
    const fs::path source = test::MediaFile("mkvmerge_tags.mkv");
    const std::string before = TagsXml(source);
    ASSERT_TRUE(HasText(before, "DATE_RELEASED") && HasText(before, "the French audio")) << before;

    const fs::path all = test::FreshOutput("remux", "tags-all.mkv");
    ASSERT_EQ(Quillon("remux " + Quoted(source.string()) + " -o " + Quoted(all.string()) + " --overwrite").status, 0);
    EXPECT_EQ(TagsXml(all), before);

    const fs::path noAudio = test::FreshOutput("remux", "tags-no-audio.mkv");
    ASSERT_EQ(Quillon("remux " + Quoted(source.string()) + " --tracks 1,3 -o " + Quoted(noAudio.string()) + " --overwrite").status, 0);
    const std::string kept = TagsXml(noAudio);
    EXPECT_TRUE(HasText(kept, "DATE_RELEASED") && HasText(kept, "Фильм с тегами")) << kept;
    EXPECT_FALSE(HasText(kept, "the French audio")) << kept;

    const fs::path none = test::FreshOutput("remux", "tags-none.mkv");
    ASSERT_EQ(Quillon("remux " + Quoted(source.string()) + " --no-tags -o " + Quoted(none.string()) + " --overwrite").status, 0);
    EXPECT_FALSE(HasText(TagsXml(none), "DATE_RELEASED"));
}

}  // namespace
}  // namespace quillon::remux_interop
