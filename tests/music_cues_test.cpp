// The music set-up: initMusic's way through the devices, and the show's own
// module played offline through loadMusic's syncs into syncCallback, with
// where the hits that the opening's pictures and the general step's flashes
// follow fall.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "core/globals.h"
#include "audio/player.h"
#include "timeline/music.h"

TEST(MusicInit, TriesTheDevicesInTurnAndSaysWhatFailed) {
    const char* failed = "please note: failure:\n BASSMOD_Init(-1,44100,0)\n returned 0\nno sound! :(\n";
    const char* wrong = "please note: wrong BASSMOD dll?\n(not version 2.0)\n";
    setenv("SDL_AUDIODRIVER", "dummy", 0);  // it stands in for a sound card
    // no sound, busy (a player already set up refuses every init), the default device fails, version;
    // the result, the message, the devices tried
    const std::tuple<int, bool, bool, uint32_t, int, const char*, std::vector<int>> rows[] = {
        {1, 0, 0, 0, 0, "", {-2}},         {1, 1, 0, 0, -1, "", {-2}},         {1, 0, 0, 3, -1, wrong, {}},
        {0, 0, 1, 0, 0, failed, {-1, -2}}, {0, 1, 0, 0, -1, failed, {-1, -2}}, {0, 0, 0, 0, 0, "", {-1}}};
    for (const auto& [silent, busy, failDefault, version, result, shown, devices] : rows) {
        resetDemoGlobals();
        ASSERT_TRUE(!busy || playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0) == 1);
        playerTestSeam = PlayerTestSeam{version, failDefault ? PLAYER_DEVICE_DEFAULT : 0, 0, {}, {}, {}};
        noSound = silent;
        testing::internal::CaptureStderr();
        EXPECT_EQ(initMusic(), result) << silent << busy << failDefault << version;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), shown) << silent << busy << failDefault << version;
        const PlayerTestSeam& s = playerTestSeam;
        EXPECT_EQ(std::vector<int>(s.initDevice, s.initDevice + s.initCalls), devices) << silent << busy << failDefault;
        for (int i = 0; i < s.initCalls; ++i) EXPECT_TRUE(s.initFrequency[i] == 44100 && s.initFlags[i] == 0) << i;
        freeMusic();
    }
    playerTestSeam = PlayerTestSeam{};
}

static std::vector<int> counted[SYNC_CHANNELS];  // order x 100 + row of each counted hit

// Registered after loadMusic's syncs, so syncCallback has already decided:
// a count that moved is a counted hit at this row.
static void observe(uint32_t, uint32_t, uint32_t user) {
    uint32_t at = playerGetPosition();
    if (syncCount(int(user)) != int(counted[user].size())) counted[user].push_back(at % 65536 * 100 + at / 65536);
}

TEST(ShowPlayback, TheCuesLandWhereThePicturesNeedThem) {
    resetDemoGlobals();
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    loadMusic();
    for (uint32_t k : {1, 2, 4, 5, 10, 11, 13}) playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | k, observe, k);
    startMusic();
    for (int steps = 0; steps < 40000 && currentDemoPhase() == 0; ++steps) playerOfflineRender(nullptr, 441);  // 10 ms
    freeMusic();
    EXPECT_EQ(currentDemoPhase(), 1);  // the song ends, once
    // channel, hit (from 1), earliest and latest position: eight beats in the opening, the arcs gone as
    // order 3 begins; flashes on snare hits 1 and 3 in the opening, arcs at 7, 9 and 12 early in orders 1
    // and 2; 16 to 32 accents in the opening; the general step's flashes from the 129th hit, in order 15 or
    // 16, none before order 3; the logo thrown in, the fan let in and swung as order 3 begins.
    const int cues[][4] = {{1, 8, 0, 63},     {1, 32, 300, 300},  {2, 3, 0, 63},     {2, 7, 100, 119},  {2, 9, 200, 208},
                           {2, 12, 200, 232}, {4, 1, 0, 3},       {4, 16, 0, 63},    {4, 33, 100, 2063}, {5, 1, 300, 2063},
                           {5, 129, 1500, 1663}, {10, 1, 300, 300}, {11, 1, 300, 300}, {13, 1, 300, 300}};
    for (const auto& c : cues) {
        ASSERT_GE(int(counted[c[0]].size()), c[1]) << "channel " << c[0];
        const int at = counted[c[0]][c[1] - 1];
        EXPECT_TRUE(at >= c[2] && at <= c[3]) << "channel " << c[0] << ", hit " << c[1] << " at " << at;
    }
    for (size_t i = 1; i < counted[4].size() && counted[4][i] < 100; ++i) EXPECT_LE(counted[4][i] - counted[4][i - 1], 4);
}
