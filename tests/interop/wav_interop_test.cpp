// The WAV exports against ffmpeg on files made by ffmpeg and mkvmerge
// (tests/interop/make_media.sh): decoded PCM sample for sample against
// `ffmpeg -c:a pcm_s16le` with the same channels, rate and layout; PCM tracks
// byte for byte at their own depth; MP3 in WAV decoded to the MP3 track's
// own sound; a damaged frame skipped and counted; an RF64 header read by ffprobe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "export/wav_header.h"
#include "support/interop_helpers.h"

namespace quillon::wav_interop {
namespace {

namespace fs = std::filesystem;

using test::Quillon;
using test::Quoted;
using test::ReadBytes;
using test::RunSeparated;
using test::SeparatedResult;

// The format chunk and the data of a RIFF or RF64 WAVE file, found by
// walking its chunks (ffmpeg puts a LIST chunk before the data).
struct Wave {
    std::vector<uint8_t> fmt;
    std::vector<uint8_t> data;
    bool ok = false;
};

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

Wave ReadWave(const fs::path& path) {
    const std::vector<uint8_t> b = ReadBytes(path);
    Wave w;
    if (b.size() < 12 || (std::memcmp(b.data(), "RIFF", 4) != 0 && std::memcmp(b.data(), "RF64", 4) != 0) ||
        std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return w;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint64_t size = Le32(&b[at + 4]);
        const size_t body = at + 8;
        if (std::memcmp(&b[at], "fmt ", 4) == 0) w.fmt.assign(b.begin() + body, b.begin() + std::min(b.size(), body + size));
        if (std::memcmp(&b[at], "data", 4) == 0) {
            w.data.assign(b.begin() + body, b.begin() + std::min<uint64_t>(b.size(), body + size));
            w.ok = !w.fmt.empty();
            return w;
        }
        at = body + size + (size & 1);
    }
    return w;
}

// Largest difference between two runs of 16-bit samples of the same length.
int MaxSampleDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int most = 0;
    for (size_t i = 0; i + 1 < a.size() && i + 1 < b.size(); i += 2) {
        const int x = int16_t(a[i] | a[i + 1] << 8), y = int16_t(b[i] | b[i + 1] << 8);
        most = std::max(most, std::abs(x - y));
    }
    return most;
}

// ffprobe's codec, rate, channels and layout of the first stream.
std::string Probe(const fs::path& file) {
    return RunSeparated("ffprobe -v error -show_entries stream=codec_name,sample_rate,channels,channel_layout "
                        "-of csv=p=0 " + Quoted(file.string()))
        .out;
}

class WavInterop : public test::InteropTest {
protected:
    static fs::path Media(const std::string& name) { return test::MediaFile(name); }
    static fs::path Output(const std::string& name) { return test::FreshOutput("wav", name); }

    static SeparatedResult Export(const fs::path& file, int track, const std::string& type, const fs::path& out) {
        return Quillon("--lang eng export " + Quoted(file.string()) + " --track " + std::to_string(track) + " --as " +
                       type + " -o " + Quoted(out.string()) + " --overwrite");
    }
    // ffmpeg's own conversion of audio stream `stream` (0:a:K) to `codec`.
    static fs::path Ffmpeg(const fs::path& file, int stream, const std::string& codec, const std::string& name) {
        const fs::path out = Output(name);
        const SeparatedResult run = RunSeparated("ffmpeg -nostdin -v error -y -i " + Quoted(file.string()) + " -map 0:a:" +
                                                 std::to_string(stream) + " -c:a " + codec + " " + Quoted(out.string()));
        EXPECT_EQ(run.status, 0) << run.err;
        return out;
    }
};

struct DecodeCase {
    const char* file;
    int track;   // our track number
    int stream;  // ffmpeg's audio stream index
    const char* what;
};

TEST_F(WavInterop, DecodedTracksMatchFfmpegSampleForSample) {
    const DecodeCase cases[] = {
        {"mkvmerge_audio.mkv", 1, 0, "AC-3 2.0"},     {"mkvmerge_audio.mkv", 2, 1, "MP3"},
        {"mkvmerge_audio.mkv", 3, 2, "AAC"},          {"mkvmerge_audio.mkv", 4, 3, "FLAC"},
        {"ffmpeg_audio_subs.mkv", 1, 0, "AC-3 2.0"},  {"ffmpeg_audio_subs.mkv", 2, 1, "AAC"},
        {"ffmpeg_audio_subs.mkv", 3, 2, "FLAC"},      {"ffmpeg_wav.mkv", 2, 0, "AC-3 5.1"},
        {"ffmpeg_wav.mkv", 8, 6, "E-AC-3 5.1"},       {"mkvmerge_wav.mkv", 2, 1, "AC-3 5.1"},
        {"mkvmerge_wav.mkv", 3, 2, "AAC 5.1"},        {"mkvmerge_vorbis.mkv", 1, 0, "Vorbis"},
        // ffmpeg marks its encoders' padding in the last block (DiscardPadding): left out as ffmpeg does.
        {"ffmpeg_audio_subs.mkv", 4, 3, "Vorbis"},    {"ffmpeg_vp9_opus.mkv", 3, 0, "Opus"},
        {"ffmpeg_wav.mkv", 7, 5, "MP3 (MPEG-2)"},
        {"ffmpeg_opus16k.mka", 1, 0, "Opus tagged 16 kHz, decoded at 48 kHz"},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " track " + std::to_string(c.track) + " (" + c.what + ")");
        const fs::path ours = Output("ours.wav");
        const SeparatedResult run = Export(Media(c.file), c.track, "wav", ours);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const fs::path theirs = Ffmpeg(Media(c.file), c.stream, "pcm_s16le", "ffmpeg.wav");
        const Wave a = ReadWave(ours), b = ReadWave(theirs);
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(a.data.size(), b.data.size());
        // libavcodec's float decoders give the same samples through the same conversion.
        EXPECT_LE(MaxSampleDifference(a.data, b.data), 1);
        EXPECT_EQ(Probe(ours), Probe(theirs));
    }
}

