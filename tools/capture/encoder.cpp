// H.264 and AAC or FLAC through FFmpeg, fed the pictures in YUV.
#include "tools/capture/encoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "render/workers.h"
#include "tools/capture/colour.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

const char* encoderLibraryVersions() {
    static char text[96];
    std::snprintf(text, sizeof text, "FFmpeg %s\n", av_version_info());
    return text;
}

namespace {
constexpr int SOUND_RATE = 44100;
constexpr int64_t AAC_BITRATE = 192000;  // clear of audible artefacts with FFmpeg's own AAC encoder

std::string libraryError(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

void tagColour(AVCodecContext* c) {
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_BT709;
    c->color_primaries = AVCOL_PRI_BT709;
    c->color_trc = AVCOL_TRC_BT709;
    c->chroma_sample_location = AVCHROMA_LOC_CENTER;  // as the conversion places it
}
}  // namespace

struct Encoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* sound = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* soundStream = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* soundFrame = nullptr;  // one encoder frame of sound
    AVPacket* packet = nullptr;
    std::vector<int16_t> pending;   // interleaved samples waiting for a whole frame
    int pendingFrames = 0;
    int soundFrameSize = 0;
    int64_t soundPts = 0;
    bool (*interrupted)() = nullptr;
    std::string error;
};

struct PictureConverter {
    int width = 0, height = 0;
    ColourScratch scratch[MAX_RENDER_THREADS];
};

namespace {
bool fail(Encoder* e, const std::string& message) {
    if (e->error.empty()) e->error = message;
    return false;
}

// Moves every packet the encoder has ready into the file.
bool drain(Encoder* e, AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        int r = avcodec_receive_packet(codec, e->packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) return fail(e, libraryError("encoding failed", r));
        av_packet_rescale_ts(e->packet, codec->time_base, stream->time_base);
        e->packet->stream_index = stream->index;
        r = av_interleaved_write_frame(e->format, e->packet);
        if (r < 0) return fail(e, libraryError("writing the file failed", r));
    }
}

bool send(Encoder* e, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int r = avcodec_send_frame(codec, frame);
    if (r < 0) return fail(e, libraryError("encoding failed", r));
    return drain(e, codec, stream);
}

bool sendPendingSound(Encoder* e) {
    if (e->pendingFrames == 0) return true;
    int r = av_frame_make_writable(e->soundFrame);
    if (r < 0) return fail(e, libraryError("sound buffer", r));
    e->soundFrame->nb_samples = e->pendingFrames;
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(e->pending.data())};
    r = swr_convert(e->resampler, e->soundFrame->data, e->pendingFrames, in, e->pendingFrames);
    if (r != e->pendingFrames) return fail(e, libraryError("sound conversion failed", r < 0 ? r : AVERROR_BUG));
    e->soundFrame->pts = e->soundPts;
    e->soundPts += e->pendingFrames;
    e->pendingFrames = 0;
    return send(e, e->sound, e->soundStream, e->soundFrame);
}

// The encoder's preferred sample format: its first. FFmpeg 7.1 asks for it
// through avcodec_get_supported_config; the list in AVCodec goes away.
AVSampleFormat firstSampleFormat(const AVCodecContext* c, const AVCodec* codec) {
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(61, 13, 100)
    const void* formats = nullptr;
    int count = 0;
    if (avcodec_get_supported_config(c, codec, AV_CODEC_CONFIG_SAMPLE_FORMAT, 0, &formats, &count) >= 0 && formats &&
        count > 0)
        return static_cast<const AVSampleFormat*>(formats)[0];
    return AV_SAMPLE_FMT_S16;
#else
    (void)c;
    return codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
#endif
}

