// The modal message box, or standard error where none can be shown. SDL shows
// the box through a child process (the desktop's dialog helper, or a copy of
// the program drawing it with X11) and waits for it, deaf to signals. So the
// box is asked for from a thread of its own while the caller waits for it or
// for a termination signal, which closes the box: the program then ends as
// promptly as from the show, in the same order.
#include "platform/message_box.h"

#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "core/diagnostics.h"
#include "platform/process.h"

namespace {
constexpr auto POLL = std::chrono::milliseconds(10);

// One box on its way: asked for by the caller, shown by the box thread.
struct Box {
    const char* text = nullptr;
    const char* caption = nullptr;
    std::atomic<long> thread{0};  // the box thread's id, whose children show the box
    std::mutex lock;
    std::condition_variable changed;
    bool done = false;
    int result = -1;
};

std::atomic<bool> boxShowing{false};

// In every child forked while a box is up, before it runs the dialog helper:
// it dies with the thread that forked it, so no box outlives the program,
// however abruptly the program ends.
extern "C" void onFork() {
    if (boxShowing.load(std::memory_order_relaxed)) prctl(PR_SET_PDEATHSIG, SIGKILL);
}

void showBox(Box* box) {
    box->thread.store(syscall(SYS_gettid));
    int result = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, box->caption, box->text, nullptr);
    std::lock_guard<std::mutex> hold(box->lock);
    box->result = result;
    box->done = true;
    box->changed.notify_all();
}

// Ends the processes that show the box; SDL's wait for them then returns.
void closeBox(long thread) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld/children", thread);
    FILE* children = std::fopen(path, "r");
    if (!children) return;
    for (int pid; std::fscanf(children, "%d", &pid) == 1;) kill(pid, SIGKILL);
    std::fclose(children);
}

// True when the box was shown and closed by the user.
bool showAndWait(const char* text, const char* caption) {
    static std::once_flag forks;
    std::call_once(forks, [] { pthread_atfork(nullptr, nullptr, onFork); });
    Box box;
    box.text = text;
    box.caption = caption;
    boxShowing.store(true);
    std::thread shower(showBox, &box);
    {
        std::unique_lock<std::mutex> hold(box.lock);
        while (!box.done) {
            box.changed.wait_for(hold, POLL);
            if (box.done || !platformTerminationRequested()) continue;
            hold.unlock();
            closeBox(box.thread.load());
            hold.lock();
        }
    }
    shower.join();
    boxShowing.store(false);
    return box.result == 0 && !platformTerminationRequested();
}
}  // namespace

void platformMessageBox(const char* text, const char* caption) {
    const char* mode = std::getenv("VORTELAN_MESSAGES");
    bool toStderr = mode && std::strcmp(mode, "stderr") == 0;
    // A box nobody could read (no display, or closed by a signal) leaves its
    // text on standard error; so does one asked for while the program ends.
    if (!toStderr && !platformTerminationRequested() && showAndWait(text, caption)) return;
    messageToStderr(text, caption);
}
