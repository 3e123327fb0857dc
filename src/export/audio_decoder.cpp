#include "export/audio_decoder.h"

#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

#include "export/libav.h"

namespace quillon {
namespace {

// Only called once LoadLibav() answered: by an open decoder, or behind a check.
const Libav& Av() { return *LoadLibav(); }

struct CodecRow {
    const char* codecId;
    bool prefix;  // the row covers every CodecID starting with it
    AVCodecID id;
};

// Matroska audio CodecIDs and the decoder of each. A_MS/ACM names its codec
// by the WAVE format tag in its CodecPrivate; A_PCM is copied, not decoded.
constexpr CodecRow kCodecs[] = {
    {"A_AC3", true, AV_CODEC_ID_AC3},  // also A_AC3/BSID9 and /BSID10
    {"A_EAC3", false, AV_CODEC_ID_EAC3},
    {"A_MPEG/L3", false, AV_CODEC_ID_MP3},
    {"A_MPEG/L2", false, AV_CODEC_ID_MP2},
    {"A_MPEG/L1", false, AV_CODEC_ID_MP1},
    {"A_AAC", true, AV_CODEC_ID_AAC},
    {"A_DTS", true, AV_CODEC_ID_DTS},
    {"A_FLAC", false, AV_CODEC_ID_FLAC},
    {"A_VORBIS", false, AV_CODEC_ID_VORBIS},
    {"A_OPUS", false, AV_CODEC_ID_OPUS},
    {"A_TRUEHD", false, AV_CODEC_ID_TRUEHD},
    {"A_MLP", false, AV_CODEC_ID_MLP},
    {"A_ALAC", false, AV_CODEC_ID_ALAC},
    {"A_TTA1", false, AV_CODEC_ID_TTA},
};

constexpr size_t kWaveFormatExSize = 18;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

AVCodecID CodecOf(std::string_view codecId, std::span<const uint8_t> codecPrivate) {
    if (codecId == "A_MS/ACM") {
        if (codecPrivate.size() < kWaveFormatExSize) return AV_CODEC_ID_NONE;
        const AVCodecTag* const tables[] = {Av().avformat_get_riff_audio_tags(), nullptr};
        return Av().av_codec_get_id(tables, Le16(codecPrivate.data()));
    }
    for (const CodecRow& row : kCodecs) {
        const std::string_view name = row.codecId;
        if (codecId == name || (row.prefix && codecId.substr(0, name.size()) == name)) return row.id;
    }
    return AV_CODEC_ID_NONE;
}

// An AudioSpecificConfig for the old A_AAC/MPEGx/PROFILE CodecIDs, which
// carry none: object type from the profile, rate index, channels.
std::vector<uint8_t> SyntheticAacConfig(std::string_view codecId, uint32_t rate, uint32_t channels) {
    static constexpr uint32_t kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                          22050, 16000, 12000, 11025, 8000,  7350};
    uint32_t object = 2;  // LC, and LC for SBR too: the decoder finds SBR by itself
    if (codecId.ends_with("/MAIN")) object = 1;
    else if (codecId.ends_with("/SSR")) object = 3;
    else if (codecId.ends_with("/LTP")) object = 4;
    uint32_t index = 4;
    for (uint32_t i = 0; i < std::size(kRates); ++i)
        if (kRates[i] == rate) index = i;
    const uint32_t bits = object << 11 | index << 7 | (channels & 15) << 3;
    return {uint8_t(bits >> 8), uint8_t(bits)};
}

// The extradata libavcodec expects for the track.
std::vector<uint8_t> Extradata(AVCodecID id, const DecoderInput& in) {
    const std::vector<uint8_t>& priv = in.codecPrivate;
    if (in.codecId == "A_MS/ACM")
        return priv.size() > kWaveFormatExSize ? std::vector<uint8_t>(priv.begin() + kWaveFormatExSize, priv.end())
                                               : std::vector<uint8_t>{};
    if (id == AV_CODEC_ID_AAC && priv.empty()) return SyntheticAacConfig(in.codecId, in.samplingFrequency, in.channels);
    if (id == AV_CODEC_ID_ALAC) {
        // Matroska keeps the bare ALAC config; the decoder wants it in its atom.
        std::vector<uint8_t> atom(12);
        const uint32_t size = uint32_t(12 + priv.size());
        atom[0] = uint8_t(size >> 24), atom[1] = uint8_t(size >> 16), atom[2] = uint8_t(size >> 8), atom[3] = uint8_t(size);
        std::memcpy(&atom[4], "alac", 4);
        atom.insert(atom.end(), priv.begin(), priv.end());
        return atom;
    }
    return priv;
}

// The layout as the decoder names it, or the default one of its channel count.
AVChannelLayout NamedLayout(const AVChannelLayout& layout) {
    AVChannelLayout named{};
    if (layout.order == AV_CHANNEL_ORDER_NATIVE) Av().av_channel_layout_copy(&named, &layout);
    else Av().av_channel_layout_default(&named, layout.nb_channels);
    return named;
}

void QuietLibraries() {
    // Rejected frames are counted and reported by the export; the libraries'
    // own complaints would only clutter the terminal.
    static const bool once = (Av().av_log_set_level(AV_LOG_QUIET), true);
    (void)once;
}

}  // namespace

