// The timeline director: progress, one-shot triggers, decays, dispatch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture_fd.h"
#include "timeline_support.h"

namespace {
std::vector<TimelineStep> steps;
void record(TimelineStep s) { steps.push_back(s); }

struct Director : ::testing::Test {
    void SetUp() override { resetShow(); }
    void TearDown() override {
        timelineTrace = nullptr;
        useRealClock();
    }
};
}  // namespace

TEST_F(Director, OrderReachedOnlyGrowsAndTriggersFireOnNewMaxima) {
    const uint32_t sequence[] = {0, 1, 2, 3, 5};
    double t = 1.0;
    for (uint32_t order : sequence) {
        frameAt(t += 0.1, order | (17u << 16));  // the row is ignored
        EXPECT_EQ(orderReached, static_cast<int>(order));
    }
    // Set to 1 and decayed in the same frame: 0.1 s at rate 2.
    EXPECT_NEAR(scenePulse, 0.8f, 1e-6f);
    EXPECT_FLOAT_EQ(scenePulseRate, 2.0f);
    for (int i = 0; i < 4; ++i) frameAt(t += 0.1, 5);  // gone 0.5 s after the trigger
    EXPECT_LT(scenePulse, 1e-6f);
    EXPECT_GE(scenePulse, 0.0f);

    // A drop from 7 to 6: nothing moves back, nothing fires.
    frameAt(t += 0.1, 7);
    scenePulse = 0.0f;
    frameAt(t += 0.1, 6);
    EXPECT_EQ(orderReached, 7);
    EXPECT_EQ(scenePulse, 0.0f);

    // 18 then 20: the slow trigger fires once, at 20; 19 afterwards is old news.
    frameAt(t += 0.1, 18);
    EXPECT_EQ(scenePulse, 0.0f);
    frameAt(t += 0.1, 20);
    EXPECT_NEAR(scenePulse, 1.0f - 0.0095f, 1e-6f);
    EXPECT_FLOAT_EQ(scenePulseRate, 0.095f);
    frameAt(t += 1.0, 19);
    EXPECT_NEAR(scenePulse, 1.0f - 0.0095f - 0.095f, 1e-6f);
    EXPECT_EQ(orderReached, 20);

    // An order skipped over fires nothing: 4 straight to 6 never sees 5.
    resetShow();
    frameAt(1.0, 4);
    frameAt(1.1, 6);
    EXPECT_EQ(scenePulse, 0.0f);
}

TEST_F(Director, PulsesDecayByTheirFactorsAndStopAtZero) {
    frameAt(1.0, 0);
    setSync(10, 1, 1.0f);
    setSync(6, 1, 1.0f);
    double t = 1.0;
    float expected = 1.0f;
    for (int i = 1; i <= 19; ++i) {
        frameAt(t += 0.1, 0);
        expected = 1.0f - 0.05f * i;
        EXPECT_NEAR(syncPulse(10), expected, 1e-5f) << "frame " << i;
    }
    frameAt(t += 0.1, 0);  // would go below zero
    EXPECT_EQ(syncPulse(10), 0.0f);
    frameAt(t += 0.1, 0);
    EXPECT_EQ(syncPulse(10), 0.0f);
    EXPECT_EQ(syncPulse(6), 1.0f);  // channel 6 is not decayed

    // Factor 4 over a whole second takes 0.1 far below zero: 0 is stored.
    setSync(1, 1, 0.1f);
    setSync(3, 1, 1.0f);
    setSync(5, 1, 1.0f);
    frameAt(t += 0.25, 0);
    EXPECT_EQ(syncPulse(1), 0.0f);
    EXPECT_NEAR(syncPulse(3), 0.5f, 1e-6f);   // factor 2
    EXPECT_NEAR(syncPulse(5), 0.75f, 1e-6f);  // factor 1
}

