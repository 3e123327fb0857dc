#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "edit/mp3_frames.h"
#include "support/ebml_builder.h"
#include "support/run_command.h"

namespace quillon::test {
namespace {

// 128 kbit/s, 44.1 kHz MPEG-1 Layer III, no CRC, joint stereo, original.
constexpr uint8_t kB1 = 0xFB, kB2 = 0x90, kB3 = 0x44;

// A frame: the header, then filler up to `length` bytes.
ByteVec FrameOf(uint8_t b1, uint8_t b2, uint8_t b3, size_t length) {
    ByteVec frame(length, 0x55);
    frame[0] = 0xFF;
    frame[1] = b1;
    frame[2] = b2;
    frame[3] = b3;
    return frame;
}

// `count` frames of 128 kbit/s 44.1 kHz Layer III, every odd one padded
// (417, 418, 417, ...).
ByteVec CbrFrames(size_t count) {
    ByteVec bytes;
    for (size_t k = 0; k < count; ++k) {
        const bool padded = k % 2 == 1;
        const ByteVec frame = FrameOf(kB1, padded ? kB2 | 0x02 : kB2, kB3, padded ? 418 : 417);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

ByteVec Bytes(const std::string& text) { return ByteVec(text.begin(), text.end()); }

ByteVec Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// An APEv2 header or footer: preamble, version 2000, size (items + footer),
// item count, flags, 8 reserved bytes.
ByteVec ApeHeaderOrFooter(uint32_t itemBytes, bool hasHeader, bool isHeader) {
    const uint32_t flags = (hasHeader ? 0x80000000u : 0) | (isHeader ? 0x20000000u : 0);
    return Cat({Bytes("APETAGEX"), Le32(2000), Le32(itemBytes + 32), Le32(1), Le32(flags), ByteVec(8, 0)});
}

ByteVec ApeItems() { return Cat({Le32(5), Le32(0), Bytes("Title"), ByteVec{0}, Bytes("Hello"), ByteVec(15, 0x20)}); }

ByteVec ApeFooterOnly() {
    const ByteVec items = ApeItems();
    return Cat({items, ApeHeaderOrFooter(uint32_t(items.size()), false, false)});
}

ByteVec ApeWithHeader() {
    const ByteVec items = ApeItems();
    const uint32_t n = uint32_t(items.size());
    return Cat({ApeHeaderOrFooter(n, true, true), items, ApeHeaderOrFooter(n, true, false)});
}

ByteVec Id3v1() {
    ByteVec tag = Bytes("TAG");
    tag.resize(128, 0x20);
    return tag;
}

struct HeaderCase {
    const char* name;
    uint8_t b0, b1, b2, b3;
    bool ok;
    uint32_t frameLength, bitrate, sampleRate, samples;
};

TEST(Mp3Header, DecodesFieldsAndFrameLengths) {
    const HeaderCase cases[] = {
        {"MPEG-1 Layer III 128k 44.1k", 0xFF, 0xFB, 0x90, 0x44, true, 417, 128, 44100, 1152},
        {"the same padded", 0xFF, 0xFB, 0x92, 0x44, true, 418, 128, 44100, 1152},
        {"MPEG-1 Layer III 320k 48k", 0xFF, 0xFB, 0xE4, 0x00, true, 960, 320, 48000, 1152},
        {"MPEG-2 Layer III 64k 22.05k: 72 × 64000 div 22050", 0xFF, 0xF3, 0x80, 0x00, true, 208, 64, 22050, 576},
        {"MPEG-2.5 Layer III 8k 8k padded", 0xFF, 0xE3, 0x1A, 0x00, true, 73, 8, 8000, 576},
        {"MPEG-1 Layer I 384k 44.1k: (104 + 0) × 4", 0xFF, 0xFF, 0xC0, 0x00, true, 416, 384, 44100, 384},
        {"the same padded: (104 + 1) × 4", 0xFF, 0xFF, 0xC2, 0x00, true, 420, 384, 44100, 384},
        {"MPEG-2 Layer I 144k 24k", 0xFF, 0xF7, 0x94, 0x00, true, 288, 144, 24000, 384},
        {"MPEG-1 Layer II 192k 48k", 0xFF, 0xFD, 0xA4, 0x00, true, 576, 192, 48000, 1152},
        {"MPEG-2 Layer II 160k 16k", 0xFF, 0xF5, 0xE8, 0x00, true, 1440, 160, 16000, 1152},
        {"MPEG-1 Layer II 56k 32k", 0xFF, 0xFD, 0x38, 0x00, true, 252, 56, 32000, 1152},
        {"free format decodes without a length", 0xFF, 0xFB, 0x00, 0x00, true, 0, 0, 44100, 1152},
        {"reserved emphasis is no fault", 0xFF, 0xFB, 0x90, 0xC2, true, 417, 128, 44100, 1152},
        {"first byte not FF", 0xFE, 0xFB, 0x90, 0x44, false, 0, 0, 0, 0},
        {"sync bits of the second byte missing", 0xFF, 0x7B, 0x90, 0x44, false, 0, 0, 0, 0},
        {"reserved version 1", 0xFF, 0xEB, 0x90, 0x44, false, 0, 0, 0, 0},
        {"reserved layer 0", 0xFF, 0xF9, 0x90, 0x44, false, 0, 0, 0, 0},
        {"bitrate index 15", 0xFF, 0xFB, 0xF0, 0x44, false, 0, 0, 0, 0},
        {"sample-rate index 3", 0xFF, 0xFB, 0x9C, 0x44, false, 0, 0, 0, 0},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const uint8_t bytes[4] = {c.b0, c.b1, c.b2, c.b3};
        mp3block frame;
        frame.frameLength = 12345;  // a refusal leaves it alone
        ASSERT_EQ(ParseMp3Header(bytes, 4, frame), c.ok);
        if (!c.ok) {
            EXPECT_EQ(frame.frameLength, 12345u);
            continue;
        }
        EXPECT_EQ(frame.frameLength, c.frameLength);
        EXPECT_EQ(Mp3Bitrate(frame), c.bitrate);
        EXPECT_EQ(Mp3SampleRate(frame), c.sampleRate);
        EXPECT_EQ(Mp3SamplesPerFrame(frame), c.samples);
    }
}

TEST(Mp3Header, SplitsEveryBitField) {
    // FF FA: MPEG-1 Layer III with CRC; 0x93: bitrate 9, rate 0, padding,
    // private; 0x6D: joint stereo, mode extension 2, copyright, original, emphasis 1.
    const uint8_t bytes[4] = {0xFF, 0xFA, 0x93, 0x6D};
    mp3block f;
    ASSERT_TRUE(ParseMp3Header(bytes, 4, f));
    EXPECT_EQ(f.version, 3);
    EXPECT_EQ(f.layer, 1);
    EXPECT_EQ(f.protection, 0);
    EXPECT_EQ(f.bitrateIndex, 9);
    EXPECT_EQ(f.sampleRateIndex, 0);
    EXPECT_EQ(f.padding, 1);
    EXPECT_EQ(f.privateBit, 1);
    EXPECT_EQ(f.channelMode, 1);
    EXPECT_EQ(f.modeExtension, 2);
    EXPECT_EQ(f.copyright, 1);
    EXPECT_EQ(f.original, 1);
    EXPECT_EQ(f.emphasis, 1);

    const uint8_t mono[4] = {0xFF, 0xE3, 0x10, 0xC0};  // MPEG-2.5, single channel
    ASSERT_TRUE(ParseMp3Header(mono, 4, f));
    EXPECT_EQ(f.version, 0);
    EXPECT_EQ(f.channelMode, 3);
    EXPECT_EQ(Mp3SampleRate(f), 11025u);

    EXPECT_FALSE(ParseMp3Header(bytes, 3, f)) << "exactly four bytes";
    EXPECT_FALSE(ParseMp3Header(bytes, 5, f)) << "exactly four bytes";
}

TEST(Mp3Scan, FramesFollowTheId3v2Tag) {
    struct Case {
        const char* name;
        ByteVec tagHeader;
        size_t tagBody;
        uint64_t firstFrame;
    };
    const Case cases[] = {
        {"no tag", {}, 0, 0},
        {"ID3v2.3, size 00 00 02 01 = 257", {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x02, 0x01}, 257, 267},
        {"size bytes carry seven bits each", {'I', 'D', '3', 3, 0, 0, 0x00, 0x00, 0x01, 0x7F}, 255, 265},
        {"ID3v2.4 with a footer: 10 more bytes", {'I', 'D', '3', 4, 0, 0x10, 0x00, 0x00, 0x00, 0x0A}, 20, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(Cat({c.tagHeader, ByteVec(c.tagBody, 0x00), CbrFrames(3)}), ".mp3");
        const Mp3Stream s = ScanMp3File(file.path());
        ASSERT_EQ(s.result, Mp3ScanResult::Ok);
        ASSERT_EQ(s.frames.size(), 3u);
        EXPECT_EQ(s.frames[0].offset, c.firstFrame);
        EXPECT_EQ(s.frames[1].offset, c.firstFrame + 417);
        EXPECT_EQ(s.frames[2].offset, c.firstFrame + 417 + 418);
        EXPECT_EQ(s.fileSize, c.firstFrame + 417 + 418 + 417);
    }
}

TEST(Mp3Scan, FramesAreTimedFromTheirCount) {
    // 101 frames of 1152 samples at 44.1 kHz: frame k at k × 1152000 div 44100 ms.
    TempFile cbr(CbrFrames(101), ".mp3");
    const Mp3Stream s = ScanMp3File(cbr.path());
    ASSERT_EQ(s.result, Mp3ScanResult::Ok);
    ASSERT_EQ(s.frames.size(), 101u);
    uint64_t offset = 0;
    for (size_t k = 0; k < s.frames.size(); ++k) {
        EXPECT_EQ(s.frames[k].offset, offset) << k;
        EXPECT_EQ(s.frames[k].frameLength, k % 2 ? 418u : 417u) << k;
        offset += s.frames[k].frameLength;
    }
    EXPECT_EQ(s.frames[0].startMs, 0);
    EXPECT_EQ(s.frames[1].startMs, 26);
    EXPECT_EQ(s.frames[8].startMs, 208);
    EXPECT_EQ(s.frames[12].startMs, 313);
    EXPECT_EQ(s.frames[100].startMs, 2612);

    // 48 kHz: exactly 24 ms a frame. 320 kbit/s frames of 960 bytes.
    ByteVec at48;
    for (int k = 0; k < 5; ++k) at48 = Cat({at48, FrameOf(0xFB, 0xE4, 0x00, 960)});
    TempFile f48(at48, ".mp3");
    const Mp3Stream s48 = ScanMp3File(f48.path());
    ASSERT_EQ(s48.frames.size(), 5u);
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(s48.frames[k].startMs, int64_t(24 * k));

    // A later frame with another rate is timed with the first frame's.
    TempFile mixed(Cat({FrameOf(0xFB, 0xE4, 0x00, 960), FrameOf(kB1, kB2, kB3, 417), FrameOf(kB1, kB2, kB3, 417)}),
                   ".mp3");
    const Mp3Stream sm = ScanMp3File(mixed.path());
    ASSERT_EQ(sm.frames.size(), 3u);
    EXPECT_EQ(sm.frames[2].startMs, 48);
    EXPECT_EQ(sm.frames[2].offset, 960u + 417u);
}

TEST(Mp3Scan, HowTheFileEnds) {
    struct Case {
        const char* name;
        ByteVec tail;
        Mp3ScanResult result;
    };
    ByteVec apeHeaderNoFooter = Cat({ApeHeaderOrFooter(40, true, true), ApeItems()});
    ByteVec apeTooLong = ApeFooterOnly();
    apeTooLong[apeTooLong.size() - 32 + 12 + 2] = 0x01;  // size 65,536 + 72: more than the whole file
    const Case cases[] = {
        {"the last frame ends the file", {}, Mp3ScanResult::Ok},
        {"fewer than four bytes left", {0x00, 0x00, 0x00}, Mp3ScanResult::Ok},
        {"ID3v1 tag", Id3v1(), Mp3ScanResult::Ok},
        {"\"TAG\" where a header is expected, whatever follows", Cat({Bytes("TAG"), ByteVec(300, 0x20)}),
         Mp3ScanResult::Ok},
        {"APEv2 tag, footer only", ApeFooterOnly(), Mp3ScanResult::Ok},
        {"APEv2 tag with a header", ApeWithHeader(), Mp3ScanResult::Ok},
        {"APEv2 footer only, then ID3v1", Cat({ApeFooterOnly(), Id3v1()}), Mp3ScanResult::Ok},
        {"APEv2 with a header, then ID3v1", Cat({ApeWithHeader(), Id3v1()}), Mp3ScanResult::Ok},
        {"APEv2 header where a header is expected, no footer", apeHeaderNoFooter, Mp3ScanResult::Ok},
        {"trailing garbage", Bytes("this is not an MPEG audio frame, nor a tag"), Mp3ScanResult::ParseFailed},
        {"an APEv2 footer whose size reaches before the audio is no tag", apeTooLong,
         Mp3ScanResult::ParseFailed},
        {"a free-format frame later", FrameOf(kB1, 0x00, kB3, 417), Mp3ScanResult::ParseFailed},
        {"a header with a reserved layer later", FrameOf(0xF9, kB2, kB3, 417), Mp3ScanResult::ParseFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(Cat({CbrFrames(4), c.tail}), ".mp3");
        const Mp3Stream s = ScanMp3File(file.path());
        EXPECT_EQ(s.result, c.result);
        EXPECT_EQ(s.frames.size(), c.result == Mp3ScanResult::Ok ? 4u : 0u);
    }
}

TEST(Mp3Scan, TheStartMustBeAFrame) {
    struct Case {
        const char* name;
        ByteVec bytes;
        Mp3ScanResult result;
    };
    const ByteVec id3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    const Case cases[] = {
        {"empty file", {}, Mp3ScanResult::NoFrameSync},
        {"garbage before the first frame: no sync search", Cat({ByteVec{0x00}, CbrFrames(3)}),
         Mp3ScanResult::NoFrameSync},
        {"FF but no frame header", Cat({ByteVec{0xFF, 0x00, 0x90, 0x44}, CbrFrames(3)}), Mp3ScanResult::NoFrameSync},
        {"ID3v2 size one short of the frame", Cat({id3, ByteVec(21, 0), CbrFrames(3)}), Mp3ScanResult::NoFrameSync},
        {"ID3v2 size past the end of the file", Cat({ByteVec{'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}, CbrFrames(3)}),
         Mp3ScanResult::NoFrameSync},
        {"first frame free format", Cat({FrameOf(kB1, 0x00, kB3, 417), CbrFrames(3)}), Mp3ScanResult::ParseFailed},
        {"a lone free-format header", FrameOf(kB1, 0x00, kB3, 4), Mp3ScanResult::ParseFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(c.bytes, ".mp3");
        const Mp3Stream s = ScanMp3File(file.path());
        EXPECT_EQ(s.result, c.result);
        EXPECT_TRUE(s.frames.empty());
    }

    const std::string missing = std::filesystem::temp_directory_path() / "quillon-no-such-file.mp3";
    std::remove(missing.c_str());
    EXPECT_EQ(ScanMp3File(missing).result, Mp3ScanResult::CannotOpen);
}

TEST(Mp3Scan, ACutLastFrameKeepsItsFullLength) {
    ByteVec bytes = CbrFrames(3);
    bytes.resize(bytes.size() - 100);  // the third frame: 317 of 417 bytes
    TempFile file(bytes, ".mp3");
    const Mp3Stream s = ScanMp3File(file.path());
    ASSERT_EQ(s.result, Mp3ScanResult::Ok);
    ASSERT_EQ(s.frames.size(), 3u);
    EXPECT_EQ(s.frames[2].offset, 835u);
    EXPECT_EQ(s.frames[2].frameLength, 417u);
    EXPECT_EQ(s.fileSize, 835u + 317u);

    // A header alone at the end is a frame too.
    TempFile headerOnly(Cat({CbrFrames(2), FrameOf(kB1, kB2, kB3, 4)}), ".mp3");
    const Mp3Stream h = ScanMp3File(headerOnly.path());
    ASSERT_EQ(h.result, Mp3ScanResult::Ok);
    ASSERT_EQ(h.frames.size(), 3u);
    EXPECT_EQ(h.frames[2].frameLength, 417u);
}

// A file made by LAME through ffmpeg: an ID3v2 tag, a Xing/Info frame (an
// ordinary frame to us), then the audio frames. Our frames start where
// ffprobe's packets do.
TEST(Mp3Scan, AgreesWithFfprobeOnALameFile) {
    if (RunCommand("ffmpeg -hide_banner -encoders").output.find("libmp3lame") == std::string::npos ||
        RunCommand("ffprobe -version").exitStatus != 0)
        GTEST_SKIP() << "ffmpeg with libmp3lame and ffprobe are needed";
    TempFile file({}, ".mp3");
    const std::string path = Quoted(file.path());
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:duration=3 "
                         "-c:a libmp3lame -b:a 128k " + path).exitStatus, 0);
    const SeparatedResult probe =
        RunSeparated("ffprobe -v error -select_streams a -show_entries packet=pos -of csv=p=0 " + path);
    ASSERT_EQ(probe.status, 0) << probe.err;
    std::vector<uint64_t> packets;
    std::istringstream lines(probe.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) packets.push_back(std::stoull(line));
    ASSERT_GT(packets.size(), 100u);

    const Mp3Stream s = ScanMp3File(file.path());
    ASSERT_EQ(s.result, Mp3ScanResult::Ok);
    ASSERT_FALSE(s.frames.empty());
    EXPECT_GT(s.frames[0].offset, 10u) << "after the ID3v2 tag";
    // ffprobe leaves the Info frame out of its packets (older versions may not).
    const size_t skipped = packets.front() == s.frames[0].offset ? 0 : 1;
    ASSERT_EQ(s.frames.size(), packets.size() + skipped);
    for (size_t k = 0; k < packets.size(); ++k) ASSERT_EQ(s.frames[k + skipped].offset, packets[k]) << k;
    const mp3block& last = s.frames.back();
    EXPECT_EQ(last.offset + last.frameLength, s.fileSize);
    EXPECT_EQ(s.frames[0].channelMode, 3) << "a mono sine";
}

}  // namespace
}  // namespace quillon::test
