#pragma once
// Drives the timeline frame by frame: a scripted music position, scripted sync
// values and a scripted counter (nanoseconds); checks written fields at once.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <tuple>

#include "core/globals.h"
#include "platform/clock.h"
#include "shapes/scene_objects.h"
#include "timeline/animators.h"
#include "timeline/timeline.h"

inline uint32_t scriptedPosition = 0;

// Each entry: channel, count, pulse.
inline void setSyncs(std::initializer_list<std::tuple<int, int32_t, float>> channels) {
    for (auto [k, count, pulse] : channels) syncChannels[k].count.store(count), syncChannels[k].pulse.store(pulse);
}

// A fresh show at 1280 x 960.
inline void resetShow() {
    resetDemoGlobals();
    viewWidth = 1280.0f, viewHeight = 960.0f;
    buildTileMap();
    buildSceneObjects();
    scenePulse = 0.0f, scenePulseRate = 1.0f, previousCounter = 0;
    timelinePosition = [] { return scriptedPosition; };
}

struct ShowTest : ::testing::Test {
    void SetUp() override { resetShow(); }
    void TearDown() override { timelineTrace = nullptr, useRealClock(); }
};

// One call of updateTimeline at counter time `seconds`, hearing `position`.
inline void frameAt(double seconds, uint32_t position) {
    scriptedPosition = position;
    useScriptedClock(static_cast<uint32_t>(seconds * 1000), static_cast<int64_t>(seconds * 1e9));
    updateTimeline();
}

// Each pair: a field as written, its worked value; a failure names its index.
inline void expectValues(std::initializer_list<std::pair<float, double>> checks) {
    for (auto& c : checks) EXPECT_NEAR(c.first, c.second, 2e-5 * (1 + std::fabs(c.second))) << &c - checks.begin();
}
// A frame's x0, y0, scale and angle.
inline auto expectFrame = [](const auto& g, std::array<double, 4> w) {
    expectValues({{g.x0, w[0]}, {g.y0, w[1]}, {g.scale, w[2]}, {g.sin, std::sin(w[3])}, {g.cos, std::cos(w[3])}});
};
