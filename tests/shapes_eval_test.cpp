// Inside/outside answers of discs, half-planes, the three group readings, the
// group frame and the escape-time test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "shapes/shape.h"

namespace {

// A child that answers a fixed value, counts its calls and keeps the local
// point it was last asked about.
struct Probe { int answer, calls; float u, v; };
int probeFn(const void* node, float u, float v) {
    Probe* p = const_cast<Probe*>(static_cast<const Probe*>(node));
    ++p->calls, p->u = u, p->v = v;
    return p->answer;
}

}  // namespace

TEST(ShapeEval, DiscsAndHalfPlanes) {
    // Radius 2 about (1, -1); (x, y, inside, outside): a point on the rim is neither.
    const Disc disc{1.0f, -1.0f, 2.0f};
    const float discCases[][4] = {{2.99f, -1, 1, 0}, {3.01f, -1, 0, 1}, {3, -1, 0, 0}, {1, 1, 0, 0}};
    for (const auto& c : discCases) {
        EXPECT_EQ(insideDisc(&disc, c[0], c[1]), c[2]) << c[0] << "," << c[1];
        EXPECT_EQ(outsideDisc(&disc, c[0], c[1]), c[3]) << c[0] << "," << c[1];
    }
    // Inside where ((x - 1) / 2) * 0.5 + ((y - 2) / 2) * 0.25 < 1; the line itself is outside.
    const HalfPlane plane{1.0f, 2.0f, 2.0f, 0.5f, 0.25f, 1.0f};
    const float planeCases[][3] = {{4.9f, 2, 1}, {5, 2, 0}, {1, 9.9f, 1}, {3, 6, 0}};
    for (const auto& c : planeCases) EXPECT_EQ(insideHalfPlane(&plane, c[0], c[1]), c[2]) << c[0] << "," << c[1];
}

TEST(ShapeEval, GroupReadingsAndShortCuts) {
    static ShapeGroup g;  // static, as every group: the unused function slots are null
    static Probe probes[GROUP_SLOTS];
    auto asked = [] { int n = 0; for (Probe& p : probes) n += std::exchange(p.calls, 0); return n; };
    // The children's answers; AND, OR, XOR; how many children AND and OR ask.
    const struct { const char* answers; int all, any, odd, allAsked, anyAsked; } cases[] = {
        {"", 1, 0, 0, 0, 0},   {"1", 1, 1, 1, 1, 1},  {"0", 0, 0, 0, 1, 1},  {"11", 1, 1, 0, 2, 1},
        {"00", 0, 0, 0, 1, 2}, {"01", 0, 1, 1, 1, 2}, {"10", 0, 1, 1, 2, 1}, {"111", 1, 1, 1, 3, 1}};
    for (const auto& c : cases) {
        g.count = static_cast<int32_t>(std::strlen(c.answers));
        for (int i = 0; i < g.count; ++i)
            probes[i] = {c.answers[i] - '0', 0, 0, 0}, g.children[i] = &probes[i], g.childFns[i] = probeFn;
        EXPECT_EQ(intersectGroup(&g, 0.0f, 0.0f), c.all) << c.answers;
        EXPECT_EQ(asked(), c.allAsked) << c.answers;
        EXPECT_EQ(unionGroup(&g, 0.0f, 0.0f), c.any) << c.answers;
        EXPECT_EQ(asked(), c.anyAsked) << c.answers;
        EXPECT_EQ(xorGroup(&g, 0.0f, 0.0f), c.odd) << c.answers;
        EXPECT_EQ(asked(), g.count) << c.answers;  // no short cut
    }
    // A count out of range reads only the 32 slots.
    for (int i = 0; i < GROUP_SLOTS; ++i) probes[i] = {1, 0, 0, 0}, g.children[i] = &probes[i], g.childFns[i] = probeFn;
    g.count = 40;
    EXPECT_EQ(xorGroup(&g, 0.0f, 0.0f), 0);  // 32 ones
    EXPECT_EQ(asked(), GROUP_SLOTS);
}

TEST(ShapeEval, GroupFrames) {
    Probe p{1, 0, 0, 0};
    ShapeGroup g;  // fresh: no children, every slot unset, identity frame
    EXPECT_EQ(g.count, 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(g.children[GROUP_SLOTS - 1]), UNSET_CHILD);
    g.count = 1, g.children[0] = &p, g.childFns[0] = probeFn;
    unionGroup(&g, 3.5f, -2.0f);
    EXPECT_TRUE(p.u == 3.5f && p.v == -2.0f) << p.u << "," << p.v;
    // Origin (10, 20); (scale, sin, cos, x, y, u, v).
    const float cases[][7] = {
        {2, 0, 1, 14, 19, 2, -0.5f}, {-1, 0, 1, 11, 20, -1, 0},  // scaled; half turn
        {1, 1, 0, 11, 20, 0, 1},     {1, 1, 0, 10, 21, -1, 0},   // quarter turn
        {0.5f, 0.6f, 0.8f, 13, 24, 0, 10}};                      // turned and scaled
    g.x0 = 10.0f, g.y0 = 20.0f;
    for (const auto& c : cases)
        for (ShapeFn fn : {intersectGroup, unionGroup, xorGroup}) {
            g.scale = c[0], g.sin = c[1], g.cos = c[2], p = {1, 0, 99, 99};
            fn(&g, c[3], c[4]);
            EXPECT_TRUE(std::fabs(p.u - c[5]) < 1e-5f && std::fabs(p.v - c[6]) < 1e-5f)
                << c[0] << " " << c[1] << " at " << c[3] << "," << c[4] << ": " << p.u << "," << p.v;
        }
}

TEST(ShapeEval, MandelbrotEscape) {
    const float saved[3] = {mandelScale, mandelOffsetX, mandelOffsetY};
    // (scale, offsetX, offsetY, x, y, inside): c = (scale * x - offsetX, scale * y - offsetY).
    const float cases[][6] = {
        {1, 0, 0, 0, 0, 1},  {1, 2, 0, 0, 0, 0},           // c = 0; c = -2: |z|^2 = 4 at once
        {1, 1.5f, 0, 0, 0, 1},                             // c = -1.5: |z|^2 reaches 2.25 exactly; the bound is strict
        {1, -0.2534f, 0, 0, 0, 1}, {1, -0.2536f, 0, 0, 0, 0},  // escape at step 51 (too late) and step 50
        {1, 0, -1, 0, 0, 1},                               // c = i: z runs -1 + i, -i, -1 + i, ...
        {1, 0.55f, -0.65f, 0, 0, 0},                       // escapes at step 48, far off the real axis
        {2, 0.5f, 1, 0.25f, 0.5f, 1}};                     // c = 0 through scale and offsets
    for (const auto& c : cases) {
        mandelScale = c[0], mandelOffsetX = c[1], mandelOffsetY = c[2];
        EXPECT_EQ(insideMandelbrot(c[3], c[4]), c[5]) << c[1] << " " << c[2];
    }
    mandelScale = saved[0], mandelOffsetX = saved[1], mandelOffsetY = saved[2];
}
