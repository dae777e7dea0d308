// Rectangles and triangles built from half-planes.
#include "shapes/constructors.h"

#include <cmath>

#include "core/globals.h"

// The group's own edge records are refilled on every build, so a rebuild
// (window re-creation) allocates nothing and leaves no record behind.
static HalfPlane* freshEdge(ShapeGroup* group, int slot) {
    HalfPlane* edge = &group->edges[slot];
    edge->x0 = viewWidth * 0.0f;
    edge->y0 = viewHeight * 0.0f;
    edge->scale = 1.0f;
    group->children[slot] = edge;
    group->childFns[slot] = insideHalfPlane;
    return edge;
}

static void setEdge(HalfPlane* edge, float nx, float ny, float limit) {
    edge->nx = nx;
    edge->ny = ny;
    edge->limit = limit;
}

ShapeGroup* makeRectangle(ShapeGroup* group, float left, float top, float right, float bottom) {
    setEdge(freshEdge(group, 0), 0.0f, -1.0f, -top);
    setEdge(freshEdge(group, 1), 0.0f, 1.0f, bottom);
    setEdge(freshEdge(group, 2), -1.0f, 0.0f, -left);
    setEdge(freshEdge(group, 3), 1.0f, 0.0f, right);
    group->count = 4;
    return group;
}

// The edge from (xs, ys) to (xe, ye): unit normal the direction turned a quarter
// turn, limit the normal's projection of the start vertex.
static void setTriangleEdge(HalfPlane* edge, float xs, float ys, float xe, float ye) {
    const double a = -(static_cast<double>(ye) - ys);
    const double b = static_cast<double>(xe) - xs;
    const double k = 1.0 / std::sqrt(b * b + a * a);
    edge->nx = static_cast<float>(a * k);
    edge->ny = static_cast<float>(b * k);
    edge->limit = static_cast<float>(static_cast<double>(edge->ny) * ys + static_cast<double>(edge->nx) * xs);
}

ShapeGroup* makeTriangle(ShapeGroup* group, float x1, float y1, float x2, float y2, float x3, float y3) {
    setTriangleEdge(freshEdge(group, 0), x1, y1, x2, y2);
    setTriangleEdge(freshEdge(group, 1), x2, y2, x3, y3);
    setTriangleEdge(freshEdge(group, 2), x3, y3, x1, y1);
    group->count = 3;
    return group;
}
