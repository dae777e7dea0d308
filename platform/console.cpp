// Console lines and modal message boxes.
#include "platform/platform.h"

#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

int platformConsoleWrite(const char* text, int length) {
    // write(2) by length, no stdio buffer: lines appear in the order they are made,
    // also when standard output is a pipe.
    int done = 0;
    while (done < length) {
        ssize_t n = write(STDOUT_FILENO, text + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<int>(n);
    }
    return done > 0 ? done : length;
}

void platformMessageBox(const char* text, const char* caption) {
    const char* mode = std::getenv("VORTELAN_MESSAGES");
    bool toStderr = mode && std::strcmp(mode, "stderr") == 0;
    if (!toStderr && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0) return;
    // No display to show it on (or asked not to): the text goes to standard error.
    // One write, so the message is not interleaved with other output.
    std::string line = std::string(caption) + ": " + text + "\n";
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}
