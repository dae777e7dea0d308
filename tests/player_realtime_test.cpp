// The player's own thread in real time, with SDL's dummy driver as the sound
// card (its default device, and its first by number) and on the no-output
// clock, against the show's frame loop. The CI's race stage runs these under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/globals.h"
#include "platform/clock.h"
#include "audio/player.h"
#include "audio/player_state.h"
#include "tests/capture_fd.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "timeline/composition.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point started;
int32_t lastCount[SYNC_CHANNELS];

void setUpShow() {
    resetDemoGlobals();
    buildTileMap();
    buildSceneObjects();
    useRealClock();
    timelinePosition = playerGetPosition;
    previousCounter = performanceCounter();
    for (int32_t& c : lastCount) c = 0;  // the race stage repeats the tests
    setenv("SDL_AUDIODRIVER", "dummy", 0);
}

void start() {
    started = Clock::now();
    startMusic();
}

// Frames for `ms` milliseconds, as the show's loop makes them. Counts only
// grow and pulses stay within 0..1 whatever the player's thread does, and the
// position is never ahead of the time played (rows of 0.12 s; the dummy device
// may run a little fast: allow 10% and one device buffer). Returns the hits
// counted meanwhile; a loaded machine may start late, so `patience` more
// milliseconds are given to the first hit.
int32_t playFrames(int ms, int patience = 0) {
    int32_t hits = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end || (hits == 0 && Clock::now() < end + std::chrono::milliseconds(patience))) {
        updateTimeline();
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) sampleScene(viewWidth * float(x) / 8, viewHeight * float(y) / 6);
        for (int k = 0; k < SYNC_CHANNELS; ++k) {
            const int32_t count = syncCount(k);
            const float pulse = syncPulse(k);
            EXPECT_GE(count, lastCount[k]) << "channel " << k;
            EXPECT_TRUE(pulse >= 0.0f && pulse <= 1.0f) << "channel " << k << " pulse " << pulse;
            hits += count - lastCount[k];
            lastCount[k] = count;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        const uint32_t position = playerGetPosition();
        EXPECT_TRUE((position & 0xFFFF) == 0 && (position >> 16) * 0.12 <= elapsed * 1.1 + 0.012) << position;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return hits;
}
}  // namespace

// Rows are heard late by a sleep, never early; a clock step is never the
// whole run.
TEST(PlayerRealTime, TheShowKeepsTimeOnTheDummyDriversFirstDeviceAndTheSilentOne) {
    setUpShow();
    for (int device : {1, PLAYER_DEVICE_NONE}) {  // SDL's first device by number; the clock
        ASSERT_EQ(playerInit(device, 44100, 0), 1);
        loadMusic();
        start();
        // A loaded machine may start late: then wait (a while) for a few rows.
        for (int i = 0; i < 100 && (i < 6 || playerGetPosition() >> 16 < 3); ++i) {
            playFrames(100);
            // The device holds only what the thread renders ahead (about 46 ms),
            // so a stop is heard at once.
            using namespace playback;
            if (device == 1) {
                EXPECT_LE(SDL_GetQueuedAudioSize(player.device) / 4, uint32_t(AHEAD_FRAMES + CHUNK_FRAMES));
            }
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        const uint32_t rows = playerGetPosition() >> 16;
        freeMusic();
        PlayerStats s;  // as they stood when playback stopped
        playerGetStats(&s);
        EXPECT_GE(rows, 3u);
        EXPECT_GT(s.onsetsFired, rows);
        EXPECT_TRUE(s.meanLatenessMs >= 0 && s.meanLatenessMs <= s.maxLatenessMs && s.maxLatenessMs < 1000 * elapsed);
        EXPECT_TRUE(s.meanClockStepMs >= 0 && s.meanClockStepMs <= s.maxClockStepMs && s.maxClockStepMs < 1000 * elapsed);
        EXPECT_EQ(s.inexactOnsets, 0u);
    }
    resetDemoGlobals();
}

namespace {
std::atomic<int> offers{0};
std::atomic<int64_t> taken{0};  // frames SDL's queue took

// SDL's queue refusing every third chunk, as when it runs out of memory.
int refuseEveryThird(SDL_AudioDeviceID device, const void* data, Uint32 bytes) {
    if (offers.fetch_add(1) % 3 == 2) return SDL_SetError("Out of memory");
    int result = SDL_QueueAudio(device, data, bytes);
    if (result == 0) taken.fetch_add(bytes / 4);
    return result;
}
}  // namespace

// A chunk the device refuses is offered again, so the device gets the song
// whole; the audible frame never passes what the device took (nor are rows
// heard early), and the refusal is told once, on standard error.
TEST(PlayerRealTime, ARefusedChunkIsOfferedAgainAndToldOnce) {
    setUpShow();
    using namespace playback;
    offers = 0;  // the race stage repeats the tests
    taken = 0;
    queueAudio = refuseEveryThird;
    int64_t rendered = 0;
    std::string told = captureStderr([&] {
        ASSERT_EQ(playerInit(1, 44100, 0), 1);
        loadMusic();
        start();
        for (int i = 0; i < 10; ++i) {
            playFrames(100);
            const int64_t audible = playerAudibleFrame();
            EXPECT_LE(audible, taken.load()) << "after " << offers.load() << " offers";
        }
        stopPlayback(player);
        rendered = player.engine.rendered - player.engine.pendingCount;  // handed out of the engine
        freeMusic();
    });
    queueAudio = SDL_QueueAudio;
    EXPECT_GT(offers.load(), 30);
    EXPECT_TRUE(taken.load() <= rendered && rendered - taken.load() <= CHUNK_FRAMES) << taken.load() << " of " << rendered;
    EXPECT_EQ(told, "SDL_QueueAudio: Out of memory; the music waits for the device\n");
    resetDemoGlobals();
}

// The show's syncs arrive on the player's thread while the frame loop reads
// the position, decays the pulses and samples the scene; the music is
// restarted, freed and reloaded while it plays.
TEST(PlaybackRace, SyncsAgainstTheFrameLoopThroughRestartsAndReloads) {
    setUpShow();
    for (int device : {PLAYER_DEVICE_NONE, PLAYER_DEVICE_DEFAULT}) {
        ASSERT_EQ(playerInit(device, 44100, 0), 1);
        loadMusic();
        start();
        EXPECT_GT(playFrames(300, 5000), 0) << "no hits in the opening, device " << device;
        start();  // again, while it plays
        playFrames(100);
        playerMusicFree();  // stopped and gone under the running frames
        playFrames(20);
        EXPECT_EQ(playerGetPosition(), 0u);
        loadMusic();
        start();
        EXPECT_GT(playFrames(200, 5000), 0) << "no hits after the reload, device " << device;
        freeMusic();
    }
    EXPECT_EQ(currentDemoPhase(), 0);
    resetDemoGlobals();
}
