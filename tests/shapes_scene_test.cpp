#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>

#include "app/globals.h"
#include "shapes/scene_objects.h"

namespace {

class SceneObjects : public ::testing::Test {
protected:
    void SetUp() override {
        resetDemoGlobals();
        saved[0] = mandelScale, saved[1] = mandelOffsetX, saved[2] = mandelOffsetY;
        buildTileMap();
        buildSceneObjects();
    }
    void TearDown() override {
        mandelScale = saved[0], mandelOffsetX = saved[1], mandelOffsetY = saved[2];
        resetDemoGlobals();
    }
    float saved[3];
};

// The half-plane in a slot of a rectangle group.
const HalfPlane& edge(const ShapeGroup& g, int slot) { return *static_cast<const HalfPlane*>(g.children[slot]); }

bool multipleOfHundredth(float v) { return std::fabs(v * 100.0 - std::round(v * 100.0)) < 1e-3; }

}  // namespace

TEST_F(SceneObjects, Counts) {
    EXPECT_EQ(logoBars.count, 21);
    EXPECT_EQ(triangleFan.count, 8);
    for (const ShapeGroup& arc : ringArcs) EXPECT_EQ(arc.count, 4);
    EXPECT_EQ(quadDiscGroup.count, 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(crossGroups[k].count, 2);
    EXPECT_EQ(crossGroups[4].count, 4);
    EXPECT_EQ(latticeGroup.count, 12);
    for (const ShapeGroup& r : logoRects) EXPECT_EQ(r.count, 4);
    for (const ShapeGroup& t : fanTriangles) EXPECT_EQ(t.count, 3);
    for (const ShapeGroup& b : randomBoxes) EXPECT_EQ(b.count, 4);
}

TEST_F(SceneObjects, RandomBoxesFromTheFixedSeed) {
    const struct {
        uint32_t r1, r2;
        float halfW, halfH, scale;
    } table[8] = {
        {9090, 3870, 1.5f, 1.5f, -0.5f},          {55220, 2311, 0.5f, 2.0f, -0.35714287f},
        {63902, 5794, 1.5f, 1.5f, -0.21428572f},  {33029, 6294, 1.0f, 1.5f, -0.071428575f},
        {39661, 21908, 1.0f, 0.5f, 0.071428575f}, {23414, 28185, 1.5f, 1.0f, 0.21428572f},
        {5483, 41487, 2.0f, 2.0f, 0.35714287f},   {28302, 5462, 1.5f, 1.5f, 0.5f},
    };
    uint32_t s = BOX_SEED;
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(nextRandom(s), table[k].r1) << k;
        EXPECT_EQ(nextRandom(table[k].r1), table[k].r2) << k;
        s = table[k].r2;
    }
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(rngState, 5462u) << "pass " << pass;
        for (int k = 0; k < 8; ++k) {
            const ShapeGroup& b = randomBoxes[k];
            EXPECT_EQ(edge(b, 0).limit, table[k].halfH) << k;  // -top
            EXPECT_EQ(edge(b, 1).limit, table[k].halfH) << k;  // bottom
            EXPECT_EQ(edge(b, 2).limit, table[k].halfW) << k;  // -left
            EXPECT_EQ(edge(b, 3).limit, table[k].halfW) << k;  // right
            EXPECT_EQ(b.scale, table[k].scale) << k;
            EXPECT_FLOAT_EQ(b.sin, std::sin(k * static_cast<double>(0.22439948f))) << k;
            EXPECT_NEAR(b.cos, std::cos(k * static_cast<double>(0.22439948f)), 1e-7) << k;
        }
        // Whatever the generator did in between, a rebuild gives the same boxes.
        rngState = 12345;
        for (ShapeGroup& b : randomBoxes) b.scale = 99.0f, b.x0 = 7.0f, b.y0 = 8.0f;
        buildSceneObjects();
        for (const ShapeGroup& b : randomBoxes) {
            EXPECT_EQ(b.x0, 7.0f);
            EXPECT_EQ(b.y0, 8.0f);
        }
    }
}

