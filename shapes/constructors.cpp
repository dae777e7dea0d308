// Rectangles and triangles built from half-planes.
#include "shapes/constructors.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

// A bound disc for the group read by reading, its radius rounded up to a float.
static void setBound(ShapeGroup* group, ShapeFn reading, double u, double v, double radius) {
    float r = static_cast<float>(radius);
    if (static_cast<double>(r) < radius) r = std::nextafter(r, INFINITY);
    group->boundReading = reading;
    group->boundU = static_cast<float>(u);
    group->boundV = static_cast<float>(v);
    group->boundRadius = r;
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
    const double w = static_cast<double>(right) - left, h = static_cast<double>(bottom) - top;
    setBound(group, intersectGroup, (static_cast<double>(left) + right) * 0.5, (static_cast<double>(top) + bottom) * 0.5,
             std::sqrt(w * w + h * h) * 0.5);
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
    // The middle of the box around the vertices, and the farthest vertex.
    const double u = (static_cast<double>(std::min({x1, x2, x3})) + std::max({x1, x2, x3})) * 0.5;
    const double v = (static_cast<double>(std::min({y1, y2, y3})) + std::max({y1, y2, y3})) * 0.5;
    double radius = 0.0;
    for (auto [x, y] : {std::pair{x1, y1}, std::pair{x2, y2}, std::pair{x3, y3}})
        radius = std::max(radius, std::hypot(x - u, y - v));
    setBound(group, intersectGroup, u, v, radius);
    return group;
}

void boundUnion(ShapeGroup* group) {
    group->boundReading = nullptr;
    const int n = group->count;
    if (n < 1 || n > GROUP_SLOTS) return;
    // Each child's disc in this group's frame, then one disc around them all.
    double cu[GROUP_SLOTS], cv[GROUP_SLOTS], r[GROUP_SLOTS], u = 0.0, v = 0.0;
    for (int i = 0; i < n; ++i) {
        const ShapeFn fn = group->childFns[i];
        if (fn != intersectGroup && fn != unionGroup && fn != xorGroup) return;
        const ShapeGroup* c = static_cast<const ShapeGroup*>(group->children[i]);
        if (c->boundReading != fn) return;
        const double s = c->scale, co = c->cos, si = c->sin, length2 = co * co + si * si;
        cu[i] = c->x0 + s * (c->boundU * co + c->boundV * si) / length2;
        cv[i] = c->y0 + s * (c->boundV * co - c->boundU * si) / length2;
        r[i] = c->boundRadius * std::fabs(s) / std::sqrt(length2);
        u += cu[i] / n;
        v += cv[i] / n;
    }
    double radius = 0.0;
    for (int i = 0; i < n; ++i) radius = std::max(radius, std::hypot(cu[i] - u, cv[i] - v) + r[i]);
    setBound(group, unionGroup, u, v, radius);
}
