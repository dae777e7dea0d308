#include "app/offline_show.h"

#include "app/config.h"
#include "app/globals.h"
#include "app/platform/platform.h"
#include "app/platform/player.h"
#include "render/draw.h"
#include "render/frame.h"
#include "render/textures.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "timeline/composition.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

namespace {
void setClock(double seconds) {
    useScriptedClock(static_cast<uint32_t>(seconds * 1000.0), static_cast<int64_t>(seconds * 1e9));
}
}  // namespace

bool openOfflineShow(OfflineShow* show, int width, int height, int detail) {
    resetDemoGlobals();
    screenWidth = width;
    screenHeight = height;
    deriveScreenGeometry();
    detailStep = detail;
    fullscreen = 0;
    show->warningSeconds = 0;
    show->renderedFrames = 0;

    useSoftFramebuffer(&show->fb, width, height);
    frameScene = sampleScene;
    frameTimeline = updateTimeline;
    timelinePosition = playerGetPosition;
    scenePulse = 0.0f;
    scenePulseRate = 1.0f;
    previousCounter = 0;
    allocateEdgeBuffers();
    createTextures();
    buildTileMap();
    buildSceneObjects();

    if (!playerInit(PLAYER_DEVICE_OFFLINE, OFFLINE_RATE, 0)) return false;
    loadMusic();
    return true;
}

void drawOfflineWarning(OfflineShow* show, double seconds) {
    startTicks = 0;
    demoPhase.store(-1, std::memory_order_relaxed);
    show->warningSeconds = seconds;
    setClock(seconds);
    renderFrame();
}

void startOfflineShow(OfflineShow* show) {
    demoPhase.store(0, std::memory_order_relaxed);
    orderReached = 0;
    startMusic();
    show->renderedFrames = 0;
}

void drawOfflineFrame(OfflineShow* show, double seconds) {
    int64_t target = static_cast<int64_t>(seconds * OFFLINE_RATE);
    while (show->renderedFrames < target) {
        int64_t step = target - show->renderedFrames;
        uint32_t n = static_cast<uint32_t>(step > 1 << 20 ? 1 << 20 : step);
        playerOfflineRender(nullptr, n);
        show->renderedFrames += n;
    }
    setClock(show->warningSeconds + seconds);
    renderFrame();
}

void closeOfflineShow(OfflineShow*) {
    freeMusic();
    useRealClock();
    draw = &glDrawApi;
}
