#pragma once
// The whole show without a window or a sound device, on a virtual clock:
// frame k shows time k / fps and its sound is the samples from
// offlineFrameSample(k) up to offlineFrameSample(k + 1), all in integers, so
// nothing drifts however long the show. The warning screen comes first; the
// music starts at its own sample and is advanced by exact sample counts on the
// calling thread, so every sync fires at its own sample, before the first
// frame whose time reaches it. Frames are drawn into a software framebuffer.
// The one path for the capture, its contact sheet and the tests.
#include <cstdint>

#include "render/draw.h"
#include "render/soft_draw.h"

constexpr uint32_t OFFLINE_RATE = 44100;
constexpr int OFFLINE_ORDERS = 256;  // order positions a module can have

struct OfflineClock {
    int64_t fpsNum = 60;  // frames per second: fpsNum / fpsDen, both positive
    int64_t fpsDen = 1;
    int64_t warningSamples = 0;  // length of the warning screen; the music starts there
};

// The sample at which frame k begins: floor(k * rate * fpsDen / fpsNum).
int64_t offlineFrameSample(const OfflineClock& clock, int64_t frame);
// The first frame that begins at or after the sample.
int64_t offlineFirstFrameAt(const OfflineClock& clock, int64_t sample);
// Frame k's time in nanoseconds, rounded down.
int64_t offlineFrameNanos(const OfflineClock& clock, int64_t frame);

struct OfflineShow {
    SoftFramebuffer fb;
    OfflineClock clock;
    bool drawing = true;        // false: only the music advances
    int64_t frame = 0;          // the frame the next step shows
    bool musicStarted = false;
    int64_t musicSamples = 0;   // samples of music played so far
    int64_t musicEnd = -1;      // samples from the start of the music to its end; -1 until heard
    // What the last step showed.
    int order = -1;             // the order heard then; -1 on the warning screen
    bool pastEnd = false;       // the music had ended by then
    const DrawApi* savedDraw = nullptr;  // where drawing went before; back there on close
};

// Sets up settings, textures, tile map, scene objects and the offline player
// for a width x height picture. False when the player cannot be set up or the
// module does not load: a recording without its music is no recording.
bool openOfflineShow(OfflineShow* show, const OfflineClock& clock, int width, int height, int detail);
// The music alone, with its syncs: for finding where its moments fall.
bool openOfflineMusic(OfflineShow* show, const OfflineClock& clock);
// Shows frame show->frame (the warning screen or the show at its time), then
// plays its sound into audio (interleaved stereo, offlineFrameSample(k + 1) -
// offlineFrameSample(k) frames; null discards it) and moves on to the next frame.
void stepOfflineShow(OfflineShow* show, int16_t* audio);
void closeOfflineShow(OfflineShow* show);

// Where the music's moments fall on a clock.
struct OfflineMusicPlan {
    int64_t orderFrame[OFFLINE_ORDERS];  // first frame on which each order is heard; -1 never
    int64_t endFrame;                    // first frame at or after the end of the music; -1 not reached
    int64_t endSample;                   // samples from the start of the music to its end
};
// Plays the music alone from frame 0 until frame limit, stopping early once
// untilOrder has been heard (if >= 0) and, if needEnd, the music has ended.
// Orders are counted only before the end. False when the music cannot play,
// or when stop (if given) says so before a frame: an hour of music takes a
// while.
bool planOfflineMusic(const OfflineClock& clock, int64_t limit, int untilOrder, bool needEnd, OfflineMusicPlan* plan,
                      bool (*stop)() = nullptr);
