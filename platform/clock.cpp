// Monotonic clocks measured from process start. The C clock() on this system
// counts processor time, which stands still while the loop waits in the buffer
// swap; a boot-time counter would cost frameTime its float precision after days
// of uptime. Both are avoided by counting from a steady origin taken at load.
#include "platform/clock.h"

#include <chrono>

namespace {
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
bool scripted = false;
uint32_t scriptedMillis = 0;
int64_t scriptedCounter = 0;

int64_t nanosSinceStart() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - processStart)
        .count();
}
}  // namespace

uint32_t clockMillis() {
    if (scripted) return scriptedMillis;
    return static_cast<uint32_t>(nanosSinceStart() / 1000000);
}

int64_t performanceCounter() {
    if (scripted) return scriptedCounter;
    return nanosSinceStart();
}

int64_t performanceFrequency() { return 1000000000; }

void useScriptedClock(uint32_t millis, int64_t counter) {
    scripted = true;
    scriptedMillis = millis;
    scriptedCounter = counter;
}

void useRealClock() { scripted = false; }
