// The real time source: a monotonic clock counted from process start. The C
// clock() on this system counts processor time, which stands still while the
// loop waits in the buffer swap; a boot-time counter would cost frameTime its
// float precision after days of uptime. Both are avoided by counting from a
// steady origin taken at load.
#include <chrono>

#include "platform/clock_source.h"

namespace {
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
}  // namespace

int64_t realClockNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - processStart)
        .count();
}