bool openVideo(Encoder* e, const EncoderSettings& s) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return fail(e, "this FFmpeg has no libx264 encoder");
    AVCodecContext* c = e->video = avcodec_alloc_context3(codec);
    if (!c) return fail(e, "out of memory");
    c->width = s.width;
    c->height = s.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{int(s.fpsDen), int(s.fpsNum)};
    c->framerate = AVRational{int(s.fpsNum), int(s.fpsDen)};
    c->sample_aspect_ratio = AVRational{1, 1};
    c->thread_count = 0;  // x264 picks its own threads
    tagColour(c);
    if (e->format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = av_opt_set(c->priv_data, "preset", s.preset.c_str(), 0);
    if (r < 0) return fail(e, libraryError(("the H.264 encoder refuses --preset " + s.preset).c_str(), r));
    if (s.qp >= 0) {
        r = av_opt_set_int(c->priv_data, "qp", s.qp, 0);
        if (r < 0) return fail(e, libraryError("the H.264 encoder refuses --qp", r));
    } else {
        r = av_opt_set_double(c->priv_data, "crf", s.crf, 0);
        if (r < 0) return fail(e, libraryError("the H.264 encoder refuses --crf", r));
    }
    r = avcodec_open2(c, codec, nullptr);
    if (r < 0) return fail(e, libraryError("the H.264 encoder cannot start", r));
    e->videoStream = avformat_new_stream(e->format, nullptr);
    if (!e->videoStream) return fail(e, "out of memory");
    e->videoStream->time_base = c->time_base;
    e->videoStream->avg_frame_rate = c->framerate;
    r = avcodec_parameters_from_context(e->videoStream->codecpar, c);
    return r >= 0 || fail(e, libraryError("video stream", r));
}

bool openSound(Encoder* e, const EncoderSettings& s) {
    AVCodecID id = s.container == Container::Mkv ? AV_CODEC_ID_FLAC : AV_CODEC_ID_AAC;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec) return fail(e, std::string("this FFmpeg has no ") + avcodec_get_name(id) + " encoder");
    AVCodecContext* c = e->sound = avcodec_alloc_context3(codec);
    if (!c) return fail(e, "out of memory");
    c->sample_rate = SOUND_RATE;
    c->sample_fmt = firstSampleFormat(c, codec);
    av_channel_layout_default(&c->ch_layout, 2);
    c->time_base = AVRational{1, SOUND_RATE};
    if (id == AV_CODEC_ID_AAC) c->bit_rate = AAC_BITRATE;
    if (e->format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int r = avcodec_open2(c, codec, nullptr);
    if (r < 0) return fail(e, libraryError("the sound encoder cannot start", r));
    e->soundStream = avformat_new_stream(e->format, nullptr);
    if (!e->soundStream) return fail(e, "out of memory");
    e->soundStream->time_base = c->time_base;
    r = avcodec_parameters_from_context(e->soundStream->codecpar, c);
    if (r < 0) return fail(e, libraryError("sound stream", r));

    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    r = swr_alloc_set_opts2(&e->resampler, &c->ch_layout, c->sample_fmt, SOUND_RATE, &stereo, AV_SAMPLE_FMT_S16,
                            SOUND_RATE, 0, nullptr);
    if (r < 0 || (r = swr_init(e->resampler)) < 0) return fail(e, libraryError("sound conversion", r));

    e->soundFrameSize = c->frame_size > 0 ? c->frame_size : 1024;
    e->pending.assign(size_t(e->soundFrameSize) * 2, 0);
    AVFrame* f = e->soundFrame = av_frame_alloc();
    if (!f) return fail(e, "out of memory");
    f->format = c->sample_fmt;
    f->sample_rate = SOUND_RATE;
    f->nb_samples = e->soundFrameSize;
    r = av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
    if (r < 0 || (r = av_frame_get_buffer(f, 0)) < 0) return fail(e, libraryError("sound buffer", r));
    return true;
}

int stopWriting(void* encoder) {
    const Encoder* e = static_cast<const Encoder*>(encoder);
    return e->interrupted && e->interrupted();
}

const char* formatName(Container c) {
    switch (c) {
        case Container::Mkv: return "matroska";
        case Container::Mov: return "mov";
        default: return "mp4";
    }
}
}  // namespace

