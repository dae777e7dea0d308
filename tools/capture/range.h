#pragma once
// Where the capture's range falls: the music played alone first, to find the
// frames on which its orders are first heard and its end, then --from and --to
// turned into frames of the capture's clock.
#include <cstdint>
#include <string>

#include "show/offline_show.h"
#include "tools/capture/options.h"

struct Range {
    int64_t from = 0, to = 0;  // frames [from, to) go into the video
    int64_t last = 0;          // frames [0, last) are played
};

// Seconds (num / den) as samples at the show's rate, rounded.
int64_t samplesOfSeconds(int64_t num, int64_t den);

// Plans the music as far as the video's range and the contact sheet need, and
// with a video, its range. Returns 0, 1 (the music cannot be played or does
// not end, or stop said so) or 2 (the range the options ask for does not
// exist); error says why.
int planCapture(const CaptureOptions& o, const OfflineClock& clock, bool video, OfflineMusicPlan* plan, Range* range,
                bool (*stop)(), std::string* error);
