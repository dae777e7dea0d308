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

TEST(DrawInterface, OpenGlTableHoldsTheEntryPointsThemselves) {
    // No wrapper between the renderer and GL: a vertex costs one indirect call,
    // as calling GL through its import does.
    EXPECT_EQ(glDrawApi.vertex2f, &glVertex2f);
    EXPECT_EQ(glDrawApi.vertex2i, &glVertex2i);
    EXPECT_EQ(glDrawApi.color3f, &glColor3f);
    EXPECT_EQ(glDrawApi.texCoord2f, &glTexCoord2f);
    EXPECT_EQ(glDrawApi.begin, &glBegin);
}