struct AudioDecoder::State {
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVChannelLayout outLayout{};
    // What the resampler was set up for.
    AVChannelLayout inLayout{};
    int inRate = 0;
    int inFormat = -1;
};

uint64_t DefaultChannelMask(uint32_t channels) {
    if (channels == 0 || channels > 64 || !LoadLibav()) return 0;
    AVChannelLayout layout{};
    Av().av_channel_layout_default(&layout, int(channels));
    const uint64_t mask = layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
    Av().av_channel_layout_uninit(&layout);
    return mask;
}

bool CanDecode(std::string_view codecId, std::span<const uint8_t> codecPrivate) {
    if (!LoadLibav()) return false;
    const AVCodecID id = CodecOf(codecId, codecPrivate);
    return id != AV_CODEC_ID_NONE && Av().avcodec_find_decoder(id) != nullptr;
}

AudioDecoder::AudioDecoder() : state_(new State) {}

AudioDecoder::~AudioDecoder() {
    Close();
    delete state_;
}

bool AudioDecoder::IsOpen() const { return state_->codec != nullptr; }

bool AudioDecoder::Open(const DecoderInput& input) {
    Close();
    if (!LoadLibav()) return false;
    QuietLibraries();
    const AVCodecID id = CodecOf(input.codecId, input.codecPrivate);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : Av().avcodec_find_decoder(id);
    if (!codec) return false;
    State& s = *state_;
    s.codec = Av().avcodec_alloc_context3(codec);
    s.packet = Av().av_packet_alloc();
    s.frame = Av().av_frame_alloc();
    if (!s.codec || !s.packet || !s.frame) {
        Close();
        return false;
    }
    s.codec->sample_rate = int(input.samplingFrequency);
    if (input.channels > 0 && input.channels <= 64) Av().av_channel_layout_default(&s.codec->ch_layout, int(input.channels));
    const std::vector<uint8_t> extra = Extradata(id, input);
    if (!extra.empty()) {
        s.codec->extradata = static_cast<uint8_t*>(Av().av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!s.codec->extradata) {
            Close();
            return false;
        }
        std::memcpy(s.codec->extradata, extra.data(), extra.size());
        s.codec->extradata_size = int(extra.size());
    }
    if (Av().avcodec_open2(s.codec, codec, nullptr) < 0) {
        Close();
        return false;
    }
    return true;
}

void AudioDecoder::Close() {
    State& s = *state_;
    format_ = DecodedFormat{};
    if (!s.codec && !s.swr && !s.packet && !s.frame) return;  // never opened: the libraries may not be loaded
    Av().avcodec_free_context(&s.codec);
    Av().swr_free(&s.swr);
    Av().av_packet_free(&s.packet);
    Av().av_frame_free(&s.frame);
    Av().av_channel_layout_uninit(&s.outLayout);
    Av().av_channel_layout_uninit(&s.inLayout);
    s.inRate = 0;
    s.inFormat = -1;
    format_ = DecodedFormat{};
}

namespace {

// Nanoseconds of padding in samples at `rate`, rounded to the nearest.
uint32_t PaddingSamples(int64_t nanoseconds, int rate) {
    if (nanoseconds <= 0 || rate <= 0) return 0;
    const double samples = double(nanoseconds) * rate / 1e9 + 0.5;
    return samples >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(samples);
}

}  // namespace

