// The decoder layer of the WAV export: a Matroska audio track's frames in,
// 16-bit interleaved PCM out, over FFmpeg's libavcodec and libswresample.
// The steps are those of an audio compression manager: open with the
// stream's parameters, convert one frame at a time, close.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// What the decoder is opened with: the track's CodecID, CodecPrivate and the
// Audio element's rate and channels (hints; the stream's own header wins).
struct DecoderInput {
    std::string codecId;
    std::vector<uint8_t> codecPrivate;
    uint32_t samplingFrequency = 0;
    uint32_t channels = 0;
};

// The PCM the decoder delivers: the first decoded frame's rate and channel
// layout; later frames are converted to it. channelMask is the WAVE speaker
// mask of the layout (0 when the layout names no speakers).
struct DecodedFormat {
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint64_t channelMask = 0;
};

// The WAVE speaker mask of the usual layout of that many channels (what a
// decoder gives a stream that names none); 0 when there is none.
uint64_t DefaultChannelMask(uint32_t channels);

// True when a decoder of this build takes the track's codec.
bool CanDecode(std::string_view codecId, std::span<const uint8_t> codecPrivate);

class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // False when no decoder takes the codec or it refuses to open.
    bool Open(const DecoderInput& input);
    bool IsOpen() const;
    // One frame of the track: its PCM is appended to `pcm`. False when the
    // decoder rejected the frame (nothing of it is appended; the stream goes on).
    // `discardNanoseconds`: padding at the end of the frame's sound (a
    // group's DiscardPadding), left out. It is counted in samples of the
    // rate the decoder works at, which need not be the track's: Opus always
    // decodes at 48 kHz whatever SamplingFrequency says.
    bool Convert(std::span<const uint8_t> frame, std::vector<uint8_t>& pcm, int64_t discardNanoseconds = 0);
    // What the decoder and the resampler still hold at the end of the track.
    void Drain(std::vector<uint8_t>& pcm);
    void Close();

    // Known once a frame has been decoded.
    bool FormatKnown() const { return format_.channels != 0; }
    const DecodedFormat& Format() const { return format_; }

private:
    struct State;
    bool ReceiveAll(std::vector<uint8_t>& pcm);
    bool Resample(const void* frame, std::vector<uint8_t>& pcm);

    State* state_;
    DecodedFormat format_;
};

}  // namespace quillon
