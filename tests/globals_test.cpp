// The one global state: its values at program load, and resetDemoGlobals
// giving back exactly those.
#include <gtest/gtest.h>

#include <sstream>

#include "core/globals.h"

namespace {
std::string globals() {
    std::ostringstream s;
    s << screenWidth << 'x' << screenHeight << ' ' << colorBits << ' ' << detailStep << ' ' << fullscreen << ' '
      << warningMillis << ' ' << noSound << ' ' << viewWidth << 'x' << viewHeight << ' ' << blocksAcross << 'x'
      << blocksDown << ' ' << demoPhase.load() << ' ' << orderReached << ' ' << startTicks << ' ' << mouseHeld << ' '
      << paperLevel << ' ' << inkSaturation << ' ' << polarity << ' ' << cellGap << ' ' << rngState;
    for (const SyncChannel& c : syncChannels) s << ' ' << c.count.load() << '/' << c.pulse.load() << '/' << c.decayRate;
    return s.str();
}
const std::string atLoad = globals();  // taken before any test runs
}  // namespace

TEST(Globals, ResetGivesBackTheValuesOfProgramLoad) {
    std::string channels;
    for (int k = 0; k < SYNC_CHANNELS; ++k) channels += " 0/0/1";
    EXPECT_EQ(atLoad, "1280x960 32 1 1 5000 0 1280x960 20x15 0 0 0 0 0.2 0.7 1 1 0" + channels);
    screenWidth = screenHeight = colorBits = detailStep = fullscreen = noSound = blocksAcross = blocksDown = 9;
    orderReached = mouseHeld = cellGap = demoPhase = warningMillis = startTicks = rngState = 9;
    viewWidth = viewHeight = paperLevel = inkSaturation = polarity = 9.0f;
    for (SyncChannel& c : syncChannels) c.count = 9, c.pulse = 9.0f, c.decayRate = 9.0f;
    resetDemoGlobals();
    EXPECT_EQ(globals(), atLoad);
}
