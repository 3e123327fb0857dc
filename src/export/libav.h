// FFmpeg's libraries, opened the first time a decoder is needed rather than
// when the program starts: loading and relocating libavcodec and everything
// it pulls in costs every command (an in-place edit, a check) tens of
// milliseconds, and only decoding and the codec list need it. When the
// libraries cannot be opened, decoding is simply not available.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace quillon {

// The functions the decoder layer uses, each named as in FFmpeg.
struct Libav {
#define QUILLON_LIBAV_FUNCTIONS(X)                                                          \
    X(av_channel_layout_compare) X(av_channel_layout_copy) X(av_channel_layout_default)    \
    X(av_channel_layout_uninit) X(av_codec_get_id) X(av_codec_is_decoder) X(av_codec_iterate) \
    X(av_frame_alloc) X(av_frame_free) X(av_frame_unref) X(av_log_set_level) X(av_mallocz)  \
    X(av_new_packet) X(av_packet_alloc) X(av_packet_free) X(av_packet_new_side_data)        \
    X(av_packet_unref) X(avcodec_alloc_context3) X(avcodec_descriptor_get)                  \
    X(avcodec_find_decoder) X(avcodec_free_context) X(avcodec_open2) X(avcodec_receive_frame) \
    X(avcodec_send_packet) X(avcodec_version) X(avformat_get_riff_audio_tags)              \
    X(swr_alloc_set_opts2) X(swr_convert) X(swr_free) X(swr_get_out_samples) X(swr_init)
#define QUILLON_LIBAV_MEMBER(name) decltype(&::name) name = nullptr;
    QUILLON_LIBAV_FUNCTIONS(QUILLON_LIBAV_MEMBER)
#undef QUILLON_LIBAV_MEMBER
};

// The libraries, opened once (thread-safe); null when they cannot be.
const Libav* LoadLibav();

}  // namespace quillon