Encoder* openEncoder(const char* path, const EncoderSettings& s, bool (*interrupted)(), std::string* error) {
    Encoder* e = new Encoder;
    e->interrupted = interrupted;
    bool ok = avformat_alloc_output_context2(&e->format, nullptr, formatName(s.container), path) >= 0 && e->format;
    if (!ok) fail(e, "the container cannot be set up");
    ok = ok && (e->packet = av_packet_alloc()) != nullptr;
    ok = ok && openVideo(e, s) && openSound(e, s);
    if (ok) {
        e->format->interrupt_callback = AVIOInterruptCB{stopWriting, e};
        int r = avio_open2(&e->format->pb, path, AVIO_FLAG_WRITE, &e->format->interrupt_callback, nullptr);
        ok = r >= 0 || fail(e, libraryError(path, r));
    }
    if (ok) {
        AVDictionary* options = nullptr;
        // The index up front, so the file plays while it downloads.
        int r = s.container != Container::Mkv ? av_dict_set(&options, "movflags", "+faststart", 0) : 0;
        if (r >= 0) r = avformat_write_header(e->format, &options);
        av_dict_free(&options);
        ok = r >= 0 || fail(e, libraryError("writing the file failed", r));
    }
    if (!ok) {
        *error = e->error.empty() ? "the encoder cannot be set up" : e->error;
        closeEncoder(&e);
        return nullptr;
    }
    return e;
}

AVFrame* allocPicture(const Encoder* e) {
    AVFrame* f = av_frame_alloc();
    if (!f) return nullptr;
    f->format = e->video->pix_fmt;
    f->width = e->video->width;
    f->height = e->video->height;
    f->color_range = e->video->color_range;
    f->colorspace = e->video->colorspace;
    f->color_primaries = e->video->color_primaries;
    f->color_trc = e->video->color_trc;
    if (av_frame_get_buffer(f, 0) < 0) av_frame_free(&f);
    return f;
}

void freePicture(AVFrame** picture) { av_frame_free(picture); }

PictureConverter* openConverter(int width, int height) {
    PictureConverter* c = new PictureConverter;
    c->width = width;
    c->height = height;
    return c;
}

bool convertPicture(PictureConverter* c, const uint8_t* rgba, int stride, AVFrame* picture) {
    if (av_frame_make_writable(picture) < 0) return false;
    struct Job {
        PictureConverter* c;
        const uint8_t* rgba;
        int stride, pieces;
        YuvPicture out;
    } job{c, rgba, stride, 2 * renderThreads(),  // a late thread leaves less undone
          {{picture->data[0], picture->data[1], picture->data[2]},
           {picture->linesize[0], picture->linesize[1], picture->linesize[2]}}};
    // Bands of even rows on the render threads; a band reads one row beyond
    // either end, which no thread writes.
    runPieces(
        job.pieces,
        [](int piece, int thread, void* context) {
            const Job* j = static_cast<const Job*>(context);
            const int pairs = j->c->height / 2;
            rgbaToYuv420(j->rgba, j->stride, j->c->width, j->c->height, 2 * (pairs * piece / j->pieces),
                         2 * (pairs * (piece + 1) / j->pieces), j->out, &j->c->scratch[thread]);
        },
        &job);
    return true;
}

void closeConverter(PictureConverter** c) {
    delete *c;
    *c = nullptr;
}

bool encodePicture(Encoder* e, AVFrame* picture, int64_t index) {
    picture->pts = index;
    return send(e, e->video, e->videoStream, picture);
}

bool encodeSound(Encoder* e, const int16_t* samples, int frames) {
    while (frames > 0) {
        int take = std::min(frames, e->soundFrameSize - e->pendingFrames);
        std::memcpy(e->pending.data() + 2 * size_t(e->pendingFrames), samples, size_t(take) * 4);
        e->pendingFrames += take;
        samples += 2 * size_t(take);
        frames -= take;
        if (e->pendingFrames == e->soundFrameSize && !sendPendingSound(e)) return false;
    }
    return true;
}

bool finishEncoder(Encoder* e) {
    if (!sendPendingSound(e)) return false;
    if (!send(e, e->video, e->videoStream, nullptr) || !send(e, e->sound, e->soundStream, nullptr)) return false;
    int r = av_write_trailer(e->format);
    if (r < 0) return fail(e, libraryError("writing the file failed", r));
    r = avio_closep(&e->format->pb);
    if (r < 0) return fail(e, libraryError("closing the file failed", r));
    return true;
}

void closeEncoder(Encoder** encoder) {
    Encoder* e = *encoder;
    if (!e) return;
    if (e->format && e->format->pb) avio_closep(&e->format->pb);
    avcodec_free_context(&e->video);
    avcodec_free_context(&e->sound);
    swr_free(&e->resampler);
    av_frame_free(&e->soundFrame);
    av_packet_free(&e->packet);
    avformat_free_context(e->format);
    delete e;
    *encoder = nullptr;
}

const std::string& encoderError(const Encoder* e) { return e->error; }
