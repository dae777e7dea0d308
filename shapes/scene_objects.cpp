// Every scene object, built once at start-up and after each new window.
#include "shapes/scene_objects.h"

#include <cmath>

#include "core/globals.h"
#include "shapes/constructors.h"

ShapeGroup glyphBand;
ShapeGroup logoBars;
ShapeGroup logoRects[LOGO_RECTS];
ShapeGroup logoBounds;
ShapeGroup fanTriangles[FAN_TRIANGLES];
ShapeGroup triangleFan;
Disc ringOuter;
Disc ringInner;
HalfPlane arcCuts[RING_ARCS];
ShapeGroup ringArcs[RING_ARCS];
Disc quadDiscs[4];
ShapeGroup quadDiscGroup;
ShapeGroup randomBoxes[RANDOM_BOXES];
ShapeGroup crossBarH;
ShapeGroup crossBarV;
ShapeGroup crossGroups[CROSS_GROUPS];
HalfPlane latticePlanes[LATTICE_PLANES];
ShapeGroup latticeGroup;
Disc mandelCutouts[MANDEL_CUTOUTS];
Disc freeDiscs[FREE_DISCS];

// The logo word "RARE" in block glyphs: (left, top, right, bottom) in logo
// units, y downward, strokes 0.17 to 0.18 thick. Rectangles 2 and 12 are the
// short bars that the turned frames put at the legs of the two Rs; their
// coordinates are about their own centres, the long side running down-right
// once turned. The first R's leg drops inside the bowl's width, the second
// one's kicks out past it: the bars' fixed places allow nothing else.
struct LogoRect {
    float left, top, right, bottom;
};
static const LogoRect LOGO[LOGO_RECTS] = {
    // R
    {-2.33f, -0.50f, -2.15f, 0.50f},  // 0 stem
    {-2.15f, -0.50f, -1.70f, -0.32f}, // 1 top of the bowl
    {-0.08f, -0.18f, 0.08f, 0.18f},   // 2 leg, turned
    {-1.70f, -0.50f, -1.52f, 0.14f},  // 3 right of the bowl
    {-2.15f, -0.04f, -1.70f, 0.14f},  // 4 foot of the bowl
    {-1.70f, 0.27f, -1.52f, 0.50f},   // 5 leg down to the base line
    // A
    {-1.22f, -0.50f, -1.04f, 0.50f},  // 6 left side
    {-0.24f, -0.50f, -0.06f, 0.50f},  // 7 right side
    {-1.04f, -0.50f, -0.24f, -0.32f}, // 8 top
    {-1.04f, -0.02f, -0.24f, 0.16f},  // 9 cross bar
    // R
    {0.24f, -0.50f, 0.42f, 0.50f},    // 10 stem
    {0.42f, -0.50f, 0.87f, -0.32f},   // 11 top of the bowl
    {-0.11f, -0.14f, 0.11f, 0.14f},   // 12 leg, turned
    {0.87f, -0.50f, 1.04f, 0.06f},    // 13 right of the bowl
    {0.42f, -0.12f, 0.87f, 0.06f},    // 14 foot of the bowl
    {1.06f, 0.09f, 1.23f, 0.50f},     // 15 leg down to the base line
    // E: three arms of full width, the stem in two pieces between them
    {1.54f, -0.50f, 2.33f, -0.32f},   // 16 top arm
    {1.54f, -0.09f, 2.20f, 0.09f},    // 17 middle arm
    {1.54f, 0.32f, 2.33f, 0.50f},     // 18 bottom arm
    {1.54f, -0.32f, 1.72f, -0.09f},   // 19 upper stem
    {1.54f, 0.09f, 1.72f, 0.32f},     // 20 lower stem
};

// A quarter of pi as a 32-bit float; sin and cos of it are both 0.70710677f.
static const float QUARTER_TURN = 0.7853982f;

static void turnBar(ShapeGroup* bar, float x0, float y0) {
    bar->x0 = x0;
    bar->y0 = y0;
    bar->sin = static_cast<float>(std::sin(static_cast<double>(QUARTER_TURN)));
    bar->cos = static_cast<float>(std::cos(static_cast<double>(QUARTER_TURN)));
}

