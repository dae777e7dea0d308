#pragma once
// Where the real clock reads its time: each platform has one source, counted
// from program start; clock.cpp builds both of the program's clocks on it.
#include <cstdint>

int64_t realClockNanos();
