#include "export/wav_export.h"

#include <cstdio>

#include "core/format_tags.h"
#include "core/mpeg_audio_header.h"
#include "export/ac3_header.h"
#include "export/audio_decoder.h"
#include "export/codec_list.h"
#include "export/export_driver.h"
#include "export/pcm_samples.h"
#include "export/wav_header.h"

namespace quillon {
namespace {

constexpr uint16_t kTagAc3 = 0x2000;
constexpr uint16_t kTagMp3 = 0x0055;
constexpr const char* kConvertingError = "ошибка конвертирования";

// Whether the output may pass the size where a RIFF header keeps its room
// for an RF64 one. Without a Duration only a low-rate stream is sure to stay small.
bool MayGrowLarge(double seconds, double bytesPerSecond) {
    if (seconds <= 0) return bytesPerSecond > 100000;
    return seconds * bytesPerSecond * 1.05 >= double(kRoom64From);
}

// The part of a WAV writer that puts the header first, the data after it,
// and the header again with the sizes at the end.
class WaveBody {
public:
    void Start(ExportSink& out, const WaveFormat& format, bool room64) {
        format_ = format;
        room64_ = room64;
        const auto header = BuildWaveHeader(format_, 0, room64_);
        out.Put(*header);
        started_ = true;
    }
    bool Started() const { return started_; }
    void Put(ExportSink& out, std::span<const uint8_t> bytes) {
        out.Put(bytes);
        dataBytes_ += bytes.size();
    }
    void PutRange(ExportSink& out, const WalkBlock& block, uint64_t at, uint64_t size) {
        PutFrameBytes(out, block, at, size);
        dataBytes_ += size;
    }
    // False when the sizes cannot be written (past 4 GiB without room for
    // them). A write that fails fails the file itself, which the save tells
    // with the system's reason.
    bool Close(ExportSink& out) {
        const auto header = BuildWaveHeader(format_, dataBytes_, room64_);
        if (!header) return false;
        if (dataBytes_ & 1) out.Put(std::string_view("\0", 1));  // chunks are padded to an even length
        out.Overwrite(0, *header);
        return true;
    }

private:
    WaveFormat format_;
    bool room64_ = false;
    bool started_ = false;
    uint64_t dataBytes_ = 0;
};

class PcmWavWriter : public TrackWriter {
public:
    ~PcmWavWriter() override { acmConvertClose(); }

    bool Prepare(const ExportTrack& track) override {
        track_ = track;
        tag_ = acFormatTag(track.codecId);
        const double hintBytesPerSecond = 2.0 * track.audio.channels * track.audio.samplingFrequency;
        if (tag_ == 1) {
            const auto layout = PcmLayoutOf(track.codecId, track.audio.bitDepth);
            if (!layout) return Fail(kConvertingError);
            pcm_.emplace(*layout);
            format_ = PcmWaveFormat(uint16_t(track.audio.channels), track.audio.samplingFrequency, layout->bits,
                                    DefaultChannelMask(track.audio.channels), layout->isFloat);
            room64_ = MayGrowLarge(track.durationSeconds, format_.avgBytesPerSec);
            return true;
        }
        if (tag_ == 0 && !CanDecode(track.codecId, track.codecPrivate))
            return Fail("не удалось выбрать подходящий CodecFormatTag");
        if (!ACMOpenAndPrepare(tag_)) return Fail(kConvertingError);
        room64_ = MayGrowLarge(track.durationSeconds, hintBytesPerSecond);
        return true;
    }
    bool Begin(ExportSink& out) override {
        if (pcm_) body_.Start(out, format_, room64_);
        return true;
    }
    const char* WalkStatusText() const override { return "c o n v e r t i n g"; }

    bool Block(const WalkBlock& block, ExportSink& out) override {
        if (firstBlock_ && tag_ == kTagAc3 && !FirstAc3FrameUsable(block.data)) return Fail(kConvertingError);
        firstBlock_ = false;
        uint64_t at = 0;
        for (size_t k = 0; k < block.frameSizes.size(); ++k) {
            const uint32_t size = block.frameSizes[k];
            const auto frame = block.data.subspan(size_t(at), size);
            at += size;
            converted_.clear();
            const bool last = k + 1 == block.frameSizes.size();
            if (pcm_) pcm_->Convert(frame, converted_);
            else if (!decoder_.Convert(frame, converted_, last ? block.discardPadding : 0)) ++skipped_;
            Emit(out);
        }
        return true;
    }

    bool Finish(ExportSink& out) override {
        if (!pcm_) {
            converted_.clear();
            decoder_.Drain(converted_);
            Emit(out);
            // Not one frame decoded: there is nothing to tell the header.
            if (!body_.Started()) return Fail(kConvertingError);
        }
        if (!body_.Close(out)) return Fail("Файл WAV вышел бы больше 4 ГиБ: он не записан.");
        return true;
    }

