// The timeline director: progress, one-shot triggers, decays, colours, dispatch.
#include "capture_fd.h"
#include "timeline_support.h"

struct Director : ShowTest {};

TEST_F(Director, OrderReachedOnlyGrowsAndTriggersFireOnNewMaxima) {
    // seconds, position (order; a row above it), orderReached, scenePulse, its rate
    const double frames[][5] = {{1.0, 0, 0, 0, 1},            {1.1, 3 | 17 << 16, 3, 0, 1},   {1.2, 5, 5, 0.8, 2},
                                {1.3, 5, 5, 0.6, 2},          {1.4, 4, 5, 0.4, 2},            {1.5, 9, 9, 0.8, 2},
                                {1.6, 19, 19, 0.9905, 0.095}, {1.7, 20, 20, 0.9905, 0.095},   {2.7, 19, 20, 0.8955, 0.095}};
    for (const auto& f : frames) {
        frameAt(f[0], static_cast<uint32_t>(f[1]));
        expectValues({{static_cast<float>(orderReached), f[2]}, {scenePulse, f[3]}, {scenePulseRate, f[4]}});
    }
}

// The general step at order 3: decays first, then the colours from what is left.
TEST_F(Director, PulsesDecayThenSetTheColours) {
    frameAt(1.0, 3);
    for (auto& channel : syncChannels) channel.pulse.store(1.0f);
    setSyncs({{5, 128, 1}});  // the 128th hit does not flash yet
    mouseHeld = 1;
    frameAt(1.1, 3);
    const double after[SYNC_CHANNELS] = {1, 0.6, 0.6, 0.8, 0.8, 0.9, 1, 1, 0.9, 1, 0.95, 0.6, 1, 0.9, 1, 1};
    for (int k = 0; k < SYNC_CHANNELS; ++k) EXPECT_NEAR(syncPulse(k), after[k], 1e-6) << "channel " << k;
    expectValues({{paperLevel, 0.2}, {inkSaturation, 0.2}, {polarity, 0.1}, {static_cast<float>(cellGap), 0}});
    setSyncs({{1, 0, 0.1f}, {3, 0, 0.1f}, {5, 129, 0.9f}});
    frameAt(1.35, 3);  // 0.1 - 4 x 0.25 s, or - 2 x 0.25 s, is stored as 0; the 129th hit flashes
    expectValues({{syncPulse(1), 0}, {syncPulse(10), 0.825}, {paperLevel, 0.685}, {polarity, 0.8375}, {inkSaturation, 0.545}});
    setSyncs({{2, 1, 1}, {3, 0, 0}, {5, 129, 0}, {13, 0, 0}});  // a counter going back is reported and takes no time
    EXPECT_EQ(captureStdout([] { frameAt(1.0, 3); }) + captureStdout([] { frameAt(1.0, 3); }), "T");
    expectValues({{syncPulse(2), 1}, {paperLevel, 0.2}, {inkSaturation, 0.7}, {polarity, 1}});
}

TEST_F(Director, DispatchFollowsTheSceneTable) {
    // F fan, I intro, R ring arcs, E ending, S free discs, D drift, G general, Z zoom, C crosses
    const std::tuple<int, int, std::string> rows[] = {
        {1, 0, "FIGC"}, {1, 8, "FEGC"}, {0, 1, "FRGC"}, {0, 2, "FRGC"}, {0, 3, "FGC"}, {0, 5, "FGZC"}, {0, 9, "FGZC"},
        {0, 10, "FGC"}, {0, 12, "FS"},  {0, 15, "FS"},  {0, 16, "FGC"}, {0, 19, "FD"}, {0, 20, "FD"},  {0, 21, "FGC"}};
    static std::string ran;
    timelineTrace = [](TimelineStep s) { ran += "FIRESDGZC"[static_cast<int>(s)]; };
    for (const auto& [phase, order, expected] : rows) {
        demoPhase.store(phase);
        orderReached = order;
        ran.clear();
        frameAt(2.0, static_cast<uint32_t>(order));
        EXPECT_EQ(ran, expected) << "phase " << phase << " order " << order;
    }
}
