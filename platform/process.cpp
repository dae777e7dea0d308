// The process's start and the termination signals. The first signal is only
// recorded; the loops that poll it end the program in their usual order. A
// second one ends it at once, removing the files prepared for that.
#include "platform/process.h"

#include <SDL.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {
// Read by every thread that polls it; lock-free, so the handler may store into it.
std::atomic<int> terminationSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler stores into it");

// What a second signal removes: the path is written first, then the slot is
// armed, so the handler never reads a path being written.
struct SecondSignalFile {
    std::atomic<bool> armed{false};
    char path[PATH_MAX];
};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads it");
SecondSignalFile secondSignalFiles[SECOND_SIGNAL_FILES];

// The line is published the same way: text first, then its length.
constexpr size_t LINE_CAPACITY = 256;
char secondSignalLine[LINE_CAPACITY];
std::atomic<size_t> secondSignalLineLength{0};

extern "C" void onTerminationSignal(int signal) {
    int none = 0;
    if (terminationSignal.compare_exchange_strong(none, signal, std::memory_order_relaxed)) return;
    // Asked again: whatever the orderly end is waiting for, stop now. Only
    // system calls from here on.
    for (SecondSignalFile& file : secondSignalFiles)
        if (file.armed.load(std::memory_order_acquire)) unlink(file.path);
    size_t length = secondSignalLineLength.load(std::memory_order_acquire);
    if (length > 0 && write(STDERR_FILENO, secondSignalLine, length) < 0) {
        // Nothing left to tell it to.
    }
    _exit(128 + signal);
}
}  // namespace

void platformCatchTerminationSignals() {
    // SDL would turn SIGINT and SIGTERM into a close request, which the
    // warning screen defers; a signal from the system ends the program at once.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored by whoever started us (nohup, a background job) stays ignored.
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void platformStartProcess(const char* windowClass) {
    // The class name becomes the X11 window class, so tools can find the
    // window. Changing the environment is safe only while no other thread can
    // read it, and the music set-up starts the audio threads.
    setenv("SDL_VIDEO_X11_WMCLASS", windowClass, 1);
    platformCatchTerminationSignals();
}

int platformTerminationSignal() { return terminationSignal.load(std::memory_order_relaxed); }

int platformRemoveOnSecondSignal(const char* path) {
    size_t length = std::strlen(path);
    if (length >= PATH_MAX) return -1;
    for (int slot = 0; slot < SECOND_SIGNAL_FILES; ++slot) {
        SecondSignalFile& file = secondSignalFiles[slot];
        if (file.armed.load(std::memory_order_relaxed)) continue;
        std::memcpy(file.path, path, length + 1);
        file.armed.store(true, std::memory_order_release);
        return slot;
    }
    return -1;
}

void platformKeepOnSecondSignal(int slot) {
    if (slot >= 0 && slot < SECOND_SIGNAL_FILES) secondSignalFiles[slot].armed.store(false, std::memory_order_release);
}

void platformSetSecondSignalLine(const char* line) {
    secondSignalLineLength.store(0, std::memory_order_release);
    if (!line) return;
    size_t length = std::min(std::strlen(line), LINE_CAPACITY);
    std::memcpy(secondSignalLine, line, length);
    secondSignalLineLength.store(length, std::memory_order_release);
}
