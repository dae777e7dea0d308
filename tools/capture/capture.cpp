#include "tools/capture/capture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/globals.h"
#include "show/offline_show.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/encoder.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

namespace {
constexpr size_t RING_SLOTS = 4;           // frames between the render thread and the encoder
constexpr int64_t LONGEST_MUSIC = 3600;    // seconds; a song that plays longer is taken as endless
constexpr int64_t NANOS = 1000000000;

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler stores into it");

extern "C" void onSignal(int signal) { caughtSignal.store(signal, std::memory_order_relaxed); }

void catchSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // a second Ctrl-C ends the process at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void complain(const std::string& message) { std::fprintf(stderr, "vortelan-capture: %s\n", message.c_str()); }

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

int64_t cpuNanos(clockid_t which) {
    timespec t{};
    clock_gettime(which, &t);
    return int64_t(t.tv_sec) * NANOS + t.tv_nsec;
}

// --- Files that appear only when complete ------------------------------------------------

struct OutputFile {
    std::string path;
    std::string temp;  // empty once committed or abandoned
};

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the temporary file beside path, so the final rename stays in one folder.
bool beginOutput(const std::string& path, OutputFile* out, std::string* error) {
    out->path = path;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "'" + path + "' is a folder";
        return false;
    }
    std::string folder = folderOf(path);
    if (stat(folder.c_str(), &st) != 0) {
        *error = "cannot write '" + path + "': the folder '" + folder + "' " +
                 (errno == ENOENT ? std::string("does not exist") : std::string(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "cannot write '" + path + "': '" + folder + "' is not a folder";
        return false;
    }
    std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
    std::vector<char> temp(folder.begin(), folder.end());
    std::string tail = "/." + name + ".XXXXXX";
    temp.insert(temp.end(), tail.begin(), tail.end());
    temp.push_back('\0');
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        *error = "cannot write in the folder '" + folder + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    out->temp = temp.data();
    return true;
}

bool commitOutput(OutputFile* out, std::string* error) {
    mode_t mask = umask(0);
    umask(mask);
    chmod(out->temp.c_str(), 0666 & ~mask);
    if (rename(out->temp.c_str(), out->path.c_str()) != 0) {
        *error = "cannot name the file '" + out->path + "': " + std::strerror(errno);
        return false;
    }
    out->temp.clear();
    return true;
}

void abandonOutput(OutputFile* out) {
    if (!out->temp.empty()) unlink(out->temp.c_str());
    out->temp.clear();
}

std::string absolutePath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string s = resolved;
    std::free(resolved);
    return s;
}

// --- Where the range falls ------------------------------------------------------------

int64_t framesOfSeconds(const OfflineClock& clock, int64_t num, int64_t den) {
    // The first frame whose time k * fpsDen / fpsNum reaches num / den.
    __int128 a = __int128(num) * clock.fpsNum, b = __int128(den) * clock.fpsDen;
    return int64_t((a + b - 1) / b);
}

int64_t samplesOfSeconds(int64_t num, int64_t den) {
    return int64_t((__int128(num) * OFFLINE_RATE * 2 + den) / (2 * __int128(den)));  // rounded
}

std::string orderText(int order, bool pastEnd) {
    if (pastEnd) return "ending";
    if (order < 0) return "warning";
    return "order " + std::to_string(order);
}

struct Range {
    int64_t from = 0, to = 0;  // frames [from, to) go into the video
    int64_t last = 0;          // frames [0, last) are played
};

bool momentFrame(const ShowMoment& m, const OfflineClock& clock, const OfflineMusicPlan& plan, const char* option,
                 int64_t* frame, std::string* error) {
    switch (m.kind) {
        case ShowMoment::Seconds: *frame = framesOfSeconds(clock, m.num, m.den); return true;
        case ShowMoment::End: *frame = plan.endFrame; return true;
        case ShowMoment::Order:
            *frame = plan.orderFrame[m.num];
            if (*frame < 0) {
                *error = std::string(option) + " order:" + std::to_string(m.num) + ": the show never reaches order " +
                         std::to_string(m.num);
                return false;
            }
            return true;
        default: return true;
    }
}

// --- The run ----------------------------------------------------------------------------

// One frame on its way to the encoder: the picture as drawn and its sound.
struct Slot {
    std::vector<uint8_t> rgba;
    std::vector<int16_t> sound;
    int soundFrames = 0;
    int64_t frame = 0;
};

// Time spent on one part of the work: wall clock and the thread's processor time.
struct Spent {
    double wall = 0;
    int64_t cpu = 0;  // nanoseconds
    int64_t frames = 0;
};

struct Stopwatch {
    Clock::time_point wall = Clock::now();
    int64_t cpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    void stop(Spent* s) const {
        s->wall += secondsSince(wall);
        s->cpu += cpuNanos(CLOCK_THREAD_CPUTIME_ID) - cpu;
        ++s->frames;
    }
};

struct Bench {
    // Rendering by kind of frame: the warning screen, order 16 (the screen
    // door over the whole picture), everything else.
    Spent render[3];
    Spent handOver;                // copying the frame into the ring
    Spent convert;
    Spent encode;                  // the encoder calls on the calling thread
    double renderWaitSeconds = 0;  // the render thread waiting for a free slot
    double encodeWaitSeconds = 0;  // the encoder waiting for a frame
    int64_t renderThreadCpu = 0;
    double planSeconds = 0;
    int64_t planCpu = 0;
};

struct Run {
    const CaptureOptions* options = nullptr;
    OfflineClock clock;
    Range range;
    bool video = false;
    Encoder* encoder = nullptr;
    PictureConverter* converter = nullptr;
    AVFrame* picture = nullptr;  // the converted frame, handed to the encoder
    ContactSheet* sheet = nullptr;

