// Adaptive cells: the quads drawCell emits for each kind of cell, and the ink colours.
#include <algorithm>
#include <cstdio>
#include <string>

#include "render/cells.h"
#include "render_support.h"

namespace {
using CellTest = SoftTarget;
float box[4];
int inBox(float x, float y) { return x >= box[0] && x < box[2] && y >= box[1] && y < box[3]; }

// The quads as "x0,y0,x1,y1" and e (empty colour) or i (ink); '?' when the
// corners are not top-left, top-right, bottom-right, bottom-left.
std::string summary(const std::vector<SoftQuad>& quads) {
    std::string s;
    for (const SoftQuad& q : quads) {
        bool empty = std::equal(q.color, q.color + 3, emptyCellColor);
        bool ordered = q.y[1] == q.y[0] && q.x[2] == q.x[1] && q.y[3] == q.y[2] && q.x[3] == q.x[0];
        char item[64];
        std::snprintf(item, sizeof item, "%s%g,%g,%g,%g%c%s", s.empty() ? "" : " ", q.x[0], q.y[0], q.x[2], q.y[2],
                      empty ? 'e' : 'i', ordered ? "" : "?");
        s += item;
    }
    return s;
}
}  // namespace

TEST_F(CellTest, QuadsForEachKindOfCell) {
    const struct {
        const char* name;
        int count, x0, y0, detail, gap;
        float inside[4];  // the scene: the box from (x0, y0) up to (x1, y1)
        const char* quads;
    } cases[] = {
        {"empty", 16, 64, 128, 1, 1, {}, "64,128,127,191e"},
        {"empty, mouse held", 16, 64, 128, 1, 0, {}, "64,128,128,192e"},
        {"full keeps its gap", 16, 64, 128, 1, 0, {0, 0, 999, 999}, "64,128,127,191i"},
        {"mixed below detail, top-left out", 16, 0, 0, 32, 1, {20, 0, 21, 1}, "0,0,63,63e"},
        {"mixed below detail, top-left in", 16, 0, 0, 32, 1, {0, 0, 1, 1}, "0,0,63,63i"},
        {"the last samples count", 16, 0, 0, 32, 0, {64, 64, 65, 65}, "0,0,63,63e"},
        {"split, top-left", 16, 0, 0, 16, 0, {0, 0, 30, 30}, "0,0,31,31i 32,0,64,32e 32,32,64,64e 0,32,32,64e"},
        {"split, top-right", 16, 0, 0, 16, 0, {35, 0, 99, 30}, "0,0,32,32e 32,0,63,31e 32,32,64,64e 0,32,32,64e"},
        {"split, bottom-right", 16, 0, 0, 16, 0, {35, 35, 99, 99}, "0,0,32,32e 32,0,64,32e 32,32,63,63e 0,32,32,64e"},
        {"split, bottom-left", 16, 0, 0, 16, 0, {0, 35, 30, 99}, "0,0,32,32e 32,0,64,32e 32,32,64,64e 0,32,31,63e"},
        {"corner dots", 1, 8, 12, 1, 1, {12, 16, 13, 17}, "8,12,9,13e 10,12,11,13e 8,14,9,15e 10,14,11,15i"},
    };
    grid(4, 8);
    frameScene = inBox;
    for (const auto& c : cases) {
        detailStep = c.detail, cellGap = c.gap;
        std::copy(c.inside, c.inside + 4, box);
        float x0 = c.x0, y0 = c.y0, x1 = x0 + 4 * c.count, y1 = y0 + 4 * c.count;
        int top[17], left[17], right[17], bottom[17];
        for (int k = 0; k <= c.count; ++k) {
            top[k] = inBox(x0 + 4 * k, y0), bottom[k] = inBox(x0 + 4 * k, y1);
            left[k] = inBox(x0, y0 + 4 * k), right[k] = inBox(x1, y0 + 4 * k);
        }
        quads.clear();
        drawCell(c.count, x0, y0, x1, y1, top, left, right, bottom);
        EXPECT_EQ(summary(quads), c.quads) << c.name;
    }
}

TEST_F(CellTest, InkColourByPositionSaturationAndPolarity) {
    const struct {
        float x, y, saturation, polarity, rgb[3];
    } cases[] = {
        {20, 40, 0.7f, 1, {0.8f, 0.1f, 0.1f}},        // 800 x 0.00269 = 2.15: red
        {30, 50, 0.7f, 1, {0.1f, 0.1f, 0.8f}},        // 4.04: blue
        {50, 50, 0.7f, 1, {0.9f, 0.9f, 0.2f}},        // 6.73: yellow
        {50, 54, 0.7f, 1, {1, 1, 1}},                 // 7.26: white
        {50, 50, 0, 1, {2 / 3.f, 2 / 3.f, 2 / 3.f}},  // saturation 0: the grey mean
        {20, 40, 1, 0, {0, 1, 1}},                    // polarity 0 inverts pure red
    };
    grid(1, 1);
    for (const auto& c : cases) {
        inkSaturation = c.saturation, polarity = c.polarity;
        quads.clear();
        setCellColor(c.x, c.y);
        for (int i = 0; i < 4; ++i) draw->vertex2f(0, 0);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(quads.at(0).color[k], c.rgb[k], 1e-6f) << c.x << "," << c.y;
    }
}
