#pragma once
// Once per frame, before any point is sampled: the music position advances the
// show, the sync pulses decay, the colour state is reset and the animators of
// the current scene run. Which scene shows is a pure function of orderReached,
// demoPhase and the sync channels.
#include <cstdint>

extern int64_t previousCounter;

void updateTimeline();

// Where the music position comes from: the player's audible position, unless a
// test or the capture scripts it.
extern uint32_t (*timelinePosition)();

// What ran in a frame, for tests: called before each animator and the general step.
enum class TimelineStep { TriangleFan, Intro, RingArcs, Ending, FreeDiscs, MandelDrift, General, MandelZoom, Crosses };
extern void (*timelineTrace)(TimelineStep step);
