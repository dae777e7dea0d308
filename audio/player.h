#pragma once
// The module player: the few operations the music set-up needs from a tracker
// player (version, init, load from memory, syncs, play, position, free), with
// the argument meanings of the vendor library the show was first written for.
// libopenmpt decodes, SDL2 audio plays.
//
// Devices:
//   -1  SDL's default output. playerInit fails when it cannot be opened.
//   -2  no output: the module still plays in real time on a clock of ours, so
//       positions advance and syncs fire exactly as with sound.
//   -3  offline: nothing plays by itself; playerOfflineRender advances the
//       song by an exact number of frames on the calling thread.
//   1.. the n-th SDL output device.
//
// Time is counted in frames (one stereo sample pair at the init frequency)
// from the start of playback. The "audible" frame is the one the listener
// hears now: with a device, what SDL has taken from our queue minus the one
// device buffer it is playing; without, the clock; offline, the frames
// rendered so far. The position and every sync follow the audible frame, not
// the mixer, which runs ahead of it.
//
// Row onsets (the first frame of each row) are exact: libopenmpt advances the
// song a tick at a time at the start of a read, so the player reads up to the
// predicted end of each tick and then one frame, and a row that changes on
// that one frame began exactly there.
//
// Threads: with a device (or -2) a thread of ours renders, queues and fires
// the syncs when their row becomes audible; offline, playerOfflineRender fires
// them. Sync procedures must be quick and may call only playerGetPosition,
// playerAudibleFrame and playerGetStats; other calls from inside a sync do
// nothing. Every call is safe before init, after free and twice.
#include <cstddef>
#include <cstdint>

using PlayerSyncProc = void (*)(uint32_t handle, uint32_t data, uint32_t user);

constexpr uint32_t PLAYER_VERSION = 2;  // the interface of version 2.0

constexpr int PLAYER_DEVICE_DEFAULT = -1;
constexpr int PLAYER_DEVICE_NONE = -2;
constexpr int PLAYER_DEVICE_OFFLINE = -3;

// Sync types. An instrument sync's param is the instrument in the low 16 bits
// and the note in the high 16 (IT numbering, 60 = C-5), or PLAYER_ANY_NOTE.
// It fires once for every cell that plays the instrument at a real note, when
// the cell's row becomes audible, with data = note | volume << 16; the volume
// (0-64) is the cell's volume column, else the default volume of the sample
// the instrument plays at that note. A cell with a note but no instrument
// plays, as in the tracker, the channel's last instrument. The end sync
// (param 0) fires once, when the song's last row has been heard; data 0.
constexpr uint32_t PLAYER_SYNC_INSTRUMENT = 1;
constexpr uint32_t PLAYER_SYNC_END = 2;
constexpr uint32_t PLAYER_ANY_NOTE = 0xFFFF;
constexpr int PLAYER_MAX_SYNCS = 32;

// The interface version; PLAYER_VERSION unless a test says otherwise.
uint32_t playerGetVersion();
// "libopenmpt x.y.z\n": the decoder in use, for --version. Needs no init.
const char* playerLibraryVersion();
// Opens the device (see above) at frequency Hz; flags are unused (0).
// Non-zero on success; 0 for a device that cannot be opened, a frequency out
// of 8000-192000, or when already initialised.
int playerInit(int device, uint32_t frequency, uint32_t flags);
// Loads a module, replacing the one loaded before. fromMemory non-zero: data
// points to length bytes (offset is skipped from data); else data is a file
// name and length 0 means the rest of the file from offset. flags unused.
// Non-zero on success. A module that does not load leaves none loaded: play
// fails and the position stays at order 0, row 0.
int playerMusicLoad(int fromMemory, const void* data, uint32_t offset, uint32_t length, uint32_t flags);
// Registers a sync on the loaded module; a handle (non-zero) or 0 when there
// is no module, the type is unknown, proc is null or the table is full.
// Syncs live until the module is freed.
uint32_t playerSetSync(uint32_t type, uint32_t param, PlayerSyncProc proc, uint32_t user);
// Plays the loaded module once from position (order in the low 16 bits, row
// in the high 16), never looping; flags unused. reset non-zero starts from a
// freshly loaded player state, as does every play after the first. Non-zero
// on success.
int playerPlay(uint32_t position, uint32_t flags, int reset);
// The audible position: order in the low 16 bits, row in the high 16. 0 before
// playback and without a module; after the end, the last row played.
uint32_t playerGetPosition();
// Stops playback and frees the module and its syncs.
void playerMusicFree();
// Frees the module and closes the device.
void playerFree();

// --- Offline (device -3) ----------------------------------------------------
// Advances playback by exactly frames frames, writing them to out as
// interleaved stereo int16, and fires the syncs whose onsets it passes: the
// syncs of a row fire when exactly the frames before the row's first frame
// have been produced (playerAudibleFrame then returns that frame). Past the
// end of the song the frames are silence. Returns the number of frames of
// song written (less than frames once the song has ended); 0 when not playing
// offline, with out silenced. out may be null to discard the audio.
uint32_t playerOfflineRender(int16_t* out, uint32_t frames);

// The audible frame since the start of playback (see above); 0 when idle.
int64_t playerAudibleFrame();

// How well syncs met their rows, since the last play. lateness is the
// audible frame at which a row's syncs fired minus its first frame (0 offline).
// inexactOnsets counts rows whose first frame could only be placed within a
// tick (the tick prediction failed); each was fired at most one tick early.
struct PlayerStats {
    uint32_t onsetsFired;
    uint32_t inexactOnsets;
    uint32_t underruns;       // times the device queue ran dry
    double meanLatenessMs;
    double maxLatenessMs;
    // With a device: at each buffer SDL takes, how far the audible clock
    // (interpolated since the last buffer) was from where the device says.
    double meanClockStepMs;
    double maxClockStepMs;
};
void playerGetStats(PlayerStats* stats);

// --- Impulse Tracker headers ---------------------------------------------------
constexpr int PLAYER_MAX_INSTRUMENTS = 255;
constexpr int PLAYER_NOTES = 120;
// volume[i][n]: default volume (0-64) of the sample instrument i (1-based)
// plays at IT note n; 0 where it plays none. Without instrument mode cells
// name samples, and volume[s][n] is sample s's volume at every note.
struct ItVolumeTable {
    uint8_t volume[PLAYER_MAX_INSTRUMENTS + 1][PLAYER_NOTES];
};
// Reads the table from an IT file, checking every offset against size.
// False (table all 0) when the file is not IT or its header tables do not fit.
bool readItSampleVolumes(const uint8_t* data, size_t size, ItVolumeTable* table);

// --- Test seam -------------------------------------------------------------------
// Tests make the version or one device fail and see how init was called.
struct PlayerTestSeam {
    uint32_t versionOverride;  // non-zero: playerGetVersion returns it
    int failDevice;            // playerInit fails for this device (0: none)
    int initCalls;             // playerInit calls so far
    int initDevice[4];         // arguments of the first four calls
    uint32_t initFrequency[4];
    uint32_t initFlags[4];
};
extern PlayerTestSeam playerTestSeam;
