// The music's set-up: the module loaded, its syncs registered, the sync callback.
#include "timeline/music.h"

#include "core/diagnostics.h"
#include "core/globals.h"
#include "audio/player.h"
#include "assets/assets.h"

namespace {
constexpr uint32_t FREQUENCY = 44100;

// One accepted hit: the count only grows, the pulse restarts at full.
void hit(uint32_t channel) {
    syncChannels[channel].count.fetch_add(1, std::memory_order_relaxed);
    syncChannels[channel].pulse.store(1.0f, std::memory_order_relaxed);
}
}  // namespace

int initMusic() {
    if (playerGetVersion() != 2) {
        showMessage("wrong BASSMOD dll?\n(not version 2.0)");
        return -1;
    }
    if (noSound) return playerInit(PLAYER_DEVICE_NONE, FREQUENCY, 0) ? 0 : -1;
    int result = playerInit(PLAYER_DEVICE_DEFAULT, FREQUENCY, 0);
    if (result) return 0;
    showMessage("failure:\n BASSMOD_Init(-1,44100,0)\n returned %i\nno sound! :(", result);
    return playerInit(PLAYER_DEVICE_NONE, FREQUENCY, 0) ? 0 : -1;
}

int loadMusicFrom(const unsigned char* data, unsigned size) {
    if (!playerMusicLoad(1, data, 0, size, 0)) return -1;
    for (uint32_t instrument : SYNC_INSTRUMENTS)
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | instrument, syncCallback, instrument);
    playerSetSync(PLAYER_SYNC_END, 0, syncCallback, END_SYNC_ID);
    return 0;
}

int loadMusic() {
    // The show goes on without sound when the module does not load.
    loadMusicFrom(musicModule, musicModuleSize);
    return 0;
}

void startMusic() { playerPlay(0, 0, 1); }

void freeMusic() {
    playerMusicFree();
    playerFree();
}

void syncCallback(uint32_t handle, uint32_t data, uint32_t user) {
    (void)handle;
    const uint32_t note = data & 0xFFFF;
    const uint32_t volume = data >> 16;
    switch (user) {
        case 1:
            if (note == 60 && volume != 10) hit(1);  // the main beat; ghost notes at volume 10 do not count
            break;
        case 4:
            if (volume >= 32) hit(4);  // accents only
            break;
        case 5:
            if (volume == 20) hit(5);
            break;
        case 2: case 3: case 6: case 8: case 10: case 11: case 13:
            hit(user);
            break;
        case END_SYNC_ID:
            demoPhase.fetch_add(1, std::memory_order_relaxed);
            break;
        default:
            break;
    }
}