static void setChild(ShapeGroup* group, int slot, const void* child, ShapeFn fn) {
    group->children[slot] = child;
    group->childFns[slot] = fn;
}

static void buildLogo() {
    for (int i = 0; i < LOGO_RECTS; ++i) {
        const LogoRect& r = LOGO[i];
        makeRectangle(&logoRects[i], r.left, r.top, r.right, r.bottom);
        if (i == 2) turnBar(&logoRects[i], -1.764f, 0.21f);
        if (i == 12) turnBar(&logoRects[i], 1.056f, 0.076f);
    }
    makeRectangle(&logoBounds, -2.33f, -0.5f, 2.33f, 0.5f);
    logoBars.count = LOGO_RECTS;
    for (int i = 0; i < LOGO_RECTS; ++i) setChild(&logoBars, i, &logoRects[i], intersectGroup);
}

// Eight wedges pointing at the origin, each twice the size of the one before
// and turned one radian further.
static void buildFan() {
    for (int d = 0; d < FAN_TRIANGLES; ++d) {
        ShapeGroup* t = makeTriangle(&fanTriangles[d], 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f);
        setChild(&triangleFan, d, t, intersectGroup);
        t->sin = static_cast<float>(std::sin(static_cast<double>(d - 2)));
        t->cos = static_cast<float>(std::cos(static_cast<double>(d - 2)));
        t->scale = static_cast<float>(std::ldexp(1.0, d) * 0.25);
    }
    triangleFan.count = FAN_TRIANGLES;
}

// Four annulus sectors sharing the two discs; arcs 0 and 1 share cuts 0 and 1,
// arcs 2 and 3 share cuts 2 and 3.
static void buildRingArcs() {
    ringOuter.radius = 1.0f;
    ringInner.radius = 0.5f;
    for (HalfPlane& cut : arcCuts) cut.limit = 0.0f;
    for (int a = 0; a < RING_ARCS; ++a) {
        ShapeGroup* arc = &ringArcs[a];
        const int firstCut = a < 2 ? 0 : 2;
        arc->count = 4;
        setChild(arc, 0, &ringOuter, insideDisc);
        setChild(arc, 1, &ringInner, outsideDisc);
        setChild(arc, 2, &arcCuts[firstCut], insideHalfPlane);
        setChild(arc, 3, &arcCuts[firstCut + 1], insideHalfPlane);
    }
}

static void buildQuadDiscs() {
    for (Disc& d : quadDiscs) d.radius = 1.5f;
    quadDiscs[0].cx = -1.0f;
    quadDiscs[1].cx = 1.0f;
    quadDiscs[2].cy = -1.0f;
    quadDiscs[3].cy = 1.0f;
    quadDiscGroup.count = 4;
    for (int i = 0; i < 4; ++i) setChild(&quadDiscGroup, i, &quadDiscs[i], insideDisc);
}

// Centred boxes of random size from the fixed seed, turned in steps of pi/14,
// scales from -1/2 to 1/2 (negative ones turn the box a half turn more).
// Leaves the generator at 5462.
static void buildRandomBoxes() {
    uint32_t previous = BOX_SEED;
    for (int k = 0; k < RANDOM_BOXES; ++k) {
        const uint32_t r1 = nextRandom(previous);
        const uint32_t r2 = nextRandom(r1);
        rngState = r2;
        previous = rngState;
        const float w = static_cast<float>(((r1 & 3u) + 1u) * 0.5);
        const float h = static_cast<float>(((r2 & 3u) + 1u) * 0.5);
        ShapeGroup* box = makeRectangle(&randomBoxes[k], -w, -h, w, h);
        // Sevenths from -1/2 to 1/2. Taken as a quotient: the product with the
        // float seventh 0.14285715f is an exact tie at k = 2 and 5 and would
        // round to 0.21428573 there, not to the 0.21428572 the boxes must have.
        box->scale = static_cast<float>((k - 3.5) / 7.0);
        const double angle = k * static_cast<double>(0.22439948f);
        box->sin = static_cast<float>(std::sin(angle));
        box->cos = static_cast<float>(std::cos(angle));
    }
}

