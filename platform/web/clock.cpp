// The real time source in the browser: the page's monotonic clock
// (performance.now, in milliseconds with a fraction), counted from load.
#include <emscripten.h>

#include <cmath>

#include "platform/clock.h"
#include "platform/clock_source.h"
#include "platform/web/clock_origin.h"

namespace {
double originMillis = emscripten_get_now();
}  // namespace

int64_t realClockNanos() {
    return static_cast<int64_t>(std::floor((emscripten_get_now() - originMillis) * 1e6));
}

void continueClockFrom(int64_t nanos) {
    useRealClock();
    originMillis = emscripten_get_now() - static_cast<double>(nanos) / 1e6;
}