    std::vector<Slot> slots;
    std::mutex lock;
    std::condition_variable changed;
    size_t head = 0, filled = 0;  // filled slots start at head
    bool renderDone = false;
    std::atomic<bool> failed{false};
    std::string renderError;

    std::atomic<int64_t> stepped{0};
    std::atomic<int> order{-1};
    std::atomic<bool> pastEnd{false};
    int64_t encoded = 0;
    Bench bench;
};

bool interrupted() { return caughtSignal.load(std::memory_order_relaxed) != 0; }
bool stopping(const Run* r) { return interrupted() || r->failed.load(); }

Slot* freeSlot(Run* r) {
    auto t = Clock::now();
    std::unique_lock<std::mutex> hold(r->lock);
    while (r->filled == r->slots.size() && !stopping(r)) r->changed.wait_for(hold, std::chrono::milliseconds(100));
    r->bench.renderWaitSeconds += secondsSince(t);
    if (stopping(r)) return nullptr;
    return &r->slots[(r->head + r->filled) % r->slots.size()];
}

void renderThread(Run* r) {
    const CaptureOptions& o = *r->options;
    int64_t cpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    OfflineShow show;
    std::string error;
    if (!openOfflineShow(&show, r->clock, o.width, o.height, detailStepOf(o.detail)))
        error = "the show's music cannot be played";

    for (int64_t k = 0; error.empty() && k < r->range.last && !stopping(r); ++k) {
        Slot* slot = nullptr;
        if (r->video && k >= r->range.from && k < r->range.to && !(slot = freeSlot(r))) break;
        Stopwatch step;
        stepOfflineShow(&show, slot ? slot->sound.data() : nullptr);
        step.stop(&r->bench.render[show.order < 0 && !show.pastEnd ? 0 : orderReached == 16 ? 1 : 2]);
        if (r->sheet) addToContactSheet(r->sheet, k, show.fb.pixels.data(), show.fb.width * 4);
        if (slot) {
            // The colour conversion is the encoder's side of the work: the
            // render thread is the one that cannot share its load.
            Stopwatch handOver;
            std::memcpy(slot->rgba.data(), show.fb.pixels.data(), slot->rgba.size());
            handOver.stop(&r->bench.handOver);
            slot->soundFrames = int(offlineFrameSample(r->clock, k + 1) - offlineFrameSample(r->clock, k));
            slot->frame = k;
            std::lock_guard<std::mutex> hold(r->lock);
            ++r->filled;
            r->changed.notify_all();
        }
        r->order.store(show.order);
        r->pastEnd.store(show.pastEnd);
        r->stepped.store(k + 1);
    }
    closeOfflineShow(&show);
    r->bench.renderThreadCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID) - cpu;
    std::lock_guard<std::mutex> hold(r->lock);
    if (!error.empty()) {
        r->renderError = error;
        r->failed.store(true);
    }
    r->renderDone = true;
    r->changed.notify_all();
}

