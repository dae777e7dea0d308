#pragma once
// The whole show without a window or a sound device: the module advanced by
// exact sample counts on this thread, the clocks scripted to match, frames
// drawn into a software framebuffer. For the tests and the frame tools.
#include <cstdint>

#include "render/soft_draw.h"

constexpr uint32_t OFFLINE_RATE = 44100;

struct OfflineShow {
    SoftFramebuffer fb;
    double warningSeconds;  // clock time spent on the warning screen
    int64_t renderedFrames; // audio frames played so far
};

// Sets up settings, textures, tile map, scene objects and the offline player
// for a width x height window, then draws nothing yet. False when the player
// or the module cannot be set up.
bool openOfflineShow(OfflineShow* show, int width, int height, int detail);
// One warning-screen frame, `seconds` into the warning screen.
void drawOfflineWarning(OfflineShow* show, double seconds);
// Starts the music (after the warning screen, as the program does).
void startOfflineShow(OfflineShow* show);
// Plays the music up to `seconds` after its start and draws that frame.
void drawOfflineFrame(OfflineShow* show, double seconds);
void closeOfflineShow(OfflineShow* show);
