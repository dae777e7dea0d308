// The sync callback's conditions, and the eleven syncs loadMusic registers,
// heard through the offline player.
#include <gtest/gtest.h>

#include <vector>

#include "app/globals.h"
#include "app/platform/player.h"
#include "tests/player_modules.h"
#include "timeline/music.h"

namespace {
uint32_t hitData(uint32_t note, uint32_t volume) { return note | volume << 16; }

std::vector<int32_t> counts() {
    std::vector<int32_t> c;
    for (int k = 0; k < SYNC_CHANNELS; ++k) c.push_back(syncCount(k));
    return c;
}

class MusicSync : public ::testing::Test {
protected:
    void SetUp() override { resetDemoGlobals(); }
    void TearDown() override {
        freeMusic();
        resetDemoGlobals();
    }
};

TEST_F(MusicSync, EachChannelCountsOnlyTheHitsItsConditionAccepts) {
    struct Case {
        uint32_t user;
        uint32_t data;
        int channel;  // the channel that counts, or -1 for none
    };
    const Case cases[] = {
        {1, hitData(60, 10), -1},  // ghost note
        {1, hitData(60, 11), 1},
        {1, hitData(60, 0), 1},
        {1, hitData(60, 64), 1},
        {1, hitData(61, 64), -1},
        {1, hitData(59, 40), -1},
        {4, hitData(60, 31), -1},
        {4, hitData(60, 32), 4},
        {4, hitData(12, 64), 4},
        {4, hitData(60, 0xFFFF), 4},  // compared unsigned
        {5, hitData(60, 20), 5},
        {5, hitData(30, 20), 5},
        {5, hitData(60, 19), -1},
        {5, hitData(60, 21), -1},
        {2, 0, 2},
        {3, hitData(1, 1), 3},
        {6, 0xFFFFFFFF, 6},
        {8, 0, 8},
        {10, hitData(60, 64), 10},
        {11, 0, 11},
        {13, 0, 13},
        {0, hitData(60, 64), -1},
        {7, hitData(60, 64), -1},
        {9, 0, -1},
        {12, 0, -1},
        {14, 0, -1},
        {15, 0, -1},
        {16, 0, -1},
        {254, 0, -1},
        {256, 0, -1},
        {0xFFFFFFFF, 0, -1},
    };
    for (const Case& c : cases) {
        resetDemoGlobals();
        syncCallback(123, c.data, c.user);
        std::vector<int32_t> expected(SYNC_CHANNELS, 0);
        if (c.channel >= 0) expected[size_t(c.channel)] = 1;
        EXPECT_EQ(counts(), expected) << "user " << c.user << " data " << std::hex << c.data;
        for (int k = 0; k < SYNC_CHANNELS; ++k)
            EXPECT_EQ(syncPulse(k), k == c.channel ? 1.0f : 0.0f) << "user " << c.user << " channel " << k;
        EXPECT_EQ(currentDemoPhase(), 0);
    }
}

TEST_F(MusicSync, HitsWithinOneFrameAddUpAndTheEndRaisesThePhase) {
    syncCallback(0, hitData(60, 40), 1);
    syncCallback(0, hitData(60, 40), 1);
    EXPECT_EQ(syncCount(1), 2);
    EXPECT_EQ(syncPulse(1), 1.0f);
    setSyncPulse(1, 0.25f);  // decayed by a frame
    syncCallback(0, hitData(60, 10), 1);
    EXPECT_EQ(syncPulse(1), 0.25f);  // the ghost note leaves it alone
    syncCallback(0, hitData(60, 12), 1);
    EXPECT_EQ(syncCount(1), 3);
    EXPECT_EQ(syncPulse(1), 1.0f);
    EXPECT_EQ(syncChannels[1].decayRate, 1.0f);

    syncCallback(0, 0, END_SYNC_ID);
    EXPECT_EQ(currentDemoPhase(), 1);
    syncCallback(0, 0, END_SYNC_ID);
    EXPECT_EQ(currentDemoPhase(), 2);
    EXPECT_EQ(syncCount(1), 3);
}

// Thirteen instruments, each hit once at C-5 on its own row; instrument 4
// once more softly, 5 once at volume 20, 1 once as a ghost note.
ItModule everyInstrument() {
    ItModule m;
    m.channels = 2;
    m.samples = {testSample(50)};
    for (int i = 0; i < 13; ++i) m.instruments.push_back(splitInstrument(1, 1));
    ItPattern p = itEmptyPattern(16, 2);
    for (int i = 1; i <= 13; ++i) itCell(p, 2, i - 1, 0) = noteCell(60, uint8_t(i));
    itCell(p, 2, 13, 1) = noteCell(60, 4, 31);
    itCell(p, 2, 14, 1) = noteCell(72, 5, 20);
    itCell(p, 2, 15, 1) = noteCell(60, 1, 10);
    m.patterns = {p};
    m.orders = {0};
    return m;
}

TEST_F(MusicSync, LoadRegistersTheInstrumentSyncsAndTheEnd) {
    std::vector<uint8_t> bytes = moduleBytes(everyInstrument());
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    EXPECT_EQ(loadMusicFrom(bytes.data(), unsigned(bytes.size())), 0);
    startMusic();
    for (int i = 0; i < 400 && currentDemoPhase() == 0; ++i) playerOfflineRender(nullptr, 1024);

    // Default volume 50: every accepted instrument counts once; 5 only for
    // its volume-20 note, 4 not for its soft one, 1 not for its ghost note.
    std::vector<int32_t> expected(SYNC_CHANNELS, 0);
    for (int k : {1, 2, 3, 4, 6, 8, 10, 11, 13}) expected[size_t(k)] = 1;
    expected[5] = 1;
    EXPECT_EQ(counts(), expected);
    EXPECT_EQ(currentDemoPhase(), 1);
    EXPECT_EQ(playerGetPosition(), 15u << 16);  // the last row, order 0
}
}  // namespace
