#pragma once
// One frame: colours fixed, the timeline advanced, the screen cleared, then the
// 64-pixel blocks swept along anti-diagonals with every block edge sampled once
// and shared by the two blocks that meet there, then the overlays.
#include "core/globals.h"

constexpr int BLOCK_SIZE = 64;
constexpr int EDGE_SAMPLES = 17;  // one every 4 pixels, both corners included

extern float frameSeconds;       // clockMillis() * 0.001 at the start of the frame
extern float emptyCellColor[3];  // from the previous frame's polarity

// The scene and the timeline a frame draws. They are the show's own unless a
// test or tool swaps in its own.
extern int (*frameScene)(float x, float y);
extern void (*frameTimeline)();

// Four buffers of blocksDown + 1 slots of EDGE_SAMPLES, so any window height is
// served. Made when the graphics are set up, kept for the life of the process.
void allocateEdgeBuffers();
void renderFrame();

// Fill out[1] .. out[count - 1] with samples between the end points; out[0] and
// out[count] are the caller's. The step is one float added after each sample.
void sampleRow(int count, int* out, float x0, float y0, float x1, float y1);
void sampleColumn(int count, int* out, float x0, float y0, float x1, float y1);

// The colour rule of the renderer: polarity 1 keeps v, 0 gives 1 - v.
inline float invertBlend(float v) { return v + (1.0f - 2.0f * v) * (1.0f - polarity); }
