// Textures made from the embedded picture, and the three overlays.
#include <gtest/gtest.h>

#include <cstring>

#include "app/platform/platform.h"
#include "assets/assets.h"
#include "render/pcx.h"
#include "render/overlays.h"
#include "render/textures.h"
#include "render_support.h"

namespace {
struct Upload {
    GLint internalFormat;
    int width, height;
    std::vector<uint8_t> pixels;
};
std::vector<Upload> uploads;
void recordUpload(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    const uint8_t* p = static_cast<const uint8_t*>(pixels);
    uploads.push_back({internalFormat, width, height, std::vector<uint8_t>(p, p + size_t(width) * height * 4)});
    softDrawApi.texImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
}

struct OverlayFixture : ::testing::Test {
    SoftFramebuffer fb;
    std::vector<SoftQuad> quads;
    DrawApi spy = softDrawApi;
    void SetUp() override {
        resetDemoGlobals();
        setSoftQuadLog(&quads);
    }
    void TearDown() override {
        setSoftQuadLog(nullptr);
        draw = &glDrawApi;
        useRealClock();
    }
    void grid(int across, int down) {
        blocksAcross = across;
        blocksDown = down;
        screenWidth = across * 64;
        screenHeight = down * 64;
        useSoftFramebuffer(&fb, screenWidth, screenHeight);
        quads.clear();
    }
};
}  // namespace

TEST_F(OverlayFixture, TexturesFromThePictureAndThePattern) {
    grid(10, 8);
    spy.texImage2D = recordUpload;
    draw = &spy;
    uploads.clear();
    createTextures();
    ASSERT_EQ(uploads.size(), 3u);
    const Upload& main = uploads[0];
    const Upload& side = uploads[1];
    const Upload& door = uploads[2];
    EXPECT_EQ(main.internalFormat, 3);
    EXPECT_EQ(main.width, 512);
    EXPECT_EQ(side.width, 128);
    EXPECT_EQ(door.internalFormat, 4);
    EXPECT_EQ(door.width, 256);

    // 16 black rows above and below the picture, in both picture textures.
    for (const Upload* t : {&main, &side}) {
        size_t row = size_t(t->width) * 4;
        for (int j : {0, 15, 496, 511})
            for (size_t i = 0; i < row; ++i) ASSERT_EQ(t->pixels[j * row + i], 0) << "row " << j;
        // Some picture rows carry something: the picture starts at texture row 16.
        size_t lit = 0;
        for (size_t i = 16 * row; i < 496 * row; ++i) lit += t->pixels[i] != 0;
        EXPECT_GT(lit, 0u);
    }
    // Texture row 16 + r is picture row r: columns 0..511 in the main texture,
    // 512..639 in the side one, the three images merged lane by lane.
    std::vector<uint8_t> staging(size_t(PICTURE_WIDTH) * STAGING_ROWS * 4);
    uint8_t palette[1024];
    DecodedImage image{0, 0, 0, palette, staging.data()};
    decodePcx(&image, warningPictureRed, warningPictureRedSize, 2, staging.size());
    decodePcx(&image, warningPictureGreen, warningPictureGreenSize, 1, staging.size());
    decodePcx(&image, warningPictureBlue, warningPictureBlueSize, 0, staging.size());
    for (int r = 0; r < PICTURE_HEIGHT; r += 7) {
        for (int x = 0; x < PICTURE_WIDTH; x += 3) {
            const uint8_t* want = &staging[(size_t(r) * PICTURE_WIDTH + x) * 4];
            const uint8_t* got = x < 512 ? &main.pixels[(size_t(r + 16) * 512 + x) * 4]
                                         : &side.pixels[(size_t(r + 16) * 128 + x - 512) * 4];
            ASSERT_EQ(std::memcmp(want, got, 3), 0) << "picture pixel " << x << "," << r;
        }
    }
    size_t tinted = 0;  // the glow is blue-green: the lanes really differ
    for (size_t i = 16 * 2048; i < 496 * 2048; i += 4) tinted += main.pixels[i + 2] > main.pixels[i] + 16;
    EXPECT_GT(tinted, 100u);

    auto doorAlpha = [&](int x, int y) { return door.pixels[(size_t(y) * 256 + x) * 4 + 3]; };
    EXPECT_EQ(doorAlpha(1, 1), 0);
    EXPECT_EQ(doorAlpha(0, 0), 255);
    EXPECT_EQ(doorAlpha(4, 4), 255);
    EXPECT_EQ(doorAlpha(5, 1), 0);
    EXPECT_EQ(doorAlpha(2, 1), 255);
    size_t clear = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) clear += doorAlpha(x, y) == 0;
    EXPECT_EQ(clear, 256u * 256u * 3 / 16);
}

