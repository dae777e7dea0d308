#pragma once
// The animators move the scene objects: each takes the frame time in seconds
// and writes frames, disc and half-plane fields, the Mandelbrot view and, for
// some scenes, the colour state. They keep no state of their own.
#include <cstdint>

// Truncated toward zero and kept to its low 13 bits: 0..8191, defined for
// every input (values beyond any integer range are multiples of 8192).
int32_t wrap13(double v);

// The one-shot pulse the director raises when orders 5, 9, 19 and 20 are
// first reached, and its decay per second; the animators follow it.
extern float scenePulse;
extern float scenePulseRate;

// 1 where a moon of the free-disc scene is combined by XOR, 0 by OR (index 1..3).
extern int32_t freeDiscXor[4];

void animateTriangleFan(float t);
void animateIntro(float t);
void animateRingArcs(float t);
void animateEnding(float t);
void animateCommon(float t);
void animateMandelZoom(float t);
void animateCrosses(float t);
void animateFreeDiscs(float t);
void animateMandelDrift(float t);
void placeQuadDiscGroup(float t);
void placeLatticeGroup(float t);
void placeMandelCutouts();
