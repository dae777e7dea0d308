#include <gtest/gtest.h>

#include <cstring>

#include "shapes/shape.h"

namespace {

// A child that answers a fixed value and counts its calls.
struct Probe {
    int answer;
    int calls;
};
int probeFn(const void* node, float, float) {
    Probe* p = const_cast<Probe*>(static_cast<const Probe*>(node));
    ++p->calls;
    return p->answer;
}

// A child that records the local point it was asked about.
struct Recorder {
    float u, v;
};
int recordFn(const void* node, float u, float v) {
    Recorder* r = const_cast<Recorder*>(static_cast<const Recorder*>(node));
    r->u = u;
    r->v = v;
    return 1;
}

struct MandelParams {
    float scale, offX, offY;
};

class ShapeMandelbrot : public ::testing::Test {
protected:
    void SetUp() override { saved = {mandelScale, mandelOffsetX, mandelOffsetY}; }
    void TearDown() override {
        mandelScale = saved.scale;
        mandelOffsetX = saved.offX;
        mandelOffsetY = saved.offY;
    }
    MandelParams saved;
};

}  // namespace

TEST(ShapeEval, DiscRimIsNeitherInsideNorOutside) {
    const Disc d{1.0f, -1.0f, 2.0f};
    const struct {
        float x, y;
        int inside, outside;
    } cases[] = {
        {3.0f, -1.0f, 0, 0},   // on the rim
        {1.0f, 1.0f, 0, 0},    // on the rim
        {-1.0f, -1.0f, 0, 0},  // on the rim
        {1.0f, -1.0f, 1, 0},   // centre
        {2.99f, -1.0f, 1, 0},
        {3.01f, -1.0f, 0, 1},
        {10.0f, 10.0f, 0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(insideDisc(&d, c.x, c.y), c.inside) << c.x << "," << c.y;
        EXPECT_EQ(outsideDisc(&d, c.x, c.y), c.outside) << c.x << "," << c.y;
    }
}

TEST(ShapeEval, HalfPlaneLineIsOutside) {
    // Offset from (1, 2) halved, projected on (1, 0): inside where x < 1 + 2 * 0.5.
    const HalfPlane p{1.0f, 2.0f, 2.0f, 1.0f, 0.0f, 0.5f};
    EXPECT_EQ(insideHalfPlane(&p, 2.0f, 5.0f), 0);
    EXPECT_EQ(insideHalfPlane(&p, 1.999f, -5.0f), 1);
    EXPECT_EQ(insideHalfPlane(&p, 2.001f, 0.0f), 0);
    // A diagonal normal: inside where x + y < 1.
    const HalfPlane diag{0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_EQ(insideHalfPlane(&diag, 0.5f, 0.5f), 0);
    EXPECT_EQ(insideHalfPlane(&diag, 0.25f, 0.5f), 1);
    EXPECT_EQ(insideHalfPlane(&diag, 0.75f, 0.5f), 0);
    // A negative scale flips the side.
    const HalfPlane flipped{0.0f, 0.0f, -1.0f, 1.0f, 0.0f, 0.0f};
    EXPECT_EQ(insideHalfPlane(&flipped, 1.0f, 0.0f), 1);
    EXPECT_EQ(insideHalfPlane(&flipped, -1.0f, 0.0f), 0);
}

TEST(ShapeEval, FreshGroupHasDefaultsAndUnsetSlots) {
    static ShapeGroup g;  // static storage, as every group of the system
    g.x0 = 5.0f, g.scale = 3.0f, g.count = 7, g.children[3] = &g;
    initShapeGroup(&g);
    EXPECT_EQ(g.count, 0);
    EXPECT_EQ(g.scale, 1.0f);
    EXPECT_EQ(g.cos, 1.0f);
    EXPECT_EQ(g.sin, 0.0f);
    EXPECT_EQ(g.x0, 0.0f);
    EXPECT_EQ(g.y0, 0.0f);
    unsigned char pattern[sizeof(void*)];
    std::memset(pattern, 0x66, sizeof pattern);
    for (const void* slot : g.children) {
        EXPECT_EQ(std::memcmp(&slot, pattern, sizeof pattern), 0);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(slot), UNSET_CHILD);
    }
    for (ShapeFn fn : g.childFns) EXPECT_EQ(fn, nullptr);
}

TEST(ShapeEval, EmptyGroups) {
    ShapeGroup g;
    for (int count : {0, -1}) {
        g.count = count;
        EXPECT_EQ(intersectGroup(&g, 0.0f, 0.0f), 1) << count;
        EXPECT_EQ(unionGroup(&g, 0.0f, 0.0f), 0) << count;
        EXPECT_EQ(xorGroup(&g, 0.0f, 0.0f), 0) << count;
    }
}

TEST(ShapeEval, ShortCutsStopAtTheDecisiveChild) {
    Probe no{0, 0}, yes{1, 0}, later{1, 0};
    ShapeGroup g;
    g.count = 2;
    g.childFns[0] = probeFn;
    g.childFns[1] = probeFn;

    g.children[0] = &no, g.children[1] = &later;
    EXPECT_EQ(intersectGroup(&g, 0.0f, 0.0f), 0);
    EXPECT_EQ(later.calls, 0);
    EXPECT_EQ(unionGroup(&g, 0.0f, 0.0f), 1);  // first says no: the second decides
    EXPECT_EQ(later.calls, 1);

    later.calls = 0;
    g.children[0] = &yes;
    EXPECT_EQ(unionGroup(&g, 0.0f, 0.0f), 1);
    EXPECT_EQ(later.calls, 0);
    EXPECT_EQ(intersectGroup(&g, 0.0f, 0.0f), 1);
    EXPECT_EQ(later.calls, 1);

    // Exclusive-or has no short cut.
    later.calls = 0;
    EXPECT_EQ(xorGroup(&g, 0.0f, 0.0f), 0);
    EXPECT_EQ(later.calls, 1);
}

TEST(ShapeEval, CountBeyondTheSlotsReadsOnlyThe32Slots) {
    Probe p{1, 0};
    ShapeGroup g;
    for (int i = 0; i < GROUP_SLOTS; ++i) g.children[i] = &p, g.childFns[i] = probeFn;
    g.count = 40;
    EXPECT_EQ(xorGroup(&g, 0.0f, 0.0f), 0);  // 32 ones
    EXPECT_EQ(p.calls, GROUP_SLOTS);
}

TEST(ShapeEval, XorIsParity) {
    const Disc d{0.0f, 0.0f, 1.0f};
    const Disc other{1.0f, 0.0f, 1.0f};
    ShapeGroup g;
    for (int i = 0; i < 3; ++i) g.children[i] = &d, g.childFns[i] = insideDisc;
    const float points[][2] = {{0.0f, 0.0f}, {0.5f, 0.5f}, {0.99f, 0.0f}, {1.0f, 0.0f}, {2.0f, 2.0f}};
    for (const auto& pt : points) {
        g.count = 2;
        EXPECT_EQ(xorGroup(&g, pt[0], pt[1]), 0);
        g.count = 3;
        EXPECT_EQ(xorGroup(&g, pt[0], pt[1]), insideDisc(&d, pt[0], pt[1]));
    }
    // Two overlapping discs: the lens between them is cut out.
    g.count = 2;
    g.children[1] = &other;
    EXPECT_EQ(xorGroup(&g, 0.5f, 0.0f), 0);
    EXPECT_EQ(xorGroup(&g, -0.5f, 0.0f), 1);
    EXPECT_EQ(xorGroup(&g, 1.5f, 0.0f), 1);
}

TEST(ShapeEval, FrameTransforms) {
    Recorder r{};
    ShapeGroup g;
    g.count = 1;
    g.children[0] = &r;
    g.childFns[0] = recordFn;
    g.x0 = 10.0f, g.y0 = 20.0f;
    const struct {
        float scale, sin, cos, x, y, u, v;
    } cases[] = {
        {1.0f, 0.0f, 1.0f, 11.0f, 20.0f, 1.0f, 0.0f},    // identity, moved
        {2.0f, 0.0f, 1.0f, 14.0f, 19.0f, 2.0f, -0.5f},   // scaled
        {-1.0f, 0.0f, 1.0f, 11.0f, 20.0f, -1.0f, 0.0f},  // negative scale: half turn
        {-1.0f, 0.0f, 1.0f, 10.0f, 23.0f, 0.0f, -3.0f},
        {1.0f, 1.0f, 0.0f, 11.0f, 20.0f, 0.0f, 1.0f},    // quarter turn
        {1.0f, 1.0f, 0.0f, 10.0f, 21.0f, -1.0f, 0.0f},
        {1.0f, -1.0f, 0.0f, 11.0f, 20.0f, 0.0f, -1.0f},  // the other quarter turn
        {0.5f, 1.0f, 0.0f, 10.0f, 21.0f, -2.0f, 0.0f},   // turned and scaled
    };
    for (const auto& c : cases) {
        g.scale = c.scale, g.sin = c.sin, g.cos = c.cos;
        for (ShapeFn fn : {intersectGroup, unionGroup, xorGroup}) {
            r = {99.0f, 99.0f};
            fn(&g, c.x, c.y);
            EXPECT_EQ(r.u, c.u) << c.scale << " " << c.sin << " at " << c.x << "," << c.y;
            EXPECT_EQ(r.v, c.v) << c.scale << " " << c.sin << " at " << c.x << "," << c.y;
        }
    }
}

TEST_F(ShapeMandelbrot, EscapeTest) {
    mandelScale = 1.0f, mandelOffsetY = 0.0f;
    const struct {
        float c;
        int inside;
    } cases[] = {
        {0.0f, 1},
        {-2.0f, 0},    // |z|^2 = 4 after the first step
        {0.3f, 0},
        {-1.0f, 1},    // z cycles between -1 and 0
        {-1.5f, 1},    // |z|^2 reaches 2.25 exactly: the bound is strict
        {-1.6f, 0},    // in the set, but beyond escape radius 1.5 at once
        {0.2501f, 1},  // escapes, but only after far more than 50 steps
        {0.26f, 0},    // escapes within 50 steps
    };
    for (const auto& c : cases) {
        mandelOffsetX = -c.c;
        EXPECT_EQ(insideMandelbrot(0.0f, 0.0f), c.inside) << "c = " << c.c;
    }
    // c = (scale * x - offsetX, scale * y - offsetY).
    mandelScale = 2.0f, mandelOffsetX = 0.5f, mandelOffsetY = 0.25f;
    EXPECT_EQ(insideMandelbrot(0.25f, 0.125f), 1);   // c = 0
    EXPECT_EQ(insideMandelbrot(-0.75f, 0.125f), 0);  // c = -2
    EXPECT_EQ(insideMandelbrot(0.25f, 1.125f), 0);   // c = 2i
}
