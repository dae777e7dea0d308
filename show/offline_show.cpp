// The show on an exact virtual clock, for the capture, its contact sheet and the tests.
#include "show/offline_show.h"

#include <algorithm>
#include <cstring>

#include "core/config.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "assets/assets.h"
#include "audio/player.h"
#include "render/draw.h"
#include "render/frame.h"
#include "render/textures.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "timeline/animators.h"
#include "timeline/composition.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

namespace {
using Wide = __int128;  // frame x rate x denominator overflows 64 bits on long shows

int64_t floorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return static_cast<int64_t>(q);
}

int64_t ceilDiv(Wide a, Wide b) { return -floorDiv(-a, b); }

// Where every offline run starts: frame 0, no music heard yet, the ending
// not yet reached, and the offline player holding the module.
bool startRun(OfflineShow* show, const OfflineClock& clock, bool drawing) {
    show->clock = clock;
    show->drawing = drawing;
    show->frame = 0;
    show->musicStarted = false;
    show->musicSamples = 0;
    show->musicEnd = -1;
    show->order = -1;
    show->pastEnd = false;
    demoPhase.store(-1, std::memory_order_relaxed);
    // The live show goes on without sound when the module does not load; a
    // recording must not.
    return playerInit(PLAYER_DEVICE_OFFLINE, OFFLINE_RATE, 0) && loadMusicFrom(musicModule, musicModuleSize) == 0;
}

// What the program does when the warning screen ends. The syncs of the first
// row fire at once, before the first frame of the show.
void startShowMusic(OfflineShow* show) {
    demoPhase.store(0, std::memory_order_relaxed);
    orderReached = 0;
    startMusic();
    playerOfflineRender(nullptr, 0);
    show->musicStarted = true;
}

void playMusic(OfflineShow* show, int16_t* out, int64_t frames) {
    while (frames > 0) {
        uint32_t n = static_cast<uint32_t>(std::min<int64_t>(frames, 1 << 20));
        int32_t phase = currentDemoPhase();
        uint32_t song = playerOfflineRender(out, n);
        if (show->musicEnd < 0) {
            // The song's sound ends inside this piece, or exactly at its end
            // (then only the end sync tells).
            if (song < n)
                show->musicEnd = show->musicSamples + song;
            else if (currentDemoPhase() > phase)
                show->musicEnd = show->musicSamples + n;
        }
        show->musicSamples += n;
        frames -= n;
        if (out) out += 2 * size_t(n);
    }
}
}  // namespace

int64_t offlineFrameSample(const OfflineClock& clock, int64_t frame) {
    return floorDiv(Wide(frame) * OFFLINE_RATE * clock.fpsDen, clock.fpsNum);
}

int64_t offlineFirstFrameAt(const OfflineClock& clock, int64_t sample) {
    // floor(k * r * d / n) >= s  <=>  k * r * d >= s * n
    return ceilDiv(Wide(sample) * clock.fpsNum, Wide(OFFLINE_RATE) * clock.fpsDen);
}

int64_t offlineFrameNanos(const OfflineClock& clock, int64_t frame) {
    return floorDiv(Wide(frame) * 1000000000 * clock.fpsDen, clock.fpsNum);
}

bool openOfflineShow(OfflineShow* show, const OfflineClock& clock, int width, int height, int detail) {
    resetDemoGlobals();
    screenWidth = width;
    screenHeight = height;
    deriveScreenGeometry();
    detailStep = detail;
    fullscreen = 0;
    warningMillis = static_cast<uint32_t>(std::max<int64_t>(1, clock.warningSamples * 1000 / OFFLINE_RATE));
    show->savedDraw = draw;
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

    startTicks = 0;
    return startRun(show, clock, true);
}

bool openOfflineMusic(OfflineShow* show, const OfflineClock& clock) {
    resetDemoGlobals();
    return startRun(show, clock, false);
}

void stepOfflineShow(OfflineShow* show, int16_t* audio) {
    const OfflineClock& clock = show->clock;
    const int64_t from = offlineFrameSample(clock, show->frame);
    const int64_t to = offlineFrameSample(clock, show->frame + 1);
    const int64_t nanos = offlineFrameNanos(clock, show->frame);

    if (from < clock.warningSamples) {
        show->order = -1;
        show->pastEnd = false;
    } else {
        if (!show->musicStarted) startShowMusic(show);  // no warning screen
        show->order = static_cast<int>(playerGetPosition() & 0xFFFF);
        show->pastEnd = show->musicEnd >= 0 && show->musicSamples >= show->musicEnd;
    }
    if (show->drawing) {
        useScriptedClock(static_cast<uint32_t>(nanos / 1000000), nanos);
        renderFrame();
    }

    // Its sound: silence until the warning screen ends, the music from there.
    int64_t silent = std::clamp<int64_t>(clock.warningSamples - from, 0, to - from);
    if (audio && silent > 0) std::memset(audio, 0, size_t(silent) * 4);
    if (from + silent < to) {
        if (!show->musicStarted) startShowMusic(show);
        playMusic(show, audio ? audio + 2 * size_t(silent) : nullptr, to - from - silent);
    }
    ++show->frame;
}

void closeOfflineShow(OfflineShow* show) {
    freeMusic();
    useRealClock();
    if (show->drawing) draw = show->savedDraw;
}

bool planOfflineMusic(const OfflineClock& clock, int64_t limit, int untilOrder, bool needEnd, OfflineMusicPlan* plan,
                      bool (*stop)()) {
    for (int64_t& f : plan->orderFrame) f = -1;
    plan->endFrame = -1;
    plan->endSample = -1;
    OfflineShow show;
    if (!openOfflineMusic(&show, clock)) {
        closeOfflineShow(&show);
        return false;
    }
    bool stopped = false;
    while (show.frame < limit && !(stopped = stop && stop())) {
        const int64_t k = show.frame;
        stepOfflineShow(&show, nullptr);
        if (show.pastEnd) {
            if (plan->endFrame < 0) {
                plan->endFrame = k;
                plan->endSample = show.musicEnd;
            }
        } else if (show.order >= 0 && show.order < OFFLINE_ORDERS && plan->orderFrame[show.order] < 0) {
            plan->orderFrame[show.order] = k;
        }
        bool orderDone = untilOrder < 0 || (untilOrder < OFFLINE_ORDERS && plan->orderFrame[untilOrder] >= 0) ||
                         plan->endFrame >= 0;
        bool endDone = !needEnd || plan->endFrame >= 0;
        if (orderDone && endDone) break;
    }
    closeOfflineShow(&show);
    return !stopped;
}
