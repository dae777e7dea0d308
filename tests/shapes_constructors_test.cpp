#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "app/globals.h"
#include "shapes/constructors.h"
#include "shapes/scene_objects.h"

namespace {

struct Point {
    float x, y;
    int inside;
};

void expectPoints(const ShapeGroup& g, std::initializer_list<Point> points) {
    for (const Point& p : points) EXPECT_EQ(intersectGroup(&g, p.x, p.y), p.inside) << p.x << "," << p.y;
}

const HalfPlane& edge(const ShapeGroup& g, int slot) { return *static_cast<const HalfPlane*>(g.children[slot]); }

}  // namespace

TEST(ShapeConstructors, RectangleEdgesAndBoundaries) {
    ShapeGroup g;
    EXPECT_EQ(makeRectangle(&g, -10.0f, -1.0f, 10.0f, 1.0f), &g);
    EXPECT_EQ(g.count, 4);
    expectPoints(g, {{0.0f, 0.0f, 1}, {0.0f, 1.0f, 0}, {0.0f, -1.0f, 0}, {10.0f, 0.0f, 0}, {-10.0f, 0.0f, 0},
                     {9.99f, -0.99f, 1}, {-9.99f, 0.99f, 1}, {0.0f, 1.01f, 0}});
    // Slot order top, bottom, left, right, each a unit normal with its limit.
    const float expected[4][3] = {{0.0f, -1.0f, 1.0f}, {0.0f, 1.0f, 1.0f}, {-1.0f, 0.0f, 10.0f}, {1.0f, 0.0f, 10.0f}};
    for (int i = 0; i < 4; ++i) {
        const HalfPlane& e = edge(g, i);
        EXPECT_EQ(g.childFns[i], insideHalfPlane);
        EXPECT_EQ(e.nx, expected[i][0]);
        EXPECT_EQ(e.ny, expected[i][1]);
        EXPECT_EQ(e.limit, expected[i][2]);
        EXPECT_EQ(e.x0, 0.0f);
        EXPECT_EQ(e.y0, 0.0f);
        EXPECT_EQ(e.scale, 1.0f);
    }
}

TEST(ShapeConstructors, InvertedRectanglesAreEmpty) {
    ShapeGroup g;
    const float points[][2] = {{0.0f, 0.0f}, {0.5f, 0.5f}, {-0.5f, -0.5f}, {1.0f, 1.0f}};
    for (auto r : {std::array<float, 4>{1.0f, -1.0f, -1.0f, 1.0f}, std::array<float, 4>{-1.0f, 1.0f, 1.0f, -1.0f},
                   std::array<float, 4>{0.0f, -1.0f, 0.0f, 1.0f}}) {
        makeRectangle(&g, r[0], r[1], r[2], r[3]);
        for (const auto& p : points) EXPECT_EQ(intersectGroup(&g, p[0], p[1]), 0) << r[0] << " " << r[2];
    }
}

TEST(ShapeConstructors, TriangleEdgesAndBoundaries) {
    ShapeGroup g;
    EXPECT_EQ(makeTriangle(&g, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f), &g);
    EXPECT_EQ(g.count, 3);
    expectPoints(g, {{2.5f, 0.0f, 1}, {1.0f, 0.0f, 0}, {2.0f, 0.6f, 0}, {3.1f, 0.0f, 0}, {2.9f, 0.9f, 1},
                     {2.9f, -0.9f, 1}, {3.0f, 0.0f, 0}, {1.2f, 0.0f, 1}, {0.9f, 0.0f, 0}});
    const HalfPlane& first = edge(g, 0);
    const float root5 = std::sqrt(5.0f);
    EXPECT_FLOAT_EQ(first.nx, -1.0f / root5);
    EXPECT_FLOAT_EQ(first.ny, 2.0f / root5);
    EXPECT_FLOAT_EQ(first.limit, -1.0f / root5);
    // The edge P2 -> P3 is the vertical line u = 3.
    EXPECT_FLOAT_EQ(edge(g, 1).nx, 1.0f);
    EXPECT_FLOAT_EQ(edge(g, 1).ny, 0.0f);
    EXPECT_FLOAT_EQ(edge(g, 1).limit, 3.0f);
    for (int i = 0; i < 3; ++i) {
        const HalfPlane& e = edge(g, i);
        EXPECT_EQ(g.childFns[i], insideHalfPlane);
        EXPECT_NEAR(std::hypot(e.nx, e.ny), 1.0, 1e-6) << i;
    }

    // Clockwise on screen: every edge selects its outer side, the group is empty.
    makeTriangle(&g, 1.0f, 0.0f, 3.0f, -1.0f, 3.0f, 1.0f);
    for (float x = 0.0f; x <= 4.0f; x += 0.25f)
        for (float y = -1.5f; y <= 1.5f; y += 0.25f) EXPECT_EQ(intersectGroup(&g, x, y), 0) << x << "," << y;
}

