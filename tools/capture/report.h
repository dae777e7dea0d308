#pragma once
// What the capture tells its user: the progress line while it runs, the
// summary of what it wrote, and with --bench where the time went.
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "show/offline_show.h"
#include "tools/capture/options.h"

constexpr int64_t NANOS = 1000000000;

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t);
// Processor time of the calling thread (CLOCK_THREAD_CPUTIME_ID) or of the
// process (CLOCK_PROCESS_CPUTIME_ID), in nanoseconds.
int64_t cpuNanos(clockid_t which);

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
    Spent convert;                 // on the render thread, into the ring
    Spent encode;                  // the encoder calls on the calling thread
    double renderWaitSeconds = 0;  // the render thread waiting for a free slot
    double encodeWaitSeconds = 0;  // the encoder waiting for a frame
    int64_t renderThreadCpu = 0;
    double planSeconds = 0;
    int64_t planCpu = 0;
};

// "60 fps" or "29.970 fps".
std::string rateText(const CaptureOptions& o);

// The progress line on standard error, redrawn in place: done of total
// frames, where the show is, the speed and the time left.
void showProgress(const OfflineClock& clock, int64_t done, int64_t total, int order, bool pastEnd, double elapsed);
// Erases the progress line.
void endProgress();

// One line per file written, on standard error.
void reportVideo(const CaptureOptions& o, const OfflineClock& clock, int64_t frames, double speed);
void reportSheet(const CaptureOptions& o, size_t pictures);

// The --bench table on standard output. framesPlayed is every frame stepped,
// written or not; wall and processCpu the whole run.
void printBench(const Bench& b, const CaptureOptions& o, const OfflineClock& clock, int64_t framesPlayed,
                double wall, int64_t processCpu);
