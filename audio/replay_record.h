#pragma once
// Recording a performance: the module played once through the module player,
// offline, a frame at a time, with a sync on every instrument, so that the
// recorded table (audio/replay_table.h) holds every row's first frame, every
// cell the player reported and the end, and the sound the song made.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/replay_table.h"

// Uses the player (init, load, syncs, play, free) and leaves it closed. sound,
// if given, gets the song's frames as interleaved stereo. False with the
// reason when the module cannot be played or recorded.
bool recordPerformance(const std::vector<uint8_t>& module, uint32_t rate, ReplayTable* table,
                       std::vector<int16_t>* sound, std::string* error);