TEST_F(SceneObjects, LogoBoundsAndLettering) {
    EXPECT_EQ(intersectGroup(&logoBounds, 2.4f, 0.0f), 0);
    EXPECT_EQ(intersectGroup(&logoBounds, 0.0f, 0.0f), 1);
    EXPECT_EQ(intersectGroup(&logoBounds, 2.32f, 0.49f), 1);
    EXPECT_EQ(intersectGroup(&logoBounds, 0.0f, 0.5f), 0);

    const float diagonal = 0.70710677f;
    for (int i = 0; i < LOGO_RECTS; ++i) {
        const ShapeGroup& r = logoRects[i];
        EXPECT_EQ(logoBars.children[i], &r);
        EXPECT_EQ(logoBars.childFns[i], intersectGroup);
        const float top = -edge(r, 0).limit, bottom = edge(r, 1).limit;
        const float left = -edge(r, 2).limit, right = edge(r, 3).limit;
        for (float v : {top, bottom, left, right}) EXPECT_TRUE(multipleOfHundredth(v)) << i << ": " << v;
        const float w = right - left, h = bottom - top;
        EXPECT_EQ(r.scale, 1.0f);
        if (i == 2 || i == 12) {
            const float longSide = i == 2 ? 0.36f : 0.28f, shortSide = i == 2 ? 0.16f : 0.22f;
            EXPECT_NEAR(std::fmax(w, h), longSide, 1e-5) << i;
            EXPECT_NEAR(std::fmin(w, h), shortSide, 1e-5) << i;
            EXPECT_EQ(r.x0, i == 2 ? -1.764f : 1.056f);
            EXPECT_EQ(r.y0, i == 2 ? 0.21f : 0.076f);
            EXPECT_EQ(r.sin, diagonal);
            EXPECT_EQ(r.cos, diagonal);
            EXPECT_EQ(unionGroup(&logoBars, r.x0, r.y0), 1) << "turned bar " << i;
        } else {
            EXPECT_EQ(r.x0, 0.0f);
            EXPECT_EQ(r.y0, 0.0f);
            EXPECT_EQ(r.sin, 0.0f);
            EXPECT_EQ(r.cos, 1.0f);
            EXPECT_GE(left, -2.33f);
            EXPECT_LE(right, 2.33f);
            EXPECT_GE(top, -0.5f);
            EXPECT_LE(bottom, 0.5f);
            const float stroke = std::fmin(w, h);
            EXPECT_TRUE(stroke >= 0.17f - 1e-5f && stroke <= 0.19f + 1e-5f) << i << ": " << stroke;
            EXPECT_LE(std::fmax(w, h), 1.04f + 1e-5f) << i;
        }
    }

    // The bounding box, tested first by the scene, must never clip the word:
    // every ink point of the bars lies inside it. Also, the word has ink in
    // each quarter of its width and a fair share of it overall.
    int ink = 0, quarters[4] = {};
    for (float y = -0.6f; y <= 0.6f; y += 0.01f)
        for (float x = -2.45f; x <= 2.45f; x += 0.01f) {
            if (!unionGroup(&logoBars, x, y)) continue;
            ++ink;
            EXPECT_EQ(intersectGroup(&logoBounds, x, y), 1) << x << "," << y;
            if (x > -2.33f && x < 2.33f) ++quarters[static_cast<int>((x + 2.33f) / 1.165f)];
        }
    for (int q : quarters) EXPECT_GT(q, 600);
    EXPECT_GT(ink, 4.66 * 1.0 * 0.3 * 10000);
    EXPECT_LT(ink, 4.66 * 1.0 * 0.6 * 10000);
}

