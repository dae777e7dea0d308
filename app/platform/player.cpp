// The module player: libopenmpt renders the song, a thread of ours feeds SDL's
// audio queue (or, with no output, follows a clock), and the syncs of a row fire
// when that row becomes audible. Offline, the caller advances the song.
#include "app/platform/player.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

PlayerTestSeam playerTestSeam = {};

namespace {
using Clock = std::chrono::steady_clock;

constexpr int ONSET_RING = 64;       // rows rendered but not yet heard
constexpr int CHUNK_FRAMES = 512;    // one render-and-queue step
constexpr int DEVICE_FRAMES = 512;   // SDL's device buffer (11.6 ms at 44100 Hz)
constexpr int AHEAD_FRAMES = 2048;   // rendered ahead of the audible frame
constexpr int FIFO_FRAMES = 4096;    // offline: rendered ahead of the caller
constexpr int PENDING_FRAMES = 4096; // a whole tick down to tempo 27 at 44100 Hz
constexpr uint8_t NO_NOTE = 0xFF;
constexpr uint8_t NO_VOLUME = 0xFF;
constexpr int32_t VOLUME_COMMAND_VOLUME = 1;  // libopenmpt's volume-column "set volume"
constexpr int MAX_CHANNELS = 256;

enum class Mode { Off, Device, None, Offline };

// The first frame of a row (or the end of the song) and where it is.
struct RowOnset {
    int64_t frame;
    uint16_t order;
    uint16_t row;
    bool end;
};

// A pattern cell that plays a note or names an instrument.
struct CellEvent {
    uint8_t channel;
    uint8_t note;        // IT note 0-119, or NO_NOTE
    uint8_t instrument;  // 1-based, 0 = none
    uint8_t volume;      // volume column 0-64, or NO_VOLUME
};

struct Sync {
    uint32_t type;
    uint32_t param;
    PlayerSyncProc proc;
    uint32_t user;
};

// Renders the song and finds the exact first frame of every row on the way.
struct Engine {
    openmpt_module* module = nullptr;
    int32_t rate = 44100;
    int64_t rendered = 0;   // frames read from libopenmpt since play
    int64_t nextTick = 0;   // predicted first frame of the next tick
    bool scanning = false;  // tick phase lost: one frame at a time until a row starts
    bool finished = false;
    int32_t order = -1;     // the row last seen
    int32_t row = -1;
    RowOnset ring[ONSET_RING];
    uint32_t ringHead = 0;  // next to fire
    uint32_t ringCount = 0;
    // Frames read but not yet handed out. libopenmpt is read a tick at a time
    // whatever the caller asks for, because its output (by a least significant
    // bit here and there) depends on where reads are cut: the song then sounds
    // the same however it is taken.
    int16_t pending[2 * PENDING_FRAMES];
    uint32_t pendingRead = 0;
    uint32_t pendingCount = 0;
};

struct Player {
    Mode mode = Mode::Off;
    int32_t rate = 44100;
    SDL_AudioDeviceID device = 0;
    int deviceFrames = DEVICE_FRAMES;

    // The loaded module and what the syncs need to know of it.
    bool loaded = false;
    bool playedBefore = false;
    std::vector<uint8_t> bytes;            // kept to start afresh on a new play
    std::vector<int32_t> orderPattern;     // pattern of each order entry
    std::vector<uint32_t> patternFirstRow; // index of each pattern's row 0 in rowFirstEvent
    std::vector<int32_t> patternRows;
    std::vector<uint32_t> rowFirstEvent;   // per pattern row, with a closing entry
    std::vector<CellEvent> events;
    ItVolumeTable volumes;

    Sync syncs[PLAYER_MAX_SYNCS];
    std::atomic<int> syncCount{0};  // released after the entry is written

    Engine engine;
    uint8_t channelInstrument[MAX_CHANNELS];

    std::thread thread;
    std::atomic<bool> stop{false};
    bool playing = false;

    std::atomic<uint32_t> position{0};
    std::atomic<int64_t> audibleFrame{0};

    std::atomic<uint32_t> onsetsFired{0};
    std::atomic<uint32_t> inexactOnsets{0};
    std::atomic<uint32_t> underruns{0};
    std::atomic<int64_t> latenessSum{0};  // frames
    std::atomic<int64_t> latenessMax{0};
    std::atomic<uint32_t> clockSteps{0};
    std::atomic<int64_t> clockStepSum{0};  // frames
    std::atomic<int64_t> clockStepMax{0};

    int16_t chunk[2 * CHUNK_FRAMES];
    int16_t fifo[2 * FIFO_FRAMES];
    uint32_t fifoRead = 0;
    uint32_t fifoCount = 0;

