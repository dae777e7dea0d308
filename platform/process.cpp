// What the process settles before any thread exists: the environment the
// window system reads, and the handlers of the termination signals.
#include <SDL.h>
#include <signal.h>

#include <cstdlib>
#include <initializer_list>

#include "platform/platform.h"

namespace {
volatile sig_atomic_t terminationSignal = 0;

void onTerminationSignal(int signal) { terminationSignal = signal; }
}  // namespace

void platformStartProcess(const char* windowClass) {
    // The class name becomes the X11 window class, so tools can find the
    // window. Changing the environment is safe only while no other thread can
    // read it, and the music set-up starts the audio threads.
    setenv("SDL_VIDEO_X11_WMCLASS", windowClass, 1);

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

bool platformTerminationRequested() { return terminationSignal != 0; }