TEST_F(SceneObjects, TriangleFan) {
    EXPECT_EQ(insideTriangleFan(2.0f, 0.0f), 1);  // triangle 2: angle 0, scale 1
    EXPECT_EQ(insideTriangleFan(0.0f, 0.0f), 0);  // every tip points at the origin
    for (int d = 0; d < 8; ++d) {
        const ShapeGroup& t = fanTriangles[d];
        EXPECT_EQ(triangleFan.children[d], &t);
        EXPECT_EQ(triangleFan.childFns[d], intersectGroup);
        EXPECT_FLOAT_EQ(t.sin, std::sin(d - 2.0)) << d;
        EXPECT_FLOAT_EQ(t.cos, std::cos(d - 2.0)) << d;
        EXPECT_EQ(t.scale, 0.25f * static_cast<float>(1 << d)) << d;
        EXPECT_EQ(t.x0, 0.0f);
        EXPECT_EQ(t.y0, 0.0f);
        // The centre of each wedge, (2.5, 0) in its own units, is inside the fan.
        const double a = d - 2.0, k = t.scale * 2.5;
        EXPECT_EQ(insideTriangleFan(static_cast<float>(k * std::cos(a)), static_cast<float>(-k * std::sin(a))), 1) << d;
    }
}

TEST_F(SceneObjects, RingArcsShareDiscsAndCuts) {
    EXPECT_EQ(ringOuter.radius, 1.0f);
    EXPECT_EQ(ringInner.radius, 0.5f);
    for (int a = 0; a < 4; ++a) {
        const ShapeGroup& arc = ringArcs[a];
        const int cut = a < 2 ? 0 : 2;
        EXPECT_EQ(arc.children[0], &ringOuter);
        EXPECT_EQ(arc.childFns[0], insideDisc);
        EXPECT_EQ(arc.children[1], &ringInner);
        EXPECT_EQ(arc.childFns[1], outsideDisc);
        EXPECT_EQ(arc.children[2], &arcCuts[cut]);
        EXPECT_EQ(arc.childFns[2], insideHalfPlane);
        EXPECT_EQ(arc.children[3], &arcCuts[cut + 1]);
        EXPECT_EQ(arc.childFns[3], insideHalfPlane);
    }
    // With cut normals (1, 0) and (0, 1) the arc is the upper-left quarter annulus.
    arcCuts[0].nx = 1.0f, arcCuts[0].ny = 0.0f;
    arcCuts[1].nx = 0.0f, arcCuts[1].ny = 1.0f;
    EXPECT_EQ(intersectGroup(&ringArcs[0], -0.53f, -0.53f), 1);
    EXPECT_EQ(intersectGroup(&ringArcs[1], -0.53f, -0.53f), 1);
    EXPECT_EQ(intersectGroup(&ringArcs[0], 0.53f, -0.53f), 0);
    EXPECT_EQ(intersectGroup(&ringArcs[0], -0.3f, -0.3f), 0);  // in the hole
    EXPECT_EQ(intersectGroup(&ringArcs[0], -0.75f, -0.75f), 0);  // beyond the rim
}

TEST_F(SceneObjects, QuadDiscsAndLattice) {
    EXPECT_EQ(xorGroup(&quadDiscGroup, 0.0f, 0.0f), 0);  // inside all four
    EXPECT_EQ(xorGroup(&quadDiscGroup, 2.0f, 0.0f), 1);  // inside only the one at (1, 0)
    EXPECT_EQ(xorGroup(&quadDiscGroup, 0.0f, -2.0f), 1);  // only the one at (0, -1)
    EXPECT_EQ(xorGroup(&quadDiscGroup, 1.0f, 1.0f), 0);  // inside (1, 0) and (0, 1)

    EXPECT_EQ(xorGroup(&latticeGroup, 0.0f, 0.0f), 0);  // inside planes 0, 1, 4, 5, 8, 9
    EXPECT_EQ(latticePlanes[0].limit, 2.5998f);
    EXPECT_EQ(latticePlanes[1].limit, 0.8666f);
    EXPECT_EQ(latticePlanes[2].limit, -0.8666f);
    EXPECT_EQ(latticePlanes[3].limit, -2.5998f);
    const float s60 = static_cast<float>(std::sin(1.0471975511666667));
    EXPECT_EQ(latticePlanes[4].limit, static_cast<float>(3.0 * s60));
    EXPECT_EQ(latticePlanes[11].limit, static_cast<float>(-3.0 * s60));
    EXPECT_EQ(latticePlanes[9].limit, s60);
    EXPECT_EQ(latticePlanes[10].ny, -0.5f);
    // Crossing one line of the first family flips the parity.
    EXPECT_EQ(xorGroup(&latticeGroup, 0.0f, 0.9f), 1);
}

