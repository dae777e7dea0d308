#pragma once
// What the browser's module player offers beyond the player's interface.
#include "audio/replay.h"

// Every sync the player fires is also reported here (null: none).
void observeReplay(ReplayObserver observer);
