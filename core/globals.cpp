// The one global state, with the values it has at program load.
#include "core/globals.h"

int screenWidth = 1280;
int screenHeight = 960;
int colorBits = 32;
int detailStep = 1;
int fullscreen = 1;
uint32_t warningMillis = 5000;
int noSound = 0;

float viewWidth = 1280.0f;
float viewHeight = 960.0f;
int blocksAcross = 20;
int blocksDown = 15;

std::atomic<int32_t> demoPhase{0};
int orderReached = 0;
uint32_t startTicks = 0;
int mouseHeld = 0;

float paperLevel = 0.2f;
float inkSaturation = 0.7f;
float polarity = 1.0f;
int cellGap = 1;

SyncChannel syncChannels[SYNC_CHANNELS] = {
    {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f},
    {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f},
    {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f},
    {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f}, {{0}, {0.0f}, 1.0f},
};

uint32_t rngState = 0;

void resetDemoGlobals() {
    screenWidth = 1280;
    screenHeight = 960;
    colorBits = 32;
    detailStep = 1;
    fullscreen = 1;
    warningMillis = 5000;
    noSound = 0;
    viewWidth = 1280.0f;
    viewHeight = 960.0f;
    blocksAcross = 20;
    blocksDown = 15;
    demoPhase.store(0, std::memory_order_relaxed);
    orderReached = 0;
    startTicks = 0;
    mouseHeld = 0;
    paperLevel = 0.2f;
    inkSaturation = 0.7f;
    polarity = 1.0f;
    cellGap = 1;
    for (SyncChannel& c : syncChannels) {
        c.count.store(0, std::memory_order_relaxed);
        c.pulse.store(0.0f, std::memory_order_relaxed);
        c.decayRate = 1.0f;
    }
    rngState = 0;
}
