// Adaptive cells: the quads and colours drawCell emits for each kind of cell.
#include <gtest/gtest.h>

#include <array>

#include "render/cells.h"
#include "render_support.h"
#include "timeline/composition.h"
#include "timeline/timeline.h"

namespace {
using Edge = std::array<int, 17>;

struct CellFixture : ::testing::Test {
    SoftFramebuffer fb;
    std::vector<SoftQuad> quads;
    void SetUp() override {
        resetDemoGlobals();
        useSoftFramebuffer(&fb, 64, 64);
        setSoftQuadLog(&quads);
        emptyCellColor[0] = 1.0f;
        emptyCellColor[1] = 0.98f;
        emptyCellColor[2] = 0.96f;
    }
    void TearDown() override {
        setSoftQuadLog(nullptr);
        draw = &glDrawApi;
        frameScene = sampleScene;
    }
    void cell(int count, float x0, float y0, float x1, float y1, const Edge& top, const Edge& left, const Edge& right,
              const Edge& bottom) {
        quads.clear();
        draw->begin(GL_QUADS);
        drawCell(count, x0, y0, x1, y1, top.data(), left.data(), right.data(), bottom.data());
        draw->end();
    }
    static void expectQuad(const SoftQuad& q, float x0, float y0, float x1, float y1) {
        EXPECT_EQ(q.x[0], x0);
        EXPECT_EQ(q.y[0], y0);
        EXPECT_EQ(q.x[1], x1);
        EXPECT_EQ(q.y[1], y0);
        EXPECT_EQ(q.x[2], x1);
        EXPECT_EQ(q.y[2], y1);
        EXPECT_EQ(q.x[3], x0);
        EXPECT_EQ(q.y[3], y1);
    }
    static bool isEmptyColour(const SoftQuad& q) {
        return q.color[0] == emptyCellColor[0] && q.color[1] == emptyCellColor[1] && q.color[2] == emptyCellColor[2];
    }
};

Edge filled(int v) {
    Edge e;
    e.fill(v);
    return e;
}

int diskAt(float x, float y) {  // radius 20 about the block's centre
    float dx = x - 32.0f, dy = y - 32.0f;
    return dx * dx + dy * dy < 400.0f;
}
int leftHalf(float x, float) { return x < 30.0f; }
}  // namespace

TEST_F(CellFixture, UniformCellsAreOneQuad) {
    Edge zero = filled(0), one = filled(1);
    cell(16, 64, 128, 128, 192, zero, zero, zero, zero);
    ASSERT_EQ(quads.size(), 1u);
    expectQuad(quads[0], 64, 128, 127, 191);  // 63 x 63 with the gap
    EXPECT_TRUE(isEmptyColour(quads[0]));
    cellGap = 0;  // mouse held: empty cells close up
    cell(16, 64, 128, 128, 192, zero, zero, zero, zero);
    expectQuad(quads[0], 64, 128, 128, 192);

    // Full cells keep their one-pixel gap whatever cellGap says.
    cell(16, 64, 128, 128, 192, one, one, one, one);
    ASSERT_EQ(quads.size(), 1u);
    expectQuad(quads[0], 64, 128, 127, 191);
    EXPECT_FALSE(isEmptyColour(quads[0]));
}

TEST_F(CellFixture, MixedCellBelowDetailTakesItsTopLeftSample) {
    Edge top = filled(0), rest = filled(0);
    top[5] = 1;
    detailStep = 32;
    cell(16, 0, 0, 64, 64, top, rest, rest, rest);
    ASSERT_EQ(quads.size(), 1u);
    expectQuad(quads[0], 0, 0, 63, 63);
    EXPECT_TRUE(isEmptyColour(quads[0]));  // top[0] is outside
    top[0] = 1;
    cell(16, 0, 0, 64, 64, top, rest, rest, rest);
    EXPECT_FALSE(isEmptyColour(quads[0]));
}

