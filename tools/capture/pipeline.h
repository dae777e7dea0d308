#pragma once
// The capture's two sides: a render thread plays the show on its virtual clock,
// converts each frame's picture to YUV straight into a slot of a small ring of
// preallocated slots and hands it with its sound to the calling thread, which
// only feeds the encoder (x264 adds threads of its own), so x264 never waits
// on the conversion. Either side stops when the other fails or a termination
// signal arrives.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "show/offline_show.h"
#include "tools/capture/contact_sheet.h"
#include "tools/capture/encoder.h"
#include "tools/capture/options.h"
#include "tools/capture/range.h"
#include "tools/capture/report.h"

constexpr size_t RING_SLOTS = 4;  // frames between the render thread and the encoder

// One frame on its way to the encoder: the picture in the encoder's format and
// its sound.
struct Slot {
    AVFrame* picture = nullptr;
    std::vector<int16_t> sound;
    int soundFrames = 0;
    int64_t frame = 0;
};

struct Run {
    const CaptureOptions* options = nullptr;
    OfflineClock clock;
    Range range;
    bool video = false;
    Encoder* encoder = nullptr;
    PictureConverter* converter = nullptr;  // the render thread's
    ContactSheet* sheet = nullptr;

    std::vector<Slot> slots;
    std::mutex lock;
    std::condition_variable changed;
    size_t head = 0, filled = 0;  // filled slots start at head
    bool renderDone = false;
    std::atomic<bool> failed{false};
    std::string renderError;

    std::atomic<int64_t> stepped{0};
    std::atomic<int> order{-1};
    std::atomic<bool> pastEnd{false};
    int64_t encoded = 0;
    Bench bench;
};

// True once a termination signal has arrived.
bool interrupted();
// Makes the ring's slots for the options' picture size and frame rate; false
// when out of memory.
bool makeRing(Run* r);
void freeRing(Run* r);
// The render thread: plays frames [0, range.last), filling the ring with those
// in [range.from, range.to) and the contact sheet with its tiles.
void renderThread(Run* r);
// Takes the frames from the ring as they come and encodes them; false when
// the run failed or was interrupted.
bool encodeFrames(Run* r, bool progress, Clock::time_point started);
// Waits for the render thread's end, keeping the progress line up to date.
void waitForRender(Run* r, bool progress, Clock::time_point started);
