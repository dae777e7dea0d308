#pragma once
// Runs a call with standard output or standard error sent to a temporary file
// and returns what was written there. The program writes both with write(2),
// so redirecting the descriptor catches everything.
#include <unistd.h>

#include <cstdio>
#include <string>

template <typename Fn>
std::string captureFd(int fd, Fn&& fn) {
    std::fflush(nullptr);
    FILE* sink = std::tmpfile();
    if (!sink) return "<no temporary file>";
    int saved = dup(fd);
    dup2(fileno(sink), fd);
    fn();
    std::fflush(nullptr);
    dup2(saved, fd);
    close(saved);
    std::string text(static_cast<size_t>(lseek(fileno(sink), 0, SEEK_END)), '\0');
    if (pread(fileno(sink), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) text = "<unreadable>";
    std::fclose(sink);
    return text;
}
template <typename Fn> std::string captureStdout(Fn&& fn) { return captureFd(STDOUT_FILENO, fn); }
template <typename Fn> std::string captureStderr(Fn&& fn) { return captureFd(STDERR_FILENO, fn); }
