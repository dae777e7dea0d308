// The scene objects as built: each answers where it should, the random boxes
// come out the same every time, a rebuild keeps what the animators wrote, and
// the trimmed fractal cuts where its discs say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

#include "core/globals.h"
#include "shapes/scene_objects.h"

// Built afresh for each test, the frames the animators move back at identity;
// the fractal's three globals as they were afterwards.
class SceneObjects : public ::testing::Test {
protected:
    void SetUp() override {
        resetDemoGlobals();
        const auto identity = [](ShapeGroup& g) { g.x0 = g.y0 = g.sin = 0.0f, g.scale = g.cos = 1.0f; };
        for (ShapeGroup* g : {&glyphBand, &logoBars, &logoBounds, &triangleFan, &quadDiscGroup, &latticeGroup})
            identity(*g);
        std::for_each(ringArcs, ringArcs + RING_ARCS, identity);
        std::for_each(crossGroups, crossGroups + CROSS_GROUPS, identity);
        buildSceneObjects();
    }
    void TearDown() override { mandelScale = saved[0], mandelOffsetX = saved[1], mandelOffsetY = saved[2]; }
    const float saved[3] = {mandelScale, mandelOffsetX, mandelOffsetY};
};

TEST_F(SceneObjects, AnswersWithIdentityFrames) {
    // Cuts that leave the upper-left quarter to arcs 0 and 1, the lower-right one to arcs 2 and 3.
    const float normals[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int i = 0; i < 4; ++i) arcCuts[i].nx = normals[i][0], arcCuts[i].ny = normals[i][1];
    for (int k = 1; k < 4; ++k) crossGroups[k].x0 = 3.0f * k;  // crosses side by side: 0 alone at the origin
    const ShapeFn AND = intersectGroup, OR = unionGroup, XOR = xorGroup;
    const ShapeFn FAN = [](const void*, float x, float y) { return insideTriangleFan(x, y); };
    const ShapeGroup *const cross = &crossGroups[4], *const arc = ringArcs;
    const struct { ShapeFn fn; const void* node; float x, y; int inside; } cases[] = {
        {AND, &logoBounds, 2.4f, 0, 0},    {AND, &logoBounds, 0, 0, 1},        {AND, &glyphBand, 9.99f, -0.99f, 1},
        {AND, &glyphBand, 0, 1, 0},        {OR, &logoBars, -1.764f, 0.21f, 1}, {OR, &logoBars, 1.056f, 0.076f, 1},
        {FAN, nullptr, 2, 0, 1},           {FAN, nullptr, 0, 0, 0},            {XOR, &quadDiscGroup, 0, 0, 0},
        {XOR, &quadDiscGroup, 1, 1, 0},    {XOR, &quadDiscGroup, 2.2f, 0, 1},  {XOR, &quadDiscGroup, -2, 0, 1},
        {XOR, &quadDiscGroup, 0, 2, 1},    {XOR, &quadDiscGroup, 0, -2, 1},    {XOR, &latticeGroup, 0, 0, 0},
        {XOR, &latticeGroup, 0, 0.9f, 1},  {OR, cross, 0.9f, 0, 1},            {OR, cross, 9, -0.9f, 1},
        {OR, cross, 0, 0, 1},              {OR, cross, 0.5f, 0.5f, 0},         {AND, arc, -0.53f, -0.53f, 1},
        {AND, arc + 1, -0.53f, -0.53f, 1}, {AND, arc + 2, 0.53f, 0.53f, 1},    {AND, arc + 3, 0.53f, 0.53f, 1},
        {AND, arc, 0.53f, 0.53f, 0},       {AND, arc + 2, -0.53f, -0.53f, 0},  {AND, arc + 1, -0.3f, -0.3f, 0},
        {AND, arc + 3, 0.75f, 0.75f, 0},  // the one before in the hole, this one beyond the rim
    };
    for (const auto& c : cases) EXPECT_EQ(c.fn(c.node, c.x, c.y), c.inside) << "row " << &c - cases << ": " << c.x;
    // The outer lines of the two slanted families, 3 sin 60 degrees out.
    EXPECT_FLOAT_EQ(latticePlanes[4].limit, 2.5980762f);
    EXPECT_FLOAT_EQ(latticePlanes[11].limit, -2.5980762f);
    // Wedge d, turned d - 2 radians and sized 2^d / 4, has its centre, its own (2.5, 0), in ink.
    for (int d = 0; d < FAN_TRIANGLES; ++d) {
        const double r = 2.5 * std::ldexp(1.0, d) / 4.0, x = r * std::cos(d - 2.0), y = -r * std::sin(d - 2.0);
        EXPECT_EQ(insideTriangleFan(static_cast<float>(x), static_cast<float>(y)), 1) << d;
    }
}