bool AudioDecoder::Convert(std::span<const uint8_t> frame, std::vector<uint8_t>& pcm, int64_t discardNanoseconds) {
    State& s = *state_;
    if (!s.codec || frame.empty()) return false;
    // libavcodec reads up to its padding past the end of a packet.
    if (Av().av_new_packet(s.packet, int(frame.size())) < 0) return false;
    std::memcpy(s.packet->data, frame.data(), frame.size());
    const uint32_t discardSamples = PaddingSamples(discardNanoseconds, s.codec->sample_rate);
    if (discardSamples > 0) {
        // The decoder trims its own output (also where it gives a frame's
        // sound one packet late): skip none at the start, this many at the end.
        uint8_t* side = Av().av_packet_new_side_data(s.packet, AV_PKT_DATA_SKIP_SAMPLES, 10);
        if (side) {
            std::memset(side, 0, 10);
            for (int i = 0; i < 4; ++i) side[4 + i] = uint8_t(discardSamples >> (8 * i));
        }
    }
    const int sent = Av().avcodec_send_packet(s.codec, s.packet);
    Av().av_packet_unref(s.packet);
    if (sent < 0 && sent != AVERROR(EAGAIN)) return false;
    return ReceiveAll(pcm);
}

void AudioDecoder::Drain(std::vector<uint8_t>& pcm) {
    State& s = *state_;
    if (!s.codec) return;
    if (Av().avcodec_send_packet(s.codec, nullptr) >= 0) ReceiveAll(pcm);
    if (!s.swr) return;
    // The resampler's tail (nothing when rates match).
    const int pending = Av().swr_get_out_samples(s.swr, 0);
    if (pending <= 0) return;
    const size_t bytesPerSample = 2 * format_.channels;
    const size_t at = pcm.size();
    pcm.resize(at + size_t(pending) * bytesPerSample);
    uint8_t* out = pcm.data() + at;
    const int got = Av().swr_convert(s.swr, &out, pending, nullptr, 0);
    pcm.resize(at + size_t(got > 0 ? got : 0) * bytesPerSample);
}

bool AudioDecoder::ReceiveAll(std::vector<uint8_t>& pcm) {
    State& s = *state_;
    bool ok = true;
    for (;;) {
        const int got = Av().avcodec_receive_frame(s.codec, s.frame);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
        if (got < 0) {
            ok = false;
            break;
        }
        if (!Resample(s.frame, pcm)) ok = false;
        Av().av_frame_unref(s.frame);
    }
    return ok;
}

bool AudioDecoder::Resample(const void* decodedFrame, std::vector<uint8_t>& pcm) {
    State& s = *state_;
    const AVFrame* f = static_cast<const AVFrame*>(decodedFrame);
    if (f->nb_samples <= 0 || f->sample_rate <= 0 || f->ch_layout.nb_channels <= 0) return true;
    if (!FormatKnown()) {
        s.outLayout = NamedLayout(f->ch_layout);
        format_.sampleRate = uint32_t(f->sample_rate);
        format_.channels = uint32_t(s.outLayout.nb_channels);
        format_.channelMask = s.outLayout.order == AV_CHANNEL_ORDER_NATIVE ? s.outLayout.u.mask : 0;
    }
    // A stream may change its layout or rate midway (a TV recording's AC-3
    // going from 2.0 to 5.1): the rest is converted to the first format.
    if (!s.swr || s.inRate != f->sample_rate || s.inFormat != f->format ||
        Av().av_channel_layout_compare(&s.inLayout, &f->ch_layout) != 0) {
        Av().swr_free(&s.swr);
        Av().av_channel_layout_uninit(&s.inLayout);
        AVChannelLayout in = NamedLayout(f->ch_layout);
        const int made = Av().swr_alloc_set_opts2(&s.swr, &s.outLayout, AV_SAMPLE_FMT_S16, int(format_.sampleRate), &in,
                                             AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
        Av().av_channel_layout_uninit(&in);
        if (made < 0 || Av().swr_init(s.swr) < 0) {
            Av().swr_free(&s.swr);
            return false;
        }
        Av().av_channel_layout_copy(&s.inLayout, &f->ch_layout);
        s.inRate = f->sample_rate;
        s.inFormat = f->format;
    }
    const int room = Av().swr_get_out_samples(s.swr, f->nb_samples);
    if (room <= 0) return true;
    const size_t bytesPerSample = 2 * format_.channels;
    const size_t at = pcm.size();
    pcm.resize(at + size_t(room) * bytesPerSample);
    uint8_t* out = pcm.data() + at;
    const int got = Av().swr_convert(s.swr, &out, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    pcm.resize(at + size_t(got > 0 ? got : 0) * bytesPerSample);
    return got >= 0;
}

}  // namespace quillon
