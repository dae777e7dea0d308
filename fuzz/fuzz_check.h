#pragma once
// What the fuzz targets share: a quiet start, property checks that report and
// abort (so libFuzzer keeps the input as a reproducer), and the settings that
// the command line and the INI file must leave within their ranges.
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/globals.h"

// The targets run with -close_fd_mask=3, which silences the program's console
// lines and messages; failures go to the copy of standard error kept here.
inline int fuzzReportFd = 2;

inline void fuzzStart() {
    fuzzReportFd = dup(2);
    // Messages on standard error rather than in boxes nobody can click.
    setenv("VORTELAN_MESSAGES", "stderr", 1);
}

#define FUZZ_CHECK(condition, ...)                                              \
    do {                                                                        \
        if (!(condition)) {                                                     \
            dprintf(fuzzReportFd, "property failed: %s\n  ", #condition);       \
            dprintf(fuzzReportFd, __VA_ARGS__);                                 \
            dprintf(fuzzReportFd, "\n");                                        \
            std::abort();                                                       \
        }                                                                       \
    } while (0)

struct FuzzSettings {
    int width, height, detail, fullscreen, noSound;
    uint32_t warning;
    bool operator==(const FuzzSettings&) const = default;
};

inline FuzzSettings fuzzSettings() {
    return {screenWidth, screenHeight, detailStep, fullscreen, noSound, warningMillis};
}

// Every setting in its documented range and the derived geometry consistent
// with the size, whatever the input was.
inline void checkSettings() {
    const FuzzSettings s = fuzzSettings();
    FUZZ_CHECK(s.width >= 320 && s.height >= 240, "size %dx%d", s.width, s.height);
    FUZZ_CHECK(s.detail == 1 || s.detail == 2 || s.detail == 4 || s.detail == 8 || s.detail == 16 || s.detail == 32,
               "detailStep %d", s.detail);
    FUZZ_CHECK(s.fullscreen == 0 || s.fullscreen == 1, "fullscreen %d", s.fullscreen);
    FUZZ_CHECK(s.noSound == 0 || s.noSound == 1, "noSound %d", s.noSound);
    // Seconds times 1000 plus one millisecond, in 32 bits: always 1 more than a
    // multiple of 8, unless it is the default.
    FUZZ_CHECK(s.warning == 5000 || s.warning % 8 == 1, "warningMillis %u", s.warning);
    FUZZ_CHECK(int64_t{blocksAcross} * 64 >= s.width && int64_t{blocksAcross - 1} * 64 < s.width,
               "blocksAcross %d for width %d", blocksAcross, s.width);
    FUZZ_CHECK(int64_t{blocksDown} * 64 >= s.height && int64_t{blocksDown - 1} * 64 < s.height,
               "blocksDown %d for height %d", blocksDown, s.height);
    FUZZ_CHECK(viewWidth == float(s.width), "viewWidth %f for width %d", double(viewWidth), s.width);
    FUZZ_CHECK(std::fabs(viewHeight - 0.75 * s.width) <= 0.75 * s.width * 1e-7, "viewHeight %f for width %d",
               double(viewHeight), s.width);
}

// ASCII letters in upper case: option names are matched without regard to
// case and values are read as decimal numbers, so this changes no setting.
inline void upperCase(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
}