TEST_F(SceneObjects, CrossesShareTheirBars) {
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(crossGroups[k].children[0], &crossBarH);
        EXPECT_EQ(crossGroups[k].children[1], &crossBarV);
        EXPECT_EQ(crossGroups[k].childFns[0], intersectGroup);
        EXPECT_EQ(crossGroups[4].children[k], &crossGroups[k]);
        EXPECT_EQ(crossGroups[4].childFns[k], unionGroup);
    }
    EXPECT_EQ(unionGroup(&crossGroups[4], 0.9f, 0.0f), 1);
    EXPECT_EQ(unionGroup(&crossGroups[4], 0.0f, -0.9f), 1);
    EXPECT_EQ(unionGroup(&crossGroups[4], 0.5f, 0.5f), 0);
    EXPECT_EQ(unionGroup(&crossGroups[4], 0.0f, 0.15f), 1);  // on the bar's edge, but inside the other bar
    EXPECT_EQ(unionGroup(&crossGroups[4], 0.5f, 0.15f), 0);

    EXPECT_EQ(intersectGroup(&glyphBand, 0.0f, 0.0f), 1);
    EXPECT_EQ(intersectGroup(&glyphBand, 0.0f, 1.0f), 0);
    EXPECT_EQ(intersectGroup(&glyphBand, 10.0f, 0.0f), 0);
    EXPECT_EQ(intersectGroup(&glyphBand, 9.99f, -0.99f), 1);
}

TEST_F(SceneObjects, RebuildKeepsWhatTheAnimatorsWrote) {
    glyphBand.x0 = 100.0f, glyphBand.scale = 40.0f, glyphBand.sin = 0.6f, glyphBand.cos = 0.8f;
    logoBars.x0 = -300.0f, logoBars.scale = 600.0f;
    triangleFan.y0 = 480.0f;
    quadDiscGroup.scale = 900.0f;
    latticeGroup.x0 = 640.0f;
    crossGroups[2].x0 = 3.0f, crossGroups[4].scale = 90.0f;
    ringArcs[3].y0 = 528.0f;
    arcCuts[2].nx = 0.6f, arcCuts[2].ny = 0.8f;
    mandelCutouts[1] = {1.0f, 2.0f, 3.0f};
    freeDiscs[0] = {4.0f, 5.0f, 6.0f};
    tileGlyph = {640.0f, 480.0f, 640.0f, 1.0f, 0.0f};
    // Construction values the animators never write come back.
    logoRects[2].x0 = 0.0f;
    fanTriangles[5].scale = 1.0f;
    arcCuts[0].limit = 5.0f;
    latticePlanes[7].limit = 0.0f;

    buildSceneObjects();
    EXPECT_EQ(glyphBand.x0, 100.0f);
    EXPECT_EQ(glyphBand.scale, 40.0f);
    EXPECT_EQ(glyphBand.sin, 0.6f);
    EXPECT_EQ(logoBars.x0, -300.0f);
    EXPECT_EQ(logoBars.scale, 600.0f);
    EXPECT_EQ(triangleFan.y0, 480.0f);
    EXPECT_EQ(quadDiscGroup.scale, 900.0f);
    EXPECT_EQ(latticeGroup.x0, 640.0f);
    EXPECT_EQ(crossGroups[2].x0, 3.0f);
    EXPECT_EQ(crossGroups[4].scale, 90.0f);
    EXPECT_EQ(ringArcs[3].y0, 528.0f);
    EXPECT_EQ(arcCuts[2].nx, 0.6f);
    EXPECT_EQ(arcCuts[2].ny, 0.8f);
    EXPECT_EQ(mandelCutouts[1].radius, 3.0f);
    EXPECT_EQ(freeDiscs[0].cx, 4.0f);
    EXPECT_EQ(tileGlyph.scale, 640.0f);
    EXPECT_EQ(logoRects[2].x0, -1.764f);
    EXPECT_EQ(fanTriangles[5].scale, 8.0f);
    EXPECT_EQ(arcCuts[0].limit, 0.0f);
    EXPECT_EQ(latticePlanes[7].limit, static_cast<float>(-3.0 * static_cast<float>(std::sin(1.0471975511666667))));
}