    void Report(Host& host) const override {
        if (skipped_ > 0) host.AddLog("Кадров, которые декодер не принял (пропущены): ", std::to_string(skipped_));
    }
    bool HasWarnings() const override { return skipped_ > 0; }

private:
    // The decoder for the track: MP3 and AC-3 as the Part's two conversions,
    // every other codec libavcodec decodes the same way.
    bool ACMOpenAndPrepare(uint16_t tag) {
        bool opened = tag == kTagMp3 ? MP3ConvertPrepare() : tag == kTagAc3 ? AC3ConvertPrepare() : OpenDecoder();
        if (!opened) acmConvertClose();
        return opened;
    }
    bool AC3ConvertPrepare() {
        DriverList drivers;
        acmEnum(drivers);
        return AudsIndex(drivers, kTagAc3) >= 0 && OpenDecoder();
    }
    bool MP3ConvertPrepare() { return OpenDecoder(); }
    bool OpenDecoder() {
        return decoder_.Open(
            {track_.codecId, track_.codecPrivate, track_.audio.samplingFrequency, track_.audio.channels});
    }
    bool acmConvertClose() {
        decoder_.Close();
        return true;
    }

    // The first AC-3 block must start with a whole syncframe header of a
    // known sampling rate.
    static bool FirstAc3FrameUsable(std::span<const uint8_t> data) {
        tAC3header header;
        return readAC3header(data.data(), data.size(), header) && header.syncword == 0x0B77 && header.fscod != 3;
    }

    // Writes the converted bytes, first the header once the format is known.
    void Emit(ExportSink& out) {
        if (!body_.Started()) {
            if (!decoder_.FormatKnown()) {
                held_.insert(held_.end(), converted_.begin(), converted_.end());
                return;
            }
            const DecodedFormat& f = decoder_.Format();
            body_.Start(out, PcmWaveFormat(uint16_t(f.channels), f.sampleRate, 16, f.channelMask, false), room64_);
            body_.Put(out, held_);
            held_.clear();
        }
        body_.Put(out, converted_);
    }

    ExportTrack track_;
    uint16_t tag_ = 0;
    std::optional<PcmToLittleEndian> pcm_;
    WaveFormat format_;
    bool room64_ = false;
    AudioDecoder decoder_;
    WaveBody body_;
    bool firstBlock_ = true;
    uint64_t skipped_ = 0;
    std::vector<uint8_t> converted_;
    std::vector<uint8_t> held_;  // decoded before the format was known
};

std::string TagText(uint16_t tag) {
    char text[8];
    std::snprintf(text, sizeof text, tag > 255 ? "%04X" : "%02X", tag);
    return text;
}

class Mp3WavWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        const uint16_t tag = acFormatTag(track.codecId);
        if (tag != kTagMp3) return Fail("не правильный ", "CodecFormatTag = $" + TagText(tag));
        seconds_ = track.durationSeconds;
        return true;
    }
    const char* WalkStatusText() const override { return "c o n v e r t i n g"; }

    bool Block(const WalkBlock& block, ExportSink& out) override {
        if (!body_.Started() && !Start(block.data, out)) return Fail("не найден Frame sync");
        body_.Put(out, block.data);
        return true;
    }
    bool Finish(ExportSink& out) override {
        if (!body_.Close(out)) return Fail("Файл WAV вышел бы больше 4 ГиБ: он не записан.");
        return true;
    }

private:
    // The format chunk from the first frame header: its rate, channels and
    // its version's bit-rate table.
    bool Start(std::span<const uint8_t> data, ExportSink& out) {
        const auto sync = FindMpegFrameSync(data.data(), data.size());
        mp3block frame;
        if (!sync || !ParseMp3Header(data.data() + *sync, 4, frame)) return false;
        WaveFormat format;
        format.formatTag = kTagMp3;
        format.channels = frame.channelMode == 3 ? 1 : 2;
        format.samplesPerSec = Mp3SampleRate(frame);
        format.avgBytesPerSec = Mp3Bitrate(frame) * 1024 / 8;  // a kbit counted as 1024 bits
        format.blockAlign = 1;
        format.bitsPerSample = 0;
        format.hasExtra = true;
        // MPEGLAYER3WAVEFORMAT: wID 1 (MPEG), fdwFlags 0, nBlockSize 417, nFramesPerBlock 1, nCodecDelay 0.
        format.extra = {1, 0, 0, 0, 0, 0, 0xA1, 0x01, 1, 0, 0, 0};
        body_.Start(out, format, MayGrowLarge(seconds_, format.avgBytesPerSec) && seconds_ > 0);
        return true;
    }

    double seconds_ = 0;
    WaveBody body_;
};

}  // namespace

SaveOutcome Sound2WAV(Document& doc, Host& host, const ExportRequest& request) {
    PcmWavWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

SaveOutcome Sound2MP3WAV(Document& doc, Host& host, const ExportRequest& request) {
    Mp3WavWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