TEST(ShapeConstructors, LeaveFrameAndOtherSlotsAlone) {
    ShapeGroup g;
    g.x0 = 3.0f, g.y0 = -4.0f, g.scale = 0.5f, g.sin = 0.6f, g.cos = 0.8f;
    makeRectangle(&g, -1.0f, -1.0f, 1.0f, 1.0f);
    EXPECT_EQ(g.x0, 3.0f);
    EXPECT_EQ(g.y0, -4.0f);
    EXPECT_EQ(g.scale, 0.5f);
    EXPECT_EQ(g.sin, 0.6f);
    EXPECT_EQ(g.cos, 0.8f);
    for (int i = 4; i < GROUP_SLOTS; ++i) EXPECT_EQ(reinterpret_cast<uintptr_t>(g.children[i]), UNSET_CHILD);
    // A triangle over a rectangle leaves the fourth slot as it was.
    const void* fourth = g.children[3];
    makeTriangle(&g, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, -1.0f);
    EXPECT_EQ(g.count, 3);
    EXPECT_EQ(g.children[3], fourth);
    EXPECT_EQ(g.scale, 0.5f);
    // The frame applies to the edges: the box of half-size 1 is scaled by 0.5 about (3, -4).
    makeRectangle(&g, -1.0f, -1.0f, 1.0f, 1.0f);
    g.sin = 0.0f, g.cos = 1.0f;
    expectPoints(g, {{3.0f, -4.0f, 1}, {3.45f, -4.0f, 1}, {3.55f, -4.0f, 0}, {3.0f, -4.45f, 1}, {3.0f, -4.55f, 0}, {3.0f, -3.55f, 1}, {3.0f, -3.45f, 0}});
}

// The edges of a rectangle or triangle are the group's own records: every
// build refills them in place, so a rebuild leaves no record behind.
static void expectOwnEdges(const ShapeGroup& g, const char* what) {
    for (int i = 0; i < g.count; ++i) EXPECT_EQ(g.children[i], &g.edges[i]) << what << " slot " << i;
}

TEST(ShapeConstructors, RebuildReusesTheGroupsOwnEdges) {
    ShapeGroup g;
    makeRectangle(&g, -2.0f, -1.0f, 2.0f, 1.0f);
    expectOwnEdges(g, "rectangle");
    // Disturb an edge the way nothing in the program does, then rebuild.
    g.edges[2].x0 = 7.0f;
    for (int n = 0; n < 100; ++n) makeTriangle(&g, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f);
    expectOwnEdges(g, "triangle");
    makeRectangle(&g, -2.0f, -1.0f, 2.0f, 1.0f);
    expectOwnEdges(g, "rebuilt rectangle");
    EXPECT_EQ(edge(g, 2).x0, 0.0f);  // back to the defaults of a new edge
    EXPECT_EQ(edge(g, 2).limit, 2.0f);
    EXPECT_EQ(edge(g, 0).limit, 1.0f);
    EXPECT_EQ(edge(g, 0).ny, -1.0f);
}

TEST(ShapeConstructors, SceneRebuildReusesEveryEdge) {
    buildTileMap();
    buildSceneObjects();
    const ShapeGroup* built[] = {&glyphBand, &logoBounds, &crossBarH, &crossBarV};
    for (int n = 0; n < 20; ++n) {  // twenty fullscreen toggles
        buildTileMap();
        buildSceneObjects();
    }
    for (const ShapeGroup* g : built) expectOwnEdges(*g, "rectangle");
    for (const ShapeGroup& g : logoRects) expectOwnEdges(g, "logo rectangle");
    for (const ShapeGroup& g : randomBoxes) expectOwnEdges(g, "box");
    for (const ShapeGroup& g : fanTriangles) expectOwnEdges(g, "fan triangle");
    resetDemoGlobals();
}
