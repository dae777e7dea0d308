#pragma once
// The one global state of the program. Every subsystem reads and writes these
// directly; functions take no context argument. Each group names its owner.
#include <atomic>
#include <cstdint>

// --- Settings (configuration) ---------------------------------------------
extern int screenWidth;        // pixels, default 1280, at least 320
extern int screenHeight;       // pixels, default 960, at least 240
extern int colorBits;          // always 32
extern int detailStep;         // 1, 2, 4, 8, 16 or 32; also keys 1..6
extern int fullscreen;         // 0/1
extern uint32_t warningMillis; // length of the warning screen
extern int noSound;            // 1: play on the silent device

// --- Screen geometry, derived once by the configuration ----------------------
extern float viewWidth;   // = screenWidth
extern float viewHeight;  // = screenWidth * 0.75, from the width on purpose
extern int blocksAcross;  // 64-pixel blocks covering the width, rounded up
extern int blocksDown;    // 64-pixel blocks covering the height, rounded up

// --- Run state ---------------------------------------------------------------
// demoPhase is raised by the music callback on its own thread: relaxed atomics,
// never a lock. -1 warning screen, 0 show, >= 1 after the end of the music.
extern std::atomic<int32_t> demoPhase;
extern int orderReached;      // highest order position heard
extern uint32_t startTicks;   // clockMillis() when the warning screen began
extern int mouseHeld;         // 1 while the left button is down

// --- Colour state (timeline and animators write, renderer reads) --------------
extern float paperLevel;     // grey of the clear colour, 0.2
extern float inkSaturation;  // 0 grey .. 1 full colour, 0.7
extern float polarity;       // 1 normal, 0 inverted
extern int cellGap;          // 1, or 0 while the mouse button is held

// --- Sync channels (music callback writes, timeline decays) --------------------
// count and pulse are written by the music callback on the audio thread and by
// the frame loop; each is one aligned 32-bit word, accessed whole and relaxed.
struct SyncChannel {
    std::atomic<int32_t> count;
    std::atomic<float> pulse;
    float decayRate;
};
constexpr int SYNC_CHANNELS = 16;
extern SyncChannel syncChannels[SYNC_CHANNELS];

inline int32_t syncCount(int k) { return syncChannels[k].count.load(std::memory_order_relaxed); }
inline float syncPulse(int k) { return syncChannels[k].pulse.load(std::memory_order_relaxed); }
inline void setSyncPulse(int k, float v) { syncChannels[k].pulse.store(v, std::memory_order_relaxed); }
inline int32_t currentDemoPhase() { return demoPhase.load(std::memory_order_relaxed); }

// --- The one pseudo-random generator ------------------------------------------
extern uint32_t rngState;
// One step: ((state + 100417) * 73939, wrapped to 32 bits) mod 65537.
inline uint32_t nextRandom(uint32_t state) { return ((state + 100417u) * 73939u) % 65537u; }

// Puts every global back to its value at program load. Tests call it between
// cases; the program itself starts from the static initialisers.
void resetDemoGlobals();