    // A program that exits while the music plays must not leave the thread
    // running into the static destructors.
    ~Player() {
        if (thread.joinable()) {
            stop.store(true, std::memory_order_release);
            thread.join();
        }
        if (engine.module) openmpt_module_destroy(engine.module);
    }
};

Player player;
thread_local bool insideSync = false;  // calls that would stop the caller's own thread are refused

// --- Rendering and row onsets ---------------------------------------------------

// libopenmpt's tick length in its classic tempo mode (Impulse Tracker's):
// 2.5 / tempo seconds, rounded down to whole frames.
int64_t tickFrames(const Engine& e) {
    int32_t tempo = openmpt_module_get_current_tempo(e.module);
    if (tempo < 1) tempo = 1;
    return std::max<int64_t>(1, static_cast<int64_t>(e.rate) * 5 / (2 * tempo));
}

void pushOnset(Engine& e, RowOnset onset) {
    if (e.ringCount == ONSET_RING) return;  // engineRender keeps room; never overwrite
    e.ring[(e.ringHead + e.ringCount) % ONSET_RING] = onset;
    ++e.ringCount;
}

// Records a row start at frame if libopenmpt has moved to another row.
bool noteRow(Engine& e, int64_t frame) {
    int32_t order = openmpt_module_get_current_order(e.module);
    int32_t row = openmpt_module_get_current_row(e.module);
    if (order == e.order && row == e.row) return false;
    e.order = order;
    e.row = row;
    pushOnset(e, RowOnset{frame, static_cast<uint16_t>(order), static_cast<uint16_t>(row), false});
    return true;
}

void finishSong(Engine& e) {
    e.finished = true;
    // After the end the position stays on the last row played, as with a
    // player that stops at the end of its order list.
    int32_t order = std::max(e.order, 0), row = std::max(e.row, 0);
    pushOnset(e, RowOnset{e.rendered, static_cast<uint16_t>(order), static_cast<uint16_t>(row), true});
}

// Reads the next piece of the song into the pending frames: one frame where
// a tick should start, else the rest of the tick.
void readPiece(Engine& e) {
    e.pendingRead = 0;
    e.pendingCount = 0;
    if (e.scanning || e.rendered == e.nextTick) {
        // One frame: libopenmpt starts a tick at the beginning of a read, so a
        // row that changes now began exactly at this frame.
        if (openmpt_module_read_interleaved_stereo(e.module, e.rate, 1, e.pending) == 0) {
            finishSong(e);
            return;
        }
        int64_t frame = e.rendered++;
        e.pendingCount = 1;
        bool changed = noteRow(e, frame);
        if (e.scanning && !changed) return;
        e.scanning = false;
        e.nextTick = frame + tickFrames(e);
        return;
    }
    size_t want = static_cast<size_t>(std::min<int64_t>(PENDING_FRAMES, e.nextTick - e.rendered));
    size_t got = openmpt_module_read_interleaved_stereo(e.module, e.rate, want, e.pending);
    int64_t start = e.rendered;
    e.rendered += static_cast<int64_t>(got);
    e.pendingCount = static_cast<uint32_t>(got);
    if (got < want) {
        // The song ended inside the read (libopenmpt rewinds its position
        // then, so the row it reports now means nothing).
        finishSong(e);
        return;
    }
    if (noteRow(e, start)) {
        // A row began inside the read: the tick prediction was wrong. Place
        // it at the read's start and find the phase again on the next row.
        player.inexactOnsets.fetch_add(1, std::memory_order_relaxed);
        e.scanning = true;
    }
}

// Renders up to frames frames into out (interleaved stereo). Fewer when the
// song ends or when the onset ring needs firing first.
size_t engineRender(Engine& e, int16_t* out, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        if (e.pendingCount == 0) {
            if (e.finished || e.ringCount + 2 > ONSET_RING) break;
            readPiece(e);
            continue;
        }
        uint32_t take = static_cast<uint32_t>(std::min<size_t>(e.pendingCount, frames - done));
        std::memcpy(out + 2 * done, e.pending + 2 * size_t(e.pendingRead), size_t(take) * 4);
        e.pendingRead += take;
        e.pendingCount -= take;
        done += take;
    }
    return done;
}

// --- Firing ---------------------------------------------------------------------------

void callSync(uint32_t index, const Sync& s, uint32_t data) {
    insideSync = true;
    s.proc(index + 1, data, s.user);
    insideSync = false;
}