TEST_F(CellFixture, SubdividesOnceAtDetailSixteen) {
    // Left half inside: the left quadrants are full, the right ones empty.
    frameScene = leftHalf;
    Edge top, bottom, left = filled(1), right = filled(0);
    for (int k = 0; k <= 16; ++k) top[k] = bottom[k] = leftHalf(4.0f * k, 0);
    detailStep = 16;
    cell(16, 0, 0, 64, 64, top, left, right, bottom);
    ASSERT_EQ(quads.size(), 4u);
    expectQuad(quads[0], 0, 0, 31, 31);  // top-left, mixed: by its top-left sample
    EXPECT_FALSE(isEmptyColour(quads[0]));
    expectQuad(quads[1], 32, 0, 63, 31);  // top-right, empty: 32 - cellGap wide
    EXPECT_TRUE(isEmptyColour(quads[1]));
    expectQuad(quads[2], 32, 32, 63, 63);
    expectQuad(quads[3], 0, 32, 31, 63);
}

TEST_F(CellFixture, FourPixelCellDrawsCornerDots) {
    // Only the bottom-right corner inside, at full detail: three empty dots and
    // one ink dot at (x1 - 2, y1 - 2).
    Edge top = filled(0), left = filled(0), right = filled(0), bottom = filled(0);
    right[1] = bottom[1] = 1;
    detailStep = 1;
    cell(1, 8, 12, 12, 16, top, left, right, bottom);
    ASSERT_EQ(quads.size(), 4u);
    expectQuad(quads[0], 8, 12, 9, 13);
    expectQuad(quads[1], 10, 12, 11, 13);
    expectQuad(quads[2], 8, 14, 9, 15);
    expectQuad(quads[3], 10, 14, 11, 15);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(isEmptyColour(quads[i]));
    EXPECT_FALSE(isEmptyColour(quads[3]));
}

TEST_F(CellFixture, ShapeBetweenEdgeSamplesIsNotDrawn) {
    frameScene = diskAt;
    Edge e;
    for (int k = 0; k <= 16; ++k) e[k] = diskAt(4.0f * k, 0);
    cell(16, 0, 0, 64, 64, e, e, e, e);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_TRUE(isEmptyColour(quads[0]));
}

TEST(CellColour, PatternSaturationAndPolarity) {
    SoftFramebuffer fb;
    std::vector<SoftQuad> quads;
    resetDemoGlobals();
    useSoftFramebuffer(&fb, 4, 4);
    setSoftQuadLog(&quads);
    struct Case {
        float x, y, saturation, polarity;
        float r, g, b;
    };
    const Case cases[] = {
        {0, 500, 0.7f, 1, 1, 1, 1},                 // index 0: white
        {20, 40, 0.7f, 1, 0.8f, 0.1f, 0.1f},        // 800 x 0.00269 = 2.15: red
        {30, 50, 0.7f, 1, 0.1f, 0.1f, 0.8f},        // 1500: index 4, blue
        {40, 50, 0.7f, 1, 1, 1, 1},                 // 2000: 5.38, index 5: white
        {50, 50, 0.7f, 1, 0.9f, 0.9f, 0.2f},        // 2500: 6.73 -> 6, yellow
        {20, 40, 0.0f, 1, 1 / 3.f, 1 / 3.f, 1 / 3.f},  // saturation 0: grey mean
        {50, 50, 0.0f, 1, 2 / 3.f, 2 / 3.f, 2 / 3.f},
        {20, 40, 1.0f, 0, 0, 1, 1},                 // polarity 0 inverts pure red
        {0, 0, 0.7f, 0.5f, 0.5f, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        inkSaturation = c.saturation;
        polarity = c.polarity;
        quads.clear();
        draw->begin(GL_QUADS);
        setCellColor(c.x, c.y);
        for (int i = 0; i < 4; ++i) draw->vertex2f(0, 0);
        draw->end();
        ASSERT_EQ(quads.size(), 1u);
        EXPECT_NEAR(quads[0].color[0], c.r, 1e-6f) << c.x << "," << c.y;
        EXPECT_NEAR(quads[0].color[1], c.g, 1e-6f) << c.x << "," << c.y;
        EXPECT_NEAR(quads[0].color[2], c.b, 1e-6f) << c.x << "," << c.y;
    }
    setSoftQuadLog(nullptr);
    draw = &glDrawApi;
}
