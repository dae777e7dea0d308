// The capture's progress line, its summary lines and the --bench table.
#include "tools/capture/report.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "tools/capture/contact_sheet.h"
#include "tools/capture/output_file.h"

namespace {
std::string orderText(int order, bool pastEnd) {
    if (pastEnd) return "ending";
    if (order < 0) return "warning";
    return "order " + std::to_string(order);
}
}  // namespace

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

int64_t cpuNanos(clockid_t which) {
    timespec t{};
    clock_gettime(which, &t);
    return int64_t(t.tv_sec) * NANOS + t.tv_nsec;
}

std::string rateText(const CaptureOptions& o) {
    char text[32];
    if (o.fpsDen == 1)
        std::snprintf(text, sizeof text, "%lld fps", static_cast<long long>(o.fpsNum));
    else
        std::snprintf(text, sizeof text, "%.3f fps", double(o.fpsNum) / double(o.fpsDen));
    return text;
}

void showProgress(const OfflineClock& clock, int64_t done, int64_t total, int order, bool pastEnd, double elapsed) {
    double showSeconds = double(done) * double(clock.fpsDen) / double(clock.fpsNum);
    double speed = elapsed > 0 ? showSeconds / elapsed : 0;
    long left = done > 0 ? long(double(total - done) * elapsed / double(done) + 0.5) : 0;
    std::fprintf(stderr, "\rframe %lld/%lld  %s  %s  %.2fx real time  %ld:%02ld left\033[K",
                 static_cast<long long>(done), static_cast<long long>(total),
                 showTimeText(clock, std::max<int64_t>(0, done - 1)).c_str(), orderText(order, pastEnd).c_str(),
                 speed, left / 60, left % 60);
}

void endProgress() { std::fprintf(stderr, "\r\033[K"); }

void reportVideo(const CaptureOptions& o, const OfflineClock& clock, int64_t frames, double speed) {
    struct stat st;
    double megabytes = stat(o.output.c_str(), &st) == 0 ? double(st.st_size) / 1e6 : 0;
    std::fprintf(stderr, "vortelan-capture: wrote %s: %s (%lld frames, %dx%d at %s), %.1f MB, %.2fx real time\n",
                 absolutePath(o.output).c_str(), showTimeText(clock, frames).c_str(), static_cast<long long>(frames),
                 o.width, o.height, rateText(o).c_str(), megabytes, speed);
}

void reportSheet(const CaptureOptions& o, size_t pictures) {
    std::fprintf(stderr, "vortelan-capture: wrote %s: %zu pictures of the show\n",
                 absolutePath(o.contactSheet).c_str(), pictures);
}

void printBench(const Bench& b, const CaptureOptions& o, const OfflineClock& clock, int64_t framesPlayed,
                double wall, int64_t processCpu) {
    auto ms = [](double seconds, int64_t frames) { return frames > 0 ? seconds * 1000.0 / double(frames) : 0.0; };
    auto line = [&](const char* what, const Spent& s) {
        std::printf("  %-24s %8.2f %8.2f %8lld\n", what, ms(s.wall, s.frames), ms(double(s.cpu) / NANOS, s.frames),
                    static_cast<long long>(s.frames));
    };
    Spent render;
    for (const Spent& s : b.render) {
        render.wall += s.wall;
        render.cpu += s.cpu;
        render.frames += s.frames;
    }
    // The rest of the process's time, but for the plan, is the encoder's own
    // threads, the sound and the file: all of it is encoding.
    Spent encoding = b.encode;
    encoding.wall = 0;
    encoding.cpu = processCpu - b.renderThreadCpu - b.planCpu;
    double showSeconds = double(framesPlayed) * double(clock.fpsDen) / double(clock.fpsNum);
    char quality[32];
    if (o.qp >= 0)
        std::snprintf(quality, sizeof quality, "qp %d", o.qp);
    else
        std::snprintf(quality, sizeof quality, "crf %g", o.crf);
    std::printf("bench: %dx%d, %s, detail %d, %s, preset %s; music plan %.2f s\n", o.width, o.height,
                rateText(o).c_str(), o.detail, quality, o.preset.c_str(), b.planSeconds);
    std::printf("  %-24s %8s %8s %8s\n", "ms per frame", "wall", "cpu", "frames");
    line("render", render);
    line("  warning screen", b.render[0]);
    line("  order 16 (screen door)", b.render[1]);
    line("  the rest", b.render[2]);
    line("RGBA to YUV", b.convert);
    line("encoder calls", b.encode);
    line("encoding, all threads", encoding);
    std::printf("  waits: the render thread %.2f ms/frame for a free slot, the encoder %.2f ms/frame for a frame\n",
                ms(b.renderWaitSeconds, b.convert.frames), ms(b.encodeWaitSeconds, b.encode.frames));
    std::printf("  whole: %.2f s for %.2f s of show, %.2fx real time; processor %.2f s\n", wall, showSeconds,
                wall > 0 ? showSeconds / wall : 0.0, double(processCpu) / NANOS);
}