TEST_F(SceneObjects, TrimmedMandelbrotWithFarCutoutsIsThePlainSet) {
    for (Disc& c : mandelCutouts) c = {100.0f, 100.0f, 1.0f};
    mandelScale = 1.0f, mandelOffsetX = 0.75f, mandelOffsetY = 0.1f;
    int inside = 0, total = 0;
    for (float y = 0.0f; y < viewHeight; y += 12.0f)
        for (float x = 0.0f; x < viewWidth; x += 12.0f) {
            const float u = static_cast<float>(2.0 * x / viewWidth - 1.0);
            const float v = static_cast<float>(2.0 * y / viewHeight - 2.0);
            const int plain = insideMandelbrot(u, v);
            ASSERT_EQ(insideTrimmedMandelbrot(x, y), plain) << x << "," << y;
            inside += plain, ++total;
        }
    EXPECT_GT(inside, total / 50);  // the comparison saw both answers
    EXPECT_LT(inside, total / 2);
}

TEST_F(SceneObjects, TrimmedMandelbrotCutsTheBulbs) {
    // The cut-outs over the bulbs at -1, -1.31 and -0.23, as the zoom places them.
    mandelScale = 1.0f, mandelOffsetX = 0.75f, mandelOffsetY = 0.1f;
    const double centres[3] = {1.0, 1.31, 0.23}, radii[3] = {0.23, 0.05, 0.5};
    for (int i = 0; i < 3; ++i)
        mandelCutouts[i] = {static_cast<float>(mandelOffsetX - centres[i]), mandelOffsetY, static_cast<float>(radii[i])};
    // c = -0.23 - 0.2i lies in the main cardioid, inside the third cut-out.
    const float u = 0.52f, v = -0.1f;
    const float x = (u + 1.0f) * 0.5f * viewWidth, y = (v + 2.0f) * 0.5f * viewHeight;
    ASSERT_EQ(insideMandelbrot(u, v), 1);
    EXPECT_EQ(insideTrimmedMandelbrot(x, y), 0);
}

TEST_F(SceneObjects, TrimmedMandelbrotIsEmptyAtTheEndOfTheZoom) {
    // mandelScale 0: every point is c = -0.25, inside the set, and the cut-outs
    // come out as (offset - centre) / 0 and radius / 0.
    mandelScale = 0.0f, mandelOffsetX = 0.25f, mandelOffsetY = 0.0f;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();  // 0 / 0
    mandelCutouts[0] = {-inf, nan, inf};
    mandelCutouts[1] = {-inf, nan, inf};
    mandelCutouts[2] = {inf, nan, inf};
    ASSERT_EQ(insideMandelbrot(0.0f, 0.0f), 1);
    // No invalid operation and no division by zero on the way: nothing that
    // could trap if the exceptions were unmasked.
    std::feclearexcept(FE_ALL_EXCEPT);
    int anyInk = 0;
    for (float y = 0.0f; y < viewHeight; y += 16.0f)
        for (float x = 0.0f; x < viewWidth; x += 16.0f) anyInk |= insideTrimmedMandelbrot(x, y);
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO), 0);
    EXPECT_EQ(anyInk, 0);
}
