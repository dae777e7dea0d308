// initMusic's paths: no sound, a default device that fails, a wrong version.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/globals.h"
#include "app/platform/player.h"
#include "timeline/music.h"

namespace {
const char* const FAILED_DEFAULT = "please note: failure:\n BASSMOD_Init(-1,44100,0)\n returned 0\nno sound! :(\n";
const char* const WRONG_VERSION = "please note: wrong BASSMOD dll?\n(not version 2.0)\n";

class MusicInit : public ::testing::Test {
protected:
    void SetUp() override {
        resetDemoGlobals();
        playerTestSeam = PlayerTestSeam{};
    }
    void TearDown() override {
        freeMusic();
        playerTestSeam = PlayerTestSeam{};
        resetDemoGlobals();
    }
    // initMusic's result, with what it showed.
    int run(std::string* shown) {
        testing::internal::CaptureStderr();
        int result = initMusic();
        *shown = testing::internal::GetCapturedStderr();
        return result;
    }
    void expectInit(int call, int device) {
        EXPECT_EQ(playerTestSeam.initDevice[call], device) << "call " << call;
        EXPECT_EQ(playerTestSeam.initFrequency[call], 44100u) << "call " << call;
        EXPECT_EQ(playerTestSeam.initFlags[call], 0u) << "call " << call;
    }
};

TEST_F(MusicInit, NoSoundUsesTheSilentDeviceOnceWithoutAMessage) {
    noSound = 1;
    std::string shown;
    EXPECT_EQ(run(&shown), 0);
    EXPECT_EQ(shown, "");
    ASSERT_EQ(playerTestSeam.initCalls, 1);
    expectInit(0, -2);
}

TEST_F(MusicInit, TheDefaultDeviceIsTriedFirst) {
    // SDL's dummy driver stands in for a sound card.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::string shown;
    EXPECT_EQ(run(&shown), 0);
    EXPECT_EQ(shown, "");
    ASSERT_EQ(playerTestSeam.initCalls, 1);
    expectInit(0, -1);
}

TEST_F(MusicInit, AFailingDefaultDeviceIsReportedAndTheSilentOneTaken) {
    playerTestSeam.failDevice = -1;
    std::string shown;
    EXPECT_EQ(run(&shown), 0);
    EXPECT_EQ(shown, FAILED_DEFAULT);
    ASSERT_EQ(playerTestSeam.initCalls, 2);
    expectInit(0, -1);
    expectInit(1, -2);
}

TEST_F(MusicInit, FailsOnlyWhenTheSilentDeviceFailsToo) {
    // A player that is already set up refuses every further init.
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    playerTestSeam = PlayerTestSeam{};
    playerTestSeam.failDevice = -1;
    std::string shown;
    EXPECT_EQ(run(&shown), -1);
    EXPECT_EQ(shown, FAILED_DEFAULT);
    EXPECT_EQ(playerTestSeam.initCalls, 2);

    noSound = 1;
    playerTestSeam.initCalls = 0;
    EXPECT_EQ(run(&shown), -1);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(playerTestSeam.initCalls, 1);
}

TEST_F(MusicInit, AWrongVersionIsReportedAndNothingIsInitialised) {
    for (uint32_t version : {1u, 3u, 0x0200u}) {
        playerTestSeam.versionOverride = version;
        playerTestSeam.initCalls = 0;
        std::string shown;
        EXPECT_EQ(run(&shown), -1);
        EXPECT_EQ(shown, WRONG_VERSION);
        EXPECT_EQ(playerTestSeam.initCalls, 0);
    }
    EXPECT_EQ(playerGetVersion(), 0x0200u);
    playerTestSeam.versionOverride = 0;
    EXPECT_EQ(playerGetVersion(), 2u);
}
}  // namespace
