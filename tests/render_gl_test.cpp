// The software framebuffer must give the same pixels as Mesa's OpenGL for every
// kind of quad the program draws: swept frames at several details, the three
// overlays on a clipped grid, and textured quads off the pixel grid.
#include <GL/gl.h>

#include <cstring>

#include "core/config.h"
#include "render/draw_gl.h"
#include "show/window.h"
#include "render/textures.h"
#include "render_support.h"

namespace {
// Per frame: detail, paper, ink saturation, polarity, cell gap, demo phase,
// order reached, clock milliseconds.
const float frames[][8] = {
    {1, 0.2f, 0.7f, 1.0f, 1, 0, 3, 10600},    // the block marker
    {4, 0.35f, 0.5f, 0.6f, 0, 0, 16, 10600},  // the screen door
    {32, 0.7f, 0.1f, 0.0f, 1, 0, 3, 2250},
    {1, 0.2f, 0.7f, 1.0f, 1, -1, 0, 2000},    // warning tiles, some shrunk
};
const float* current = nullptr;

// Textured quads over stripes of flat colour: corners, texture corners, colour
// (of 255), blending, clamping, and the mapping (0 straight, 1 a quarter turn
// round the corners, 2 s sheared along t). Colours are whole steps of 1/255 and
// texels clear or opaque, as in what the program draws: between those, how GL
// rounds a modulated texel or a partial blend is its own affair.
const float texturedCases[][14] = {
    {8, 8, 71, 71, 0, 0, 1, 1, 255, 255, 255, 0, 0, 0},  // 64 texels onto 63 pixels
    {80.5f, 8.25f, 144.5f, 72.25f, 0, 0, 1, 1, 255, 255, 255, 1, 0, 0},
    {152.3f, 8.7f, 247.9f, 70.1f, 0.1f, 0.2f, 0.6f, 0.9f, 77, 166, 229, 0, 0, 0},
    {8.6f, 80.4f, 140.2f, 171.8f, -1.3f, -0.6f, 1.7f, 1.45f, 204, 115, 255, 1, 0, 0},
    {150.1f, 80.9f, 247.6f, 170.3f, -0.4f, -0.3f, 1.3f, 1.2f, 255, 255, 255, 1, 1, 0},
    {40.4f, 180.2f, 8.2f, 230.6f, 0, 0, 3.1f, 2.7f, 255, 128, 64, 1, 0, 0},  // mirrored, minified
    {50.7f, 180.3f, 120.2f, 236.9f, 0.05f, 0.1f, 0.95f, 1.3f, 255, 255, 255, 1, 0, 1},
    {128.4f, 176.6f, 247.3f, 236.2f, 0.2f, 0.15f, 1.1f, 0.9f, 255, 255, 255, 0, 0, 2},
};

// The frame for the current setup, or the textured quads without one.
void drawFrame() {
    if (current) {
        detailStep = int(current[0]), orderReached = int(current[6]);
        demoPhase.store(int(current[5]));
        useScriptedClock(uint32_t(current[7]), 0);
        polarity = 1.0f;  // the empty cells take the previous frame's polarity
        frameTimeline = [] { paperLevel = current[1], inkSaturation = current[2], polarity = current[3]; };
        cellGap = int(current[4]);
        return renderFrame();
    }
    static uint8_t texels[64 * 64 * 4];  // each texel's colour its own, clear or opaque
    for (int i = 0, x = 0, y = 0; i < 64 * 64; ++i, x = i % 64, y = i / 64) {
        uint8_t* t = &texels[i * 4];
        t[0] = uint8_t(x * 4 + 3), t[1] = uint8_t(y * 4 + 1), t[2] = uint8_t((x ^ y) * 4);
        t[3] = (x + y) % 5 == 0 || (x * 3 + y) % 7 == 0 ? 0 : 255;
    }
    draw->clearColor(0.2f, 0.4f, 0.6f, 0.0f);
    draw->clear(DRAW_COLOR_BUFFER_BIT);
    // Flat stripes off the grid, with gaps, their corners given from each
    // corner in both turning senses.
    draw->begin(DRAW_QUADS);
    for (int i = 0; i < 16; ++i) {
        draw->color3f(i / 15.0f, 1.0f - i / 20.0f, (i % 3) * 0.5f);
        float x0 = i * 16.0f + (i % 3) * 0.45f, x1 = x0 + 12.6f, y0 = (i % 5) * 0.7f, y1 = 240.0f - (i % 4) * 2.45f;
        const float x[4] = {x0, x1, x1, x0}, y[4] = {y0, y0, y1, y1};
        for (int k = 0, m = i % 4; k < 4; ++k, m = (i / 4 % 2 == 0 ? m + 1 : m + 3) % 4) draw->vertex2f(x[m], y[m]);
    }
    // Flat quads with two or three level and upright edges in a rectangle's
    // places that are still not rectangles, which no fast rectangle fill may
    // take: the first two or the last two of them, by rows and by columns.
    draw->color3f(0.9f, 0.3f, 0.1f);
    const float notRectangles[][8] = {{300, 20, 400, 20, 400, 110, 280, 100}, {300, 130, 380, 150, 390, 220, 300, 220},
                                      {420, 20, 420, 100, 500, 100, 490, 30}, {420, 130, 430, 220, 500, 200, 500, 130}};
    for (const float* q : notRectangles)
        for (int k = 0; k < 8; k += 2) draw->vertex2f(q[k], q[k + 1]);
    draw->end();
    draw->blendFunc(DRAW_SRC_ALPHA, DRAW_ONE_MINUS_SRC_ALPHA);
    for (auto [x0, y0, x1, y1, s0, t0, s1, t1, r, g, b, blend, clamp, mapping] : texturedCases) {
        unsigned name;
        draw->genTextures(1, &name);
        draw->bindTexture(DRAW_TEXTURE_2D, name);
        const int wrap = clamp ? DRAW_CLAMP : DRAW_REPEAT;
        for (DrawEnum p : {DRAW_TEXTURE_MAG_FILTER, DRAW_TEXTURE_MIN_FILTER}) draw->texParameteri(DRAW_TEXTURE_2D, p, DRAW_NEAREST);
        for (DrawEnum p : {DRAW_TEXTURE_WRAP_S, DRAW_TEXTURE_WRAP_T}) draw->texParameteri(DRAW_TEXTURE_2D, p, wrap);
        draw->texImage2D(DRAW_TEXTURE_2D, 0, 4, 64, 64, 0, DRAW_RGBA, DRAW_UNSIGNED_BYTE, texels);
        (blend ? draw->enable : draw->disable)(DRAW_BLEND);
        draw->enable(DRAW_TEXTURE_2D);
        draw->color3f(r / 255.0f, g / 255.0f, b / 255.0f);
        const float shear = mapping == 2 ? 0.4f : 0.0f, s[4] = {s0, s1, s1 + shear, s0 + shear};
        const float t[4] = {t0, t0, t1, t1}, x[4] = {x0, x1, x1, x0}, y[4] = {y0, y0, y1, y1};
        draw->begin(DRAW_QUADS);
        for (int k = 0, m = mapping == 1; k < 4; ++k, m = (m + 1) % 4)
            draw->texCoord2f(s[m], t[m]), draw->vertex2f(x[k], y[k]);
        draw->end();
    }
    // Rectangles while a texture is on take the current coordinate's texel,
    // an opaque one here, times each rectangle's own colour.
    draw->disable(DRAW_BLEND);
    draw->texCoord2f(1.5f / 64, 1.5f / 64);
    const DrawRect textured[] = {{400, 222, 440, 238, {204 / 255.0f, 102 / 255.0f, 51 / 255.0f}},
                                 {445.5f, 222.25f, 500.5f, 237.75f, {51 / 255.0f, 153 / 255.0f, 1.0f}}};
    draw->rectangles(textured, 2);
    draw->disable(DRAW_TEXTURE_2D);
}
// Pixels of the window (read back, rows bottom to top) that differ from the
// framebuffer's colours, and where the first is.
std::string differences(const std::vector<uint8_t>& shown, const SoftFramebuffer& fb) {
    size_t diff = 0, first = 0;
    for (size_t p = 0; p < size_t(fb.width) * fb.height; ++p) {
        const uint8_t* s = &shown[((fb.height - 1 - p / fb.width) * fb.width + p % fb.width) * 4];
        const uint8_t* f = &fb.pixels[p * 4];
        if ((s[0] != f[fb.bgra ? 2 : 0] || s[1] != f[1] || s[2] != f[fb.bgra ? 0 : 2]) && !diff++) first = p;
    }
    return diff == 0 ? "" : std::to_string(diff) + ", the first at " + std::to_string(first % fb.width) + "," +
                                std::to_string(first / fb.width);
}
using GlVersusSoft = SoftTarget;
}  // namespace

