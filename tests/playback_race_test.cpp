// The real playback thread against the frame loop: the show's syncs arrive on
// the player's thread while the frame loop reads the position, decays the
// pulses and samples the scene, and the music is restarted, freed and
// reloaded while it plays. The CI's race stage runs it under ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/globals.h"
#include "app/platform/platform.h"
#include "app/platform/player.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "timeline/composition.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

namespace {
int32_t lastCount[SYNC_CHANNELS];

// Frames for `ms` milliseconds, as the show's loop makes them. Counts only
// grow and pulses stay within 0..1 whatever the player's thread does; returns
// the hits counted meanwhile.
int32_t playFrames(int ms) {
    int32_t hits = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
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
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return hits;
}
}  // namespace

TEST(PlaybackRace, SyncsAgainstTheFrameLoopThroughRestartsAndReloads) {
    resetDemoGlobals();
    viewWidth = 640.0f;
    viewHeight = 480.0f;
    buildTileMap();
    buildSceneObjects();
    useRealClock();
    timelinePosition = playerGetPosition;
    previousCounter = performanceCounter();
    for (int k = 0; k < SYNC_CHANNELS; ++k) lastCount[k] = 0;

    // The no-output clock, then SDL's dummy device: each with a thread of its own.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    for (int silent : {1, 0}) {
        noSound = silent;
        ASSERT_EQ(initMusic(), 0);
        loadMusic();
        demoPhase.store(0);
        orderReached = 0;
        startMusic();
        EXPECT_GT(playFrames(300), 0) << "no hits in the opening, noSound " << silent;
        startMusic();  // again, while it plays
        playFrames(100);
        playerMusicFree();  // stopped and gone under the running frames
        playFrames(20);
        EXPECT_EQ(playerGetPosition(), 0u);
        loadMusic();
        startMusic();
        EXPECT_GT(playFrames(200), 0) << "no hits after the reload, noSound " << silent;
        freeMusic();
    }
    EXPECT_EQ(currentDemoPhase(), 0);
    resetDemoGlobals();
}