TEST_F(Director, CounterGoingBackIsReportedAndTakesNoTime) {
    frameAt(5.0, 0);
    setSync(2, 1, 1.0f);
    std::string out = captureStdout([] { frameAt(4.0, 0); });
    EXPECT_EQ(out, "T");
    EXPECT_EQ(syncPulse(2), 1.0f);
}

TEST_F(Director, DispatchFollowsTheSceneTable) {
    using S = TimelineStep;
    const std::vector<S> general = {S::TriangleFan, S::General, S::Crosses};
    struct Row {
        int phase, order;
        std::vector<S> ran;
    };
    const Row rows[] = {
        {-1, 0, {S::TriangleFan, S::Intro, S::General, S::Crosses}},
        {0, 0, {S::TriangleFan, S::Intro, S::General, S::Crosses}},
        {1, 0, {S::TriangleFan, S::Intro, S::General, S::Crosses}},
        {1, 13, {S::TriangleFan, S::Ending, S::FreeDiscs}},
        {1, 20, {S::TriangleFan, S::Ending, S::MandelDrift}},
        {1, 8, {S::TriangleFan, S::Ending, S::General, S::Crosses}},
        {1, 21, {S::TriangleFan, S::Ending, S::General, S::Crosses}},
        {0, 1, {S::TriangleFan, S::RingArcs, S::General, S::Crosses}},
        {0, 2, {S::TriangleFan, S::RingArcs, S::General, S::Crosses}},
        {0, 12, {S::TriangleFan, S::FreeDiscs}},
        {0, 15, {S::TriangleFan, S::FreeDiscs}},
        {0, 19, {S::TriangleFan, S::MandelDrift}},
        {0, 5, {S::TriangleFan, S::General, S::MandelZoom, S::Crosses}},
        {0, 9, {S::TriangleFan, S::General, S::MandelZoom, S::Crosses}},
        {0, 10, general},
        {0, 3, general},
        {0, 8, general},
        {0, 16, general},
        {0, 21, general},
    };
    timelineTrace = record;
    for (const Row& row : rows) {
        resetShow();
        demoPhase.store(row.phase);
        orderReached = row.order;
        steps.clear();
        frameAt(2.0, static_cast<uint32_t>(row.order));
        EXPECT_EQ(steps, row.ran) << "phase " << row.phase << " order " << row.order;
    }
}

TEST_F(Director, ColourDefaultsGapAndLogoBounds) {
    mouseHeld = 1;
    orderReached = 12;
    frameAt(1.0, 12);
    EXPECT_EQ(cellGap, 1);  // the free-disc scene leaves the gap as it was
    orderReached = 16;
    frameAt(1.1, 16);
    EXPECT_EQ(cellGap, 0);
    EXPECT_EQ(paperLevel, 0.2f);
    EXPECT_EQ(inkSaturation, 0.7f);
    EXPECT_EQ(polarity, 1.0f);

    // The general step's flash and inversions.
    setSync(13, 1, 0.4f);
    frameAt(1.1, 16);
    EXPECT_FLOAT_EQ(polarity, 0.6f);
    setSync(13, 1, 0.0f);
    setSync(5, 128, 0.5f);  // the 128th hit does not flash yet
    frameAt(1.1, 16);
    EXPECT_EQ(paperLevel, 0.2f);
    setSync(5, 129, 0.5f);
    setSync(3, 1, 0.25f);
    frameAt(1.1, 16);
    EXPECT_FLOAT_EQ(paperLevel, 0.55f);
    EXPECT_FLOAT_EQ(polarity, 0.875f);
    EXPECT_FLOAT_EQ(inkSaturation, 0.75f);  // channel 3 comes last

    // The logo's box moves with the logo, every frame.
    setSync(10, 4, 0.5f);
    frameAt(1.2, 16);
    EXPECT_EQ(logoBounds.x0, logoBars.x0);
    EXPECT_EQ(logoBounds.y0, logoBars.y0);
    EXPECT_EQ(logoBounds.scale, logoBars.scale);
    EXPECT_EQ(logoBounds.cos, logoBars.cos);
    EXPECT_NE(logoBounds.x0, 0.0f);
}
