// The show's own module played offline through the real set-up (loadMusic's
// syncs into syncCallback): where the counted hits of the picture channels
// fall, the order list as heard, the end and the length.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/globals.h"
#include "app/platform/player.h"
#include "timeline/music.h"

namespace {
constexpr int RATE = 44100;

struct CountedHit {
    int order;
    int row;
};
std::vector<CountedHit> counted[SYNC_CHANNELS];
int32_t lastCount[SYNC_CHANNELS];

// Registered after loadMusic's syncs, so for each cell syncCallback has
// already decided: a count that moved is a counted hit at this row.
void observe(uint32_t, uint32_t, uint32_t user) {
    int32_t now = syncCount(int(user));
    if (now == lastCount[user]) return;
    lastCount[user] = now;
    uint32_t position = playerGetPosition();
    counted[user].push_back({int(position & 0xFFFF), int(position >> 16)});
}

struct Heard {
    int64_t songFrames = 0;
    int lastRow[22] = {};         // highest row heard in each order
    std::vector<int> orders;      // orders in the sequence heard
    PlayerStats stats{};
    uint32_t endPosition = 0;
    int32_t phase = 0;
};

const Heard& playShow() {
    static Heard h;
    static bool done = false;
    if (done) return h;
    done = true;
    resetDemoGlobals();
    for (auto& c : counted) c.clear();
    for (int32_t& c : lastCount) c = 0;
    if (playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0) == 0) return h;
    loadMusic();
    for (uint32_t k : {1u, 2u, 4u, 5u}) playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | k, observe, k);
    startMusic();
    // 10 ms steps, the position read after each, until a second past the end.
    int64_t afterEnd = 0;
    while (afterEnd < RATE && h.songFrames < int64_t(RATE) * 400) {
        uint32_t n = playerOfflineRender(nullptr, RATE / 100);
        h.songFrames += n;
        if (currentDemoPhase() > 0) afterEnd += RATE / 100;
        uint32_t position = playerGetPosition();
        int order = int(position & 0xFFFF);
        if (currentDemoPhase() > 0) continue;
        if (h.orders.empty() || h.orders.back() != order) h.orders.push_back(order);
        if (order < 22) h.lastRow[order] = std::max(h.lastRow[order], int(position >> 16));
    }
    playerGetStats(&h.stats);
    h.endPosition = playerGetPosition();
    h.phase = currentDemoPhase();
    freeMusic();
    return h;
}

int countIn(const std::vector<CountedHit>& hits, int first, int last) {
    int n = 0;
    for (const CountedHit& x : hits) n += x.order >= first && x.order <= last;
    return n;
}

std::vector<int> rowsIn(const std::vector<CountedHit>& hits, int order) {
    std::vector<int> rows;
    for (const CountedHit& x : hits)
        if (x.order == order) rows.push_back(x.row);
    return rows;
}

TEST(ShowPlayback, TheOrdersPlayInTurnAndTheSongEndsOnce) {
    const Heard& h = playShow();
    std::vector<int> expected;
    for (int o = 0; o <= 20; ++o) expected.push_back(o);
    EXPECT_EQ(h.orders, expected);
    for (int o = 0; o <= 20; ++o) EXPECT_EQ(h.lastRow[o], o == 5 || o == 9 ? 3 : 63) << "order " << o;
    EXPECT_EQ(h.phase, 1);                       // one end sync
    EXPECT_EQ(h.endPosition, 20u | 63u << 16);  // the last row stays
    EXPECT_NEAR(double(h.songFrames) / RATE, 147.0, 3.0);
    EXPECT_EQ(h.stats.inexactOnsets, 0u);
}

TEST(ShowPlayback, MainBeatCountsToThirtyTwoOnOrderThree) {
    playShow();
    const std::vector<CountedHit>& k = counted[1];
    EXPECT_EQ(rowsIn(k, 0), (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56}));
    EXPECT_EQ(countIn(k, 0, 2), 31);
    ASSERT_GE(k.size(), 32u);
    EXPECT_EQ(k[31].order, 3);
    EXPECT_EQ(k[31].row, 0);
    for (int o = 3; o <= 20; ++o) EXPECT_GT(countIn(k, o, o), 0) << "order " << o;
}

// Hits 1-3 in the opening (the first and third flash), 7 by 10 s (order 1,
// row 19), 9 early in order 2 and 12 by its middle: the arcs come in early.
TEST(ShowPlayback, SnareBringsTheArcsInEarly) {
    playShow();
    const std::vector<CountedHit>& k = counted[2];
    ASSERT_GE(k.size(), 12u);
    EXPECT_EQ(countIn(k, 0, 0), 3);
    EXPECT_EQ(k[6].order, 1);
    EXPECT_LE(k[6].row, 19);
    EXPECT_EQ(k[8].order, 2);
    EXPECT_LE(k[8].row, 8);
    EXPECT_EQ(k[11].order, 2);
    EXPECT_LE(k[11].row, 32);
}

TEST(ShowPlayback, AccentsEveryFewRowsInTheOpening) {
    playShow();
    std::vector<int> rows = rowsIn(counted[4], 0);
    EXPECT_GE(rows.size(), 16u);
    EXPECT_LE(rows.size(), 32u);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.front(), 3);
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i] - rows[i - 1], 4) << "row " << rows[i];
}

TEST(ShowPlayback, TheHundredAndTwentyNinthFlashFallsInOrderFifteenOrSixteen) {
    playShow();
    const std::vector<CountedHit>& k = counted[5];
    EXPECT_EQ(countIn(k, 0, 2), 0);
    ASSERT_GE(k.size(), 129u);
    EXPECT_GE(k[128].order, 15);
    EXPECT_LE(k[128].order, 16);
}
}  // namespace