TEST_F(WavInterop, PcmTracksAreCopiedAtTheirOwnDepth) {
    const struct {
        const char* file;
        int track, stream;
        const char* codec;  // what ffmpeg writes for the track
    } cases[] = {
        {"ffmpeg_wav.mkv", 3, 1, "pcm_s16le"},  // A_PCM/INT/BIG, byte-swapped
        {"ffmpeg_wav.mkv", 4, 2, "pcm_s24le"},  {"ffmpeg_wav.mkv", 5, 3, "pcm_f32le"},
        {"ffmpeg_wav.mkv", 6, 4, "pcm_u8"},     {"mkvmerge_wav.mkv", 1, 0, "pcm_s24le"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " track " + std::to_string(c.track));
        const fs::path ours = Output("pcm.wav");
        const SeparatedResult run = Export(Media(c.file), c.track, "wav", ours);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const fs::path theirs = Ffmpeg(Media(c.file), c.stream, c.codec, "ffmpeg_pcm.wav");
        const Wave a = ReadWave(ours), b = ReadWave(theirs);
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_TRUE(a.data == b.data);
        EXPECT_EQ(a.fmt, b.fmt);
        EXPECT_EQ(Probe(ours), Probe(theirs));
    }
}

TEST_F(WavInterop, Mp3InWavSoundsLikeTheMp3Track) {
    // ffmpeg decoding the WAV gives the track's decoded sound: the "wav"
    // export of the same track, which matches ffmpeg's decoding of the
    // Matroska track above. (ffmpeg's MP3 reader would drop a LAME header
    // frame that mkvmerge keeps in the track, so the extracted MP3 is no fair
    // reference.) The frames go into the WAV whole: the encoder's padding
    // that the last block of an ffmpeg-made track marks stays in, less than a frame.
    const struct {
        const char* file;
        int track;
    } cases[] = {{"mkvmerge_audio.mkv", 2}, {"ffmpeg_wav.mkv", 7}, {"mkvmerge_mp3_ac3.mkv", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " track " + std::to_string(c.track));
        const fs::path ours = Output("mp3.wav");
        const SeparatedResult run = Export(Media(c.file), c.track, "wav-mp3", ours);
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(Probe(ours).substr(0, 4), "mp3,");
        const fs::path decoded = Output("decoded.wav");
        ASSERT_EQ(Export(Media(c.file), c.track, "wav", decoded).status, 0);
        const Wave a = ReadWave(Ffmpeg(ours, 0, "pcm_s16le", "mp3_by_ffmpeg.wav"));
        const Wave b = ReadWave(decoded);
        ASSERT_TRUE(a.ok && b.ok);
        ASSERT_FALSE(b.data.empty());
        ASSERT_GE(a.data.size(), b.data.size());
        EXPECT_LT(a.data.size() - b.data.size(), 1152u * 4);
        EXPECT_TRUE(std::equal(b.data.begin(), b.data.end(), a.data.begin()));
    }
}

TEST_F(WavInterop, ADamagedFrameIsSkippedCountedAndWarnedOf) {
    const fs::path file = Media("ffmpeg_ac3_damaged.mka");
    const fs::path ours = Output("damaged.wav");
    const SeparatedResult run = Export(file, 1, "wav", ours);
    EXPECT_EQ(run.status, 1) << run.out << run.err;  // written, with a warning
    EXPECT_TRUE(test::HasText(run.out + run.err, "Frames the decoder rejected (skipped): 1"));
    // 192 kbit/s at 48 kHz: every AC-3 frame is 768 bytes. (ffprobe would
    // count one packet less: its parser glues the damaged frame to the one before.)
    const size_t frames = test::MkvextractTrack(file, 0, Output("damaged.ac3")).size() / 768;
    ASSERT_GT(frames, 10u);
    const Wave w = ReadWave(ours);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.data.size(), (frames - 1) * 1536 * 2);  // every frame but the damaged one, mono
}

TEST_F(WavInterop, Rf64HeaderIsReadByFfprobe) {
    // The header of a two-hour 5.1 track, then a little of its data.
    const uint64_t dataBytes = uint64_t{5} << 30;
    const auto header = BuildWaveHeader(PcmWaveFormat(6, 48000, 16, 0x60F, false), dataBytes, true);
    ASSERT_TRUE(header);
    std::vector<uint8_t> bytes = *header;
    bytes.resize(bytes.size() + 48000 * 12, 0);
    const fs::path file = Output("rf64.wav");
    test::WriteBytes(file, bytes);
    EXPECT_EQ(Probe(file), "pcm_s16le,48000,6,5.1(side)\n");
    const SeparatedResult format = RunSeparated("ffprobe -v error -show_entries format=format_name -of csv=p=0 " +
                                                Quoted(file.string()));
    EXPECT_EQ(format.out, "wav\n");
}

}  // namespace
}  // namespace quillon::wav_interop