// Four plus signs made of the same two bars, each cross with its own frame,
// and the holder that reads them as one union.
static void buildCrosses() {
    makeRectangle(&crossBarH, -1.0f, -0.15f, 1.0f, 0.15f);
    makeRectangle(&crossBarV, -0.15f, -1.0f, 0.15f, 1.0f);
    for (int k = 0; k < 4; ++k) {
        crossGroups[k].count = 2;
        setChild(&crossGroups[k], 0, &crossBarH, intersectGroup);
        setChild(&crossGroups[k], 1, &crossBarV, intersectGroup);
    }
    // The bars never move inside a cross: each cross has their disc as its own.
    for (int k = 0; k < 4; ++k) boundUnion(&crossGroups[k]);
    crossGroups[4].count = 4;
    for (int k = 0; k < 4; ++k) setChild(&crossGroups[4], k, &crossGroups[k], unionGroup);
}

// Three families of four parallel lines, 60 degrees apart; read by xorGroup
// they give a field of alternating triangles. The first family's limits are
// the literal 2.5998 and 0.8666.
static void buildLattice() {
    const double angle = 1.0471975511666667;
    const float s60 = static_cast<float>(std::sin(angle));
    const float c60 = static_cast<float>(std::cos(angle));
    const float threeS60 = static_cast<float>(3.0 * s60);
    const float minusThreeS60 = static_cast<float>(-3.0 * s60);
    const struct {
        float nx, ny, limit;
    } planes[LATTICE_PLANES] = {
        {0.0f, 1.0f, 2.5998f}, {0.0f, 1.0f, 0.8666f}, {0.0f, 1.0f, -0.8666f}, {0.0f, 1.0f, -2.5998f},
        {s60, c60, threeS60},       {s60, c60, s60},       {s60, c60, -s60},       {s60, c60, minusThreeS60},
        {s60, -c60, threeS60},      {s60, -c60, s60},      {s60, -c60, -s60},      {s60, -c60, minusThreeS60},
    };
    for (int i = 0; i < LATTICE_PLANES; ++i) {
        latticePlanes[i].nx = planes[i].nx;
        latticePlanes[i].ny = planes[i].ny;
        latticePlanes[i].limit = planes[i].limit;
    }
    latticeGroup.count = LATTICE_PLANES;
    for (int i = 0; i < LATTICE_PLANES; ++i) setChild(&latticeGroup, i, &latticePlanes[i], insideHalfPlane);
}

void buildSceneObjects() {
    makeRectangle(&glyphBand, -10.0f, -1.0f, 10.0f, 1.0f);
    buildLogo();
    buildFan();
    buildRingArcs();
    buildQuadDiscs();
    buildRandomBoxes();
    buildCrosses();
    buildLattice();
}

int insideTrimmedMandelbrot(float x, float y) {
    const float u = static_cast<float>(2.0 * x / viewWidth - 1.0);
    const float v = static_cast<float>(2.0 * y / viewHeight - 2.0);
    for (int i = 0; i < 2; ++i) {
        const Disc& c = mandelCutouts[i];
        // At the end of the zoom (scale 0) the cut-outs are infinite and cover
        // everything: the layer is empty. Answered before any inf/inf, so not
        // even a masked floating-point exception is raised.
        if (!std::isfinite(c.radius)) return 0;
        const double dv = (static_cast<double>(v) - c.cy) / c.radius;
        const double du = (static_cast<double>(u) - c.cx) / c.radius;
        // "Not greater than 1": a NaN (from a NaN centre) cuts the point away too.
        if (!std::isgreater(dv * dv + du * du, 1.0)) return 0;
    }
    if (outsideDisc(&mandelCutouts[2], u, v) == 0) return 0;
    return insideMandelbrot(u, v);
}

int insideTriangleFan(float x, float y) {
    return unionGroup(&triangleFan, x, y);
}