TEST_F(GlVersusSoft, SamePixels) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    setSoftQuadLog(nullptr);
    // 512 x 240: the last block row is clipped, the picture and the marker too.
    const int width = 512, height = 240;
    screenWidth = width, screenHeight = height, fullscreen = 0, warningMillis = 250;
    deriveScreenGeometry();
    ASSERT_EQ(createDemoWindow(), 0);
    setenv("VORTELAN_DRAW", "gl", 1);  // GL's own textures, whatever the renderer
    initGraphics();
    unsetenv("VORTELAN_DRAW");
    ASSERT_FALSE(drawsInSoftware);
    frameScene = ringsAndBands;
    std::vector<uint8_t> gl(size_t(width) * height * 4);
    for (size_t i = 0; i <= std::size(frames); ++i) {
        current = i < std::size(frames) ? frames[i] : nullptr;
        draw = &glDrawApi;
        drawFrame();
        glReadPixels(0, 0, width, height, DRAW_RGBA, DRAW_UNSIGNED_BYTE, gl.data());  // rows bottom to top
        platformSwapBuffers(demoDC);
        useSoftFramebuffer(&fb, width, height);
        createTextures();
        drawFrame();
        EXPECT_EQ(differences(gl, fb), "") << "frame " << i;
    }
    destroyDemoWindow();
}

