// The once-a-second frame count and worst frame time on the console.
#include "show/frame_meter.h"

#include <cstdlib>

#include "core/diagnostics.h"
#include "platform/clock.h"

void startFrameMeter(FrameMeter* meter) {
    const char* value = std::getenv("VORTELAN_FPS");
    *meter = FrameMeter{};
    meter->on = value && value[0] != '\0' && !(value[0] == '0' && value[1] == '\0');
    meter->windowStart = performanceCounter();
    meter->lastSwap = meter->windowStart;
}

void frameMeterSwap(FrameMeter* meter, int64_t now) {
    if (!meter->on) return;
    const int64_t second = performanceFrequency();
    if (now - meter->windowStart >= second) {
        // Tenths of a millisecond, rounded; the formatter has no widths.
        int64_t tenths = (meter->worst * 10000 + second / 2) / second;
        if (meter->frames > 0)
            consolePrint("fps %i, worst frame %i.%i ms\n", meter->frames, static_cast<int>(tenths / 10),
                         static_cast<int>(tenths % 10));
        // Seconds without a swap print nothing: the next frame's time tells.
        meter->windowStart += (now - meter->windowStart) / second * second;
        meter->frames = 0;
        meter->worst = 0;
    }
    ++meter->frames;
    if (now - meter->lastSwap > meter->worst) meter->worst = now - meter->lastSwap;
    meter->lastSwap = now;
}
