#pragma once
// Plays a recorded performance (audio/replay_table.h) in place of the module:
// the same syncs, fired with the same data in the same order at the same
// frames as the module player fires them, and the same positions. Time moves
// only when the caller says which frame is audible now; every row whose first
// frame has been reached is then fired, in order, on the caller's thread. It
// makes no sound: whoever plays the recorded sound says where it is.
#include <cstddef>
#include <cstdint>

#include "audio/player.h"
#include "audio/replay_table.h"

struct ReplaySync {
    uint32_t type;
    uint32_t param;
    PlayerSyncProc proc;
    uint32_t user;
};

// Told of every sync fired, after its procedure: the frame of its row (or the
// end), the user value and the data. For logs; null for none.
using ReplayObserver = void (*)(int64_t frame, uint32_t user, uint32_t data);

struct Replay {
    ReplayTable table;
    ReplayObserver observer = nullptr;
    bool loaded = false;
    ReplaySync syncs[PLAYER_MAX_SYNCS];
    int syncCount = 0;
    bool playing = false;
    bool insideSync = false;
    int64_t audible = 0;  // frames heard since play
    size_t nextRow = 0;   // the first row not yet fired
    size_t nextHit = 0;
    bool endFired = false;
    uint32_t position = 0;  // order | row << 16 of the last row fired
};

// Takes a table (copied); false, with none loaded, when it does not read.
// Forgets the syncs and stops playback either way.
bool replayLoad(Replay* r, const uint8_t* data, size_t size);
// As playerSetSync: a handle from 1, or 0 (nothing loaded, unknown type, no
// procedure, table full).
uint32_t replaySetSync(Replay* r, uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user);
// Starts from the first frame; no row has fired yet. False when nothing is loaded.
bool replayPlay(Replay* r);
// The audible frame is now frame (never earlier than before): fires every row
// whose first frame is at or before it, and the end sync once the song's end
// has been reached.
void replayAdvanceTo(Replay* r, int64_t frame);
// Frames of song (not silence after its end) in [from, from + frames).
uint32_t replaySongFrames(const Replay* r, int64_t from, uint32_t frames);
// The first frame of the first row of order, or -1 when the song never plays it.
int64_t replayOrderFrame(const Replay* r, uint32_t order);
void replayStop(Replay* r);
void replayFree(Replay* r);
