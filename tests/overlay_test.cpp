// The overlays: the warning picture from the embedded images to the screen,
// the block marker and the screen door.
#include <algorithm>
#include <cstring>

#include "assets/assets.h"
#include "render/overlays.h"
#include "render/pcx.h"
#include "render/textures.h"
#include "render_support.h"

using OverlayTest = SoftTarget;

TEST_F(OverlayTest, WarningPictureOneTexelPerPixel) {
    // The three images merged lane by lane, as the textures are made from them.
    std::vector<uint8_t> staging(size_t(PICTURE_WIDTH) * STAGING_ROWS * 4);
    DecodedImage image{0, 0, 0, nullptr, staging.data()};
    EXPECT_EQ(decodePcx(&image, warningPictureRed, warningPictureRedSize, 2, staging.size()), PCX_OK);
    EXPECT_EQ(decodePcx(&image, warningPictureGreen, warningPictureGreenSize, 1, staging.size()), PCX_OK);
    EXPECT_EQ(decodePcx(&image, warningPictureBlue, warningPictureBlueSize, 0, staging.size()), PCX_OK);
    EXPECT_EQ(image.width * 1000 + image.height, 640480);
    EXPECT_GT(std::count(staging.begin(), staging.end(), 255), 20000);  // white lettering, not a blank picture
    // The picture's 640 x 480 texels, with 16 black rows above and below, land
    // one per pixel on a grid of 10 x 8 blocks centred on the screen; black
    // tiles (glColor3b(0, 0, 0) is 1/255) elsewhere. Near the end of a short
    // warning the tiles shrink by a pixel from the top-left corner on.
    // Grid, warning and clock milliseconds, picture origin, tiles with m + l up to this are 63 wide.
    const int cases[][7] = {{16, 12, 5000, 4900, 192, 144, -1}, {8, 8, 101, 500, -64, 16, 3}};
    for (auto [across, down, warning, millis, ox, oy, shrinking] : cases) {
        grid(across, down);
        createTextures();
        warningMillis = warning;
        useScriptedClock(millis, 0);
        draw->clearColor(0.5f, 0.5f, 0.5f, 0);
        draw->clear(DRAW_COLOR_BUFFER_BIT);
        drawWarningTiles();
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x) {
                int u = x - ox, v = y - oy;
                bool shrunk = x / 64 + y / 64 <= shrinking, edge = x % 64 == 63 || y % 64 == 63;
                if (shrunk && !edge) continue;  // 64 texels squeezed onto 63 pixels
                const uint8_t black[] = {0, 0, 0}, outside[] = {1, 1, 1}, clear[] = {128, 128, 128};
                const uint8_t* want = shrunk ? clear : u < 0 || u >= 640 || v < -16 || v >= 496 ? outside
                                                     : v < 0 || v >= 480 ? black : &staging[(v * 640 + u) * 4];
                ASSERT_EQ(std::memcmp(pixel(x, y), want, 3), 0) << x << "," << y << " on " << across << "x" << down;
            }
    }
}

TEST_F(OverlayTest, BlockMarkerFollowsTheTime) {
    // Frame seconds, the marked block (none at -1), the generator state left behind.
    const float cases[][4] = {
        {10.6f, 256, 704, 31415}, {10.9f, 256, 704, 31415}, {11.5f, 192, 64, 63817}, {10.3f, -1, 0, 14210}};
    grid(16, 12);
    paperLevel = 0.3f;
    for (auto [seconds, bx, by, state] : cases) {
        quads.clear();
        frameSeconds = seconds;
        drawBlockMarker();
        EXPECT_EQ(rngState, uint32_t(state)) << seconds;
        ASSERT_EQ(quads.size(), bx < 0 ? 0u : 2u) << seconds;
        if (bx < 0) continue;
        // A one-pixel cross through the block's centre, 96 pixels each way, in the gaps' grey.
        const int x = int(bx), y = int(by), want[] = {x + 32, y - 16, x + 33, y - 16, x + 33, y + 80, x + 32, y + 80,
                                              x - 16, y + 32, x + 80, y + 32, x + 80, y + 33, x - 16, y + 33};
        for (int i = 0; i < 16; ++i) {
            const float* coordinate = i % 2 ? quads[i / 8].y : quads[i / 8].x;
            EXPECT_EQ(coordinate[i / 2 % 4], want[i]) << i;
        }
        EXPECT_FLOAT_EQ(quads[1].color[1], 0.3f);
    }
}

TEST_F(OverlayTest, ScreenDoorOverTheWholeWindow) {
    // 769 x 704 takes 4 x 3 patterns of 256 pixels, the last column holding
    // one pixel of its pattern. Rows 0 to 3 of the pattern, '.' where the
    // scene shows through.
    const char* pattern[] = {"########", "#.###.##", "##.###.#", "###.###."};
    grid(15, 11);
    screenWidth = 769;
    useSoftFramebuffer(&fb, 769, 704);
    createTextures();
    draw->clearColor(1, 1, 1, 0);
    draw->clear(DRAW_COLOR_BUFFER_BIT);
    drawScreenDoor();
    for (int y = 0; y < 704; ++y)
        for (int x = 0; x < 769; ++x)
            ASSERT_EQ(pixel(x, y)[0], pattern[y % 4][x % 8] == '.' ? 255 : 0) << x << "," << y;
}
