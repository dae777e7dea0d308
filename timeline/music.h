#pragma once
// Music set-up, playback and the sync callback that turns the module's
// instrument hits and its end into the shared sync channels and demoPhase.
#include <cstdint>

constexpr uint32_t END_SYNC_ID = 255;  // user value of the end-of-music sync
// The instruments the pictures follow, each with a sync of any note whose
// user value (the sync id) is the instrument.
constexpr uint32_t SYNC_INSTRUMENTS[] = {1, 2, 3, 4, 5, 6, 8, 10, 11, 13};

// 0 when the player is ready (with sound, or silently on the no-output device),
// -1 when it is not; failures are shown as messages.
int initMusic();
// Loads the embedded module and registers the eleven syncs; always 0.
int loadMusic();
// loadMusic for any module bytes: the same load and the same syncs; 0, or -1
// when the module does not load (and so has no syncs either).
int loadMusicFrom(const unsigned char* data, unsigned size);
// Plays the module once from the start.
void startMusic();
void freeMusic();

// Called by the player on its own thread: data is the note in the low 16 bits
// and the volume in the high 16 for an instrument sync; user is the sync id.
void syncCallback(uint32_t handle, uint32_t data, uint32_t user);
