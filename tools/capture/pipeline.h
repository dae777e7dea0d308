#pragma once
// The capture's two sides: a render thread plays the show on its virtual clock
// and hands each frame's picture and sound through a small ring of
// preallocated slots to the calling thread, which converts the colours and
// encodes (x264 adds threads of its own). Either side stops when the other
// fails or a termination signal arrives.
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

// One frame on its way to the encoder: the picture as drawn and its sound.
struct Slot {
    std::vector<uint8_t> rgba;
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
    PictureConverter* converter = nullptr;
    AVFrame* picture = nullptr;  // the converted frame, handed to the encoder
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
// Makes the ring's slots for the options' picture size and frame rate.
void makeRing(Run* r);
// The render thread: plays frames [0, range.last), filling the ring with those
// in [range.from, range.to) and the contact sheet with its tiles.
void renderThread(Run* r);
// Takes the frames from the ring as they come and encodes them; false when
// the run failed or was interrupted.
bool encodeFrames(Run* r, bool progress, Clock::time_point started);
// Waits for the render thread's end, keeping the progress line up to date.
void waitForRender(Run* r, bool progress, Clock::time_point started);
