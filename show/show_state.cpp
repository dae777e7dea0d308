// One line of the show's state, exact to the bit.
#include "show/show_state.h"

#include <cstdio>
#include <cstring>

#include "core/globals.h"
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
    std::string s = "phase " + std::to_string(currentDemoPhase()) + " order " + std::to_string(orderReached) +
                    " channels";
    for (int k = 0; k < SYNC_CHANNELS; ++k) s += " " + std::to_string(syncCount(k)) + "/" + bits(syncPulse(k));
    s += " scene " + bits(scenePulse) + "/" + bits(scenePulseRate);
    s += " colour " + bits(paperLevel) + " " + bits(inkSaturation) + " " + bits(polarity) + " " +
         std::to_string(cellGap);
    s += " counter " + std::to_string(previousCounter);
    return s;
}
