// The console's frame timing: off unless asked for, one line per second with
// the frames and the longest gap between swaps ending in it, quiet seconds left out.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "show/frame_meter.h"
#include "tests/capture_fd.h"

TEST(FrameMeter, LinesBySecond) {
    constexpr int64_t MS = 1000000;  // counter ticks
    const struct {
        const char* env;  // null: unset
        int64_t start;
        std::vector<int64_t> swaps;
        std::string lines;
    } cases[] = {
        {nullptr, 0, {500 * MS, 1500 * MS}, ""},
        {"0", 0, {500 * MS, 1500 * MS}, ""},
        {"", 0, {500 * MS, 1500 * MS}, ""},
        // Three frames in the first second, the worst 0.6 s; the line comes with
        // the first swap of the next second, which starts the next count.
        {"1", 0, {100 * MS, 400 * MS, 999 * MS, 1000 * MS, 1010 * MS}, "fps 3, worst frame 599.0 ms\n"},
        // The first gap is from the start; tenths are rounded (1.25 -> 1.3, 16.64 -> 16.6).
        {"yes", 7 * MS, {7 * MS + 1250000, 7 * MS + 17890000, 1007 * MS, 2007 * MS},
         "fps 2, worst frame 16.6 ms\nfps 1, worst frame 982.1 ms\n"},
        // A stall over two seconds: one line for the second before it, none for the empty one.
        {"1", 0, {300 * MS, 2700 * MS, 3100 * MS}, "fps 1, worst frame 300.0 ms\nfps 1, worst frame 2400.0 ms\n"},
        // A first frame that takes longer than a second: no line for the second before it.
        {"1", 0, {1500 * MS, 1600 * MS, 2000 * MS}, "fps 2, worst frame 1500.0 ms\n"},
    };
    for (const auto& c : cases) {
        if (c.env)
            setenv("VORTELAN_FPS", c.env, 1);
        else
            unsetenv("VORTELAN_FPS");
        useScriptedClock(0, c.start);
        FrameMeter meter;
        std::string out = captureStdout([&] {
            startFrameMeter(&meter);
            for (int64_t t : c.swaps) frameMeterSwap(&meter, t);
        });
        EXPECT_EQ(out, c.lines) << (c.env ? c.env : "unset");
    }
    unsetenv("VORTELAN_FPS");
    useRealClock();
}