int64_t framesDone(const Run* r) {
    int64_t stepped = r->stepped.load();
    if (!r->video) return stepped;
    int64_t inRange = std::max<int64_t>(0, std::min(stepped, r->range.to) - r->range.from);
    return stepped - inRange + r->encoded;
}

void showProgress(const Run* r, double elapsed) {
    int64_t done = framesDone(r);
    int64_t total = r->range.last;
    double showSeconds = double(done) * double(r->clock.fpsDen) / double(r->clock.fpsNum);
    double speed = elapsed > 0 ? showSeconds / elapsed : 0;
    long left = done > 0 ? long(double(total - done) * elapsed / double(done) + 0.5) : 0;
    std::fprintf(stderr, "\rframe %lld/%lld  %s  %s  %.2fx real time  %ld:%02ld left\033[K",
                 static_cast<long long>(done), static_cast<long long>(total),
                 showTimeText(r->clock, std::max<int64_t>(0, done - 1)).c_str(),
                 orderText(r->order.load(), r->pastEnd.load()).c_str(), speed, left / 60, left % 60);
}

// Takes the frames from the ring as they come and encodes them.
bool encodeFrames(Run* r, bool progress, Clock::time_point started) {
    auto lastShown = Clock::now() - std::chrono::seconds(1);
    for (;;) {
        auto t = Clock::now();
        bool take = false, done = false;
        {
            std::unique_lock<std::mutex> hold(r->lock);
            r->changed.wait_for(hold, std::chrono::milliseconds(100),
                                [&] { return r->filled > 0 || r->renderDone || stopping(r); });
            take = r->filled > 0;
            done = !take && r->renderDone;
        }
        r->bench.encodeWaitSeconds += secondsSince(t);
        if (progress && secondsSince(lastShown) >= 0.25) {
            showProgress(r, secondsSince(started));
            lastShown = Clock::now();
        }
        if (stopping(r)) return false;
        if (done) return true;
        if (!take) continue;

        Slot& slot = r->slots[r->head];
        Stopwatch convert;
        bool ok = convertPicture(r->converter, slot.rgba.data(), r->options->width * 4, r->picture);
        convert.stop(&r->bench.convert);
        Stopwatch encode;
        ok = ok && encodeSound(r->encoder, slot.sound.data(), slot.soundFrames) &&
             encodePicture(r->encoder, r->picture, slot.frame - r->range.from);
        encode.stop(&r->bench.encode);
        if (!ok) {
            r->failed.store(true);
            return false;
        }
        ++r->encoded;
        std::lock_guard<std::mutex> hold(r->lock);
        r->head = (r->head + 1) % r->slots.size();
        --r->filled;
        r->changed.notify_all();
    }
}

void waitForRender(Run* r, bool progress, Clock::time_point started) {
    std::unique_lock<std::mutex> hold(r->lock);
    while (!r->renderDone) {
        r->changed.wait_for(hold, std::chrono::milliseconds(250));
        if (progress) showProgress(r, secondsSince(started));
    }
}

std::string rateText(const CaptureOptions& o) {
    char text[32];
    if (o.fpsDen == 1)
        std::snprintf(text, sizeof text, "%lld fps", static_cast<long long>(o.fpsNum));
    else
        std::snprintf(text, sizeof text, "%.3f fps", double(o.fpsNum) / double(o.fpsDen));
    return text;
}

