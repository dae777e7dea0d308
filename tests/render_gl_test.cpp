// The software framebuffer must give the same pixels as Mesa's OpenGL for every
// kind of frame the program draws.
#include <gtest/gtest.h>

#include <string>

#include "app/config.h"
#include "app/globals.h"
#include "app/platform/platform.h"
#include "app/window.h"
#include "render/png.h"
#include "render/textures.h"
#include "render_support.h"
#include "timeline/composition.h"
#include "timeline/timeline.h"

namespace {
struct FrameSetup {
    int detail;
    float paper, saturation, polarity;
    int gap;
    int phase;  // demoPhase
    int order;  // orderReached
    uint32_t millis;
};

const FrameSetup* current = nullptr;
void scriptedTimeline() {
    paperLevel = current->paper;
    inkSaturation = current->saturation;
    polarity = current->polarity;
    cellGap = current->gap;
}

class GlVersusSoft : public ::testing::Test {
protected:
    void SetUp() override {
        resetDemoGlobals();
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    }
    void TearDown() override {
        if (demoWindow) destroyDemoWindow();
        draw = &glDrawApi;
        frameScene = sampleScene;
        frameTimeline = updateTimeline;
        useRealClock();
    }

    // Renders the same frames through both targets and compares them pixel for pixel.
    void compare(int width, int height, const std::vector<FrameSetup>& frames, const char* name) {
        screenWidth = width;
        screenHeight = height;
        deriveScreenGeometry();
        fullscreen = 0;
        ASSERT_EQ(createDemoWindow(), 0);
        initGraphics();
        frameScene = ringsAndBands;
        frameTimeline = scriptedTimeline;

        SoftFramebuffer fb;
        for (size_t i = 0; i < frames.size(); ++i) {
            current = &frames[i];
            detailStep = current->detail;
            demoPhase.store(current->phase);
            orderReached = current->order;
            useScriptedClock(current->millis, 0);

            draw = &glDrawApi;
            polarity = 1.0f;  // the empty-cell colour comes from the previous frame's polarity
            renderFrame();
            std::vector<uint8_t> gl = glRgb(width, height);
            platformSwapBuffers(demoDC);

            useSoftFramebuffer(&fb, width, height);
            createTextures();
            polarity = 1.0f;
            renderFrame();
            std::vector<uint8_t> soft = softRgb(fb);
            draw = &glDrawApi;

            size_t diff = differingPixels(gl, soft);
            if (diff || std::getenv("VORTELAN_KEEP_FRAMES")) {
                std::string base = std::string(VORTELAN_BINARY_DIR) + "/" + name + "_" + std::to_string(i);
                writePng((base + "_gl.png").c_str(), width, height, 3, gl.data(), width * 3);
                writePng((base + "_soft.png").c_str(), width, height, 3, soft.data(), width * 3);
            }
            EXPECT_EQ(diff, 0u) << name << " frame " << i << " (detail " << current->detail << ")";
        }
    }
};
}  // namespace

TEST_F(GlVersusSoft, SweptScenesAtEveryDetail) {
    std::vector<FrameSetup> frames;
    const int details[] = {1, 2, 4, 8, 16, 32};
    for (int i = 0; i < 6; ++i)
        frames.push_back({details[i], 0.2f + 0.1f * i, 0.7f - 0.12f * i, 1.0f - 0.2f * i, i & 1, 0, 3, 1000u + 250u * i});
    compare(640, 480, frames, "sweep");
}

TEST_F(GlVersusSoft, ClippedGridAndOverlays) {
    // 1000 x 700: the last block column and row are clipped; the warning screen,
    // the block marker and the screen door at order 16.
    std::vector<FrameSetup> frames = {
        {1, 0.2f, 0.7f, 1.0f, 1, -1, 0, 2000},
        {4, 0.35f, 0.5f, 0.6f, 0, 0, 16, 10600},
        {2, 0.2f, 0.7f, 1.0f, 1, 0, 8, 11500},
    };
    compare(1000, 700, frames, "overlays");
}

