// The sync callback's conditions, and the eleven syncs loadMusic registers,
// heard through the offline player.
#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "audio/player.h"
#include "tests/player_modules.h"
#include "timeline/music.h"

TEST(MusicSync, TheCallbackCountsTheHitsEachChannelAcceptsOnTheSyncsLoadRegisters) {
    // user, note, volume: the channel that counts (-1 for none); 1 leaves out
    // ghost notes at volume 10, 4 counts accents only, 5 only volume 20; the
    // end raises the phase
    const struct { uint32_t user, note, volume; int channel; } cases[] = {
        {1, 60, 10, -1}, {1, 60, 11, 1}, {1, 61, 64, -1}, {1, 59, 40, -1}, {4, 60, 31, -1}, {4, 12, 32, 4},
        {4, 60, 0xFFFF, 4}, {5, 30, 20, 5}, {5, 60, 19, -1}, {5, 60, 21, -1}, {2, 0, 0, 2}, {3, 1, 1, 3},
        {6, 0xFFFF, 0xFFFF, 6}, {8, 0, 0, 8}, {10, 60, 64, 10}, {11, 0, 0, 11}, {13, 0, 0, 13}, {0, 60, 64, -1},
        {7, 60, 64, -1}, {9, 0, 0, -1}, {12, 0, 0, -1}, {14, 0, 0, -1}, {15, 0, 0, -1}, {16, 0, 0, -1},
        {254, 0, 0, -1}, {256, 0, 0, -1}, {0xFFFFFFFF, 0, 0, -1}, {END_SYNC_ID, 0, 0, -1},
    };
    for (const auto& c : cases) {
        resetDemoGlobals();
        syncCallback(123, c.note | c.volume << 16, c.user);
        for (int k = 0; k < SYNC_CHANNELS; ++k) {
            EXPECT_EQ(syncCount(k), k == c.channel) << "user " << c.user << " note " << c.note << " channel " << k;
            EXPECT_EQ(syncPulse(k), k == c.channel ? 1.0f : 0.0f) << "user " << c.user << " channel " << k;
        }
        EXPECT_EQ(currentDemoPhase(), c.user == END_SYNC_ID) << "user " << c.user;
    }
    // A second hit within a frame counts again.
    syncCallback(0, 60, 1);
    syncCallback(0, 60, 1);
    EXPECT_EQ(syncCount(1), 2);

    // The syncs loadMusic registers, on thirteen instruments each hit once on
    // a row of its own (5 at volume 20), and the end.
    ItModule m;
    m.instruments.resize(13);
    m.patterns = {itEmptyPattern(13, 1)};
    for (int i = 1; i <= 13; ++i) itCell(m.patterns[0], 1, i - 1, 0) = ItCell{60, uint8_t(i), uint8_t(i == 5 ? 20 : 40)};
    m.orders = {0};
    const std::vector<uint8_t> bytes = moduleBytes(m);
    resetDemoGlobals();
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    EXPECT_EQ(loadMusicFrom(bytes.data(), unsigned(bytes.size())), 0);
    startMusic();
    for (int i = 0; i < 400 && currentDemoPhase() == 0; ++i) playerOfflineRender(nullptr, 1024);
    for (int k = 0; k < SYNC_CHANNELS; ++k) EXPECT_EQ(syncCount(k), 0x2D7E >> k & 1) << k;  // 1-6, 8, 10, 11, 13
    EXPECT_EQ(currentDemoPhase(), 1);
    freeMusic();
    resetDemoGlobals();
}
