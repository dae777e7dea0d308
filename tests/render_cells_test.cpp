// The frame renderer: the quads drawCell emits for each kind of cell, the ink
// colours, what a swept frame shows at every detail, the visiting order with
// one sample per edge point, and the frame's colours.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "render/cells.h"
#include "render_support.h"

namespace {
using CellTest = SoftTarget;
std::atomic<int> calls{0};
int countingEmpty(float, float) { return ++calls, 0; }
float box[4];
int inBox(float x, float y) { return x >= box[0] && x < box[2] && y >= box[1] && y < box[3]; }
}  // namespace

TEST_F(CellTest, QuadsAndColoursForEachKindOfCell) {
    const struct {
        int count, x0, y0, detail, gap;
        float saturation, polarity, inside[4];  // the scene: the box from (x0, y0) up to (x1, y1)
        std::string quads;
    } cases[] = {
        {16, 64, 128, 1, 1, 0.7f, 1, {}, "64,128,127,191 e"},                   // empty, with its gap
        {16, 64, 128, 1, 0, 0.7f, 1, {}, "64,128,128,192 e"},                   // mouse held
        {16, 20, 40, 1, 0, 0.7f, 1, {0, 0, 999, 999}, "20,40,83,103 cc1a1a"},  // full keeps its gap; red
        {16, 0, 0, 32, 1, 0.7f, 1, {20, 0, 21, 1}, "0,0,63,63 e"},              // mixed below detail: by top-left,
        {16, 30, 50, 32, 1, 0.7f, 1, {30, 50, 31, 51}, "30,50,93,113 1a1acc"},  // blue
        {16, 0, 0, 32, 0, 0.7f, 1, {64, 64, 65, 65}, "0,0,63,63 e"},            // the last samples count
        // Split once, the scene in one quarter: each quadrant takes its own parts of the edges.
        {16, 0, 0, 16, 0, 0.7f, 1, {0, 0, 30, 30}, "0,0,31,31 ffffff 32,0,64,32 e 32,32,64,64 e 0,32,32,64 e"},
        {16, 0, 0, 16, 0, 0.7f, 1, {35, 0, 99, 30}, "0,0,32,32 e 32,0,63,31 e 32,32,64,64 e 0,32,32,64 e"},
        {16, 0, 0, 16, 0, 0.7f, 1, {35, 35, 99, 99}, "0,0,32,32 e 32,0,64,32 e 32,32,63,63 e 0,32,32,64 e"},
        {16, 0, 0, 16, 0, 0.7f, 1, {0, 35, 30, 99}, "0,0,32,32 e 32,0,64,32 e 32,32,64,64 e 0,32,31,63 e"},
        // A 4-pixel cell at full detail: a dot per corner, each by its own sample.
        {1, 8, 12, 1, 1, 0.7f, 1, {12, 16, 13, 17}, "8,12,9,13 e 10,12,11,13 e 8,14,9,15 e 10,14,11,15 ffffff"},
        // Ink by the bands of x * y / 371.7 (mod 8: 2 red, 4 blue, 6 yellow), saturation and polarity.
        {1, 50, 50, 1, 1, 0.7f, 1, {0, 0, 99, 99}, "50,50,53,53 e6e633"},  // 6.73: yellow
        {1, 50, 54, 1, 1, 0.7f, 1, {0, 0, 99, 99}, "50,54,53,57 ffffff"},  // 7.26: white
        {1, 50, 50, 1, 1, 0, 1, {0, 0, 99, 99}, "50,50,53,53 aaaaaa"},     // the grey mean of yellow
        {1, 20, 40, 1, 1, 1, 0, {0, 0, 99, 99}, "20,40,23,43 00ffff"},     // pure red inverted
    };
    grid(4, 8);
    frameScene = inBox;
    for (const auto& c : cases) {
        detailStep = c.detail, cellGap = c.gap, inkSaturation = c.saturation, polarity = c.polarity;
        std::copy(c.inside, c.inside + 4, box);
        float x0 = c.x0, y0 = c.y0, x1 = x0 + 4 * c.count, y1 = y0 + 4 * c.count;
        int top[17], left[17], right[17], bottom[17];
        for (int k = 0; k <= c.count; ++k) {
            top[k] = inBox(x0 + 4 * k, y0), bottom[k] = inBox(x0 + 4 * k, y1);
            left[k] = inBox(x0, y0 + 4 * k), right[k] = inBox(x1, y0 + 4 * k);
        }
        std::vector<DrawRect> cell;
        drawCell(&cell, c.count, x0, y0, x1, y1, top, left, right, bottom);
        // Each quad as "x0,y0,x1,y1" and its colour, e for the empty cells'.
        std::string got;
        for (const DrawRect& q : cell) {
            char item[64], colour[8];
            std::snprintf(colour, sizeof colour, "%02x%02x%02x", colorToByte(q.color[0]), colorToByte(q.color[1]),
                          colorToByte(q.color[2]));
            std::snprintf(item, sizeof item, "%s%g,%g,%g,%g %s", got.empty() ? "" : " ", q.x0, q.y0, q.x1, q.y1,
                          std::equal(q.color, q.color + 3, emptyCellColor) ? "e" : colour);
            got += item;
        }
        EXPECT_EQ(got, c.quads);
    }
}