void fireRow(Player& p, const RowOnset& onset) {
    p.position.store(static_cast<uint32_t>(onset.order) | static_cast<uint32_t>(onset.row) << 16,
                     std::memory_order_relaxed);
    int count = p.syncCount.load(std::memory_order_acquire);
    if (onset.end) {
        for (int s = 0; s < count; ++s)
            if (p.syncs[s].type == PLAYER_SYNC_END) callSync(static_cast<uint32_t>(s), p.syncs[s], 0);
        return;
    }
    if (onset.order >= p.orderPattern.size()) return;
    int32_t pattern = p.orderPattern[onset.order];
    if (pattern < 0 || static_cast<size_t>(pattern) >= p.patternRows.size()) return;
    if (onset.row >= p.patternRows[static_cast<size_t>(pattern)]) return;
    uint32_t rowIndex = p.patternFirstRow[static_cast<size_t>(pattern)] + onset.row;
    for (uint32_t i = p.rowFirstEvent[rowIndex]; i < p.rowFirstEvent[rowIndex + 1]; ++i) {
        const CellEvent& cell = p.events[i];
        if (cell.instrument) p.channelInstrument[cell.channel] = cell.instrument;
        if (cell.note == NO_NOTE) continue;
        uint8_t instrument = p.channelInstrument[cell.channel];
        if (!instrument) continue;
        uint32_t volume = cell.volume != NO_VOLUME ? cell.volume : p.volumes.volume[instrument][cell.note];
        uint32_t data = cell.note | volume << 16;
        for (int s = 0; s < count; ++s) {
            const Sync& sync = p.syncs[s];
            if (sync.type != PLAYER_SYNC_INSTRUMENT || (sync.param & 0xFFFF) != instrument) continue;
            uint32_t note = sync.param >> 16;
            if (note == PLAYER_ANY_NOTE || note == cell.note) callSync(static_cast<uint32_t>(s), sync, data);
        }
    }
}

// Fires, in order, every row that has become audible.
void fireDue(Player& p, int64_t audible) {
    Engine& e = p.engine;
    while (e.ringCount > 0 && e.ring[e.ringHead].frame <= audible) {
        RowOnset onset = e.ring[e.ringHead];
        e.ringHead = (e.ringHead + 1) % ONSET_RING;
        --e.ringCount;
        fireRow(p, onset);
        int64_t late = audible - onset.frame;
        p.onsetsFired.fetch_add(1, std::memory_order_relaxed);
        p.latenessSum.store(p.latenessSum.load(std::memory_order_relaxed) + late, std::memory_order_relaxed);
        if (late > p.latenessMax.load(std::memory_order_relaxed)) p.latenessMax.store(late, std::memory_order_relaxed);
    }
}

// --- Real time --------------------------------------------------------------------------

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The thread of a device or of the no-output clock: keeps the song rendered
// ahead, follows the audible frame and fires the rows it passes.
void playbackThread() {
    Player& p = player;
    Engine& e = p.engine;
    const bool withDevice = p.mode == Mode::Device;
    const double rate = p.rate;
    int64_t queuedTotal = 0;  // frames handed to SDL
    int64_t lastConsumed = 0;
    int64_t anchorFrame = 0;  // audible frame when SDL last took a buffer
    Clock::time_point anchorTime = Clock::now();
    int64_t lastAudible = 0;
    bool dry = false;

    if (withDevice) {
        while (!e.finished && queuedTotal < AHEAD_FRAMES) {
            size_t n = engineRender(e, p.chunk, CHUNK_FRAMES);
            if (n == 0) break;
            SDL_QueueAudio(p.device, p.chunk, static_cast<uint32_t>(n * 4));
            queuedTotal += static_cast<int64_t>(n);
        }
        SDL_PauseAudioDevice(p.device, 0);
    }
    const Clock::time_point start = Clock::now();
    anchorTime = start;

    while (!p.stop.load(std::memory_order_acquire)) {
        Clock::time_point now = Clock::now();
        int64_t audible;
        int64_t ahead;
        if (withDevice) {
            int64_t queued = SDL_GetQueuedAudioSize(p.device) / 4;
            int64_t consumed = queuedTotal - queued;
            if (consumed != lastConsumed) {
                // SDL took a buffer: it is the one after the buffer now playing.
                int64_t fresh = std::max<int64_t>(0, consumed - p.deviceFrames);
                if (lastConsumed > 0) {
                    // How far the interpolated clock was from the device's.
                    int64_t guess = anchorFrame + static_cast<int64_t>(secondsBetween(anchorTime, now) * rate);
                    int64_t step = fresh > guess ? fresh - guess : guess - fresh;
                    p.clockSteps.fetch_add(1, std::memory_order_relaxed);
                    p.clockStepSum.store(p.clockStepSum.load(std::memory_order_relaxed) + step, std::memory_order_relaxed);
                    if (step > p.clockStepMax.load(std::memory_order_relaxed))
                        p.clockStepMax.store(step, std::memory_order_relaxed);
                }
                lastConsumed = consumed;
                anchorFrame = fresh;
                anchorTime = now;
            }
            if (queued == 0 && !e.finished && !dry) p.underruns.fetch_add(1, std::memory_order_relaxed);
            dry = queued == 0 && !e.finished;
            audible = anchorFrame + static_cast<int64_t>(secondsBetween(anchorTime, now) * rate);
            audible = std::min(audible, consumed);
            ahead = queued;
        } else {
            audible = std::min(static_cast<int64_t>(secondsBetween(start, now) * rate), e.rendered);
            ahead = e.rendered - audible;
        }
        audible = std::max(audible, lastAudible);
        lastAudible = audible;
        p.audibleFrame.store(audible, std::memory_order_relaxed);
        fireDue(p, audible);

        while (!e.finished && ahead < AHEAD_FRAMES) {
            size_t n = engineRender(e, p.chunk, CHUNK_FRAMES);
            if (n == 0) break;
            if (withDevice) {
                SDL_QueueAudio(p.device, p.chunk, static_cast<uint32_t>(n * 4));
                queuedTotal += static_cast<int64_t>(n);
            }
            ahead += static_cast<int64_t>(n);
        }

        // Sleep until the next row is due, but wake at least every millisecond
        // to follow the device and keep its queue full.
        std::chrono::microseconds wait(1000);
        if (e.ringCount > 0) {
            double due = static_cast<double>(e.ring[e.ringHead].frame - audible) / rate;
            wait = std::min(wait, std::chrono::microseconds(static_cast<int64_t>(due * 1e6)));
        } else if (e.finished) {
            wait = std::chrono::microseconds(5000);
        }
        std::this_thread::sleep_for(std::max(wait, std::chrono::microseconds(200)));
    }
}

