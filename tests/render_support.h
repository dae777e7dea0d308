#pragma once
// Shared by the renderer tests: a scene with curves, slants and thin parts plus
// a disc hidden between edge samples, and a fixture that draws into the
// software framebuffer and logs the quads.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "render/frame.h"
#include "render/soft_draw.h"
#include "render/workers.h"
#include "timeline/composition.h"
#include "timeline/timeline.h"

// Wherever these cross a cell edge they are wider than the 4-pixel sample
// spacing, so no cell hides any of them.
inline int visibleShapes(float x, float y) {
    float dx = x - 300.0f, dy = y - 210.0f, r2 = dx * dx + dy * dy, band = x - 0.7f * y - 420.0f;
    if ((r2 < 150.0f * 150.0f && r2 > 60.0f * 60.0f) || band * band < 22.0f * 22.0f) return 1;
    return x > 520.0f && static_cast<int>(x * y / 4000.0f) % 3 == 0;
}
// Inside block (1, 6) without touching any of its edge samples.
inline int hiddenDisc(float x, float y) { return (x - 96.0f) * (x - 96.0f) + (y - 416.0f) * (y - 416.0f) < 324.0f; }
inline int ringsAndBands(float x, float y) { return visibleShapes(x, y) || hiddenDisc(x, y); }

struct SoftTarget : ::testing::Test {
    SoftFramebuffer fb;
    std::vector<SoftQuad> quads;
    void SetUp() override {
        resetDemoGlobals();
        setRenderThreads(1);
        setSoftQuadLog(&quads);
        frameTimeline = [] {};
    }
    void TearDown() override {
        setSoftQuadLog(nullptr);
        draw = &glDrawApi;
        frameScene = sampleScene;
        frameTimeline = updateTimeline;
        useRealClock();
    }
    void grid(int across, int down) {  // a window of whole blocks
        blocksAcross = across, blocksDown = down, screenWidth = across * 64, screenHeight = down * 64;
        useSoftFramebuffer(&fb, screenWidth, screenHeight);
        quads.clear();
    }
    const uint8_t* pixel(int x, int y) const { return &fb.pixels[(static_cast<size_t>(y) * fb.width + x) * 4]; }
};
