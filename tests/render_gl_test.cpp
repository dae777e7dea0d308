// The software framebuffer must give the same pixels as Mesa's OpenGL for every
// kind of quad the program draws: swept frames at every detail, the overlays
// on a clipped grid, and textured quads off the pixel grid.
#include <cstring>
#include <string>

#include "app/config.h"
#include "app/window.h"
#include "render/png.h"
#include "render/textures.h"
#include "render_support.h"

namespace {
// Per frame: detail, paper, ink saturation, polarity, cell gap, demo phase,
// order reached, clock milliseconds.
const float frames[][8] = {
    {1, 0.2f, 0.7f, 1.0f, 1, 0, 3, 10600},    // the block marker
    {2, 0.3f, 0.58f, 0.8f, 0, 0, 3, 11500},
    {4, 0.35f, 0.5f, 0.6f, 0, 0, 16, 10600},  // the screen door
    {8, 0.5f, 0.34f, 0.4f, 1, 0, 3, 1750},
    {16, 0.6f, 0.22f, 0.2f, 0, 0, 3, 2000},
    {32, 0.7f, 0.1f, 0.0f, 1, 0, 3, 2250},
    {1, 0.2f, 0.7f, 1.0f, 1, -1, 0, 2000},    // warning tiles, some shrunk
};
const float* current = nullptr;
void scriptedTimeline() {
    paperLevel = current[1], inkSaturation = current[2], polarity = current[3], cellGap = int(current[4]);
}

// One textured quad over stripes of flat colour. Colours are whole steps of
// 1/255 and texels clear or opaque, as in what the program draws: between
// those, how GL rounds a modulated texel or a partial blend is its own affair.
struct TexturedCase {
    float x0, y0, x1, y1, s0, t0, s1, t1;
    unsigned rgb;  // 0xRRGGBB
    bool blend;
    GLint wrap;
    int mapping;  // 0 straight, 1 a quarter turn round the corners, 2 s sheared along t
} texturedCases[] = {
    {8, 8, 71, 71, 0, 0, 1, 1, 0xFFFFFF, false, GL_REPEAT, 0},  // 64 texels onto 63 pixels
    {80.5f, 8.25f, 144.5f, 72.25f, 0, 0, 1, 1, 0xFFFFFF, true, GL_REPEAT, 0},
    {152.3f, 8.7f, 247.9f, 70.1f, 0.1f, 0.2f, 0.6f, 0.9f, 0x4DA6E5, false, GL_REPEAT, 0},
    {8.6f, 80.4f, 140.2f, 171.8f, -1.3f, -0.6f, 1.7f, 1.45f, 0xCC73FF, true, GL_REPEAT, 0},
    {150.1f, 80.9f, 247.6f, 170.3f, -0.4f, -0.3f, 1.3f, 1.2f, 0xFFFFFF, true, GL_CLAMP, 0},
    {40.4f, 180.2f, 8.2f, 230.6f, 0, 0, 3.1f, 2.7f, 0xFF8040, true, GL_REPEAT, 0},  // mirrored, minified
    {50.7f, 180.3f, 120.2f, 236.9f, 0.05f, 0.1f, 0.95f, 1.3f, 0xFFFFFF, true, GL_REPEAT, 1},
    {128.4f, 176.6f, 247.3f, 236.2f, 0.2f, 0.15f, 1.1f, 0.9f, 0xFFFFFF, false, GL_REPEAT, 2},
};

void drawTexturedCases() {
    static uint8_t texels[64 * 64 * 4];  // each texel's colour its own, clear or opaque
    for (int i = 0, x = 0, y = 0; i < 64 * 64; ++i, x = i % 64, y = i / 64) {
        uint8_t* t = &texels[i * 4];
        t[0] = uint8_t(x * 4 + 3), t[1] = uint8_t(y * 4 + 1), t[2] = uint8_t((x ^ y) * 4);
        t[3] = (x + y) % 5 == 0 || (x * 3 + y) % 7 == 0 ? 0 : 255;
    }
    draw->clearColor(0.2f, 0.4f, 0.6f, 0.0f);
    draw->clear(GL_COLOR_BUFFER_BIT);
    // Flat stripes off the grid, with gaps, their corners given from each
    // corner in both turning senses.
    draw->begin(GL_QUADS);
    for (int i = 0; i < 16; ++i) {
        draw->color3f(i / 15.0f, 1.0f - i / 20.0f, (i % 3) * 0.5f);
        float x0 = i * 16.0f + (i % 3) * 0.45f, x1 = x0 + 12.6f, y0 = (i % 5) * 0.7f, y1 = 240.0f - (i % 4) * 2.45f;
        const float x[4] = {x0, x1, x1, x0}, y[4] = {y0, y0, y1, y1};
        for (int k = 0, m = i % 4; k < 4; ++k, m = (i / 4 % 2 == 0 ? m + 1 : m + 3) % 4) draw->vertex2f(x[m], y[m]);
    }
    draw->end();
    draw->blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (const TexturedCase& c : texturedCases) {
        GLuint name;
        draw->genTextures(1, &name);
        draw->bindTexture(GL_TEXTURE_2D, name);
        for (GLenum p : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER}) draw->texParameteri(GL_TEXTURE_2D, p, GL_NEAREST);
        for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) draw->texParameteri(GL_TEXTURE_2D, p, c.wrap);
        draw->texImage2D(GL_TEXTURE_2D, 0, 4, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        draw->enable(GL_TEXTURE_2D);
        (c.blend ? draw->enable : draw->disable)(GL_BLEND);
        draw->color3f((c.rgb >> 16) / 255.0f, (c.rgb >> 8 & 255) / 255.0f, (c.rgb & 255) / 255.0f);
        const float shear = c.mapping == 2 ? 0.4f : 0.0f, s[4] = {c.s0, c.s1, c.s1 + shear, c.s0 + shear};
        const float t[4] = {c.t0, c.t0, c.t1, c.t1}, x[4] = {c.x0, c.x1, c.x1, c.x0}, y[4] = {c.y0, c.y0, c.y1, c.y1};
        draw->begin(GL_QUADS);
        for (int k = 0, m = c.mapping == 1; k < 4; ++k, m = (m + 1) % 4)
            draw->texCoord2f(s[m], t[m]), draw->vertex2f(x[k], y[k]);
        draw->end();
    }
}

