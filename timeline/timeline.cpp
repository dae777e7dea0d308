// Placeholder until the show's timeline and composition land: nothing moves and
// every point is outside, so a frame is a grid of empty cells.
#include "timeline/timeline.h"

void updateTimeline() {}
int sampleScene(float, float) { return 0; }
