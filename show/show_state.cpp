// One line of the show's state, exact to the bit.
#include "show/show_state.h"

#include <cstdio>
#include <cstring>

#include "core/globals.h"
#include "timeline/animators.h"
#include "timeline/timeline.h"

namespace {
std::string bits(float v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    char text[16];
    std::snprintf(text, sizeof text, "%08x", u);
    return text;
}
}  // namespace

std::string showStateText() {
    std::string s = "phase ";
    s += std::to_string(currentDemoPhase());
    s += " order ";
    s += std::to_string(orderReached);
    s += " channels";
    for (int k = 0; k < SYNC_CHANNELS; ++k) {
        s += ' ';
        s += std::to_string(syncCount(k));
        s += '/';
        s += bits(syncPulse(k));
    }
    s += " scene ";
    s += bits(scenePulse);
    s += '/';
    s += bits(scenePulseRate);
    s += " colour ";
    for (float v : {paperLevel, inkSaturation, polarity}) {
        s += bits(v);
        s += ' ';
    }
    s += std::to_string(cellGap);
    s += " counter ";
    s += std::to_string(previousCounter);
    return s;
}
