// The shape tests: discs, half-planes, groups in their frames, the escape-time set.
#include "shapes/shape.h"

#include <cmath>

#include "core/globals.h"
#include "shapes/frame.h"

// Static values; the animators set all three before the first fractal frame.
float mandelScale = 0.125f;
float mandelOffsetX = 1.1f;
float mandelOffsetY = 0.25f;

void initShapeGroup(ShapeGroup* group) {
    group->scale = 1.0f;
    group->x0 = viewWidth * 0.0f;
    group->cos = 1.0f;
    group->y0 = viewHeight * 0.0f;
    group->sin = 0.0f;
    group->count = 0;
    for (const void*& slot : group->children) slot = reinterpret_cast<const void*>(UNSET_CHILD);
    // childFns stay as they are: zero for static storage, and never read past count.
    group->boundReading = nullptr;
    group->boundU = group->boundV = group->boundRadius = 0.0f;
}

// Squared distance from the centre in units of the radius. Comparisons stay
// strict, so a point on the rim is neither inside nor outside, and a NaN
// (from an infinite or zero radius) is neither as well.
static inline double discMeasure(const Disc* disc, float x, float y) {
    const double k = 1.0 / disc->radius;
    const double du = (static_cast<double>(x) - disc->cx) * k;
    const double dv = (static_cast<double>(y) - disc->cy) * k;
    return dv * dv + du * du;
}

int insideDisc(const void* disc, float x, float y) {
    return discMeasure(static_cast<const Disc*>(disc), x, y) < 1.0 ? 1 : 0;
}

int outsideDisc(const void* disc, float x, float y) {
    return discMeasure(static_cast<const Disc*>(disc), x, y) > 1.0 ? 1 : 0;
}

// The scale divides the offset; at scale 1 (every edge of a rectangle or
// triangle) the reciprocal is 1 and multiplying by it changes nothing, so the
// division is left out.
static inline int halfPlaneTest(const HalfPlane* p, float x, float y) {
    double dx = static_cast<double>(x) - p->x0;
    double dy = static_cast<double>(y) - p->y0;
    if (p->scale != 1.0f) {
        const double k = 1.0 / p->scale;
        dx *= k;
        dy *= k;
    }
    const double s = dy * p->ny + dx * p->nx;
    return s < p->limit ? 1 : 0;
}

int insideHalfPlane(const void* plane, float x, float y) {
    return halfPlaneTest(static_cast<const HalfPlane*>(plane), x, y);
}

// count is written by scene code; never read past the 32 slots whatever it says.
static inline int usedSlots(const ShapeGroup* g) {
    return g->count < GROUP_SLOTS ? g->count : GROUP_SLOTS;
}

// Child i at the local point. Half-planes, the children groups hold most, are
// tested here rather than through the pointer: the same test, without a call.
// A child group read the way its bound disc is made for answers 0 well
// outside the disc without being asked.
static inline int child(const ShapeGroup* g, int i, const LocalPoint& p) {
    const ShapeFn fn = g->childFns[i];
    if (fn == insideHalfPlane) return halfPlaneTest(static_cast<const HalfPlane*>(g->children[i]), p.u, p.v);
    if (fn == intersectGroup || fn == unionGroup || fn == xorGroup) {
        const ShapeGroup* c = static_cast<const ShapeGroup*>(g->children[i]);
        if (c->boundReading == fn && outsideBound(c, p.u, p.v)) return 0;
    }
    return fn(g->children[i], p.u, p.v);
}

int intersectGroup(const void* group, float x, float y) {
    const ShapeGroup* g = static_cast<const ShapeGroup*>(group);
    const LocalPoint p = toLocalFrame(g, x, y);
    const int n = usedSlots(g);
    for (int i = 0; i < n; ++i)
        if (child(g, i, p) == 0) return 0;
    return 1;
}

int unionGroup(const void* group, float x, float y) {
    const ShapeGroup* g = static_cast<const ShapeGroup*>(group);
    const LocalPoint p = toLocalFrame(g, x, y);
    const int n = usedSlots(g);
    for (int i = 0; i < n; ++i)
        if (child(g, i, p) != 0) return 1;
    return 0;
}

int xorGroup(const void* group, float x, float y) {
    const ShapeGroup* g = static_cast<const ShapeGroup*>(group);
    const LocalPoint p = toLocalFrame(g, x, y);
    const int n = usedSlots(g);
    if (n < 1) return 0;
    int parity = 0;
    for (int i = 0; i < n; ++i) parity ^= child(g, i, p);
    return parity;
}

int insideMandelbrot(float x, float y) {
    const double cr = static_cast<double>(mandelScale) * x - mandelOffsetX;
    const double ci = static_cast<double>(mandelScale) * y - mandelOffsetY;
    double zr = 0.0;
    double zi = 0.0;
    for (int i = 0; i < 50; ++i) {
        const double nr = zr * zr - zi * zi + cr;
        const double ni = 2.0 * zr * zi + ci;
        zr = nr;
        zi = ni;
        // Escape radius 1.5, tested after every step including the first.
        if (zr * zr + zi * zi > 2.25) return 0;
    }
    return 1;
}