TEST_F(CellTest, EverySamplePointShowsTheScene) {
    // With nothing hidden inside a cell, the top-left pixel of every smallest
    // cell is ink exactly where the scene is; the hidden disc stays unseen.
    const int details[][2] = {{1, 4}, {2, 4}, {4, 8}, {16, 32}, {32, 64}};  // detail, smallest cell
    useScriptedClock(10300, 0);  // a frame without the block marker
    frameScene = ringsAndBands;
    for (auto [detail, step] : details) {
        detailStep = detail;
        grid(10, 8);
        renderFrame();
        for (int y = 0; y < 480; y += step)
            for (int x = 0; x < 640; x += step) {
                const uint8_t* p = pixel(x, y);
                ASSERT_NE(p[1], 51) << "a gap at " << x << "," << y;
                ASSERT_EQ(p[0] != 255 || p[1] != 250 || p[2] != 245, visibleShapes(x, y) != 0)
                    << x << "," << y << " at detail " << detail;
            }
    }
}

TEST_F(CellTest, AntiDiagonalsAndOneSamplePerEdgePoint) {
    frameScene = countingEmpty;
    const int grids[][2] = {{3, 2}, {2, 3}, {4, 1}, {1, 3}, {2, 30}};  // 30 rows: more than 28 slots of edges
    // Side by side on several threads, the block rows take the same samples
    // and give the same quads in the same order.
    for (int threads : {1, 3}) {
        setRenderThreads(threads);
        for (auto [across, down] : grids) {
            grid(across, down);
            calls = 0;
            renderFrame();
            // 34 new samples per block, 17 more for each fresh top and left edge.
            EXPECT_EQ(calls, 34 * across * down + 17 * across + 17 * down) << across << "x" << down;
        }
        grid(3, 2);  // visited as (column, row): (0,0); (1,0), (0,1); (2,0), (1,1); (2,1)
        renderFrame();
        const int order[] = {0, 10, 1, 20, 11, 21};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(int(quads.at(i).x[0]) / 64 * 10 + int(quads[i].y[0]) / 64, order[i]) << i << " on " << threads;
        // Corners from the top-left one, clockwise.
        for (const SoftQuad& q : quads)
            EXPECT_TRUE(q.y[1] == q.y[0] && q.x[2] == q.x[1] && q.y[3] == q.y[2] && q.x[3] == q.x[0]);
    }
}

TEST_F(CellTest, ClearAndEmptyCellColours) {
    // Polarity 1 and paper 0.2: 0.2 grey gaps around (1, 0.98, 0.96) cells. A
    // polarity change reaches the clear colour at once, the empty cells a frame later.
    const uint8_t expected[][4] = {{255, 250, 245, 51}, {255, 250, 245, 204}, {0, 5, 10, 204}};
    frameScene = countingEmpty;
    grid(2, 2);
    for (const auto& e : expected) {
        renderFrame();
        EXPECT_EQ(std::vector<uint8_t>(pixel(10, 10), pixel(10, 10) + 3), std::vector<uint8_t>(e, e + 3));
        EXPECT_EQ(pixel(63, 10)[0], e[3]);
        frameTimeline = [] { polarity = 0.0f; };
    }
}
