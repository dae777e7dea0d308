// One capture run, from the checked options to the files and the summary.
#include "tools/capture/capture.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "render/workers.h"
#include "tools/capture/output_file.h"
#include "tools/capture/pipeline.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {
void complain(const std::string& message) { std::fprintf(stderr, "vortelan-capture: %s\n", message.c_str()); }

// The files get their names together or not at all, so no termination signal
// may come between the renames. By now the render thread and the encoder's
// threads have ended: this thread is the one a signal would come to.
bool commitTogether(OutputFile& video, OutputFile& sheet, std::string* error) {
    sigset_t hold, saved;
    sigemptyset(&hold);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&hold, signal);
    pthread_sigmask(SIG_BLOCK, &hold, &saved);
    OutputFile* files[] = {&video, &sheet};
    bool ok = !interrupted() && commitOutputs(files, 2, error);
    // From here on a signal comes too late to undo anything.
    if (ok) platformSetSecondSignalLine(nullptr);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    return ok;
}

// Everything between the command line and the summary. Returns 0, 1 (failed)
// or 2 (the range the options ask for does not exist); error says why.
int record(Run& r, OutputFile& videoFile, OutputFile& sheetFile, Clock::time_point started, std::string* error) {
    const CaptureOptions& o = *r.options;
    bool progress = !o.quiet && isatty(STDERR_FILENO);
    if (r.video && !beginOutput(o.output, &videoFile, error)) return 1;
    if (!o.contactSheet.empty() && !beginOutput(o.contactSheet, &sheetFile, error)) return 1;

    OfflineMusicPlan plan;
    auto t = Clock::now();
    int64_t planCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    if (int status = planCapture(o, r.clock, r.video, &plan, &r.range, interrupted, error); status != 0) return status;
    r.bench.planSeconds = secondsSince(t);
    r.bench.planCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID) - planCpu;

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
        EncoderSettings settings{o.container, o.width, o.height, o.fpsNum, o.fpsDen, o.crf, o.qp, o.preset};
        r.encoder = openEncoder(videoFile.temp.c_str(), settings, interrupted, error);
        if (!r.encoder) return 1;
        r.converter = openConverter(o.width, o.height);
        if (!r.converter || !makeRing(&r)) {
            *error = "the colour conversion cannot be set up";
            return 1;
        }
    }

    // Drawing and the colour conversion share the cores with x264's threads.
    setRenderThreads(availableCores());
    std::thread renderer(renderThread, &r);
    if (r.video) encodeFrames(&r, progress, started);
    waitForRender(&r, progress, started);
    renderer.join();
    if (progress) endProgress();

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
    }
    if (r.sheet) {
        std::vector<uint8_t> png;
        if (!finishContactSheet(r.sheet, &png, error) || !writeOutput(&sheetFile, png.data(), png.size(), error))
            return 1;
    }
    if (!commitTogether(videoFile, sheetFile, error)) return 1;

    if (!o.quiet) {
        double wall = secondsSince(started);
        double speed = wall > 0 ? double(r.range.last) * double(o.fpsDen) / double(o.fpsNum) / wall : 0;
        if (r.video) reportVideo(o, r.clock, r.range.to - r.range.from, speed);
        if (r.sheet) reportSheet(o, tiles.size());
    }
    return 0;
}
}  // namespace

int runCapture(const CaptureOptions& o) {
    auto started = Clock::now();
    int64_t processCpu = cpuNanos(CLOCK_PROCESS_CPUTIME_ID);
    platformCatchTerminationSignals();
    platformSetSecondSignalLine("vortelan-capture: interrupted again; stopped at once, nothing written\n");
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

    if (o.fpsApproximated && !o.quiet)
        complain("--fps " + o.fpsText + " is recorded as " + std::to_string(o.fpsNum) + "/" + std::to_string(o.fpsDen) +
                 ", the nearest rate whose terms fit " + std::to_string(RATE_TERM_LIMIT));

    Run r;
    r.options = &o;
    r.video = !o.output.empty();
    r.clock.fpsNum = o.fpsNum;
    r.clock.fpsDen = o.fpsDen;
    r.clock.warningSamples = samplesOfSeconds(o.warningNum, o.warningDen);
    OutputFile videoFile, sheetFile;
    std::string error;
    int status = record(r, videoFile, sheetFile, started, &error);

    freeRing(&r);
    closeConverter(&r.converter);
    closeEncoder(&r.encoder);
    closeContactSheet(&r.sheet);
    abandonOutput(&videoFile);
    abandonOutput(&sheetFile);
    if (console >= 0) {
        dup2(console, STDOUT_FILENO);
        close(console);
    }
    // A signal after the files got their names changes nothing.
    if (int signal = platformTerminationSignal(); signal != 0 && status != 0) {
        complain(std::string("interrupted by ") + (signal == SIGINT ? "Ctrl-C" : strsignal(signal)) +
                 "; nothing written");
        return 128 + signal;
    }
    if (status != 0) {
        complain(error.empty() ? "failed" : error);
        return status;
    }
    if (o.bench)
        printBench(r.bench, o, r.clock, r.range.last, secondsSince(started),
                   cpuNanos(CLOCK_PROCESS_CPUTIME_ID) - processCpu);
    return 0;
}
