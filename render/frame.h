#pragma once
// One frame: colours fixed, the timeline advanced, the screen cleared, then the
// 64-pixel blocks swept with every block edge sampled once and shared by the
// two blocks that meet there, their quads drawn in anti-diagonal order as one
// array, then the overlays. Block rows are sampled on the render threads
// (render/workers.h) when there are several.
#include "render/frame_state.h"

// The timeline a frame advances: the show's own unless a test or tool swaps in its own.
extern void (*frameTimeline)();

// The edges of every block and the quad lists, for any grid. Made when the
// graphics are set up, grown when a grid needs more, kept for the life of the
// process.
void allocateEdgeBuffers();
void renderFrame();
