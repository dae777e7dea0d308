// The process's start and the termination signals. The handler only records
// the signal; the loops that poll it end the program in their usual order.
#include "platform/process.h"

#include <SDL.h>
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <initializer_list>

namespace {
// Read by every thread that polls it; lock-free, so the handler may store into it.
std::atomic<int> terminationSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler stores into it");

extern "C" void onTerminationSignal(int signal) {
    int none = 0;
    terminationSignal.compare_exchange_strong(none, signal, std::memory_order_relaxed);
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
