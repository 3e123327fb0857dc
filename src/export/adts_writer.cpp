#include "export/adts_writer.h"

#include "export/export_driver.h"

namespace quillon {
namespace {

constexpr uint32_t kFrequencies[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};

class AdtsWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        const int index = AdtsFrequencyIndex(track.audio.samplingFrequency);
        if (index < 0) return Fail("Частоту дискретизации дорожки нельзя записать в заголовок ADTS. Экспорт прерван.");
        header_ = AdtsHeaderTemplate(AdtsProfile(track.codecPrivate), static_cast<uint8_t>(index),
                                     AdtsChannelConfig(track.audio.channels));
        return true;
    }
    bool WantsBytes() const override { return false; }
    bool Block(const WalkBlock& block, ExportSink& out) override {
        size_t at = 0;
        for (uint32_t size : block.frameSizes) {
            if (size > kMaxAdtsPayload)
                return Fail("Кадр AAC длиннее 8184 байт не помещается в заголовок ADTS. Экспорт прерван.");
            PutAdtsFrameLength(header_, size + 7);
            out.Put(header_.data(), header_.size());
            PutFrameBytes(out, block, at, size);
            at += size;
        }
        return true;
    }
    const char* EndStatus() const override { return nullptr; }

private:
    AdtsHeader header_{};
};

}  // namespace

int AdtsFrequencyIndex(uint32_t hz) {
    for (size_t i = 0; i < std::size(kFrequencies); ++i)
        if (kFrequencies[i] == hz) return static_cast<int>(i);
    return -1;
}

uint8_t AdtsChannelConfig(uint32_t channels) { return channels == 8 ? 7 : static_cast<uint8_t>(channels & 7); }

uint8_t AdtsProfile(std::span<const uint8_t> codecPrivate) {
    if (codecPrivate.empty()) return 1;
    const int objectType = codecPrivate[0] >> 3;
    return objectType >= 1 && objectType <= 4 ? static_cast<uint8_t>(objectType - 1) : 1;
}

AdtsHeader AdtsHeaderTemplate(uint8_t profile, uint8_t frequencyIndex, uint8_t channelConfig) {
    AdtsHeader h{};
    h[0] = 0xFF;
    h[1] = 0xF1;  // syncword, MPEG-4, layer 0, no CRC
    h[2] = static_cast<uint8_t>(((profile & 3) << 6) | ((frequencyIndex & 15) << 2) | ((channelConfig >> 2) & 1));
    h[3] = static_cast<uint8_t>((channelConfig & 3) << 6);
    h[5] = 0x1F;  // buffer fullness 0x7FF: variable rate
    h[6] = 0xFC;  // one raw data block
    return h;
}

void PutAdtsFrameLength(AdtsHeader& h, uint32_t frameLength) {
    const uint32_t length = frameLength & 0x1FFF;
    h[3] = static_cast<uint8_t>((h[3] & 0xFC) | (length >> 11));
    h[4] = static_cast<uint8_t>(length >> 3);
    h[5] = static_cast<uint8_t>(((length & 7) << 5) | (h[5] & 0x1F));
}

SaveOutcome SaveADTS(Document& doc, Host& host, const ExportRequest& request) {
    AdtsWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Audio, writer);
}

}  // namespace quillon
