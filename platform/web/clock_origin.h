#pragma once
// The browser's clocks can pick up where a scripted run left off: a show that
// starts mid-way is played on the offline clock up to there, then goes on in
// real time from the same reading, so nothing jumps.
#include <cstdint>

// Leaves the scripted clock; the real one reads nanos now and runs on from it.
void continueClockFrom(int64_t nanos);