void printBench(const Run& r, double wall, int64_t processCpu) {
    const Bench& b = r.bench;
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
    double showSeconds = double(r.range.last) * double(r.clock.fpsDen) / double(r.clock.fpsNum);
    std::printf("bench: %dx%d, %s, detail %d, crf %g, preset %s; music plan %.2f s\n", r.options->width,
                r.options->height, rateText(*r.options).c_str(), r.options->detail, r.options->crf,
                r.options->preset.c_str(), b.planSeconds);
    std::printf("  %-24s %8s %8s %8s\n", "ms per frame", "wall", "cpu", "frames");
    line("render", render);
    line("  warning screen", b.render[0]);
    line("  order 16 (screen door)", b.render[1]);
    line("  the rest", b.render[2]);
    line("into the ring", b.handOver);
    line("RGBA to YUV", b.convert);
    line("encoder calls", b.encode);
    line("encoding, all threads", encoding);
    std::printf("  waits: the render thread %.2f ms/frame for a free slot, the encoder %.2f ms/frame for a frame\n",
                ms(b.renderWaitSeconds, b.handOver.frames), ms(b.encodeWaitSeconds, b.encode.frames));
    std::printf("  whole: %.2f s for %.2f s of show, %.2fx real time; processor %.2f s\n", wall, showSeconds,
                wall > 0 ? showSeconds / wall : 0.0, double(processCpu) / NANOS);
}
}  // namespace

namespace {
// Everything between the command line and the summary. Returns 0, 1 (failed)
// or 2 (the range the options ask for does not exist); error says why.
int record(Run& r, OutputFile& videoFile, OutputFile& sheetFile, Clock::time_point started, std::string* error) {
    const CaptureOptions& o = *r.options;
    bool progress = !o.quiet && isatty(STDERR_FILENO);
    if (r.video && !beginOutput(o.output, &videoFile, error)) return 1;
    if (!o.contactSheet.empty() && !beginOutput(o.contactSheet, &sheetFile, error)) return 1;

    // Where the music's moments fall, as far as the range and the sheet need.
    bool needEnd = !o.contactSheet.empty() ||
                   (r.video && (o.to.kind == ShowMoment::Unset || o.to.kind == ShowMoment::End ||
                                o.from.kind == ShowMoment::End));
    int untilOrder = -1;
    if (r.video && o.from.kind == ShowMoment::Order) untilOrder = int(o.from.num);
    if (r.video && o.to.kind == ShowMoment::Order) untilOrder = std::max(untilOrder, int(o.to.num));
    OfflineMusicPlan plan;
    auto t = Clock::now();
    int64_t planCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    int64_t limit = 0;
    if (needEnd || untilOrder >= 0)
        limit = offlineFirstFrameAt(r.clock, r.clock.warningSamples + LONGEST_MUSIC * OFFLINE_RATE);
    if (!planOfflineMusic(r.clock, limit, untilOrder, needEnd, &plan)) {
        *error = "the show's music cannot be played";
        return 1;
    }
    r.bench.planSeconds = secondsSince(t);
    r.bench.planCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID) - planCpu;
    if (needEnd && plan.endFrame < 0) {
        *error = "the music did not end within an hour";
        return 1;
    }

    if (r.video) {
        Range& g = r.range;
        g.to = offlineFirstFrameAt(r.clock, r.clock.warningSamples + plan.endSample +
                                                samplesOfSeconds(o.tailNum, o.tailDen));
        if (!momentFrame(o.from, r.clock, plan, "--from", &g.from, error) ||
            !momentFrame(o.to, r.clock, plan, "--to", &g.to, error))
            return 2;
        if (g.to <= g.from) {
            *error = "the range is empty: --to " + showTimeText(r.clock, g.to) + " is not after --from " +
                     showTimeText(r.clock, g.from);
            return 2;
        }
        g.last = g.to;
    }
    std::vector<SheetTile> tiles;
    if (!o.contactSheet.empty()) {
        tiles = contactSheetTiles(r.clock, plan);
        for (const SheetTile& tile : tiles) r.range.last = std::max(r.range.last, tile.frame + 1);
        std::string title = "VORTELAN   " + std::to_string(o.width) + " x " + std::to_string(o.height) + "   " +
                            rateText(o) + "   detail " + std::to_string(o.detail);
        r.sheet = openContactSheet(o.width, o.height, r.clock, tiles, title, error);
        if (!r.sheet) return 1;
    }

