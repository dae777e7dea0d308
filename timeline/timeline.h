#pragma once
// Once per frame, before any point is sampled: the music position, the sync
// pulses, the colour state and the animators of the current scene.
void updateTimeline();
// Is the screen point (x, y) inside the current scene? 0 or 1; writes nothing.
int sampleScene(float x, float y);
