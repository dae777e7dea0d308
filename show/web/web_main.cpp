// The show in a web browser. The page (web/page.js) owns the canvas, the
// sound and the input, and calls in here: once to read its address, then
// either once for a still or once per animation frame for the show. Every
// frame is drawn by the renderer into the software framebuffer, which the
// page puts on its canvas; the music is the module player's interface over
// the recorded performance, moved to whatever frame the page says is audible.
// The order of things is the native program's: settings, music, graphics, the
// warning screen, the music's start, the show.
#include <emscripten.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "audio/player.h"
#include "audio/web/player_replay.h"
#include "core/config.h"
#include "core/diagnostics.h"
#include "core/globals.h"
#include "core/ini.h"
#include "platform/clock.h"
#include "platform/web/clock_origin.h"
#include "render/draw.h"
#include "render/frame.h"
#include "render/soft_draw.h"
#include "render/textures.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "show/offline_show.h"
#include "show/page_query.h"
#include "show/show_state.h"
#include "timeline/composition.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

// The browser has no OpenGL 1.1: all drawing goes to the software framebuffer.
const DrawApi* draw = &softDrawApi;

namespace {
constexpr int MAX_WIDTH = 7680;  // the capture's largest picture
constexpr int MAX_HEIGHT = 4320;
constexpr int64_t NO_FRAME = -1;

// What the page knows of its sound, each frame.
enum Sound { SOUND_PENDING = 0, SOUND_PLAYING = 1, SOUND_NONE = 2 };
// Input the page passes on.
enum Input { KEY_UP = 1, BUTTON_DOWN = 2, BUTTON_UP = 3, KEY_DOWN = 4 };

struct Page {
    PageQuery query;
    int width = 0, height = 0;  // of the picture drawn
    SoftFramebuffer fb;
    bool showing = false;       // the warning screen has ended
    bool knocked = false;       // a button or a key since the warning screen began
    int64_t musicStart = NO_FRAME;  // the audible frame the page's sound starts at
    int64_t startFrame = 0;     // t=: the capture frame the show starts on
    OfflineClock startClock;
    OfflineShow still;
    int64_t asked = -1;         // the audible frame the page gave this frame; -1 while played offline
    int64_t askedBefore = -1;   // and the one it gave the frame before
    std::vector<int32_t> syncLog;  // per sync fired: frame, user, data, asked, askedBefore
    std::string startState;     // the show's state where t= started it
    std::string state;
};
Page page;

// Frames before a still's or a start's frame change nothing that is seen, so
// they are played with nothing drawn and an empty scene: the timeline, the
// music and the block marker's generator step run as in the capture.
void noDraw() {}
void noBits(DrawBits) {}
void noEnum(DrawEnum) {}
void noEnums(DrawEnum, DrawEnum) {}
void noInts(int, int) {}
void noFloats2(float, float) {}
void noFloats3(float, float, float) {}
void noFloats4(float, float, float, float) {}
void noBytes(signed char, signed char, signed char) {}
void noNames(int, unsigned*) {}
void noBind(DrawEnum, unsigned) {}
void noParameter(DrawEnum, DrawEnum, int) {}
void noImage(DrawEnum, int, int, int, int, int, DrawEnum, DrawEnum, const void*) {}
void noRectangles(const DrawRect*, int) {}
const DrawApi unseenDrawApi = {noInts,    noFloats4, noBits,  noEnum, noDraw, noFloats3, noBytes,
                               noInts,    noFloats2, noFloats2, noInts, noEnum, noEnum,  noEnums,
                               noNames,   noBind,    noParameter, noImage, noRectangles};
int emptyScene(float, float) { return 0; }

// Steps the offline show to frame `until`, seen or not.
void playUnseen(OfflineShow* show, int64_t until) {
    const DrawApi* seen = draw;
    draw = &unseenDrawApi;
    frameScene = emptyScene;
    while (show->frame < until) stepOfflineShow(show, nullptr);
    draw = seen;
    frameScene = sampleScene;
}

// Frames fit 32 bits for the first 13 hours of a show, which is all a log needs.
void onSync(int64_t frame, uint32_t user, uint32_t data) {
    if (page.syncLog.size() >= (1u << 22)) return;  // a million syncs: enough for any test
    page.syncLog.insert(page.syncLog.end(),
                        {static_cast<int32_t>(frame), static_cast<int32_t>(user), static_cast<int32_t>(data),
                         static_cast<int32_t>(page.asked), static_cast<int32_t>(page.askedBefore)});
}

int64_t roundedSamples(int64_t num, int64_t den) {
    return static_cast<int64_t>((static_cast<__int128>(num) * OFFLINE_RATE * 2 + den) / (2 * static_cast<__int128>(den)));
}


// What the native program does when its window is made: the graphics set-up
// for a picture of width x height.
void setUpGraphics(int width, int height) {
    consolePrint("<video setup=1>\n");
    screenWidth = width;
    screenHeight = height;
    deriveScreenGeometry();
    useSoftFramebuffer(&page.fb, width, height);
    allocateEdgeBuffers();
    consolePrint("<openGL setup=1 >");
    draw->clearColor(0, 0, 0, 0);
    draw->clear(DRAW_COLOR_BUFFER_BIT);
    draw->setupView(width, height);
    consolePrint("</openGL>\n");
    createTextures();
    buildTileMap();
    buildSceneObjects();
    consolePrint("</video>\n");
    page.width = width;
    page.height = height;
}

// The capture frame where t= starts the show, on the capture's clock with the
// warning screen of the settings and 60 frames a second. -1: not in the song.
int64_t startFrameOf(const PageMoment& m, const OfflineClock& clock) {
    if (m.kind == PageMoment::Seconds)
        return offlineFirstFrameAt(clock, clock.warningSamples + roundedSamples(m.num, m.den));
    OfflineMusicPlan plan;
    int64_t limit = offlineFirstFrameAt(clock, clock.warningSamples + PAGE_LONGEST_SECONDS * OFFLINE_RATE);
    bool end = m.kind == PageMoment::End;
    if (!planOfflineMusic(clock, limit, end ? -1 : static_cast<int>(m.num), end, &plan)) return -1;
    return end ? plan.endFrame : plan.orderFrame[m.num];
}

// The end of the warning screen: what the native program does there, then,
// for t=, the show played unseen on the capture's clock up to its frame, the
// clocks going on from there.
void startShow() {
    page.showing = true;
    demoPhase.store(0, std::memory_order_relaxed);
    orderReached = 0;
    startMusic();
    consolePrint("entering loop..\n");
    page.musicStart = 0;
    if (page.startFrame > 0) {
        OfflineShow run;
        run.clock = page.startClock;
        demoPhase.store(-1, std::memory_order_relaxed);
        previousCounter = 0;
        playUnseen(&run, page.startFrame);
        if (!run.musicStarted) {  // t=0: the music starts on the start frame itself
            demoPhase.store(0, std::memory_order_relaxed);
            startMusic();
        }
        page.startState = showStateText();
        continueClockFrom(offlineFrameNanos(page.startClock, page.startFrame));
        page.musicStart = offlineFrameSample(page.startClock, page.startFrame) - page.startClock.warningSamples;
    }
    page.asked = page.musicStart;
    playerOfflineRender(nullptr, 0);  // the rows of the start frame are heard at once
}
}  // namespace

