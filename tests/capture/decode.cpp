#include "tests/capture/decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {
struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    int videoIndex = -1, soundIndex = -1;
    SwsContext* toRgb = nullptr;
    SwrContext* toS16 = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Decoder() {
        sws_freeContext(toRgb);
        swr_free(&toS16);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&video);
        avcodec_free_context(&sound);
        avformat_close_input(&format);
    }
};

AVCodecContext* openCodec(AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* c = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!c) return nullptr;
    c->thread_count = 1;
    if (avcodec_parameters_to_context(c, stream->codecpar) < 0 || avcodec_open2(c, codec, nullptr) < 0)
        avcodec_free_context(&c);
    return c;
}

bool takePicture(Decoder& d, DecodedFile* out) {
    AVFrame* f = d.frame;
    if (!d.toRgb) {
        d.toRgb = sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height, AV_PIX_FMT_RGB24,
                                 SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
        if (!d.toRgb) return false;
        // As a player does: the matrix and range the file is tagged with.
        const int* matrix = sws_getCoefficients(f->colorspace);
        sws_setColorspaceDetails(d.toRgb, matrix, f->color_range == AVCOL_RANGE_JPEG, matrix, 1, 0, 1 << 16, 1 << 16);
    }
    std::vector<uint8_t> rgb(size_t(f->width) * size_t(f->height) * 3);
    uint8_t* dst[1] = {rgb.data()};
    int stride[1] = {f->width * 3};
    sws_scale(d.toRgb, f->data, f->linesize, 0, f->height, dst, stride);
    out->frames.push_back(std::move(rgb));
    return true;
}

bool takeSound(Decoder& d, DecodedFile* out) {
    AVFrame* f = d.frame;
    if (!d.toS16) {
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&d.toS16, &stereo, AV_SAMPLE_FMT_S16, f->sample_rate, &f->ch_layout,
                                AVSampleFormat(f->format), f->sample_rate, 0, nullptr) < 0 ||
            swr_init(d.toS16) < 0)
            return false;
    }
    size_t at = out->sound.size();
    out->sound.resize(at + size_t(f->nb_samples) * 2);
    uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(out->sound.data() + at)};
    int got = swr_convert(d.toS16, dst, f->nb_samples, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (got < 0) return false;
    out->sound.resize(at + size_t(got) * 2);
    return true;
}

// Sends one packet (null: the end) and takes every frame that comes out.
bool feed(Decoder& d, AVCodecContext* c, AVPacket* packet, DecodedFile* out) {
    if (avcodec_send_packet(c, packet) < 0) return false;
    for (;;) {
        int r = avcodec_receive_frame(c, d.frame);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return false;
        bool ok = c == d.video ? takePicture(d, out) : takeSound(d, out);
        av_frame_unref(d.frame);
        if (!ok) return false;
    }
}
}  // namespace

bool decodeFile(const std::string& path, DecodedFile* out, std::string* error) {
    *out = DecodedFile{};
    Decoder d;
    av_log_set_level(AV_LOG_ERROR);
    if (avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(d.format, nullptr) < 0) {
        *error = "cannot open " + path;
        return false;
    }
    d.videoIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    d.soundIndex = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (d.videoIndex < 0 || d.soundIndex < 0) {
        *error = path + " lacks a video or a sound stream";
        return false;
    }
    AVStream* v = d.format->streams[d.videoIndex];
    AVStream* s = d.format->streams[d.soundIndex];
    d.video = openCodec(v);
    d.sound = openCodec(s);
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.video || !d.sound || !d.packet || !d.frame) {
        *error = "cannot decode " + path;
        return false;
    }
    out->videoTimeBaseNum = v->time_base.num;
    out->videoTimeBaseDen = v->time_base.den;
    out->soundTimeBaseNum = s->time_base.num;
    out->soundTimeBaseDen = s->time_base.den;
    out->videoDuration = v->duration == AV_NOPTS_VALUE ? -1 : v->duration;
    out->soundDuration = s->duration == AV_NOPTS_VALUE ? -1 : s->duration;
    out->videoFrameCount = v->nb_frames;

    while (av_read_frame(d.format, d.packet) >= 0) {
        bool ok = true;
        if (d.packet->stream_index == d.videoIndex) ok = feed(d, d.video, d.packet, out);
        else if (d.packet->stream_index == d.soundIndex) ok = feed(d, d.sound, d.packet, out);
        av_packet_unref(d.packet);
        if (!ok) {
            *error = "decoding " + path + " failed";
            return false;
        }
    }
    if (!feed(d, d.video, nullptr, out) || !feed(d, d.sound, nullptr, out)) {
        *error = "decoding " + path + " failed at the end";
        return false;
    }
    return true;
}
