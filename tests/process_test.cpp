// What the process settles first: the window class in the environment, and
// its own handlers for the termination signals, except one that whoever
// started it ignores (nohup).
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "platform/process.h"

TEST(Process, CatchesTerminationSignalsAndKeepsIgnoredOnesIgnored) {
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction saved[3];
    for (int i = 0; i < 3; ++i) sigaction(signals[i], nullptr, &saved[i]);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_IGN);
    platformStartProcess("VORTELANTESTCLASS");
    EXPECT_STREQ(std::getenv("SDL_VIDEO_X11_WMCLASS"), "VORTELANTESTCLASS");
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        sigaction(signals[i], nullptr, &now);
        EXPECT_EQ(now.sa_handler == SIG_IGN, signals[i] == SIGHUP) << "signal " << signals[i];
        EXPECT_NE(now.sa_handler, SIG_DFL) << "signal " << signals[i];
        sigaction(signals[i], &saved[i], nullptr);
    }
    EXPECT_FALSE(platformTerminationRequested());
}
