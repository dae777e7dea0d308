#pragma once
// Shape records and their inside/outside tests. A shape is a pair (record,
// evaluation function); a group holds such pairs and reads them through its own
// frame. Which of the three readings (AND, OR, XOR) applies to a group is chosen
// by whoever holds it, so the same group can be read in different ways.
#include <cmath>
#include <cstdint>

// Answers 1 (inside) or 0 (outside) for the point (x, y) in the node's parent
// coordinates. The kind of record is known only through the function.
using ShapeFn = int (*)(const void* node, float x, float y);

// The bit pattern of a child slot that was never filled: every byte 0x66. It is
// not a null pointer, and a slot at or beyond a group's count is never read.
constexpr uintptr_t UNSET_CHILD = static_cast<uintptr_t>(0x6666666666666666ull);

constexpr int GROUP_SLOTS = 32;  // children per group
constexpr int GROUP_EDGES = 4;   // half-planes a rectangle or triangle needs

struct Disc {
    float cx = 0.0f;
    float cy = 0.0f;
    float radius = 1.0f;  // must not be 0
};

// Inside where the offset from (x0, y0), divided by scale and projected on
// (nx, ny), is less than limit.
struct HalfPlane {
    float x0 = 0.0f;
    float y0 = 0.0f;
    float scale = 1.0f;  // must not be 0
    float nx = 0.0f;
    float ny = 0.0f;
    float limit = 0.0f;
};

struct ShapeGroup;
void initShapeGroup(ShapeGroup* group);

// Up to 32 children in a local frame: a child point (u, v) sits at the parent
// point (x0, y0) + scale * (u * (cos, -sin) + v * (sin, cos)). A negative scale
// turns the frame by a half turn. The group does not own its children.
struct ShapeGroup {
    float x0;
    float y0;
    float scale;  // must not be 0
    float sin;    // sin and cos are kept by the caller, never renormalised
    float cos;
    int32_t count;  // children in use, 0 to 32
    const void* children[GROUP_SLOTS];
    ShapeFn childFns[GROUP_SLOTS];  // entry i evaluates children[i]
    // The half-planes of a rectangle or triangle built into this group. Keeping
    // them here lets every rebuild refill the same records (no allocation at
    // all); children[] still points at them, so evaluation is unchanged. A copy
    // of the group would point back at the original's edges.
    HalfPlane edges[GROUP_EDGES];
    // A disc in the group's own frame outside which the group, read by
    // boundReading, answers 0; null when there is none. Whoever builds the
    // children sets it (the constructors, for their own edges); a holder
    // reading the group that way passes it by without asking for points well
    // outside. It holds only while the children stay as built.
    ShapeFn boundReading;
    float boundU, boundV, boundRadius;

    ShapeGroup() { initShapeGroup(this); }
};

// 1 when (x, y) in the coordinates the group's frame is set in lies so far
// outside its bound disc that the group, read by its boundReading, answers 0
// there whatever the rounding; 0 when that cannot be told (no bound, or not a
// number, an infinity or a zero scale anywhere on the way).
inline int outsideBound(const ShapeGroup* g, float x, float y) {
    // The frame maps a point p to R (p - origin) / scale, R turning by (cos,
    // sin) and stretching by L = |(cos, sin)|. With e = L^2 (p - origin) -
    // scale R' centre, R' the transpose, the point's distance from the disc's
    // centre in the frame is |e| / (L |scale|): outside when |e|^2 is more than
    // radius^2 scale^2 L^2. No division on the way.
    const double s = g->scale, c = g->cos, n = g->sin, length2 = c * c + n * n;
    const double ex = length2 * (static_cast<double>(x) - g->x0) - s * (g->boundU * c + g->boundV * n);
    const double ey = length2 * (static_cast<double>(y) - g->y0) - s * (g->boundV * c - g->boundU * n);
    const double far = ex * ex + ey * ey;
    // 1/64 more radius: the frame transform rounds the point to floats and
    // the edges' normals were rounded too, each by far less.
    const double r = g->boundRadius;
    const double reach = r * r * (s * s) * length2 * (1.0 + 1.0 / 32.0);
    return reach > 0.0 && far > reach && far < HUGE_VAL ? 1 : 0;
}

int insideDisc(const void* disc, float x, float y);
int outsideDisc(const void* disc, float x, float y);
int insideHalfPlane(const void* plane, float x, float y);
int intersectGroup(const void* group, float x, float y);
int unionGroup(const void* group, float x, float y);
int xorGroup(const void* group, float x, float y);

// Escape-time test in double precision: c = (mandelScale * x - mandelOffsetX,
// mandelScale * y - mandelOffsetY); 1 if |z|^2 stays within 2.25 for 50 steps.
int insideMandelbrot(float x, float y);
extern float mandelScale;
extern float mandelOffsetX;
extern float mandelOffsetY;
