// What the process settles first: the window class in the environment, and
// its own handlers for the termination signals, except one that whoever
// started it ignores (nohup); and what a second signal does.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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

// The first termination signal is only recorded; a second one, whichever,
// ends the process at once with 128 + that signal, after removing the files
// still registered (not those kept) and writing the registered line. Slots run
// out rather than overwrite one another.
TEST(ProcessDeathTest, SecondSignalRemovesRegisteredFilesAndEndsAtOnce) {
    // The child forked at the statement shares the names of the files made here.
    GTEST_FLAG_SET(death_test_style, "fast");
    for (int second : {SIGINT, SIGTERM, SIGHUP}) {
        char removed[] = "/tmp/vortelan-process-test-XXXXXX", kept[] = "/tmp/vortelan-process-test-XXXXXX";
        close(mkstemp(removed));
        close(mkstemp(kept));
        EXPECT_EXIT(
            {
                for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
                platformCatchTerminationSignals();
                platformSetSecondSignalLine("stopped at once\n");
                int slots[SECOND_SIGNAL_FILES];
                for (int& slot : slots) slot = platformRemoveOnSecondSignal(kept);
                if (platformRemoveOnSecondSignal(removed) != -1) _exit(1);
                for (int& slot : slots) platformKeepOnSecondSignal(slot);
                if (platformRemoveOnSecondSignal(removed) < 0) _exit(2);
                raise(SIGTERM);
                if (platformTerminationSignal() != SIGTERM) _exit(3);
                raise(second);
                _exit(4);
            },
            testing::ExitedWithCode(128 + second), "^stopped at once\n$")
            << "second signal " << second;
        EXPECT_FALSE(std::filesystem::exists(removed)) << "second signal " << second;
        EXPECT_TRUE(std::filesystem::exists(kept)) << "second signal " << second;
        std::filesystem::remove(kept);
        std::filesystem::remove(removed);
    }
}