void stopPlayback(Player& p) {
    if (p.thread.joinable()) {
        p.stop.store(true, std::memory_order_release);
        p.thread.join();
    }
    if (p.device) {
        SDL_PauseAudioDevice(p.device, 1);
        SDL_ClearQueuedAudio(p.device);
    }
    p.playing = false;
}

// --- Loading -------------------------------------------------------------------------------

openmpt_module* createModule(const std::vector<uint8_t>& bytes) {
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                                nullptr, nullptr);
    if (!module) return nullptr;
    // Once through, then stop: no loop, no fade past the last row.
    openmpt_module_set_repeat_count(module, 0);
    openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    // Dither would make the samples depend on how the song is cut into reads.
    openmpt_module_ctl_set_integer(module, "dither", 0);
    return module;
}

// The cells every row plays, in channel order, from libopenmpt's pattern data.
void readPatterns(Player& p) {
    openmpt_module* m = p.engine.module;
    int32_t orders = openmpt_module_get_num_orders(m);
    int32_t patterns = openmpt_module_get_num_patterns(m);
    int32_t channels = std::min(openmpt_module_get_num_channels(m), MAX_CHANNELS);
    for (int32_t o = 0; o < orders; ++o) p.orderPattern.push_back(openmpt_module_get_order_pattern(m, o));
    for (int32_t pat = 0; pat < patterns; ++pat) {
        int32_t rows = std::max(0, openmpt_module_get_pattern_num_rows(m, pat));
        p.patternFirstRow.push_back(static_cast<uint32_t>(p.rowFirstEvent.size()));
        p.patternRows.push_back(rows);
        for (int32_t r = 0; r < rows; ++r) {
            p.rowFirstEvent.push_back(static_cast<uint32_t>(p.events.size()));
            for (int32_t c = 0; c < channels; ++c) {
                auto command = [&](int which) { return openmpt_module_get_pattern_row_channel_command(m, pat, r, c, which); };
                uint8_t note = command(OPENMPT_MODULE_COMMAND_NOTE);  // 1 = C-0, 121+ special
                uint8_t instrument = command(OPENMPT_MODULE_COMMAND_INSTRUMENT);
                uint8_t volume = NO_VOLUME;
                if (command(OPENMPT_MODULE_COMMAND_VOLUMEEFFECT) == VOLUME_COMMAND_VOLUME)
                    volume = std::min<uint8_t>(command(OPENMPT_MODULE_COMMAND_VOLUME), 64);
                CellEvent cell{static_cast<uint8_t>(c), NO_NOTE, instrument, volume};
                if (note >= 1 && note <= PLAYER_NOTES) cell.note = static_cast<uint8_t>(note - 1);
                if (cell.note != NO_NOTE || instrument != 0) p.events.push_back(cell);
            }
        }
    }
    p.rowFirstEvent.push_back(static_cast<uint32_t>(p.events.size()));
}

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

bool openDevice(Player& p, int device, uint32_t frequency) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    const char* name = nullptr;
    if (device >= 1) {
        name = SDL_GetAudioDeviceName(device - 1, 0);
        if (!name) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(frequency);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = DEVICE_FRAMES;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device wants.
    p.device = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
    if (p.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    p.deviceFrames = have.samples ? have.samples : DEVICE_FRAMES;
    return true;
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
