// The module player's calls: the operations the music set-up makes (version,
// init, load, syncs, play, position, free), offline rendering and the timing
// statistics. The song engine and the real-time thread live beside it.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/player_state.h"

PlayerTestSeam playerTestSeam = {};

namespace playback {
Player player;
thread_local bool insideSync = false;
}  // namespace playback

using namespace playback;

namespace {
bool readFile(const char* name, uint32_t offset, uint32_t length, std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(name, "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = size >= 0 && offset <= static_cast<unsigned long>(size);
    if (ok) {
        unsigned long rest = static_cast<unsigned long>(size) - offset;
        unsigned long take = length == 0 ? rest : length;
        ok = take <= rest && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0;
        if (ok) {
            bytes.resize(take);
            ok = std::fread(bytes.data(), 1, take, f) == take;
        }
    }
    std::fclose(f);
    return ok;
}

void freeModule(Player& p) {
    stopPlayback(p);
    if (p.engine.module) openmpt_module_destroy(p.engine.module);
    p.engine = Engine{};
    p.loaded = false;
    p.playedBefore = false;
    p.bytes = {};
    p.orderPattern = {};
    p.patternFirstRow = {};
    p.patternRows = {};
    p.rowFirstEvent = {};
    p.events = {};
    p.syncCount.store(0, std::memory_order_release);
    p.position.store(0, std::memory_order_relaxed);
    p.audibleFrame.store(0, std::memory_order_relaxed);
}
}  // namespace

// --- The calls ------------------------------------------------------------------------------

uint32_t playerGetVersion() {
    return playerTestSeam.versionOverride ? playerTestSeam.versionOverride : PLAYER_VERSION;
}

int playerInit(int device, uint32_t frequency, uint32_t flags) {
    PlayerTestSeam& seam = playerTestSeam;
    if (seam.initCalls < 4) {
        seam.initDevice[seam.initCalls] = device;
        seam.initFrequency[seam.initCalls] = frequency;
        seam.initFlags[seam.initCalls] = flags;
    }
    ++seam.initCalls;
    Player& p = player;
    if (insideSync || p.mode != Mode::Off) return 0;
    if (seam.failDevice != 0 && device == seam.failDevice) return 0;
    if (frequency < 8000 || frequency > 192000) return 0;
    if (device == PLAYER_DEVICE_NONE) {
        p.mode = Mode::None;
    } else if (device == PLAYER_DEVICE_OFFLINE) {
        p.mode = Mode::Offline;
    } else if (device == PLAYER_DEVICE_DEFAULT || device >= 1) {
        if (!openDevice(p, device, frequency)) return 0;
        p.mode = Mode::Device;
    } else {
        return 0;
    }
    p.rate = static_cast<int32_t>(frequency);
    return 1;
}

int playerMusicLoad(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t flags) {
    (void)flags;
    Player& p = player;
    if (insideSync || p.mode == Mode::Off) return 0;
    freeModule(p);
    if (!data) return 0;
    std::vector<uint8_t> bytes;
    if (fromMemory) {
        if (length == 0) return 0;
        const uint8_t* from = static_cast<const uint8_t*>(data) + offset;
        bytes.assign(from, from + length);
    } else if (!readFile(static_cast<const char*>(data), offset, length, bytes)) {
        return 0;
    }
    openmpt_module* module = createModule(bytes);
    if (!module) return 0;
    p.engine.module = module;
    p.bytes = std::move(bytes);
    readPatterns(p);
    if (!readItSampleVolumes(p.bytes.data(), p.bytes.size(), &p.volumes)) {
        // Not an IT file: no headers to read, so notes start at full volume.
        std::memset(p.volumes.volume, 64, sizeof p.volumes.volume);
    }
    p.loaded = true;
    return 1;
}

uint32_t playerSetSync(uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user) {
    Player& p = player;
    if (!p.loaded || !proc || (type != PLAYER_SYNC_INSTRUMENT && type != PLAYER_SYNC_END)) return 0;
    int count = p.syncCount.load(std::memory_order_relaxed);
    if (count == PLAYER_MAX_SYNCS) return 0;
    p.syncs[count] = Sync{type, param, proc, user};
    p.syncCount.store(count + 1, std::memory_order_release);
    return static_cast<uint32_t>(count + 1);
}

int playerPlay(uint32_t position, uint32_t flags, int reset) {
    (void)flags;
    Player& p = player;
    if (insideSync || !p.loaded) return 0;
    stopPlayback(p);
    if (reset || p.playedBefore) {
        openmpt_module* fresh = createModule(p.bytes);
        if (!fresh) return 0;
        openmpt_module_destroy(p.engine.module);
        p.engine.module = fresh;
    }
    p.playedBefore = true;
    if (position != 0)
        openmpt_module_set_position_order_row(p.engine.module, static_cast<int32_t>(position & 0xFFFF),
                                              static_cast<int32_t>(position >> 16));
    openmpt_module* module = p.engine.module;
    p.engine = Engine{};
    p.engine.module = module;
    p.engine.rate = p.rate;
    std::memset(p.channelInstrument, 0, sizeof p.channelInstrument);
    p.fifoRead = 0;
    p.fifoCount = 0;
    p.position.store(0, std::memory_order_relaxed);
    p.audibleFrame.store(0, std::memory_order_relaxed);
    p.onsetsFired.store(0, std::memory_order_relaxed);
    p.inexactOnsets.store(0, std::memory_order_relaxed);
    p.underruns.store(0, std::memory_order_relaxed);
    p.latenessSum.store(0, std::memory_order_relaxed);
    p.latenessMax.store(0, std::memory_order_relaxed);
    p.clockSteps.store(0, std::memory_order_relaxed);
    p.clockStepSum.store(0, std::memory_order_relaxed);
    p.clockStepMax.store(0, std::memory_order_relaxed);
    p.playing = true;
    if (p.mode == Mode::Device || p.mode == Mode::None) {
        p.stop.store(false, std::memory_order_relaxed);
        p.thread = std::thread(playbackThread);
    }
    return 1;
}

uint32_t playerGetPosition() { return player.position.load(std::memory_order_relaxed); }

int64_t playerAudibleFrame() { return player.audibleFrame.load(std::memory_order_relaxed); }

void playerMusicFree() {
    if (insideSync) return;
    freeModule(player);
}

void playerFree() {
    Player& p = player;
    if (insideSync) return;
    freeModule(p);
    if (p.device) {
        SDL_CloseAudioDevice(p.device);
        p.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    p.mode = Mode::Off;
}

uint32_t playerOfflineRender(int16_t* out, uint32_t frames) {
    Player& p = player;
    Engine& e = p.engine;
    if (insideSync || p.mode != Mode::Offline || !p.playing) {
        if (out) std::memset(out, 0, size_t(frames) * 4);
        return 0;
    }
    uint32_t done = 0;
    uint32_t song = 0;
    int64_t audible = p.audibleFrame.load(std::memory_order_relaxed);
    for (;;) {
        // Keep at least one frame rendered beyond the audible one, so a row
        // starting at the audible frame is already known.
        while (!e.finished && p.fifoCount < FIFO_FRAMES) {
            uint32_t write = (p.fifoRead + p.fifoCount) % FIFO_FRAMES;
            uint32_t room = std::min(FIFO_FRAMES - p.fifoCount, FIFO_FRAMES - write);
            size_t n = engineRender(e, p.fifo + 2 * write, room);
            if (n == 0) break;  // rows to fire first
            p.fifoCount += static_cast<uint32_t>(n);
        }
        fireDue(p, audible);
        if (done == frames) break;
        uint32_t want = frames - done;
        if (p.fifoCount == 0) {
            // The song is over: silence.
            if (out) std::memset(out + 2 * size_t(done), 0, size_t(want) * 4);
            done = frames;
            audible += want;
            p.audibleFrame.store(audible, std::memory_order_relaxed);
            continue;
        }
        // Up to the next row's first frame, so its syncs fire exactly there.
        int64_t limit = e.ringCount > 0 ? e.ring[e.ringHead].frame - audible : INT64_MAX;
        uint32_t take = std::min({want, p.fifoCount, static_cast<uint32_t>(FIFO_FRAMES) - p.fifoRead});
        if (limit < take) take = static_cast<uint32_t>(limit);
        if (out) std::memcpy(out + 2 * size_t(done), p.fifo + 2 * size_t(p.fifoRead), size_t(take) * 4);
        p.fifoRead = (p.fifoRead + take) % FIFO_FRAMES;
        p.fifoCount -= take;
        done += take;
        song += take;
        audible += take;
        p.audibleFrame.store(audible, std::memory_order_relaxed);
    }
    return song;
}

void playerGetStats(PlayerStats* stats) {
    if (!stats) return;
    const Player& p = player;
    uint32_t fired = p.onsetsFired.load(std::memory_order_relaxed);
    double msPerFrame = 1000.0 / p.rate;
    stats->onsetsFired = fired;
    stats->inexactOnsets = p.inexactOnsets.load(std::memory_order_relaxed);
    stats->underruns = p.underruns.load(std::memory_order_relaxed);
    stats->meanLatenessMs = fired ? p.latenessSum.load(std::memory_order_relaxed) * msPerFrame / fired : 0.0;
    stats->maxLatenessMs = p.latenessMax.load(std::memory_order_relaxed) * msPerFrame;
    uint32_t steps = p.clockSteps.load(std::memory_order_relaxed);
    stats->meanClockStepMs = steps ? p.clockStepSum.load(std::memory_order_relaxed) * msPerFrame / steps : 0.0;
    stats->maxClockStepMs = p.clockStepMax.load(std::memory_order_relaxed) * msPerFrame;
}

