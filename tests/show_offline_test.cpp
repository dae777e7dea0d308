// The whole show, offline through the software framebuffer at 640 x 480 and
// 15 frames a second: every order in turn, the ending after the music, and ink
// in every frame.
#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "show/offline_show.h"
#include "render/frame.h"
#include "timeline/composition.h"

namespace {
int inkSamples = 0;
int countingScene(float x, float y) {
    int inside = sampleScene(x, y);
    inkSamples += inside;
    return inside;
}
}  // namespace

TEST(OfflineShow, RunsFromTheIntroToTheEnding) {
    OfflineShow show;
    OfflineClock clock;
    clock.fpsNum = 15;
    clock.warningSamples = OFFLINE_RATE;  // one second: 15 frames
    ASSERT_TRUE(openOfflineShow(&show, clock, 640, 480, 1));
    frameScene = countingScene;

    for (int n = 0; n < 15; ++n) {
        inkSamples = 0;
        stepOfflineShow(&show, nullptr);
        EXPECT_EQ(inkSamples, 0) << "the warning screen shows no scene";
    }

    std::vector<int> orders;
    int emptyFrames = 0, frames = 0;
    double endedAt = -1;
    for (int n = 0; n < 15 * 200; ++n) {
        double t = n / 15.0;
        inkSamples = 0;
        stepOfflineShow(&show, nullptr);
        ++frames;
        if (inkSamples == 0) {
            ++emptyFrames;
            ADD_FAILURE() << "no ink at " << t << " s, order " << orderReached;
        }
        if (orders.empty() || orders.back() != orderReached) orders.push_back(orderReached);
        if (endedAt < 0 && currentDemoPhase() >= 1) endedAt = t;
        if (endedAt >= 0 && t > endedAt + 3.0) break;
    }
    frameScene = sampleScene;
    closeOfflineShow(&show);

    std::vector<int> expected;
    for (int o = 0; o <= 20; ++o) expected.push_back(o);  // the ending keeps order 20
    EXPECT_EQ(orders, expected);
    EXPECT_GT(endedAt, 140.0);
    EXPECT_LT(endedAt, 155.0);
    EXPECT_EQ(currentDemoPhase(), 1);
    EXPECT_EQ(emptyFrames, 0) << "of " << frames << " frames";
    EXPECT_GT(frames, 15 * 145);
}
