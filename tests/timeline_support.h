#pragma once
// Drives the timeline frame by frame: a scripted music position, scripted sync
// values and a scripted counter (nanoseconds).
#include <cstdint>

#include "app/globals.h"
#include "app/platform/platform.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "timeline/timeline.h"

inline uint32_t scriptedPosition = 0;
inline uint32_t readScriptedPosition() { return scriptedPosition; }

inline void setSync(int channel, int32_t count, float pulse) {
    syncChannels[channel].count.store(count);
    syncChannels[channel].pulse.store(pulse);
}

inline void resetShow() {
    resetDemoGlobals();
    viewWidth = 1280.0f;
    viewHeight = 960.0f;
    buildTileMap();
    buildSceneObjects();
    scenePulse = 0.0f;
    scenePulseRate = 1.0f;
    previousCounter = 0;
    scriptedPosition = 0;
    timelinePosition = readScriptedPosition;
    useScriptedClock(0, 0);
}

// One call of updateTimeline at counter time `seconds`, hearing `order`.
inline void frameAt(double seconds, uint32_t order) {
    scriptedPosition = order;
    useScriptedClock(static_cast<uint32_t>(seconds * 1000), static_cast<int64_t>(seconds * 1e9));
    updateTimeline();
}
