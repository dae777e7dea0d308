// Bound discs: a holder that passes a child group by outside its disc answers
// exactly what it answers asking the child, for shapes in turned, stretched,
// mirrored and tiny frames, right up to their edges; and the disc test stays
// out of the way where it cannot be sure.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shapes/constructors.h"
#include "shapes/shape.h"

namespace {
// The holder's answer at every point of a fine grid over the child's
// surroundings, with the child's disc and without it; returns the points
// where the disc let the holder pass the child by (0 means the test saw none).
int compareOverGrid(ShapeGroup* holder, ShapeGroup* child, ShapeFn reading, float x0, float y0, float size) {
    const ShapeFn savedReading = child->boundReading;
    int passed = 0;
    for (int j = 0; j <= 240; ++j)
        for (int i = 0; i <= 240; ++i) {
            // A grid that is not aligned to the shapes, and points exactly on a few edges.
            const float x = x0 + size * (static_cast<float>(i) / 240.0f - 0.5f);
            const float y = y0 + size * (static_cast<float>(j) / 240.0f - 0.5f);
            child->boundReading = savedReading;
            const int with = reading(holder, x, y);
            passed += outsideBound(child, x, y);
            child->boundReading = nullptr;
            const int without = reading(holder, x, y);
            if (with != without) {
                child->boundReading = savedReading;
                ADD_FAILURE() << "at " << x << "," << y << ": " << with << " with the disc, " << without << " without";
                return passed;
            }
        }
    child->boundReading = savedReading;
    return passed;
}
}  // namespace

TEST(ShapeBounds, PassingByChangesNoAnswer) {
    static ShapeGroup rect, tri, mirrored, barH, barV, cross, holder;
    makeRectangle(&rect, -1.0f, -0.15f, 2.0f, 0.35f);
    makeTriangle(&tri, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f);
    makeTriangle(&mirrored, 1.0f, 0.0f, 3.0f, -1.0f, 3.0f, 1.0f);  // clockwise: empty
    makeRectangle(&barH, -1.0f, -0.15f, 1.0f, 0.15f);
    makeRectangle(&barV, -0.15f, -1.0f, 0.15f, 1.0f);
    cross.count = 2;
    cross.children[0] = &barH, cross.childFns[0] = intersectGroup;
    cross.children[1] = &barV, cross.childFns[1] = intersectGroup;
    boundUnion(&cross);
    ASSERT_EQ(cross.boundReading, unionGroup);
    // A union of two shapes off its origin, each in a frame of its own.
    static ShapeGroup left, right, pair;
    makeRectangle(&left, -1.0f, -0.15f, 2.0f, 0.35f);
    left.x0 = -6.0f, left.y0 = 1.5f, left.scale = 0.5f, left.sin = 0.6f, left.cos = 0.8f;
    makeTriangle(&right, 1.0f, 0.0f, 3.0f, 1.0f, 3.0f, -1.0f);
    right.x0 = 4.0f, right.y0 = 3.0f, right.scale = -1.5f;
    pair.count = 2;
    pair.children[0] = &left, pair.childFns[0] = intersectGroup;
    pair.children[1] = &right, pair.childFns[1] = intersectGroup;
    boundUnion(&pair);
    ASSERT_EQ(pair.boundReading, unionGroup);
    // Child, how the holder reads it, the child's frame (x0, y0, scale, sin, cos).
    const struct {
        ShapeGroup* child;
        ShapeFn childReading;
        float x0, y0, scale, sin, cos;
    } cases[] = {
        {&rect, intersectGroup, 0, 0, 1, 0, 1},
        {&rect, intersectGroup, 300.5f, -20.25f, 37.3f, 0.8414710f, 0.5403023f},
        {&rect, intersectGroup, 5, 7, -12.5f, 0.3f, -0.9f},                // mirrored by the sign, not a unit turn
        {&tri, intersectGroup, 640, 480, 2.0f * 0.25f, -0.9092974f, -0.4161468f},
        {&tri, intersectGroup, 640, 480, 32.0f * 23.7f, 0.1411200f, -0.9899925f},
        {&tri, intersectGroup, 1e-3f, 2e-3f, 3e-4f, 0.6f, 0.8f},             // tiny
        {&mirrored, intersectGroup, 10, 10, 50, 0, 1},
        {&cross, unionGroup, 3.5f, -2.25f, 0.35f, 0.4794255f, 0.8775826f},
        {&cross, unionGroup, -400, 250, 90, -1, 0},
        {&pair, unionGroup, 12, -7, 3.5f, 0.8414710f, 0.5403023f},
    };
    for (ShapeFn holderReading : {unionGroup, intersectGroup, xorGroup}) {
        for (const auto& c : cases) {
            c.child->x0 = c.x0, c.child->y0 = c.y0, c.child->scale = c.scale, c.child->sin = c.sin, c.child->cos = c.cos;
            holder.count = 1;
            holder.children[0] = c.child, holder.childFns[0] = c.childReading;
            // The grid reaches twice the disc's reach: most of it well outside.
            const double reach = c.child->boundRadius * std::fabs(c.scale) / std::hypot(c.sin, c.cos);
            const double length2 = double(c.cos) * c.cos + double(c.sin) * c.sin;
            const double cx = c.x0 + c.scale * (c.child->boundU * c.cos + c.child->boundV * c.sin) / length2;
            const double cy = c.y0 + c.scale * (c.child->boundV * c.cos - c.child->boundU * c.sin) / length2;
            int passed = compareOverGrid(&holder, c.child, holderReading, float(cx), float(cy), float(4.0 * reach));
            EXPECT_GT(passed, 240 * 240 / 4) << "the disc passed by too little at scale " << c.scale;
        }
    }
}

TEST(ShapeBounds, NoPassingWhereItCannotTell) {
    static ShapeGroup rect;
    makeRectangle(&rect, -1.0f, -1.0f, 1.0f, 1.0f);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    // Frame (x0, y0, scale, sin, cos), point, expected.
    const float cases[][8] = {
        {0, 0, 1, 0, 1, 5, 0, 1},         // well outside: passed by
        {0, 0, 1, 0, 1, 1.4f, 0, 0},      // inside the disc around the corners
        {0, 0, 1, 0, 1, 1.43f, 0, 0},     // just outside the disc, inside its margin
        {0, 0, 0, 0, 1, 5, 5, 0},         // zero scale
        {0, 0, nan, 0, 1, 5, 5, 0},
        {0, 0, inf, 0, 1, 5, 5, 0},
        {0, 0, 1, 0, 0, 5, 5, 0},         // no turn at all
        {0, 0, 1, 0, 1, nan, 5, 0},
        {0, 0, 1, 0, 1, inf, 5, 0},
        {0, 0, 1, inf, 1, 5, 5, 0},
        {nan, 0, 1, 0, 1, 5, 5, 0},
        {0, 0, 1e-30f, 0, 1, 1e-20f, 0, 1},  // tiny but sound
    };
    for (const auto& c : cases) {
        rect.x0 = c[0], rect.y0 = c[1], rect.scale = c[2], rect.sin = c[3], rect.cos = c[4];
        EXPECT_EQ(outsideBound(&rect, c[5], c[6]), int(c[7])) << c[2] << " " << c[3] << " " << c[4] << " at " << c[5];
    }
    rect.boundReading = nullptr;
    initShapeGroup(&rect);
    EXPECT_EQ(rect.boundReading, nullptr);
}
