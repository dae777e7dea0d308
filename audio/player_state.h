#pragma once
// The module player's shared state, for its three parts: the song engine
// (player_engine.cpp: rendering and exact row onsets, and the syncs they fire),
// the real-time thread (player_device.cpp) and the calls the music set-up makes
// (player_api.cpp). Nothing outside audio/player_*.cpp includes this.
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "audio/player.h"

namespace playback {
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

extern Player player;
// Calls that would stop the caller's own thread are refused inside a sync.
extern thread_local bool insideSync;

// --- Song engine (player_engine.cpp) ---------------------------------------------
openmpt_module* createModule(const std::vector<uint8_t>& bytes);
void readPatterns(Player& p);
size_t engineRender(Engine& e, int16_t* out, size_t frames);
void fireDue(Player& p, int64_t audible);

// --- Real time (player_device.cpp) -------------------------------------------------
// SDL_QueueAudio, unless a test makes the device refuse.
extern int (*queueAudio)(SDL_AudioDeviceID device, const void* data, Uint32 bytes);
bool openDevice(Player& p, int device, uint32_t frequency);
void playbackThread();
void stopPlayback(Player& p);
}  // namespace playback
