// The ring between the render thread and the encoder, and both sides of it.
#include "tools/capture/pipeline.h"

#include <algorithm>
#include <chrono>

#include "core/globals.h"
#include "platform/process.h"

namespace {
bool stopping(const Run* r) { return interrupted() || r->failed.load(); }

Slot* freeSlot(Run* r) {
    auto t = Clock::now();
    std::unique_lock<std::mutex> hold(r->lock);
    while (r->filled == r->slots.size() && !stopping(r)) r->changed.wait_for(hold, std::chrono::milliseconds(100));
    r->bench.renderWaitSeconds += secondsSince(t);
    if (stopping(r)) return nullptr;
    return &r->slots[(r->head + r->filled) % r->slots.size()];
}

int64_t framesDone(const Run* r) {
    int64_t stepped = r->stepped.load();
    if (!r->video) return stepped;
    int64_t inRange = std::max<int64_t>(0, std::min(stepped, r->range.to) - r->range.from);
    return stepped - inRange + r->encoded;
}

void showProgress(const Run* r, double elapsed) {
    showProgress(r->clock, framesDone(r), r->range.last, r->order.load(), r->pastEnd.load(), elapsed);
}

}  // namespace

bool interrupted() { return platformTerminationRequested(); }

bool makeRing(Run* r) {
    size_t most = size_t(offlineFrameSample(r->clock, 1) + 1);  // sound frames in one picture frame, at most
    r->slots.resize(RING_SLOTS);
    for (Slot& slot : r->slots) {
        slot.picture = allocPicture(r->encoder);
        slot.sound.assign(most * 2, 0);
        if (!slot.picture) return false;
    }
    return true;
}

void freeRing(Run* r) {
    for (Slot& slot : r->slots) freePicture(&slot.picture);
}

void renderThread(Run* r) {
    const CaptureOptions& o = *r->options;
    int64_t cpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID);
    OfflineShow show;
    std::string error;
    if (!openOfflineShow(&show, r->clock, o.width, o.height, detailStepOf(o.detail)))
        error = "the show's music cannot be played";

    for (int64_t k = 0; error.empty() && k < r->range.last && !stopping(r); ++k) {
        Slot* slot = nullptr;
        if (r->video && k >= r->range.from && k < r->range.to && !(slot = freeSlot(r))) break;
        Stopwatch step;
        stepOfflineShow(&show, slot ? slot->sound.data() : nullptr);
        step.stop(&r->bench.render[show.order < 0 && !show.pastEnd ? 0 : orderReached == 16 ? 1 : 2]);
        if (r->sheet && !addToContactSheet(r->sheet, k, show.fb.pixels.data(), show.fb.width * 4))
            error = "the contact sheet's thumbnails cannot be made";
        if (slot && error.empty()) {
            Stopwatch convert;
            bool converted = convertPicture(r->converter, show.fb.pixels.data(), show.fb.width * 4, slot->picture);
            convert.stop(&r->bench.convert);
            if (!converted) {
                error = "the colour conversion failed";
                break;  // the slot stays free: the encoder never sees a half-made frame
            }
            slot->soundFrames = int(offlineFrameSample(r->clock, k + 1) - offlineFrameSample(r->clock, k));
            slot->frame = k;
            std::lock_guard<std::mutex> hold(r->lock);
            ++r->filled;
            r->changed.notify_all();
        }
        r->order.store(show.order);
        r->pastEnd.store(show.pastEnd);
        r->stepped.store(k + 1);
    }
    closeOfflineShow(&show);
    r->bench.renderThreadCpu = cpuNanos(CLOCK_THREAD_CPUTIME_ID) - cpu;
    std::lock_guard<std::mutex> hold(r->lock);
    if (!error.empty()) {
        r->renderError = error;
        r->failed.store(true);
    }
    r->renderDone = true;
    r->changed.notify_all();
}

bool encodeFrames(Run* r, bool progress, Clock::time_point started) {
    auto lastShown = Clock::now() - std::chrono::seconds(1);
    for (;;) {
        auto t = Clock::now();
        bool take = false, done = false;
        {
            std::unique_lock<std::mutex> hold(r->lock);
            r->changed.wait_for(hold, std::chrono::milliseconds(100),
                                [&] { return r->filled > 0 || r->renderDone || stopping(r); });
            take = r->filled > 0;
            done = !take && r->renderDone;
        }
        r->bench.encodeWaitSeconds += secondsSince(t);
        if (progress && secondsSince(lastShown) >= 0.25) {
            showProgress(r, secondsSince(started));
            lastShown = Clock::now();
        }
        if (stopping(r)) return false;
        if (done) return true;
        if (!take) continue;

        Slot& slot = r->slots[r->head];
        Stopwatch encode;
        bool ok = encodeSound(r->encoder, slot.sound.data(), slot.soundFrames) &&
                  encodePicture(r->encoder, slot.picture, slot.frame - r->range.from);
        encode.stop(&r->bench.encode);
        if (!ok) {
            r->failed.store(true);
            return false;
        }
        ++r->encoded;
        std::lock_guard<std::mutex> hold(r->lock);
        r->head = (r->head + 1) % r->slots.size();
        --r->filled;
        r->changed.notify_all();
    }
}

void waitForRender(Run* r, bool progress, Clock::time_point started) {
    std::unique_lock<std::mutex> hold(r->lock);
    while (!r->renderDone) {
        r->changed.wait_for(hold, std::chrono::milliseconds(250));
        if (progress) showProgress(r, secondsSince(started));
    }
}
