// The block sweep: what a frame shows at every detail, the visiting order, one
// sample per edge point, and the frame's colours.
#include <string>

#include "render_support.h"

namespace {
using SweepTest = SoftTarget;
int calls = 0;
int countingEmpty(float, float) { return ++calls, 0; }
}  // namespace

TEST_F(SweepTest, EverySamplePointShowsTheScene) {
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

TEST_F(SweepTest, AntiDiagonalsAndOneSamplePerEdgePoint) {
    const struct {
        int across, down;
        std::string order;  // (column, row) of the first blocks drawn
    } cases[] = {{3, 2, "00 10 01 20 11 21"}, {2, 3, "00 10 01 11 02 12"}, {4, 1, "00 10 20 30"},
                 {1, 3, "00 01 02"}, {2, 30, "00 10 01 11 02 12 03"}};  // taller than 28 slots of 17 samples
    frameScene = countingEmpty;
    for (const auto& c : cases) {
        grid(c.across, c.down);
        calls = 0;
        renderFrame();
        std::string order;
        for (size_t i = 0; order.size() < c.order.size(); ++i)
            order += std::string(i ? " " : "") + char('0' + quads.at(i).x[0] / 64) + char('0' + quads[i].y[0] / 64);
        EXPECT_EQ(order, c.order);
        // 34 new samples per block, 17 more for each fresh top and left edge.
        EXPECT_EQ(calls, 34 * c.across * c.down + 17 * c.across + 17 * c.down) << c.across << "x" << c.down;
    }
}

TEST_F(SweepTest, ClearAndEmptyCellColours) {
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
