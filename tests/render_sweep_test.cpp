// The block sweep: visiting order, every edge point sampled once per edge, the
// grid sizes, and the frame's colours.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "render_support.h"
#include "timeline/composition.h"
#include "timeline/timeline.h"

namespace {
std::map<std::pair<float, float>, int> samples;
int calls = 0;
int countingEmpty(float x, float y) {
    ++calls;
    ++samples[{x, y}];
    return 0;
}

struct SweepFixture : ::testing::Test {
    SoftFramebuffer fb;
    std::vector<SoftQuad> quads;
    void SetUp() override {
        resetDemoGlobals();
        samples.clear();
        calls = 0;
        frameScene = countingEmpty;
        frameTimeline = noTimeline;
        setSoftQuadLog(&quads);
    }
    void TearDown() override {
        setSoftQuadLog(nullptr);
        draw = &glDrawApi;
        frameScene = sampleScene;
        frameTimeline = updateTimeline;
    }
    void frame(int across, int down, int width = 0, int height = 0) {
        blocksAcross = across;
        blocksDown = down;
        screenWidth = width ? width : across * 64;
        screenHeight = height ? height : down * 64;
        useSoftFramebuffer(&fb, screenWidth, screenHeight);
        quads.clear();
        renderFrame();
    }
    // Block corners of the sweep's cells, in drawing order (the overlays' quads follow).
    std::vector<std::pair<int, int>> visited(size_t blocks) {
        std::vector<std::pair<int, int>> order;
        for (size_t i = 0; i < blocks && i < quads.size(); ++i)
            order.push_back({static_cast<int>(quads[i].x[0]) / 64, static_cast<int>(quads[i].y[0]) / 64});
        return order;
    }
};

// Expected anti-diagonal order: d ascending, along each diagonal from the
// upper-right end to the lower-left.
std::vector<std::pair<int, int>> diagonalOrder(int across, int down) {
    std::vector<std::pair<int, int>> order;
    for (int d = 0; d <= across + down - 2; ++d)
        for (int o = std::max(0, d - across + 1); o <= std::min(d, down - 1); ++o) order.push_back({d - o, o});
    return order;
}
}  // namespace

TEST_F(SweepFixture, VisitsBlocksAlongAntiDiagonals) {
    frame(3, 2);
    std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {2, 1}};
    EXPECT_EQ(visited(6), expected);
    const std::pair<int, int> grids[] = {{5, 1}, {1, 5}, {2, 6}, {16, 12}};
    for (auto [across, down] : grids) {
        frame(across, down);
        EXPECT_EQ(visited(static_cast<size_t>(across * down)), diagonalOrder(across, down)) << across << "x" << down;
    }
}

TEST_F(SweepFixture, EveryEdgePointOncePerEdge) {
    const std::pair<int, int> grids[] = {{3, 2}, {1, 1}, {6, 1}, {1, 4}, {16, 12}};
    for (auto [across, down] : grids) {
        samples.clear();
        calls = 0;
        frame(across, down);
        // 34 new samples per block, 17 more for each fresh top and left edge.
        EXPECT_EQ(calls, 34 * across * down + 17 * across + 17 * down) << across << "x" << down;
        for (const auto& [point, n] : samples) {
            int x = static_cast<int>(point.first), y = static_cast<int>(point.second);
            ASSERT_EQ(x % 4, 0);
            ASSERT_EQ(y % 4, 0);
            ASSERT_TRUE(x % 64 == 0 || y % 64 == 0) << "sampled inside a block";
            if (x % 64 != 0 || y % 64 != 0) {
                EXPECT_EQ(n, 1) << "edge point (" << x << "," << y << ")";
            } else {
                // A corner is sampled once for each edge ending there.
                int c = x / 64, r = y / 64;
                int horizontal = (c > 0) + (c < across);
                int vertical = (r > 0) + (r < down);
                EXPECT_EQ(n, horizontal + vertical) << "corner (" << x << "," << y << ")";
            }
        }
    }
}

TEST_F(SweepFixture, GridSizesAndClippedLastColumn) {
    frame(16, 12, 1024, 768);
    EXPECT_EQ(visited(192).back(), std::make_pair(15, 11));
    // 1000 pixels wide still takes 16 columns; the last reaches x = 1024 and is clipped.
    frame(16, 11, 1000, 700);
    bool reachesPast = false;
    for (size_t i = 0; i < 16 * 11; ++i) reachesPast |= quads[i].x[1] > 1000.0f;
    EXPECT_TRUE(reachesPast);
    // The empty cell of the last column covers x 960..999 up to the edge of the window.
    const uint8_t* p = &fb.pixels[(10 * 1000 + 999) * 4];
    EXPECT_EQ(p[0], colorToByte(1.0f));
    EXPECT_EQ(p[1], colorToByte(0.98f));
}

TEST_F(SweepFixture, ClearAndEmptyCellColours) {
    // polarity 1, paper 0.2: 0.2 grey gaps around (1, 0.98, 0.96) cells.
    frame(2, 2);
    const uint8_t* cell = &fb.pixels[(10 * 128 + 10) * 4];
    const uint8_t* gap = &fb.pixels[(10 * 128 + 63) * 4];
    EXPECT_EQ(cell[0], 255);
    EXPECT_EQ(cell[1], colorToByte(0.98f));
    EXPECT_EQ(cell[2], colorToByte(0.96f));
    EXPECT_EQ(gap[0], colorToByte(0.2f));

    // A polarity change reaches the clear colour at once, the empty cells a frame later.
    frameTimeline = [] { polarity = 0.0f; };
    frame(2, 2);
    EXPECT_EQ(gap[0], colorToByte(0.8f));
    EXPECT_EQ(cell[1], colorToByte(0.98f));
    frame(2, 2);
    EXPECT_EQ(cell[0], 0);
    EXPECT_EQ(cell[1], colorToByte(0.02f));
    EXPECT_EQ(cell[2], colorToByte(0.04f));
    EXPECT_NEAR(emptyCellColor[2], 0.04f, 1e-6f);
}

TEST_F(SweepFixture, TallGridsGetEdgeBuffersOfTheirOwn) {
    // 4K-tall windows have more block rows than a fixed buffer would hold.
    samples.clear();
    calls = 0;
    frame(2, 40, 128, 2560);
    EXPECT_EQ(calls, 34 * 80 + 17 * 2 + 17 * 40);
    EXPECT_EQ(visited(80), diagonalOrder(2, 40));
}
