// The WAV exports on built files and their pieces: the RIFF and RF64
// headers, PCM byte order, the MPEG sync search and bit-rate tables, the
// AC-3 frame size table, the decoder list, and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/generated/element_ids.h"
#include "core/mpeg_audio_header.h"
#include "export/ac3_header.h"
#include "export/audio_decoder.h"
#include "export/codec_list.h"
#include "export/pcm_samples.h"
#include "export/wav_header.h"
#include "support/export_helpers.h"

namespace quillon::test {
namespace {

uint32_t Le32At(const ByteVec& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t Le16At(const ByteVec& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint64_t Le64At(const ByteVec& b, size_t at) { return Le32At(b, at) | uint64_t(Le32At(b, at + 4)) << 32; }
std::string TextAt(const ByteVec& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

// ------------------------------------------------------------ headers

TEST(WaveHeader, StereoPcmIsTheClassic44ByteHeader) {
    const WaveFormat f = PcmWaveFormat(2, 48000, 16, 0x3, false);
    const ByteVec h = *BuildWaveHeader(f, 1000, false);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(TextAt(h, 0), "RIFF");
    EXPECT_EQ(Le32At(h, 4), 36u + 1000);
    EXPECT_EQ(TextAt(h, 8), "WAVE");
    EXPECT_EQ(TextAt(h, 12), "fmt ");
    EXPECT_EQ(Le32At(h, 16), 16u);
    EXPECT_EQ(Le16At(h, 20), 1);       // PCM
    EXPECT_EQ(Le16At(h, 22), 2);       // channels
    EXPECT_EQ(Le32At(h, 24), 48000u);  // rate
    EXPECT_EQ(Le32At(h, 28), 192000u); // bytes per second
    EXPECT_EQ(Le16At(h, 32), 4);       // block align
    EXPECT_EQ(Le16At(h, 34), 16);
    EXPECT_EQ(TextAt(h, 36), "data");
    EXPECT_EQ(Le32At(h, 40), 1000u);
    // An odd data size is padded to an even chunk, which the RIFF size counts.
    EXPECT_EQ(Le32At(*BuildWaveHeader(f, 1001, false), 4), 36u + 1001 + 1);
}

TEST(WaveHeader, MoreThanTwoChannelsOrBitsAreExtensibleWithTheirMask) {
    struct Case {
        uint16_t channels, bits;
        bool isFloat;
        uint64_t mask;
    } cases[] = {{6, 16, false, 0x60F}, {6, 24, false, 0x3F}, {2, 24, false, 0x3}, {1, 32, true, 0x4}};
    for (const Case& c : cases) {
        const ByteVec h = *BuildWaveHeader(PcmWaveFormat(c.channels, 48000, c.bits, c.mask, c.isFloat), 0, false);
        ASSERT_EQ(h.size(), 68u) << c.channels << "/" << c.bits;
        EXPECT_EQ(Le32At(h, 16), 40u);
        EXPECT_EQ(Le16At(h, 20), 0xFFFE);
        EXPECT_EQ(Le16At(h, 32), c.channels * c.bits / 8);
        EXPECT_EQ(Le16At(h, 36), 22);      // cbSize
        EXPECT_EQ(Le16At(h, 38), c.bits);  // valid bits
        EXPECT_EQ(Le32At(h, 40), c.mask);
        EXPECT_EQ(Le16At(h, 44), c.isFloat ? 3 : 1);  // the subformat GUID's tag
        EXPECT_EQ(h[50], 0x10);
        EXPECT_EQ(TextAt(h, 60), "data");
    }
    // Mono and stereo of at most 16 bits keep the plain chunk.
    EXPECT_EQ(BuildWaveHeader(PcmWaveFormat(1, 8000, 8, 0x4, false), 0, false)->size(), 44u);
}

TEST(WaveHeader, PastFourGigabytesTheRoomBecomesDs64) {
    const WaveFormat f = PcmWaveFormat(6, 48000, 16, 0x60F, false);
    const ByteVec small = *BuildWaveHeader(f, 4096, true);
    ASSERT_EQ(small.size(), 68u + 36);
    EXPECT_EQ(TextAt(small, 0), "RIFF");
    EXPECT_EQ(TextAt(small, 12), "JUNK");
    EXPECT_EQ(Le32At(small, 16), 28u);
    EXPECT_EQ(TextAt(small, 48), "fmt ");
    EXPECT_EQ(Le32At(small, 4), small.size() - 8 + 4096);

    const uint64_t data = uint64_t{5} << 30;  // two hours of 5.1 at 48 kHz are about 4.6 GiB
    const ByteVec big = *BuildWaveHeader(f, data, true);
    ASSERT_EQ(big.size(), small.size());  // written over the first one in place
    EXPECT_EQ(TextAt(big, 0), "RF64");
    EXPECT_EQ(Le32At(big, 4), 0xFFFFFFFFu);
    EXPECT_EQ(TextAt(big, 12), "ds64");
    EXPECT_EQ(Le64At(big, 20), big.size() - 8 + data);  // RIFF size
    EXPECT_EQ(Le64At(big, 28), data);                   // data size
    EXPECT_EQ(Le64At(big, 36), data / 12);              // sample frames
    EXPECT_EQ(Le32At(big, big.size() - 4), 0xFFFFFFFFu);
    // Without the room the sizes cannot be written at all.
    EXPECT_FALSE(BuildWaveHeader(f, data, false).has_value());
}

// ---------------------------------------------------------------- PCM

TEST(PcmSamples, LayoutFromCodecAndDepth) {
    struct Case {
        const char* codec;
        uint32_t depth;
        bool ok;
        uint16_t bits;
        bool big, isFloat;
    } cases[] = {
        {"A_PCM/INT/LIT", 24, true, 24, false, false}, {"A_PCM/INT/BIG", 0, true, 16, true, false},
        {"A_PCM/FLOAT/IEEE", 0, true, 32, false, true}, {"A_PCM/FLOAT/IEEE", 64, true, 64, false, true},
        {"A_PCM/FLOAT/IEEE", 24, false, 0, false, false}, {"A_PCM/INT/LIT", 40, false, 0, false, false},
        {"A_AC3", 16, false, 0, false, false},
    };
    for (const Case& c : cases) {
        const auto layout = PcmLayoutOf(c.codec, c.depth);
        ASSERT_EQ(layout.has_value(), c.ok) << c.codec << " " << c.depth;
        if (!c.ok) continue;
        EXPECT_EQ(layout->bits, c.bits);
        EXPECT_EQ(layout->bigEndian, c.big);
        EXPECT_EQ(layout->isFloat, c.isFloat);
    }
}

TEST(PcmSamples, BigEndianSamplesAreSwappedAcrossFrameBoundaries) {
    for (uint16_t bits : {16, 24, 32}) {
        const size_t width = bits / 8;
        ByteVec all(width * 7);
        for (size_t i = 0; i < all.size(); ++i) all[i] = uint8_t(i + 1);
        // Frames of 5, 1 and the rest bytes: samples split across all three.
        PcmToLittleEndian convert(PcmLayout{bits, true, false});
        ByteVec out;
        convert.Convert(std::span(all).subspan(0, 5), out);
        convert.Convert(std::span(all).subspan(5, 1), out);
        convert.Convert(std::span(all).subspan(6), out);
        ByteVec expected;
        for (size_t s = 0; s < 7; ++s)
            for (size_t k = 0; k < width; ++k) expected.push_back(all[s * width + width - 1 - k]);
        EXPECT_EQ(out, expected) << bits;
    }
}

// ---------------------------------------------------------- MPEG and AC-3

TEST(MpegSync, TheFirstFrameHeaderAfterStrayBytes) {
    struct Case {
        ByteVec data;
        std::optional<size_t> at;
    } cases[] = {
        {{0xFF, 0xFB, 0x90, 0x44, 0}, 0},
        {{0, 0, 0, 0xFF, 0xFB, 0x90, 0x44, 0}, 3},
        {{0x12, 0xFF, 0xE0, 0xFF, 0xF3, 0x40, 0x44, 0}, 3},  // 0xE0 has only three of the top bits set
        {{0, 0xFF, 0xFB, 0x90, 0x44}, std::nullopt},         // four bytes left: not more than four
        {{0, 1, 2, 3, 4, 5}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(FindMpegFrameSync(c.data.data(), c.data.size()), c.at);
}

TEST(Ac3Header, FieldsAndFrameSizes) {
    // 0B77, crc 1234, fscod 0 frmsizecod 28, bsid 8 bsmod 0, acmod 7 then 1,2.
    const uint8_t bytes[7] = {0x0B, 0x77, 0x12, 0x34, 0x1C, 0x40, 0xEC};
    tAC3header h;
    ASSERT_TRUE(readAC3header(bytes, 7, h));
    EXPECT_EQ(h.syncword, 0x0B77);
    EXPECT_EQ(h.crc1, 0x1234);
    EXPECT_EQ(h.fscod, 0);
    EXPECT_EQ(h.frmsizecod, 28);
    EXPECT_EQ(h.bsid, 8);
    EXPECT_EQ(h.acmod, 7);
    EXPECT_EQ(h.field1, 1);
    EXPECT_EQ(h.field2, 2);
    EXPECT_EQ(calcac3blockalign(h), 768);  // 384 kbit/s at 48 kHz
    EXPECT_FALSE(readAC3header(bytes, 6, h));

    const struct {
        uint8_t fscod, code;
        uint16_t words;
    } sizes[] = {{0, 0, 64}, {1, 0, 69}, {2, 0, 96}, {1, 37, 1394}, {2, 36, 1920}, {3, 0, 0}, {0, 38, 0}};
    for (const auto& s : sizes) {
        tAC3header t;
        t.fscod = s.fscod;
        t.frmsizecod = s.code;
        EXPECT_EQ(calcac3blockalign(t), s.words) << int(s.fscod) << "/" << int(s.code);
    }
}

// ---------------------------------------------------------- decoders

TEST(CodecList, LibavcodecDecodersWithTheirWaveTags) {
    DriverList drivers;
    ASSERT_GT(acmEnum(drivers), 10u);
    const int ac3 = AudsIndex(drivers, 0x2000);
    ASSERT_GE(ac3, 0);
    EXPECT_EQ(drivers[ac3].tags.front().tag, 0x2000u);
    EXPECT_NE(drivers[ac3].tags.front().name.find("AC-3"), std::string::npos);
    EXPECT_GE(AudsIndex(drivers, 0x55), 0);
    EXPECT_EQ(AudsIndex(drivers, 0xFFFFFF), -1);
    EXPECT_EQ(TagHexText(0x2000), "2000");
    EXPECT_EQ(TagHexText(0x55), "55");
    EXPECT_EQ(TagHexText(0xA109), "A109");
    for (const taudrv& d : drivers)
        for (const tftag& t : d.tags) EXPECT_LE(t.name.size(), 48u);
}

TEST(CodecList, DecodableCodecIds) {
    for (const char* codec : {"A_AC3", "A_EAC3", "A_MPEG/L3", "A_MPEG/L2", "A_AAC", "A_AAC/MPEG4/LC", "A_DTS",
                              "A_FLAC", "A_VORBIS", "A_OPUS", "A_TRUEHD"})
        EXPECT_TRUE(CanDecode(codec, {})) << codec;
    for (const char* codec : {"A_PCM/INT/LIT", "A_QUICKTIME", "V_MPEG4/ISO/AVC", "", "A_MS/ACM"})
        EXPECT_FALSE(CanDecode(codec, {})) << codec;
    // A_MS/ACM names its codec by the WAVEFORMATEX in its CodecPrivate.
    ByteVec wfx(18, 0);
    wfx[0] = 0x00, wfx[1] = 0x20;  // 0x2000: AC-3
    EXPECT_TRUE(CanDecode("A_MS/ACM", wfx));
}

// ------------------------------------------------------- whole exports

ByteVec Info() { return InfoMaster({Uint(kTimecodeScale, 1000000), Float(kDuration, 40)}); }
ByteVec Audio(double hz, uint64_t channels, uint64_t depth = 0) {
    std::vector<ByteVec> children = {Float(kSamplingFrequency, hz), Uint(kChannels, channels)};
    if (depth) children.push_back(Uint(kBitDepth, depth));
    return MasterOf(kAudio, children);
}
ByteVec Cluster(uint64_t time, const std::vector<ByteVec>& blocks) {
    std::vector<ByteVec> children = {Uint(kTimeCode, time)};
    children.insert(children.end(), blocks.begin(), blocks.end());
    return MasterOf(kCluster, children);
}
ByteVec OneTrackFile(const std::string& codec, const ByteVec& audio, const std::vector<ByteVec>& frames) {
    std::vector<ByteVec> blocks;
    for (size_t k = 0; k < frames.size(); ++k) blocks.push_back(SimpleBlock(1, int16_t(k * 20), 0x80, frames[k]));
    return MatroskaFile({Info(), Master(kTracks, {TrackEntry(1, 2, codec, {audio})}), Cluster(0, blocks)});
}
ByteVec Counting(size_t size, uint8_t from) {
    ByteVec b(size);
    for (size_t i = 0; i < size; ++i) b[i] = uint8_t(from + i);
    return b;
}
ByteVec DataOf(const ByteVec& wav, size_t at) { return ByteVec(wav.begin() + at, wav.end()); }

TEST(WavExport, PcmTracksKeepTheirDepthInLittleEndianOrder) {
    // 24-bit big-endian stereo in frames of 9 and 15 bytes: a sample split between blocks.
    const ByteVec a = Counting(9, 1), b = Counting(15, 100);
    Exported e;
    Export(OneTrackFile("A_PCM/INT/BIG", Audio(44100, 2, 24), {a, b}), ExportType::WavPcm, e);
    ASSERT_EQ(e.outcome, SaveOutcome::Written);
    ASSERT_EQ(e.bytes.size(), 68u + 24);
    EXPECT_EQ(Le16At(e.bytes, 20), 0xFFFE);
    EXPECT_EQ(Le16At(e.bytes, 22), 2);
    EXPECT_EQ(Le16At(e.bytes, 34), 24);
    EXPECT_EQ(Le32At(e.bytes, 64), 24u);
    ByteVec joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    ByteVec expected;
    for (size_t s = 0; s < joined.size(); s += 3) expected.insert(expected.end(), {joined[s + 2], joined[s + 1], joined[s]});
    EXPECT_EQ(DataOf(e.bytes, 68), expected);

    // Little-endian 16-bit is copied as it is, under the classic header.
    Exported lit;
    Export(OneTrackFile("A_PCM/INT/LIT", Audio(8000, 1), {a, b}), ExportType::WavPcm, lit);
    ASSERT_EQ(lit.bytes.size(), 44u + 24);
    EXPECT_EQ(Le32At(lit.bytes, 40), 24u);
    EXPECT_EQ(DataOf(lit.bytes, 44), joined);

    // Without a Duration a fast stream may grow past 4 GiB: the header keeps its room.
    const ByteVec noDuration = MatroskaFile({InfoMaster({Uint(kTimecodeScale, 1000000)}),
                                             Master(kTracks, {TrackEntry(1, 2, "A_PCM/INT/BIG", {Audio(44100, 2, 24)})}),
                                             Cluster(0, {SimpleBlock(1, 0, 0x80, a), SimpleBlock(1, 20, 0x80, b)})});
    Exported roomy;
    Export(noDuration, ExportType::WavPcm, roomy);
    ASSERT_EQ(roomy.bytes.size(), 68u + 36 + 24);
    EXPECT_EQ(TextAt(roomy.bytes, 12), "JUNK");
    EXPECT_EQ(DataOf(roomy.bytes, 68 + 36), expected);
}

// An MPEG audio frame: the 4 header bytes, then filler.
ByteVec MpegFrame(uint8_t b1, uint8_t b2, uint8_t b3, size_t size) {
    ByteVec f(size, 0x55);
    f[0] = 0xFF, f[1] = b1, f[2] = b2, f[3] = b3;
    return f;
}

TEST(WavExport, Mp3InWavTakesItsRatesFromTheFrameHeader) {
    struct Case {
        const char* what;
        uint8_t b1, b2, b3;
        uint16_t channels;
        uint32_t rate, bytesPerSecond;
    } cases[] = {
        // MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo: 128 × 1024 ÷ 8.
        {"mpeg1", 0xFB, 0x90, 0x44, 2, 44100, 16384},
        // MPEG-2 Layer III, index 8 is 64 kbit/s in its own table (112 in MPEG-1's), 22.05 kHz, mono.
        {"mpeg2", 0xF3, 0x80, 0xC4, 1, 22050, 8192},
    };
    for (const Case& c : cases) {
        ByteVec first = {0x00, 0x01, 0x02};  // stray bytes before the first frame stay in the data
        const ByteVec frame = MpegFrame(c.b1, c.b2, c.b3, 417);
        first.insert(first.end(), frame.begin(), frame.end());
        const ByteVec second = MpegFrame(c.b1, c.b2, c.b3, 418);
        Exported e;
        Export(OneTrackFile("A_MPEG/L3", Audio(48000, 6), {first, second}), ExportType::WavMp3, e);
        ASSERT_EQ(e.outcome, SaveOutcome::Written) << c.what;
        ASSERT_EQ(e.bytes.size(), 58u + 420 + 418) << c.what;
        EXPECT_EQ(Le32At(e.bytes, 16), 30u);
        EXPECT_EQ(Le16At(e.bytes, 20), 0x55);
        EXPECT_EQ(Le16At(e.bytes, 22), c.channels) << c.what;
        EXPECT_EQ(Le32At(e.bytes, 24), c.rate) << c.what;
        EXPECT_EQ(Le32At(e.bytes, 28), c.bytesPerSecond) << c.what;
        EXPECT_EQ(Le16At(e.bytes, 32), 1);
        EXPECT_EQ(Le16At(e.bytes, 36), 12);   // cbSize
        EXPECT_EQ(Le16At(e.bytes, 38), 1);    // wID
        EXPECT_EQ(Le16At(e.bytes, 44), 417);  // nBlockSize
        EXPECT_EQ(TextAt(e.bytes, 50), "data");
        EXPECT_EQ(Le32At(e.bytes, 54), 420u + 418);
        EXPECT_EQ(Le32At(e.bytes, 4), e.bytes.size() - 8);
        EXPECT_EQ(ByteVec(e.bytes.begin() + 58, e.bytes.begin() + 61), (ByteVec{0, 1, 2}));
    }
}

TEST(WavExport, RefusalsLeaveNoFile) {
    struct Case {
        const char* what;
        ByteVec file;
        ExportType type;
        const char* told;
    } cases[] = {
        {"wav (mp3) of AC-3", OneTrackFile("A_AC3", Audio(48000, 2), {Frame(100)}), ExportType::WavMp3,
         "не правильный CodecFormatTag = $2000"},
        {"wav (mp3) of PCM", OneTrackFile("A_PCM/INT/LIT", Audio(48000, 2), {Frame(100)}), ExportType::WavMp3,
         "не правильный CodecFormatTag = $01"},
        {"no frame sync", OneTrackFile("A_MPEG/L3", Audio(48000, 2), {Frame(100, 0x11)}), ExportType::WavMp3,
         "не найден Frame sync"},
        {"no decoder", OneTrackFile("A_REAL/COOK", Audio(48000, 2), {Frame(100)}), ExportType::WavPcm,
         "не удалось выбрать подходящий CodecFormatTag"},
        {"AC-3 without a sync word", OneTrackFile("A_AC3", Audio(48000, 2), {Frame(100)}), ExportType::WavPcm,
         "ошибка конвертирования"},
        {"AC-3 shorter than a header", OneTrackFile("A_AC3", Audio(48000, 2), {Frame(5)}), ExportType::WavPcm,
         "ошибка конвертирования"},
        {"nothing decodes", OneTrackFile("A_MPEG/L3", Audio(48000, 2), {Frame(300, 0x11), Frame(300, 0x22)}),
         ExportType::WavPcm, "ошибка конвертирования"},
        {"PCM of a depth WAVE cannot hold", OneTrackFile("A_PCM/FLOAT/IEEE", Audio(48000, 2, 16), {Frame(100)}),
         ExportType::WavPcm, "ошибка конвертирования"},
    };
    for (const Case& c : cases) {
        Exported e;
        Export(c.file, c.type, e);
        EXPECT_EQ(e.outcome, SaveOutcome::NothingWritten) << c.what;
        EXPECT_FALSE(e.written) << c.what;
        EXPECT_TRUE(e.Told(c.told)) << c.what;
    }
}

}  // namespace
}  // namespace quillon::test