// A software frame put on the window is the frame, pixel for pixel, in either
// byte order, on a window whose width is no multiple of 4 or 64.
TEST_F(GlVersusSoft, PresentedFramesAreTheSoftwareFrames) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    setSoftQuadLog(nullptr);
    const int width = 498, height = 230;
    screenWidth = width, screenHeight = height, fullscreen = 0, warningMillis = 250;
    deriveScreenGeometry();
    ASSERT_EQ(createDemoWindow(), 0);
    initGraphics();
    // Sizes no texture can take are refused when the context is set up, and
    // a frame then presented changes nothing.
    for (auto [w, h] : {std::pair{1 << 20, 16}, std::pair{0, 16}, std::pair{16, -1}})
        EXPECT_FALSE(glPrepareSoftFrames(w, h, true)) << w << "x" << h;
    frameScene = ringsAndBands;
    std::vector<uint8_t> shown(size_t(width) * height * 4);
    for (bool bgra : {true, false}) {
        if (!glPrepareSoftFrames(width, height, bgra)) {
            destroyDemoWindow();
            GTEST_SKIP() << "no framebuffer blits in " << glRendererName();
        }
        for (size_t i = 0; i <= std::size(frames); ++i) {
            current = i < std::size(frames) ? frames[i] : nullptr;
            fb.bgra = bgra;
            useSoftFramebuffer(&fb, width, height);
            createTextures();
            drawFrame();
            presentSoftFrame(fb);
            glReadPixels(0, 0, width, height, DRAW_RGBA, DRAW_UNSIGNED_BYTE, shown.data());  // rows bottom to top
            platformSwapBuffers(demoDC);
            EXPECT_EQ(differences(shown, fb), "") << "frame " << i << " bgra " << bgra;
        }
    }
    destroyDemoWindow();
}

// An upload the software framebuffer cannot read (anything but RGBA bytes, or
// no pixels) leaves the texture empty, so quads drawn with it come out flat,
// and nothing past the caller's buffer is read.
TEST_F(GlVersusSoft, UnreadableUploadLeavesTheTextureEmpty) {
    const uint8_t bytes[2 * 2 * 3] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    const struct { DrawEnum format, type; const void* pixels; } uploads[] = {
        {GL_RGB, DRAW_UNSIGNED_BYTE, bytes}, {DRAW_RGBA, GL_UNSIGNED_SHORT, bytes}, {DRAW_RGBA, DRAW_UNSIGNED_BYTE, nullptr}};
    for (const auto& u : uploads) {
        grid(1, 1);
        unsigned name;
        draw->genTextures(1, &name);
        draw->bindTexture(DRAW_TEXTURE_2D, name);
        draw->texImage2D(DRAW_TEXTURE_2D, 0, 3, 2, 1, 0, u.format, u.type, u.pixels);
        draw->enable(DRAW_TEXTURE_2D);
        draw->color3f(1.0f, 0.0f, 0.0f);
        draw->begin(DRAW_QUADS);
        const float corners[] = {0, 0, 64, 0, 64, 64, 0, 64};
        for (int k = 0; k < 8; k += 2)
            draw->texCoord2f(corners[k] / 64, corners[k + 1] / 64), draw->vertex2f(corners[k], corners[k + 1]);
        draw->end();
        EXPECT_EQ(pixel(10, 10)[0] * 1000 + pixel(10, 10)[1], 255000) << u.format << " " << u.type;
    }
}