    if (r.video) {
        EncoderSettings settings{o.container, o.width, o.height, o.fpsNum, o.fpsDen, o.crf, o.preset};
        r.encoder = openEncoder(videoFile.temp.c_str(), settings, interrupted, error);
        if (!r.encoder) return 1;
        r.converter = openConverter(o.width, o.height);
        r.picture = allocPicture(r.encoder);
        if (!r.converter || !r.picture) {
            *error = "the colour conversion cannot be set up";
            return 1;
        }
        size_t most = size_t(offlineFrameSample(r.clock, 1) + 1);  // sound frames in one picture frame, at most
        r.slots.resize(RING_SLOTS);
        for (Slot& slot : r.slots) {
            slot.rgba.assign(size_t(o.width) * size_t(o.height) * 4, 0);
            slot.sound.assign(most * 2, 0);
        }
    }

    std::thread renderer(renderThread, &r);
    if (r.video) encodeFrames(&r, progress, started);
    waitForRender(&r, progress, started);
    renderer.join();
    if (progress) std::fprintf(stderr, "\r\033[K");

    if (interrupted()) return 1;
    if (!r.renderError.empty()) {
        *error = r.renderError;
        return 1;
    }
    if (r.video) {
        if (r.failed.load() || !finishEncoder(r.encoder)) {
            *error = "'" + o.output + "': " + encoderError(r.encoder);
            return 1;
        }
        closeEncoder(&r.encoder);
        if (interrupted() || !commitOutput(&videoFile, error)) return 1;
    }
    if (r.sheet) {
        if (!writeContactSheet(r.sheet, sheetFile.temp.c_str(), error)) return 1;
        if (interrupted() || !commitOutput(&sheetFile, error)) return 1;
    }

    if (!o.quiet) {
        double wall = secondsSince(started);
        double speed = wall > 0 ? double(r.range.last) * double(o.fpsDen) / double(o.fpsNum) / wall : 0;
        if (r.video) {
            struct stat st;
            double megabytes = stat(o.output.c_str(), &st) == 0 ? double(st.st_size) / 1e6 : 0;
            int64_t frames = r.range.to - r.range.from;
            std::fprintf(stderr, "vortelan-capture: wrote %s: %s (%lld frames, %dx%d at %s), %.1f MB, %.2fx real time\n",
                         absolutePath(o.output).c_str(), showTimeText(r.clock, frames).c_str(),
                         static_cast<long long>(frames), o.width, o.height, rateText(o).c_str(), megabytes, speed);
        }
        if (r.sheet)
            std::fprintf(stderr, "vortelan-capture: wrote %s: %zu pictures of the show\n",
                         absolutePath(o.contactSheet).c_str(), tiles.size());
    }
    return 0;
}
}  // namespace

int runCapture(const CaptureOptions& o) {
    auto started = Clock::now();
    int64_t processCpu = cpuNanos(CLOCK_PROCESS_CPUTIME_ID);
    catchSignals();
    // Failures come back from the libraries as codes and are reported as one
    // line; their own chatter would bury the progress line.
    av_log_set_level(AV_LOG_QUIET);
    // The show's console lines (textures made, ...) mean nothing here, and
    // standard output carries only --bench.
    std::fflush(stdout);
    int console = dup(STDOUT_FILENO);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }

    Run r;
    r.options = &o;
    r.video = !o.output.empty();
    r.clock.fpsNum = o.fpsNum;
    r.clock.fpsDen = o.fpsDen;
    r.clock.warningSamples = samplesOfSeconds(o.warningNum, o.warningDen);
    OutputFile videoFile, sheetFile;
    std::string error;
    int status = record(r, videoFile, sheetFile, started, &error);

    freePicture(&r.picture);
    closeConverter(&r.converter);
    closeEncoder(&r.encoder);
    closeContactSheet(&r.sheet);
    abandonOutput(&videoFile);
    abandonOutput(&sheetFile);
    if (console >= 0) {
        dup2(console, STDOUT_FILENO);
        close(console);
    }
    if (int signal = caughtSignal.load(); signal != 0) {
        complain(std::string("interrupted by ") + (signal == SIGINT ? "Ctrl-C" : strsignal(signal)) +
                 "; nothing written");
        return 128 + signal;
    }
    if (status != 0) {
        complain(error.empty() ? "failed" : error);
        return status;
    }
    if (o.bench) printBench(r, secondsSince(started), cpuNanos(CLOCK_PROCESS_CPUTIME_ID) - processCpu);
    return 0;
}
