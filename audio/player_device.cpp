// The real-time side of the player: the SDL output device, and the thread that
// keeps the song rendered ahead of it (or of a clock, with no output), follows
// the audible frame and fires the rows it passes.
#include <algorithm>
#include <cstdio>

#include "audio/player_state.h"

namespace playback {

int (*queueAudio)(SDL_AudioDeviceID device, const void* data, Uint32 bytes) = SDL_QueueAudio;

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

// --- Real time --------------------------------------------------------------------------

static double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// The thread of a device or of the no-output clock: keeps the song rendered
// ahead, follows the audible frame and fires the rows it passes.
void playbackThread() {
    Player& p = player;
    Engine& e = p.engine;
    const bool withDevice = p.mode == Mode::Device;
    const double rate = p.rate;
    int64_t queuedTotal = 0;  // frames SDL took into its queue
    int64_t lastConsumed = 0;
    int64_t anchorFrame = 0;  // audible frame when SDL last took a buffer
    Clock::time_point anchorTime = Clock::now();
    int64_t lastAudible = 0;
    bool dry = false;
    size_t held = 0;  // frames rendered into p.chunk that the device has not taken yet
    bool refused = false;

    // Renders the next chunk unless one is still held. False at the end of the song.
    auto render = [&] {
        if (held == 0) held = engineRender(e, p.chunk, CHUNK_FRAMES);
        return held > 0;
    };
    // Hands the held chunk to SDL. A refusal (SDL out of memory) keeps it for
    // the next pass and counts nothing, so the audible frame follows only what
    // will sound and the song goes on whole; it is told once.
    auto queue = [&] {
        if (queueAudio(p.device, p.chunk, static_cast<uint32_t>(held * 4)) != 0) {
            if (!refused) std::fprintf(stderr, "SDL_QueueAudio: %s; the music waits for the device\n", SDL_GetError());
            refused = true;
            return false;
        }
        queuedTotal += static_cast<int64_t>(held);
        held = 0;
        return true;
    };

    if (withDevice) {
        while (queuedTotal < AHEAD_FRAMES && render() && queue()) {
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

        while (ahead < AHEAD_FRAMES && render()) {
            const int64_t n = static_cast<int64_t>(held);
            if (withDevice && !queue()) break;
            held = 0;
            ahead += n;
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
}  // namespace playback
