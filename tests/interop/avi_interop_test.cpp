// The AVI conversion checked by ffmpeg and by a RIFF walk of its own, on
// VFW files made by mkvmerge (from ffmpeg's AVIs, MPEG-4 ASP with B-frames)
// and by ffmpeg (MS MPEG-4 v2), with AC-3, AAC and MP3 audio: ffprobe reads
// the AVI without a complaint, every packet is the source's (count, bytes,
// key flags, video in decode order), ffmpeg decodes it cleanly, and the
// layout and every idx1 entry are where they should be.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/interop_helpers.h"

namespace quillon::avi_interop {
namespace {

namespace fs = std::filesystem;

using test::Quillon;
using test::Quoted;
using test::RunSeparated;
using test::SeparatedResult;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
std::string Four(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

struct MoviChunk {
    std::string id;
    size_t at;  // where its header starts
    uint32_t size;
};

// Walks the file as a RIFF reader would and checks the fixed layout on the
// way; returns the movi chunks (empty after a failed check).
std::vector<MoviChunk> WalkAvi(const std::vector<uint8_t>& b, int streams) {
    std::vector<MoviChunk> chunks;
    EXPECT_GE(b.size(), 2048u + 8);
    if (b.size() < 2056) return chunks;
    EXPECT_EQ(Four(b, 0), "RIFF");
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(Four(b, 8), "AVI ");
    EXPECT_EQ(Four(b, 12), "LIST");
    EXPECT_EQ(Four(b, 20), "hdrl");
    EXPECT_EQ(Four(b, 24), "avih");
    EXPECT_EQ(Le32(b, 24 + 8 + 24), uint32_t(streams));  // dwStreams
    // Inside hdrl: avih, then one strl list per stream, each with strh and strf.
    const size_t hdrlEnd = 20 + Le32(b, 16);
    int lists = 0;
    for (size_t at = 24; at < hdrlEnd;) {
        const uint32_t size = Le32(b, at + 4);
        if (Four(b, at) == "LIST") {
            EXPECT_EQ(Four(b, at + 8), "strl");
            EXPECT_EQ(Four(b, at + 12), "strh");
            const size_t strf = at + 12 + 8 + Le32(b, at + 16);
            EXPECT_EQ(Four(b, strf), "strf");
            ++lists;
        }
        at += 8 + size + (size & 1);
    }
    EXPECT_EQ(lists, streams);
    // JUNK up to 2036, the movi list there, its first chunk at 2048.
    EXPECT_EQ(Four(b, hdrlEnd), "JUNK");
    EXPECT_EQ(hdrlEnd + 8 + Le32(b, hdrlEnd + 4), 2036u);
    EXPECT_EQ(Four(b, 2036), "LIST");
    EXPECT_EQ(Four(b, 2044), "movi");
    const size_t moviEnd = 2044 + Le32(b, 2040);
    for (size_t at = 2048; at < moviEnd;) {
        const MoviChunk c{Four(b, at), at, Le32(b, at + 4)};
        if (c.id != "00dc" && c.id != "01wb") {
            ADD_FAILURE() << "chunk " << c.id << " at " << at;
            return {};
        }
        if (c.size & 1) {
            EXPECT_EQ(b[at + 8 + c.size], 0) << "pad byte at " << at;
        }
        chunks.push_back(c);
        at += 8 + c.size + (c.size & 1);
    }
    EXPECT_EQ(Four(b, moviEnd), "idx1");
    EXPECT_EQ(Le32(b, moviEnd + 4), 16 * chunks.size());
    EXPECT_EQ(moviEnd + 8 + 16 * chunks.size(), b.size());
    return chunks;
}

class AviInterop : public test::InteropTest {};

TEST_F(AviInterop, PacketsLayoutAndIndexAgreeWithTheSource) {
    const struct {
        const char* file;
        const char* tracks;
        int streams;
    } cases[] = {
        {"mkvmerge_xvid_ac3.mkv", "1,2", 2}, {"mkvmerge_xvid_aac.mkv", "1,2", 2}, {"mkvmerge_mpeg4_asp.mkv", "1,2", 2},
        {"ffmpeg_mp42_aac.mkv", "1,2", 2},   {"mkvmerge_xvid_ac3.mkv", "1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " --tracks " + c.tracks);
        const fs::path source = test::MediaFile(c.file);
        const fs::path avi = test::FreshOutput("avi", "out.avi");
        const SeparatedResult run = Quillon("export " + Quoted(source.string()) + " --as avi --tracks " + c.tracks +
                                            " -o " + Quoted(avi.string()) + " --overwrite");
        ASSERT_EQ(run.status, 0) << run.out << run.err;

        const SeparatedResult probe = RunSeparated("ffprobe -v error " + Quoted(avi.string()));
        EXPECT_EQ(probe.status, 0);
        EXPECT_EQ(probe.err, "");
        const SeparatedResult decode = RunSeparated("ffmpeg -nostdin -v error -i " + Quoted(avi.string()) + " -f null -");
        EXPECT_EQ(decode.status, 0);
        EXPECT_EQ(decode.err, "");

        // The frame rate is the source's, exactly (a film of 25 frames a second is not 24.92).
        const auto rate = [](const fs::path& f) {
            return RunSeparated("ffprobe -v error -select_streams v:0 -show_entries stream=r_frame_rate -of csv=p=0 " +
                                Quoted(f.string()))
                .out;
        };
        EXPECT_EQ(rate(avi), rate(source));

        // Every packet of each stream: the same bytes and key flags, in the same order.
        const test::ProbedFile ours = test::FfprobePackets(avi);
        const test::ProbedFile theirs = test::FfprobePackets(source);
        for (int s = 0; s < c.streams; ++s) {
            ASSERT_EQ(ours.streams.count(s), 1u) << s;
            const auto& a = ours.streams.at(s).packets;
            const auto& b = theirs.streams.at(s).packets;
            ASSERT_EQ(a.size(), b.size()) << "stream " << s;
            for (size_t k = 0; k < a.size(); ++k) {
                EXPECT_EQ(a[k].hash, b[k].hash) << "stream " << s << " packet " << k;
                EXPECT_EQ(a[k].flags.substr(0, 1), b[k].flags.substr(0, 1)) << "stream " << s << " packet " << k;
            }
        }

        // The layout, and each index entry against the chunk it names.
        const std::vector<uint8_t> bytes = test::ReadBytes(avi);
        const std::vector<MoviChunk> chunks = WalkAvi(bytes, c.streams);
        ASSERT_FALSE(chunks.empty());
        const size_t idx = 2044 + Le32(bytes, 2040) + 8;
        std::vector<bool> videoKeys;
        for (size_t k = 0; k < chunks.size(); ++k) {
            const size_t entry = idx + 16 * k;
            EXPECT_EQ(Four(bytes, entry), chunks[k].id) << k;
            EXPECT_EQ(Le32(bytes, entry + 8), chunks[k].at - 2044) << k;  // from the "movi" FOURCC
            EXPECT_EQ(Le32(bytes, entry + 12), chunks[k].size) << k;
            const uint32_t flags = Le32(bytes, entry + 4);
            EXPECT_TRUE(flags == 0 || flags == 16) << k;
            if (chunks[k].id == "00dc") videoKeys.push_back(flags == 16);
            else EXPECT_EQ(flags, 16u) << k;  // every audio chunk is a key frame
        }
        const auto& sourceVideo = theirs.streams.at(0).packets;
        ASSERT_EQ(videoKeys.size(), sourceVideo.size());
        for (size_t k = 0; k < videoKeys.size(); ++k)
            EXPECT_EQ(videoKeys[k], sourceVideo[k].flags[0] == 'K') << "video frame " << k;
    }
}

TEST_F(AviInterop, RefusedTrackChoicesAndCodecs) {
    const fs::path avi = test::FreshOutput("avi", "refused.avi");
    const struct {
        const char* file;
        const char* tracks;
        int status;
        const char* says;
    } cases[] = {
        {"mkvmerge_xvid_ac3.mkv", "2", 2, "an AVI takes one video track and at most one audio track"},
        {"ffmpeg_wav.mkv", "1,2", 1, "Video Codec V_MPEG4/ISO/AVC\ndoes not suitable for AVI container"},
        {"mkvmerge_vorbis.mkv", "9", 2, "no such track: 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " --tracks " + c.tracks);
        const SeparatedResult run = Quillon("--lang eng export " + Quoted(test::MediaFile(c.file).string()) +
                                            " --as avi --tracks " + c.tracks + " -o " + Quoted(avi.string()));
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_TRUE(test::HasText(run.out + run.err, c.says)) << run.out << run.err;
        EXPECT_FALSE(fs::exists(avi));
    }
}

}  // namespace
}  // namespace quillon::avi_interop
