// The program's two clocks over the platform's real time source, or the
// values a test or the offline show scripts in its place.
#include "platform/clock.h"

#include "platform/clock_source.h"

namespace {
bool scripted = false;
uint32_t scriptedMillis = 0;
int64_t scriptedCounter = 0;
}  // namespace

uint32_t clockMillis() {
    if (scripted) return scriptedMillis;
    return static_cast<uint32_t>(realClockNanos() / 1000000);
}

int64_t performanceCounter() {
    if (scripted) return scriptedCounter;
    return realClockNanos();
}

int64_t performanceFrequency() { return 1000000000; }

void useScriptedClock(uint32_t millis, int64_t counter) {
    scripted = true;
    scriptedMillis = millis;
    scriptedCounter = counter;
}

void useRealClock() { scripted = false; }