// Draws the frame for the current setup, or the textured quads without one.
void drawFrame() {
    if (!current) return drawTexturedCases();
    detailStep = int(current[0]), orderReached = int(current[6]);
    demoPhase.store(int(current[5]));
    useScriptedClock(uint32_t(current[7]), 0);
    polarity = 1.0f;  // the empty cells take the previous frame's polarity
    renderFrame();
}
using GlVersusSoft = SoftTarget;
}  // namespace

TEST_F(GlVersusSoft, SamePixels) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    setSoftQuadLog(nullptr);
    // 512 x 240: the last block row is clipped, the picture and the marker too.
    const int width = 512, height = 240;
    const size_t row = width * 3;
    screenWidth = width, screenHeight = height, fullscreen = 0, warningMillis = 250;
    deriveScreenGeometry();
    ASSERT_EQ(createDemoWindow(), 0);
    initGraphics();
    frameScene = ringsAndBands;
    frameTimeline = scriptedTimeline;
    std::vector<uint8_t> gl(row * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (size_t i = 0; i <= std::size(frames); ++i) {
        current = i < std::size(frames) ? frames[i] : nullptr;
        draw = &glDrawApi;
        drawFrame();
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, gl.data());
        platformSwapBuffers(demoDC);
        for (int y = 0; y < height / 2; ++y)  // rows top to bottom
            std::swap_ranges(&gl[y * row], &gl[(y + 1) * row], &gl[(height - 1 - y) * row]);
        useSoftFramebuffer(&fb, width, height);
        createTextures();
        drawFrame();
        size_t diff = 0;
        for (size_t k = 0; k < gl.size(); ++k) diff += k % 3 == 0 && std::memcmp(&gl[k], &fb.pixels[k / 3 * 4], 3) != 0;
        EXPECT_EQ(diff, 0u) << "frame " << i;
        if (diff || std::getenv("VORTELAN_KEEP_FRAMES")) {
            std::string base = std::string(VORTELAN_BINARY_DIR) + "/frame" + std::to_string(i);
            writePng((base + "_gl.png").c_str(), width, height, 3, gl.data(), width * 3);
            writePng((base + "_soft.png").c_str(), width, height, 4, fb.pixels.data(), width * 4);
        }
    }
    destroyDemoWindow();
}