TEST_F(OverlayFixture, WarningTilesPlacement) {
    // 16 x 12 blocks: the picture's top-left tile at block (3, 2), pixel (192, 128).
    grid(16, 12);
    useScriptedClock(1000, 0);
    drawWarningTiles();
    ASSERT_EQ(quads.size(), 16u * 12u);
    int textured = 0;
    for (const SoftQuad& q : quads) {
        EXPECT_EQ(q.x[1] - q.x[0], 64.0f);  // default warning time: never shrinks
        if (!q.textured) continue;
        ++textured;
        int m = int(q.x[0]) / 64, l = int(q.y[0]) / 64;
        EXPECT_GE(m, 3);
        EXPECT_LT(m, 13);
        EXPECT_GE(l, 2);
        EXPECT_LT(l, 10);
        if (m == 3 && l == 2) {
            EXPECT_EQ(q.s[0], 0.0f);
            EXPECT_EQ(q.t[0], 0.0f);
        }
        if (m == 11) {
            EXPECT_EQ(q.s[1], 0.5f);  // first side-texture column
        }
    }
    EXPECT_EQ(textured, 80);

    // 8 blocks across: shifted left, its first columns off the grid.
    grid(8, 8);
    drawWarningTiles();
    EXPECT_FLOAT_EQ(quads[0].s[0], 0.125f);
    EXPECT_TRUE(quads[0].textured);
    // The blocks outside the picture are black.
    grid(16, 12);
    drawWarningTiles();
    EXPECT_FALSE(quads[0].textured);
    EXPECT_EQ(quads[0].rgb[0], 1);  // glColor3b(0, 0, 0) is 1/255
}

TEST_F(OverlayFixture, WarningTilesShrinkFromTheCornerNearTheEnd) {
    grid(16, 12);
    warningMillis = 101;  // s + 1 - 1.01 against m / 16 + l / 12
    startTicks = 0;
    useScriptedClock(500, 0);
    drawWarningTiles();
    for (const SoftQuad& q : quads) {
        int m = int(q.x[0]) / 64, l = int(q.y[0]) / 64;
        float size = q.x[1] - q.x[0];
        bool shrunk = 0.5f + 1.0 - 1.01 > double(m) / 16 + double(l) / 12;
        EXPECT_EQ(size, shrunk ? 63.0f : 64.0f) << m << "," << l;
    }
}

TEST_F(OverlayFixture, BlockMarkerFollowsTheTime) {
    grid(16, 12);
    struct Case {
        float seconds;
        bool drawn;
        int x, y;
        uint32_t state;
    };
    const Case cases[] = {
        {10.6f, true, 256, 704, 31415},
        {10.9f, true, 256, 704, 31415},  // the same half second
        {11.5f, true, 192, 64, 63817},
        {10.3f, false, 0, 0, 14210},     // no marker, yet the state is written
    };
    for (const Case& c : cases) {
        quads.clear();
        frameSeconds = c.seconds;
        rngState = 0;
        drawBlockMarker();
        EXPECT_EQ(rngState, c.state) << c.seconds;
        ASSERT_EQ(quads.size(), c.drawn ? 2u : 0u) << c.seconds;
        if (!c.drawn) continue;
        // A one-pixel cross through the block's centre, 96 pixels each way.
        EXPECT_EQ(quads[0].x[0], c.x + 32);
        EXPECT_EQ(quads[0].x[1], c.x + 33);
        EXPECT_EQ(quads[0].y[0], c.y - 16);
        EXPECT_EQ(quads[0].y[2], c.y + 80);
        EXPECT_EQ(quads[1].x[0], c.x - 16);
        EXPECT_EQ(quads[1].x[1], c.x + 80);
        EXPECT_EQ(quads[1].y[0], c.y + 32);
        EXPECT_EQ(quads[1].y[2], c.y + 33);
    }
}

TEST_F(OverlayFixture, ScreenDoorCoversTheWindowInWholePatterns) {
    grid(16, 11);
    screenWidth = 1000;
    screenHeight = 700;
    drawScreenDoor();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].x[2], 1024.0f);
    EXPECT_EQ(quads[0].y[2], 768.0f);
    EXPECT_EQ(quads[0].s[2], 4.0f);
    EXPECT_EQ(quads[0].t[2], 3.0f);
}
