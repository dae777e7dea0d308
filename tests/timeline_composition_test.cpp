// Which objects make the scene in each case, on chosen points.
#include <gtest/gtest.h>

#include "shapes/shape.h"
#include "timeline/animators.h"
#include "timeline/composition.h"
#include "timeline_support.h"

namespace {
struct Composition : ::testing::Test {
    void SetUp() override { resetShow(); }
    void TearDown() override { useRealClock(); }
    static int inkAnywhere() {
        int n = 0;
        for (float y = 0; y < 960; y += 16)
            for (float x = 0; x < 1280; x += 16) n += sampleScene(x, y);
        return n;
    }
    // Move a group far away, so that it reads 0 everywhere on screen.
    static void banish(ShapeGroup& g) {
        g.x0 = 1e6f;
        g.y0 = 1e6f;
        g.scale = 1.0f;
    }
};
}  // namespace

TEST_F(Composition, WarningScreenIsEmptyWhateverTheOrder) {
    demoPhase.store(-1);
    setSync(1, 5, 1.0f);
    setSync(2, 9, 1.0f);
    for (int order : {0, 1, 5, 8, 12, 19}) {
        orderReached = order;
        updateTimeline();
        EXPECT_EQ(inkAnywhere(), 0) << order;
    }
}

TEST_F(Composition, IntroCutsTheLettersOutOfTheBoxes) {
    demoPhase.store(1);  // order 0 keeps the intro even after the end
    animateIntro(0.0f);
    const ShapeGroup& box = randomBoxes[0];
    // The box's centre region: ink where the glyph is paper, hole on a stroke.
    int ink = 0, holes = 0;
    for (float dy = -100; dy <= 100; dy += 5)
        for (float dx = -100; dx <= 100; dx += 5) {
            float x = box.x0 + dx, y = box.y0 + dy;
            if (!intersectGroup(&box, x, y)) continue;
            int glyphPaper = insideTileGlyph(&tileGlyph, x, y);
            EXPECT_EQ(sampleScene(x, y), glyphPaper);
            (glyphPaper ? ink : holes)++;
        }
    EXPECT_GT(ink, 0);
    EXPECT_GT(holes, 0);
    // Only box 0 before any channel-1 hit.
    EXPECT_EQ(sampleScene(randomBoxes[4].x0, randomBoxes[4].y0 - 3), 0);
    setSync(1, 4, 0.0f);
    bool fourthBox = false;
    for (float d = -20; d <= 20 && !fourthBox; d += 1)
        fourthBox = sampleScene(randomBoxes[4].x0 + d, randomBoxes[4].y0 + 30) == 1;
    EXPECT_TRUE(fourthBox);
}

TEST_F(Composition, RingArcsGoneFromTheThirtySecondHit) {
    orderReached = 1;
    setSync(2, 12, 0.0f);
    setSync(1, 31, 0.0f);
    animateRingArcs(0.0f);
    banish(quadDiscGroup);
    EXPECT_GT(inkAnywhere(), 0);
    setSync(1, 32, 0.0f);
    EXPECT_EQ(inkAnywhere(), 0);
    orderReached = 0;
    EXPECT_EQ(sceneArcs(ringArcs[0].x0, ringArcs[0].y0 + ringArcs[0].scale * 0.75f), 0);
}

TEST_F(Composition, LogoOnlyWhereTheLayersAreEmptyAndNotFromOrderNine) {
    animateCommon(0.0f);
    logoBars.x0 = logoBounds.x0 = 640.0f;
    logoBars.y0 = logoBounds.y0 = 480.0f;
    logoBars.scale = logoBounds.scale = 200.0f;
    banish(triangleFan);
    // A point on a logo stroke, and one in its box but between strokes.
    float onX = 0, onY = 0, offX = 0, offY = 0;
    bool on = false, off = false;
    for (float y = 400; y < 560; y += 3)
        for (float x = 200; x < 1080; x += 3) {
            int bar = unionGroup(&logoBars, x, y), inBox = intersectGroup(&logoBounds, x, y);
            if (bar && !on) on = true, onX = x, onY = y;
            if (inBox && !bar && !off) off = true, offX = x, offY = y;
        }
    ASSERT_TRUE(on && off);
    for (int order : {3, 4, 6, 7, 8}) {
        orderReached = order;
        EXPECT_EQ(sampleScene(onX, onY), 1) << order;
        EXPECT_EQ(sampleScene(offX, offY), 0) << order;
    }
    for (int order : {9, 10, 16, 21}) {
        orderReached = order;
        EXPECT_EQ(sampleScene(onX, onY), 0) << order;
    }
    // With the quad discs on, a point where they are ink stays ink over the logo
    // instead of cancelling it.
    orderReached = 8;
    setSync(2, 7, 0.0f);
    quadDiscGroup.x0 = onX;
    quadDiscGroup.y0 = onY;
    quadDiscGroup.scale = 10.0f;
    quadDiscGroup.sin = 0.0f;
    quadDiscGroup.cos = 1.0f;
    ASSERT_EQ(xorGroup(&quadDiscGroup, onX + 20, onY), 1);
    EXPECT_EQ(sampleScene(onX + 20, onY), 1);
}

TEST_F(Composition, FreeDiscsCombineByOrAndXor) {
    orderReached = 12;
    setSync(11, 1, 0.0f);  // odd: the quad discs, banished
    banish(quadDiscGroup);
    freeDiscs[0] = Disc{100, 100, 50};
    freeDiscs[1] = Disc{130, 100, 50};
    freeDiscs[2] = Disc{900, 900, 10};
    freeDiscs[3] = Disc{900, 800, 10};
    freeDiscXor[1] = 1;
    EXPECT_EQ(sampleScene(115, 100), 0);  // in both: the moon cuts a hole
    EXPECT_EQ(sampleScene(70, 100), 1);
    freeDiscXor[1] = 0;
    EXPECT_EQ(sampleScene(115, 100), 1);  // in front: covered
    EXPECT_EQ(sampleScene(150, 100), 1);
    EXPECT_EQ(sampleScene(200, 100), 0);  // exactly on the moon's rim
    EXPECT_EQ(sampleScene(50, 100), 0);   // exactly on the planet's rim
}

TEST_F(Composition, TrimmedMandelbrotTakesTheLatticeOnEvenCounts) {
    orderReached = 19;
    mandelScale = 0.0f;  // an empty Mandelbrot layer
    placeMandelCutouts();
    latticeGroup.x0 = 640;
    latticeGroup.y0 = 480;
    latticeGroup.scale = 100;
    int agree = 0, total = 0;
    for (float y = 0; y < 960; y += 23)
        for (float x = 0; x < 1280; x += 29) {
            ++total;
            agree += sampleScene(x, y) == xorGroup(&latticeGroup, x, y);
        }
    EXPECT_EQ(agree, total);  // count 11 = 0 is even
    setSync(11, 1, 0.0f);
    banish(quadDiscGroup);
    EXPECT_EQ(inkAnywhere(), 0);
}