TEST_F(SceneObjects, LogoIsNeverClippedByItsBounds) {
    // Only the two short bars are turned, by 45 degrees.
    for (int i = 0; i < LOGO_RECTS; ++i) {
        const float s = i == 2 || i == 12 ? 0.70710677f : 0.0f, c = s != 0.0f ? s : 1.0f;
        EXPECT_TRUE(logoRects[i].sin == s && logoRects[i].cos == c) << i;
    }
    // Every ink point lies inside the box the scene tests first.
    for (float y = -0.6f; y <= 0.6f; y += 0.02f)
        for (float x = -2.45f; x <= 2.45f; x += 0.02f)
            EXPECT_TRUE(!unionGroup(&logoBars, x, y) || intersectGroup(&logoBounds, x, y)) << x << "," << y;
}

TEST_F(SceneObjects, RandomBoxesAndRebuild) {
    // Half width, half height and scale of each box; turned in steps of pi / 14.
    const float boxes[8][3] = {{1.5f, 1.5f, -0.5f},         {0.5f, 2.0f, -0.35714287f}, {1.5f, 1.5f, -0.21428572f},
                               {1.0f, 1.5f, -0.071428575f}, {1.0f, 0.5f, 0.071428575f}, {1.5f, 1.0f, 0.21428572f},
                               {2.0f, 2.0f, 0.35714287f},   {1.5f, 1.5f, 0.5f}};
    const float bar = logoRects[2].x0, wedge = fanTriangles[5].scale, line = latticePlanes[7].limit;
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(rngState, 5462u) << pass;
        for (int k = 0; k < RANDOM_BOXES; ++k) {
            const ShapeGroup& b = randomBoxes[k];  // right and bottom edges
            EXPECT_TRUE(b.edges[3].limit == boxes[k][0] && b.edges[1].limit == boxes[k][1] && b.scale == boxes[k][2] &&
                        std::fabs(b.sin - std::sin(k * M_PI / 14)) < 1e-6) << k;
        }
        // What the animators write stays; what only construction writes comes back,
        // whatever the generator did in between.
        randomBoxes[3].y0 = 8.0f, arcCuts[2].nx = 0.6f, mandelCutouts[1].radius = 3.0f, freeDiscs[0].cx = 4.0f;
        rngState = 12345;
        logoRects[2].x0 = 0.0f, fanTriangles[5].scale = 1.0f, latticePlanes[7].limit = 0.0f, arcCuts[0].limit = 5.0f;
        buildSceneObjects();
        EXPECT_TRUE(randomBoxes[3].y0 == 8.0f && arcCuts[2].nx == 0.6f && mandelCutouts[1].radius == 3.0f &&
                    freeDiscs[0].cx == 4.0f) << "kept";
        EXPECT_TRUE(logoRects[2].x0 == bar && fanTriangles[5].scale == wedge && latticePlanes[7].limit == line &&
                    arcCuts[0].limit == 0.0f) << "restored";
    }
}

TEST_F(SceneObjects, TrimmedMandelbrot) {
    const float w = viewWidth, h = viewHeight;
    // View (x, y) is (u, v) = (2x / w - 1, 2y / h - 2); with scale 1 and no offset, c = (u, v).
    for (Disc& c : mandelCutouts) c = {100.0f, 100.0f, 1.0f};
    mandelScale = 1.0f, mandelOffsetX = 0.0f, mandelOffsetY = 0.0f;
    EXPECT_EQ(insideTrimmedMandelbrot(w / 2, h), 1);  // c = 0
    EXPECT_EQ(insideTrimmedMandelbrot(w, h), 0);      // c = 1
    // Scale 0: c = 0 everywhere, only the cut-outs take ink away. (u, v, ink):
    // just inside and just outside each disc, off its centre both ways.
    mandelScale = 0.0f;
    mandelCutouts[0] = {-0.5f, -1.5f, 0.25f}, mandelCutouts[1] = {0.5f, -0.8f, 0.25f};
    mandelCutouts[2] = {0.0f, -0.5f, 0.25f};
    const float uv[][3] = {{-0.4f, -1.4f, 0}, {-0.3f, -1.3f, 1}, {0.6f, -0.7f, 0},
                           {0.7f, -0.6f, 1},  {0.1f, -0.4f, 0},  {0.2f, -0.3f, 1}};
    for (const auto& p : uv)
        EXPECT_EQ(insideTrimmedMandelbrot((p[0] + 1) * w / 2, (p[1] + 2) * h / 2), p[2]) << p[0] << "," << p[1];
    // The end of the zoom: infinite radii and NaN centres, an empty layer, and
    // no floating-point exception that could trap.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    mandelOffsetX = 0.25f;  // c = -0.25, inside the set
    mandelCutouts[0] = mandelCutouts[1] = {-inf, nan, inf}, mandelCutouts[2] = {inf, nan, inf};
    std::feclearexcept(FE_ALL_EXCEPT);
    int ink = 0;
    for (float x : {0.0f, w / 4, w / 2, w}) ink |= insideTrimmedMandelbrot(x, h / 2) | insideTrimmedMandelbrot(x, h);
    EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO), 0);
    EXPECT_EQ(ink, 0);
}
