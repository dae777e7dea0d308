// The player in real time: SDL's dummy driver as the sound card (device -1)
// and the no-output clock (device -2).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/platform/player.h"
#include "tests/player_modules.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int RATE = 44100;
constexpr int64_t ROW_FRAMES = 3 * (RATE * 5 / (2 * 150));  // speed 3, tempo 150: 50 ms

// One order of 64 rows, a note on every row.
std::vector<uint8_t> steadySong() {
    ItModule m;
    m.initialSpeed = 3;
    m.initialTempo = 150;
    m.samples = {testSample(48)};
    m.instruments = {splitInstrument(1, 1)};
    ItPattern p = itEmptyPattern(64, 1);
    for (int r = 0; r < 64; ++r) itCell(p, 1, r, 0) = noteCell(uint8_t(36 + r % 24), 1);
    m.patterns = {p};
    m.orders = {0};
    return moduleBytes(m);
}

struct Heard {
    double seconds;  // since play
    int64_t frame;   // audible frame when the sync fired
    uint32_t position;
    uint32_t data;
};
Heard heard[256];
std::atomic<int> heardCount{0};
Clock::time_point playStart;

void onRow(uint32_t, uint32_t data, uint32_t) {
    int i = heardCount.load(std::memory_order_relaxed);
    if (i == 256) return;
    heard[i] = {std::chrono::duration<double>(Clock::now() - playStart).count(), playerAudibleFrame(),
                playerGetPosition(), data};
    heardCount.store(i + 1, std::memory_order_release);
}

// Plays for about `seconds` and checks that the position moves with time and
// that each row's sync came at (never before) its row.
void playInRealTime(int device, double seconds) {
    std::vector<uint8_t> bytes = steadySong();
    ASSERT_EQ(playerInit(device, RATE, 0), 1);
    ASSERT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 1);
    ASSERT_NE(playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, onRow, 1), 0u);
    heardCount.store(0);
    playStart = Clock::now();
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    uint32_t lastRow = 0;
    double elapsed = 0;
    // A loaded machine may start late: then wait (a while) for a few rows.
    while (elapsed < seconds || (lastRow < 2 && elapsed < 10.0)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        uint32_t position = playerGetPosition();
        elapsed = std::chrono::duration<double>(Clock::now() - playStart).count();
        uint32_t row = position >> 16;
        ASSERT_EQ(position & 0xFFFF, 0u);
        ASSERT_GE(row, lastRow);
        lastRow = row;
        // Never ahead of the time that has passed (the dummy device may run a
        // little fast: allow 10% and one device buffer).
        EXPECT_LE(double(row * ROW_FRAMES) / RATE, elapsed * 1.1 + 0.012) << "row " << row;
    }
    PlayerStats stats;
    playerGetStats(&stats);
    playerMusicFree();
    playerFree();
    EXPECT_GT(lastRow, 0u);

    int n = heardCount.load(std::memory_order_acquire);
    ASSERT_GT(n, 0);
    for (int i = 0; i < n; ++i) {
        const Heard& h = heard[i];
        EXPECT_EQ(h.position, uint32_t(i) << 16);
        EXPECT_EQ(h.data & 0xFFFF, uint32_t(36 + i % 24));
        EXPECT_GE(h.frame, i * ROW_FRAMES);
    }
    // How evenly the rows fired: a straight line through (row start, time)
    // gives the device's real rate, the residuals the firing jitter.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        double x = double(i * ROW_FRAMES), y = heard[i].seconds;
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    double slope = n > 1 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 1.0 / RATE;
    double offset = (sy - slope * sx) / n;
    double worst = 0;
    for (int i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(heard[i].seconds - (offset + slope * double(i * ROW_FRAMES))));
    std::printf("device %d: %d rows in %.3f s, first after %.1f ms; syncs after their audible frame: mean %.3f ms, "
                "max %.3f ms; audible clock against the device's buffers: mean %.3f ms, max %.3f ms; device runs at %.0f Hz, "
                "row firing jitter max %.3f ms; %u underruns, %u inexact\n",
                device, n, elapsed, 1000 * heard[0].seconds, stats.meanLatenessMs, stats.maxLatenessMs, stats.meanClockStepMs, stats.maxClockStepMs,
                1.0 / slope, 1000 * worst, stats.underruns, stats.inexactOnsets);
    EXPECT_EQ(stats.inexactOnsets, 0u);
}

TEST(PlayerRealTime, DefaultDeviceOnTheDummyDriverAdvancesWithTime) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    playInRealTime(PLAYER_DEVICE_DEFAULT, 1.0);
}

TEST(PlayerRealTime, SilentDeviceAdvancesWithTime) { playInRealTime(PLAYER_DEVICE_NONE, 0.6); }
}  // namespace
