// The animators' placement rules at their edge values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shapes/shape.h"
#include "timeline/animators.h"
#include "timeline_support.h"

namespace {
struct Animators : ::testing::Test {
    void SetUp() override { resetShow(); }
    void TearDown() override { useRealClock(); }
};
}  // namespace

TEST(Wrap13, DefinedForEveryValue) {
    const std::pair<double, int32_t> cases[] = {
        {-2048.0, 6144}, {-1.0, 8191}, {-0.5, 0}, {8191.9, 8191}, {8192.0, 0}, {12345.0, 12345 & 0x1fff},
        {2147483653.0, 5},                       // beyond 2^31: the low bits still count
        {-2147483653.0, (-2147483653ll) & 0x1fff},
        {1e30, 0}, {-1e30, 0},
        {std::numeric_limits<double>::infinity(), 0}, {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (auto [v, expected] : cases) EXPECT_EQ(wrap13(v), expected) << v;
}

TEST_F(Animators, IntroBoxesJitterOnlyWithThePulse) {
    rngState = 777;
    animateIntro(3.0f);
    for (const ShapeGroup& box : randomBoxes) EXPECT_FLOAT_EQ(box.y0, 480.0f);  // count 4 = 0
    EXPECT_FLOAT_EQ(randomBoxes[0].x0, 1280.0f * 0.11f);
    EXPECT_FLOAT_EQ(randomBoxes[7].scale, static_cast<float>(1280.0 * 0.083333336f));

    setSync(4, 5, 1.0f);
    animateIntro(3.0f);
    uint32_t r = (5u * 56101u) % 65537u;
    for (const ShapeGroup& box : randomBoxes) {
        r = nextRandom(r);
        EXPECT_FLOAT_EQ(box.y0, static_cast<float>(((int(r % 7) - 3) * 0.025 + 0.5) * 960.0));
    }
    EXPECT_EQ(rngState, 777u);  // the jitter has a generator of its own
    EXPECT_FLOAT_EQ(tileGlyph.sin, static_cast<float>(std::sin(5 * 1.5707963)));
    EXPECT_FLOAT_EQ(paperLevel, static_cast<float>(0.5 - 5 * 0.015625));
}

TEST_F(Animators, IntroFlashesOnTheFirstAndThirdHitOnly) {
    struct Case {
        int32_t count;
        float pulse;
        bool flash;
    };
    const Case cases[] = {{1, 0.6f, true}, {3, 0.5f, true}, {2, 1.0f, false}, {3, 0.49f, false}, {4, 1.0f, false}};
    for (const Case& c : cases) {
        setSync(2, c.count, c.pulse);
        animateIntro(0.0f);
        EXPECT_EQ(paperLevel == c.pulse && inkSaturation == 0.0f && polarity == 1.0f, c.flash) << c.count;
    }
}

TEST_F(Animators, RingArcPhaseWrapsAfterThirtyTwoHits) {
    setSync(1, 32, 0.0f);
    animateRingArcs(0.0f);
    EXPECT_FLOAT_EQ(arcCuts[2].nx, 0.0f);
    EXPECT_FLOAT_EQ(arcCuts[2].ny, 1.0f);
    EXPECT_FLOAT_EQ(ringArcs[0].x0, static_cast<float>(0.133 * 1280.0));
    EXPECT_FLOAT_EQ(ringArcs[3].x0, static_cast<float>(0.866 * 1280.0));
    EXPECT_FLOAT_EQ(ringArcs[1].scale, 0.25f * 1280.0f);
    setSync(1, 16, 0.0f);  // half a turn
    animateRingArcs(0.0f);
    EXPECT_NEAR(arcCuts[2].ny, -1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(ringArcs[0].x0, static_cast<float>((0.5f * 0.37037036f + 0.133) * 1280.0));
}

TEST_F(Animators, MandelZoomFollowsTheScenePulseDownToNothing) {
    scenePulse = 1.0f;
    animateMandelZoom(0.0f);
    EXPECT_EQ(mandelScale, 2.0f);
    EXPECT_FLOAT_EQ(mandelCutouts[0].radius, 0.115f);  // 0.23 x inv, inv 0.5
    EXPECT_FLOAT_EQ(mandelCutouts[0].cx, -0.125f);
    scenePulse = 0.5f;
    animateMandelZoom(0.0f);
    EXPECT_EQ(mandelScale, 1.0f);
    EXPECT_FLOAT_EQ(mandelCutouts[2].radius, 0.5f);

    // At the end of the zoom the cut-outs are infinite and the layer is empty.
    scenePulse = 0.0f;
    animateMandelZoom(0.0f);
    EXPECT_EQ(mandelScale, 0.0f);
    EXPECT_TRUE(std::isinf(mandelCutouts[0].radius));
    for (float y = 0; y < 960; y += 37)
        for (float x = 0; x < 1280; x += 41) ASSERT_EQ(insideTrimmedMandelbrot(x, y), 0) << x << "," << y;
}

TEST_F(Animators, FreeDiscsAndTheLogoRow) {
    animateFreeDiscs(0.0f);  // A = 0: every sine is exactly 0, every moon behind
    EXPECT_EQ(freeDiscXor[1], 1);
    EXPECT_EQ(freeDiscXor[2], 1);
    EXPECT_EQ(freeDiscXor[3], 1);
    EXPECT_FLOAT_EQ(freeDiscs[0].radius, 192.0f);
    EXPECT_FLOAT_EQ(freeDiscs[1].cx, static_cast<float>(0.8 * 1280.0));
    animateFreeDiscs(static_cast<float>(3.14159265 * 1.5));  // 2A = 3pi/2: sine below 0
    EXPECT_EQ(freeDiscXor[1], 0);

    animateCommon(0.0f);
    EXPECT_FLOAT_EQ(logoBars.y0, 480.0f);  // count 10 = 0: (2 mod 3) x 0.2 + 0.1
    EXPECT_FLOAT_EQ(logoBars.x0, -1.2f * 1280.0f);
    setSync(10, 1, 1.0f);
    animateCommon(0.0f);
    EXPECT_FLOAT_EQ(logoBars.y0, 96.0f);  // next row: 0.1
    EXPECT_FLOAT_EQ(logoBars.x0, static_cast<float>(1.8 * 1280.0));
}

TEST_F(Animators, FanSweepsAndCrossesCircle) {
    animateTriangleFan(0.0f);
    EXPECT_FLOAT_EQ(triangleFan.cos, 1.0f);
    EXPECT_FLOAT_EQ(triangleFan.scale, 12.5f);
    setSync(11, 1, 0.0f);  // a quarter second back: phase 1 - 0.5, wrapped
    animateTriangleFan(0.0f);
    EXPECT_FLOAT_EQ(triangleFan.sin, static_cast<float>(std::sin(0.5)));

    scenePulse = 0.0f;
    animateCrosses(0.0f);
    EXPECT_FLOAT_EQ(crossGroups[4].scale, 0.07f * 1280.0f);
    EXPECT_FLOAT_EQ(crossGroups[0].scale, 3.0f);
    EXPECT_FLOAT_EQ(crossGroups[3].scale, 1.5f);
    EXPECT_FLOAT_EQ(crossGroups[0].x0, static_cast<float>(5.0 * std::cos(1.5)));  // A = 3 x count 11
    EXPECT_FLOAT_EQ(crossGroups[1].y0, static_cast<float>(5.0 * std::sin(2.0)));
}
