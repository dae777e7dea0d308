#pragma once
// One frame: colours fixed, the timeline advanced, the screen cleared, then the
// 64-pixel blocks swept along anti-diagonals with every block edge sampled once
// and shared by the two blocks that meet there, then the overlays.
#include "render/frame_state.h"

// The timeline a frame advances: the show's own unless a test or tool swaps in its own.
extern void (*frameTimeline)();

// Four buffers of blocksDown + 1 slots of EDGE_SAMPLES, so any window height is
// served. Made when the graphics are set up, kept for the life of the process.
void allocateEdgeBuffers();
void renderFrame();
