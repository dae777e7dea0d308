#pragma once
// What a frame shares with the cells and overlays it draws: its time, the
// empty-cell colour, the scene it samples, the line samplers and the colour
// rule. The frame sets them; the cells and overlays only read them.
#include "core/globals.h"

constexpr int BLOCK_SIZE = 64;
constexpr int EDGE_SAMPLES = 17;  // one every 4 pixels, both corners included

extern float frameSeconds;       // clockMillis() * 0.001 at the start of the frame
extern float emptyCellColor[3];  // from the previous frame's polarity

// The scene a frame samples: the show's own unless a test or tool swaps in its own.
extern int (*frameScene)(float x, float y);

// Fill out[1] .. out[count - 1] with samples between the end points; out[0] and
// out[count] are the caller's. The step is one float added after each sample.
void sampleRow(int count, int* out, float x0, float y0, float x1, float y1);
void sampleColumn(int count, int* out, float x0, float y0, float x1, float y1);

// The colour rule of the renderer: polarity 1 keeps v, 0 gives 1 - v.
inline float invertBlend(float v) { return v + (1.0f - 2.0f * v) * (1.0f - polarity); }