namespace {
// One textured quad off the pixel grid, over stripes of flat colour. Colours
// are whole steps of 1/255 and texels clear or opaque, as in what the program
// draws: between those, how GL rounds a modulated texel or a partial blend is
// its own affair.
struct TexturedCase {
    const char* name;
    float x0, y0, x1, y1;
    float s0, t0, s1, t1;
    int r, g, b;  // of 255
    bool blend;
    GLint wrap;
    int mapping;  // 0 straight, 1 a quarter turn round the corners, 2 s sheared along t
};

const TexturedCase texturedCases[] = {
    // 64 texels onto 63 pixels, as a warning tile shrinks: which column drops out.
    {"shrunk tile", 8, 8, 71, 71, 0, 0, 1, 1, 255, 255, 255, false, GL_REPEAT, 0},
    {"half-pixel offset", 80.5f, 8.25f, 144.5f, 72.25f, 0, 0, 1, 1, 255, 255, 255, true, GL_REPEAT, 0},
    {"magnified, modulated", 152.3f, 8.7f, 247.9f, 70.1f, 0.1f, 0.2f, 0.6f, 0.9f, 77, 166, 229, false, GL_REPEAT,
     0},
    {"blended, modulated, repeated", 8.6f, 80.4f, 140.2f, 171.8f, -1.3f, -0.6f, 1.7f, 1.45f, 204, 115, 255, true,
     GL_REPEAT, 0},
    {"blended, clamped", 150.1f, 80.9f, 247.6f, 170.3f, -0.4f, -0.3f, 1.3f, 1.2f, 255, 255, 255, true, GL_CLAMP, 0},
    {"minified, mirrored", 40.4f, 180.2f, 8.2f, 230.6f, 0, 0, 3.1f, 2.7f, 255, 128, 64, true, GL_REPEAT, 0},
    {"turned", 50.7f, 180.3f, 120.2f, 236.9f, 0.05f, 0.1f, 0.95f, 1.3f, 255, 255, 255, true, GL_REPEAT, 1},
    {"sheared", 128.4f, 176.6f, 247.3f, 236.2f, 0.2f, 0.15f, 1.1f, 0.9f, 255, 255, 255, false, GL_REPEAT, 2},
};

// A 64 x 64 pattern, each texel's colour its own, over 16 stripes.
void drawTexturedCases() {
    static uint8_t texels[64 * 64 * 4];
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t* t = &texels[(y * 64 + x) * 4];
            t[0] = static_cast<uint8_t>(x * 4 + 3);
            t[1] = static_cast<uint8_t>(y * 4 + 1);
            t[2] = static_cast<uint8_t>((x ^ y) * 4);
            t[3] = (x + y) % 5 == 0 || (x * 3 + y) % 7 == 0 ? 0 : 255;  // as the screen door: clear or opaque
        }
    draw->clearColor(0.2f, 0.4f, 0.6f, 0.0f);
    draw->clear(GL_COLOR_BUFFER_BIT);
    // Flat stripes off the grid, with gaps, their corners given from each
    // corner in both turning senses.
    draw->begin(GL_QUADS);
    for (int i = 0; i < 16; ++i) {
        draw->color3f(static_cast<float>(i) / 15.0f, 1.0f - static_cast<float>(i) / 20.0f, (i % 3) * 0.5f);
        float x0 = static_cast<float>(i) * 16.0f + (i % 3) * 0.45f, x1 = x0 + 12.6f;
        float y0 = (i % 5) * 0.7f, y1 = 240.0f - (i % 4) * 2.45f;
        const float x[4] = {x0, x1, x1, x0}, y[4] = {y0, y0, y1, y1};
        for (int k = 0; k < 4; ++k) {
            int m = (i / 4 % 2 == 0 ? i + k : i - k + 4) % 4;
            draw->vertex2f(x[m], y[m]);
        }
    }
    draw->end();
    draw->blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (const TexturedCase& c : texturedCases) {
        GLuint name;
        draw->genTextures(1, &name);
        draw->bindTexture(GL_TEXTURE_2D, name);
        draw->texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        draw->texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        draw->texParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, c.wrap);
        draw->texParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, c.wrap);
        draw->texImage2D(GL_TEXTURE_2D, 0, 4, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        draw->enable(GL_TEXTURE_2D);
        if (c.blend) draw->enable(GL_BLEND);
        draw->color3f(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
        const float shear = c.mapping == 2 ? 0.4f : 0.0f;
        const float s[4] = {c.s0, c.s1, c.s1 + shear, c.s0 + shear}, t[4] = {c.t0, c.t0, c.t1, c.t1};
        const float x[4] = {c.x0, c.x1, c.x1, c.x0}, y[4] = {c.y0, c.y0, c.y1, c.y1};
        draw->begin(GL_QUADS);
        for (int k = 0; k < 4; ++k) {
            int m = c.mapping == 1 ? (k + 1) % 4 : k;
            draw->texCoord2f(s[m], t[m]);
            draw->vertex2f(x[k], y[k]);
        }
        draw->end();
        draw->disable(GL_BLEND);
        draw->disable(GL_TEXTURE_2D);
    }
}
}  // namespace

TEST_F(GlVersusSoft, TexturedQuadsOffTheGrid) {
    const int width = 256, height = 240;
    screenWidth = width;
    screenHeight = height;
    deriveScreenGeometry();
    fullscreen = 0;
    ASSERT_EQ(createDemoWindow(), 0);
    initGraphics();
    drawTexturedCases();
    std::vector<uint8_t> gl = glRgb(width, height);
    SoftFramebuffer fb;
    useSoftFramebuffer(&fb, width, height);
    drawTexturedCases();
    std::vector<uint8_t> soft = softRgb(fb);
    draw = &glDrawApi;
    for (const TexturedCase& c : texturedCases) {
        size_t diff = 0;
        int x0 = static_cast<int>(std::min(c.x0, c.x1)), x1 = static_cast<int>(std::max(c.x0, c.x1)) + 1;
        int y0 = static_cast<int>(std::min(c.y0, c.y1)), y1 = static_cast<int>(std::max(c.y0, c.y1)) + 1;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                size_t i = (static_cast<size_t>(y) * width + x) * 3;
                diff += gl[i] != soft[i] || gl[i + 1] != soft[i + 1] || gl[i + 2] != soft[i + 2];
            }
        EXPECT_EQ(diff, 0u) << c.name;
    }
    size_t diff = differingPixels(gl, soft);
    EXPECT_EQ(diff, 0u) << "whole window";
    if (diff || std::getenv("VORTELAN_KEEP_FRAMES")) {
        std::string base = std::string(VORTELAN_BINARY_DIR) + "/textured";
        writePng((base + "_gl.png").c_str(), width, height, 3, gl.data(), width * 3);
        writePng((base + "_soft.png").c_str(), width, height, 3, soft.data(), width * 3);
    }
}

TEST(DrawInterface, OpenGlTableHoldsTheEntryPointsThemselves) {
    // No wrapper between the renderer and GL: a vertex costs one indirect call,
    // as calling GL through its import does.
    EXPECT_EQ(glDrawApi.vertex2f, &glVertex2f);
    EXPECT_EQ(glDrawApi.vertex2i, &glVertex2i);
    EXPECT_EQ(glDrawApi.color3f, &glColor3f);
    EXPECT_EQ(glDrawApi.texCoord2f, &glTexCoord2f);
    EXPECT_EQ(glDrawApi.begin, &glBegin);
}
