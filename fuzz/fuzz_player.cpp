// The player's load-and-play path: any module bytes go through the music
// set-up (load, the show's eleven syncs) plus syncs of our own on instruments
// 1 to 16 and the end, then play offline for three seconds, a tenth at a time.
// Every sync fires inside the frames being rendered and never before an
// earlier one, with a note below 120 and a volume up to 64; the end sync fires
// once, by the time a render returns less song than asked for, and the
// position it shows then (the last row played) stays; the sync channels hold counts and whole pulses,
// and the phase counts the ends.
#include <cstddef>
#include <cstdint>

#include "core/globals.h"
#include "audio/player.h"
#include "fuzz/fuzz_check.h"
#include "timeline/music.h"

namespace {
constexpr uint32_t RATE = 44100;
constexpr uint32_t STEP = RATE / 10;
constexpr int STEPS = 30;
constexpr uint32_t OUR_END = 1000;

int64_t windowStart = 0;  // the frames of the render call under way
int64_t windowEnd = 0;
int64_t lastFrame = 0;
int ends = 0;
uint32_t positionAtEnd = 0;

void recordSync(uint32_t, uint32_t data, uint32_t user) {
    const int64_t frame = playerAudibleFrame();
    FUZZ_CHECK(frame >= windowStart && frame <= windowEnd, "sync at frame %lld while rendering %lld to %lld",
               (long long)frame, (long long)windowStart, (long long)windowEnd);
    FUZZ_CHECK(frame >= lastFrame, "sync at frame %lld after one at %lld", (long long)frame, (long long)lastFrame);
    lastFrame = frame;
    if (user == OUR_END) {
        ++ends;
        FUZZ_CHECK(data == 0, "end sync data %u", data);
        positionAtEnd = playerGetPosition();
        return;
    }
    FUZZ_CHECK((data & 0xFFFF) < 120 && data >> 16 <= 64, "instrument %u: note %u volume %u", user, data & 0xFFFF,
               data >> 16);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStart();
    FUZZ_CHECK(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0) != 0, "no offline player");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    resetDemoGlobals();
    loadMusicFrom(data, unsigned(size));
    for (uint32_t instrument = 1; instrument <= 16; ++instrument)
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | instrument, recordSync, instrument);
    playerSetSync(PLAYER_SYNC_END, 0, recordSync, OUR_END);
    const bool playing = playerPlay(0, 0, 1) != 0;
    windowStart = windowEnd = lastFrame = 0;
    ends = 0;

    bool ended = false;
    uint32_t endPosition = 0;
    for (int step = 0; step < STEPS; ++step) {
        windowEnd = windowStart + STEP;
        const uint32_t song = playerOfflineRender(nullptr, STEP);
        FUZZ_CHECK(song <= STEP && (playing || song == 0), "%u frames of song from a render of %u", song, STEP);
        FUZZ_CHECK(ends <= 1, "%d end syncs", ends);
        if (ended) {
            FUZZ_CHECK(song == 0, "%u frames of song after the end", song);
            FUZZ_CHECK(playerGetPosition() == endPosition, "position %08x after the end at %08x", playerGetPosition(),
                       endPosition);
            break;  // one more step shows the end is stable
        }
        if (playing && song < STEP) {
            FUZZ_CHECK(ends == 1, "the song ended without its end sync");
            ended = true;
            endPosition = playerGetPosition();
            FUZZ_CHECK(endPosition == positionAtEnd, "position %08x after the end sync showed %08x", endPosition,
                       positionAtEnd);
        }
        windowStart = windowEnd;
    }

    for (int k = 0; k < SYNC_CHANNELS; ++k) {
        FUZZ_CHECK(syncCount(k) >= 0, "channel %d count %d", k, syncCount(k));
        FUZZ_CHECK(syncPulse(k) == 0.0f || syncPulse(k) == 1.0f, "channel %d pulse %f", k, double(syncPulse(k)));
    }
    FUZZ_CHECK(currentDemoPhase() == ends, "demoPhase %d after %d ends", currentDemoPhase(), ends);
    playerMusicFree();
    return 0;
}
