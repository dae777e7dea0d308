#pragma once
// The program's two clocks, both monotonic and counted from process start:
// milliseconds (what the program calls clock()) for the warning screen, the
// frame time and the block marker; a high-resolution counter for the timeline.
#include <cstdint>

uint32_t clockMillis();
int64_t performanceCounter();
int64_t performanceFrequency();  // counter ticks per second

// Tests and the offline show drive time themselves: while scripted, the clocks
// above return these values.
void useScriptedClock(uint32_t millis, int64_t counter);
void useRealClock();
