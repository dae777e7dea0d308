#pragma once
// The one question the renderer asks: is the screen point (x, y), in pixels
// from the top-left corner, inside the current scene? 0 or 1. It only reads:
// what the animators placed this frame, the order, the phase and the syncs.
int sampleScene(float x, float y);
// The four ring arcs, shown one by one with the channel-2 hits.
int sceneArcs(float x, float y);
