// The program's clocks in the browser: the page's monotonic clock
// (performance.now, in milliseconds with a fraction), counted from load.
#include "platform/clock.h"

#include <emscripten.h>

#include <cmath>

#include "platform/web/clock_origin.h"

namespace {
double originMillis = emscripten_get_now();
bool scripted = false;
uint32_t scriptedMillis = 0;
int64_t scriptedCounter = 0;

int64_t nanosSinceOrigin() {
    return static_cast<int64_t>(std::floor((emscripten_get_now() - originMillis) * 1e6));
}
}  // namespace

uint32_t clockMillis() {
    if (scripted) return scriptedMillis;
    return static_cast<uint32_t>(nanosSinceOrigin() / 1000000);
}

int64_t performanceCounter() {
    if (scripted) return scriptedCounter;
    return nanosSinceOrigin();
}

int64_t performanceFrequency() { return 1000000000; }

void useScriptedClock(uint32_t millis, int64_t counter) {
    scripted = true;
    scriptedMillis = millis;
    scriptedCounter = counter;
}

void useRealClock() { scripted = false; }

void continueClockFrom(int64_t nanos) {
    scripted = false;
    originMillis = emscripten_get_now() - static_cast<double>(nanos) / 1e6;
}
