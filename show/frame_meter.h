#pragma once
// Frame timing anyone can read on the console: with VORTELAN_FPS set (and not
// "0"), one line a second with the frames drawn in that second and the longest
// time between two buffer swaps in it, so a viewer can measure their own
// machine. The benchmark under bench/ reads these lines.
#include <cstdint>

struct FrameMeter {
    bool on = false;
    int64_t windowStart = -1;  // counter ticks; -1 before the first swap
    int64_t lastSwap = 0;
    int frames = 0;     // swaps in the current second
    int64_t worst = 0;  // longest gap between swaps in it, ticks
};

// Reads VORTELAN_FPS and starts counting from now.
void startFrameMeter(FrameMeter* meter);
// A buffer swap at counter value now (performanceCounter()). The first swap
// that falls into a new second prints the line of the second before it.
void frameMeterSwap(FrameMeter* meter, int64_t now);