extern "C" {

// Reads the address's query; 1 when it asks for a still, else 0.
EMSCRIPTEN_KEEPALIVE int webConfigure(const char* query) {
    observeReplay(onSync);
    page.query = readPageQuery(query);
    for (const std::string& note : page.query.notes) consolePrint("%s\n", note.c_str());
    const PageQuery& q = page.query;
    loadIniText(q.ini.c_str(), q.ini.size());
    if (!q.still && q.start.kind != PageMoment::None) {
        // Where the moment falls is found by playing the music alone, which
        // starts from the program's initial state: the settings are read again.
        page.startClock = OfflineClock{60, 1, pageWarningSamples(warningMillis)};
        page.startFrame = startFrameOf(q.start, page.startClock);
        resetDemoGlobals();
        page.syncLog.clear();
        loadIniText(q.ini.c_str(), q.ini.size());
        page.startClock.warningSamples = pageWarningSamples(warningMillis);
        if (page.startFrame < 0) {
            consolePrint("t: the music never reaches that moment; the show starts at its beginning\n");
            page.startFrame = 0;
        }
    }
    return q.still ? 1 : 0;
}

// 0 when the settings ask for no sound.
EMSCRIPTEN_KEEPALIVE int webSoundWanted() { return noSound ? 0 : 1; }

// The still: frame K of the show on the capture's clock at the settings'
// size, warning screen and detail. Its pixels (RGBA), or null when the music
// cannot be played.
EMSCRIPTEN_KEEPALIVE uint8_t* webStill() {
    const PageQuery& q = page.query;
    int width = screenWidth, height = screenHeight;
    if (width > MAX_WIDTH || height > MAX_HEIGHT) {
        width = std::min(width, MAX_WIDTH);
        height = std::min(height, MAX_HEIGHT);
        consolePrint("a still is at most %i x %i: drawn at %i x %i\n", MAX_WIDTH, MAX_HEIGHT, width, height);
    }
    OfflineClock clock{q.fpsNum, q.fpsDen, pageWarningSamples(warningMillis)};
    if (!openOfflineShow(&page.still, clock, width, height, detailStep)) {
        consolePrint("the show's music cannot be played\n");
        return nullptr;
    }
    playUnseen(&page.still, q.frame);
    stepOfflineShow(&page.still, nullptr);
    page.width = width;
    page.height = height;
    return page.still.fb.pixels.data();
}

// Start-up of the show at the canvas's size: music, graphics, the warning screen.
EMSCRIPTEN_KEEPALIVE void webOpen(int width, int height) {
    if (initMusic() != 0)
        consolePrint("them silents :(\n");
    else
        loadMusic();
    setUpGraphics(std::max(width, 320), std::max(height, 240));
    startTicks = clockMillis();
    demoPhase.store(-1, std::memory_order_relaxed);
}

// One frame at the canvas's size. audible: the frame of the music the
// listener hears now, or -1 before the page's sound (or clock) has started.
// Returns the picture's pixels.
EMSCRIPTEN_KEEPALIVE uint8_t* webFrame(int width, int height, double audible, int sound) {
    width = std::clamp(width, 320, MAX_WIDTH);
    height = std::clamp(height, 240, MAX_HEIGHT);
    if (width != page.width || height != page.height) setUpGraphics(width, height);
    if (!page.showing) {
        // The warning screen is the door: a button or a key opens it, its time
        // does only where sound is already allowed (or not wanted), and it
        // waits for the music to be ready.
        bool timeUp = clockMillis() - startTicks >= warningMillis;
        if (sound != SOUND_PENDING && (page.knocked || mouseHeld || timeUp)) startShow();
    } else if (audible >= 0) {
        int64_t target = static_cast<int64_t>(audible);
        int64_t now = playerAudibleFrame();
        page.askedBefore = page.asked;
        page.asked = target;
        if (target > now) playerOfflineRender(nullptr, static_cast<uint32_t>(std::min<int64_t>(target - now, INT32_MAX)));
    }
    renderFrame();
    return page.fb.pixels.data();
}

// The audible frame the page's sound (or clock) must start at once the show
// has begun; -1 before.
EMSCRIPTEN_KEEPALIVE double webMusicStart() { return static_cast<double>(page.musicStart); }

EMSCRIPTEN_KEEPALIVE void webInput(int kind, int code) {
    switch (kind) {
        case KEY_DOWN: page.knocked = true; break;
        case BUTTON_DOWN:
            page.knocked = true;
            mouseHeld = 1;
            break;
        case BUTTON_UP: mouseHeld = 0; break;
        case KEY_UP:
            // The detail levels on the keys 1 to 6, on release, as natively.
            if (code >= '1' && code <= '6') setDetailLevel(code - '0');
            break;
        default: break;
    }
}

// The page's canvas shows the framebuffer as it is, alpha and all, where
// OpenGL's window showed only colour: every alpha becomes 255 first.
EMSCRIPTEN_KEEPALIVE void webOpaque(uint8_t* pixels, int count) {
    for (int i = 0; i < count; ++i) pixels[4 * i + 3] = 255;
}

EMSCRIPTEN_KEEPALIVE int webWidth() { return page.width; }
EMSCRIPTEN_KEEPALIVE int webHeight() { return page.height; }

// For the page's tests: the show's state as text, the state t= started the
// show from, and the syncs fired so far (five numbers each: the frame, user,
// data, the audible frame the page asked for then and the one it asked for
// the frame before; -1 where the music was played offline).
EMSCRIPTEN_KEEPALIVE const char* webState() {
    page.state = showStateText() + " detail " + std::to_string(detailStep) + " audible " +
                 std::to_string(playerAudibleFrame()) + " start " + std::to_string(page.musicStart);
    return page.state.c_str();
}
EMSCRIPTEN_KEEPALIVE const char* webStartState() { return page.startState.c_str(); }
EMSCRIPTEN_KEEPALIVE const int32_t* webSyncLog() { return page.syncLog.data(); }
EMSCRIPTEN_KEEPALIVE int webSyncCount() { return static_cast<int>(page.syncLog.size() / 5); }

}  // extern "C"
