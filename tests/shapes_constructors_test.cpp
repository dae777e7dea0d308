// Rectangles and triangles built as groups of half-planes.
#include <gtest/gtest.h>

#include <cmath>

#include "shapes/constructors.h"

TEST(ShapeConstructors, RectanglesAndTriangles) {
    // Static, as every group: a slot never filled has a null function.
    static ShapeGroup band, wedge, backwards, framed, inverted;
    // The band is first a disturbed triangle: a rebuild refills every edge.
    makeTriangle(&band, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f);
    band.edges[2].x0 = 7.0f, band.edges[2].scale = 3.0f;
    EXPECT_EQ(makeRectangle(&band, -10.0f, -1.0f, 10.0f, 1.0f), &band);
    EXPECT_EQ(makeTriangle(&wedge, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f), &wedge);
    makeTriangle(&backwards, 1.0f, 0.0f, 3.0f, -1.0f, 3.0f, 1.0f);  // clockwise on screen: empty
    // The caller's frame stays and applies: half-size 1 scaled by 0.5 about (3, -4).
    framed.x0 = 3.0f, framed.y0 = -4.0f, framed.scale = 0.5f;
    makeRectangle(&framed, -1.0f, -1.0f, 1.0f, 1.0f);
    makeRectangle(&inverted, 1.0f, -1.0f, -1.0f, 1.0f);  // left beyond right: empty
    const struct { const ShapeGroup* g; float x, y; int inside; } cases[] = {
        {&band, 0.0f, 0.0f, 1},       {&band, 0.0f, 1.0f, 0},        {&band, 0.0f, -1.0f, 0},
        {&band, 10.0f, 0.0f, 0},      {&band, -10.0f, 0.0f, 0},      {&band, 9.99f, -0.99f, 1},
        {&band, -9.99f, 0.99f, 1},    {&wedge, 2.5f, 0.0f, 1},       {&wedge, 1.0f, 0.0f, 0},
        {&wedge, 2.0f, 0.6f, 0},      {&wedge, 2.0f, -0.6f, 0},      {&wedge, 3.1f, 0.0f, 0},
        {&wedge, 2.9f, 0.9f, 1},      {&wedge, 2.9f, -0.9f, 1},      {&wedge, 1.2f, 0.0f, 1},
        {&backwards, 2.5f, 0.0f, 0},  {&backwards, 5.0f, 0.0f, 0},   {&backwards, -1.0f, 2.0f, 0},
        {&framed, 3.45f, -4.0f, 1},   {&framed, 3.55f, -4.0f, 0},    {&framed, 3.0f, -3.55f, 1},
        {&framed, 3.0f, -3.45f, 0},   {&inverted, 0.0f, 0.0f, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(intersectGroup(c.g, c.x, c.y), c.inside) << c.x << "," << c.y;

    // Unit normals; the first edge of the wedge is the worked one.
    const auto edge = [](int slot) { return *static_cast<const HalfPlane*>(wedge.children[slot]); };
    const float root5 = std::sqrt(5.0f);
    EXPECT_FLOAT_EQ(edge(0).nx, -1.0f / root5);
    EXPECT_FLOAT_EQ(edge(0).ny, 2.0f / root5);
    EXPECT_FLOAT_EQ(edge(0).limit, -1.0f / root5);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(std::hypot(edge(i).nx, edge(i).ny), 1.0, 1e-6) << i;
    // The edges are the group's own records: a rebuild allocates nothing.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(band.children[i], &band.edges[i]) << i;
}
