// The module player's interface in the browser, which has no module player:
// the "module" it loads is the recorded performance of the show's module
// (audio/replay_table.h), made at build time by the real player, and it plays
// it back with audio/replay.h. The sound itself is the page's: it plays the
// recorded sound and tells the show which frame is audible, and the show
// moves the player there with playerOfflineRender. So every device is driven
// by its caller: -3 by the offline show's exact frames, -1 (the page's sound)
// and -2 (no sound, the page's clock) by the page.
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/player.h"
#include "audio/replay.h"

// Whether the page can make sound at all: Web Audio is there and the music
// file has not failed to load.
EM_JS(int, pageSoundAvailable, (), {
    return Module.vortelanSoundAvailable ? (Module.vortelanSoundAvailable() ? 1 : 0) : 0;
});

namespace {
Replay replay;
bool initialised = false;

bool readFile(const char* name, uint32_t offset, uint32_t length, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    std::vector<uint8_t> all;
    uint8_t buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) all.insert(all.end(), buffer, buffer + got);
    std::fclose(f);
    if (offset > all.size()) return false;
    size_t take = length == 0 ? all.size() - offset : length;
    if (take > all.size() - offset) return false;
    bytes->assign(all.begin() + offset, all.begin() + offset + take);
    return true;
}
}  // namespace

uint32_t playerGetVersion() { return PLAYER_VERSION; }

int playerInit(int device, uint32_t frequency, uint32_t flags) {
    (void)flags;
    if (replay.insideSync || initialised) return 0;
    if (frequency < 8000 || frequency > 192000) return 0;
    if (device == PLAYER_DEVICE_DEFAULT || device >= 1) {
        if (!pageSoundAvailable()) return 0;
    } else if (device != PLAYER_DEVICE_NONE && device != PLAYER_DEVICE_OFFLINE) {
        return 0;
    }
    initialised = true;
    return 1;
}

int playerMusicLoad(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t flags) {
    (void)flags;
    if (replay.insideSync || !initialised) return 0;
    replayFree(&replay);
    if (!data) return 0;
    if (fromMemory) return replayLoad(&replay, static_cast<const uint8_t*>(data) + offset, length) ? 1 : 0;
    std::vector<uint8_t> bytes;
    if (!readFile(static_cast<const char*>(data), offset, length, &bytes)) return 0;
    return replayLoad(&replay, bytes.data(), bytes.size()) ? 1 : 0;
}

uint32_t playerSetSync(uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user) {
    return replaySetSync(&replay, type, param, proc, user);
}

int playerPlay(uint32_t position, uint32_t flags, int reset) {
    (void)flags;
    (void)reset;
    // The recording begins at the start of the song; every play starts there afresh.
    if (position != 0) return 0;
    return replayPlay(&replay) ? 1 : 0;
}

uint32_t playerGetPosition() { return replay.playing ? replay.position : 0; }

int64_t playerAudibleFrame() { return replay.playing ? replay.audible : 0; }

void playerMusicFree() { replayFree(&replay); }

void playerFree() {
    if (replay.insideSync) return;
    replayFree(&replay);
    initialised = false;
}

uint32_t playerOfflineRender(int16_t* out, uint32_t frames) {
    // The recording has no sound of its own: out gets silence.
    if (out) std::memset(out, 0, size_t(frames) * 4);
    if (replay.insideSync || !replay.playing) return 0;
    uint32_t song = replaySongFrames(&replay, replay.audible, frames);
    replayAdvanceTo(&replay, replay.audible + frames);
    return song;
}

// A replay is exact: every row fires on its own frame, none late or placed
// within a tick, and there is no device to run dry.
void playerGetStats(PlayerStats* stats) {
    if (!stats) return;
    *stats = PlayerStats{};
    stats->onsetsFired = static_cast<uint32_t>(replay.nextRow + (replay.endFired ? 1 : 0));
}

void observeReplay(ReplayObserver observer) { replay.observer = observer; }
