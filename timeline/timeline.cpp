// The timeline director: the music's position, the pulses' decay, the colour state
// and the animators of the current scene, once a frame.
#include "timeline/timeline.h"

#include "core/diagnostics.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "audio/player.h"
#include "shapes/scene_objects.h"
#include "timeline/animators.h"

int64_t previousCounter = 0;
uint32_t (*timelinePosition)() = playerGetPosition;
void (*timelineTrace)(TimelineStep) = nullptr;

namespace {
void trace(TimelineStep step) {
    if (timelineTrace) timelineTrace(step);
}

// pulse - factor x seconds x rate, never below 0; a pulse already at 0 stays.
float decayed(float pulse, double factor, double seconds, double rate) {
    if (!(pulse > 0.0f)) return pulse;
    double v = pulse - factor * seconds * rate;
    return v < 0.0 ? 0.0f : static_cast<float>(v);
}

void generalStep(float t, int order) {
    trace(TimelineStep::General);
    float invert = syncPulse(13);
    if (invert > 0) polarity = 1.0f - invert;
    float flash = syncPulse(5);
    if (flash > 0 && syncCount(5) > 128) {  // from the 129th hit on
        paperLevel = static_cast<float>(flash * 0.9 + 0.1);
        polarity = static_cast<float>(1.0 - flash * 0.25);
        inkSaturation = static_cast<float>(1.0 - flash * 0.7);
    }
    float fade = syncPulse(3);
    if (fade > 0) inkSaturation = 1.0f - fade;
    cellGap = mouseHeld ^ 1;
    animateCommon(t);
    if (order == 5 || order == 9) {
        trace(TimelineStep::MandelZoom);
        animateMandelZoom(t);
    }
    trace(TimelineStep::Crosses);
    animateCrosses(t);
}
}  // namespace

void updateTimeline() {
    // The row in the high half is not used.
    int order = static_cast<int>(timelinePosition() & 0xFFFF);
    if (order > orderReached) {
        orderReached = order;
        // Only a new maximum fires: orders skipped over or heard again do not.
        if (order == 5 || order == 9) {
            scenePulseRate = 2.0f;
            scenePulse = 1.0f;
        }
        if (order == 19 || order == 20) {
            scenePulseRate = 0.095f;
            scenePulse = 1.0f;
        }
    }

    int64_t frequency = performanceFrequency();
    int64_t counter = performanceCounter();
    double frameDelta = static_cast<double>(counter - previousCounter) / static_cast<double>(frequency);
    if (frameDelta < 0) {
        consolePrint("T");
        frameDelta = 0;
    }
    float frameTime = static_cast<float>(static_cast<double>(counter) / static_cast<double>(frequency));

    // Channel 6 is not decayed.
    static const struct {
        int channel;
        double factor;
    } decays[] = {{1, 4}, {2, 4}, {3, 2}, {4, 2}, {5, 1}, {8, 1}, {10, 0.5}, {11, 4}, {13, 1}};
    for (const auto& d : decays)
        setSyncPulse(d.channel, decayed(syncPulse(d.channel), d.factor, frameDelta, syncChannels[d.channel].decayRate));
    scenePulse = decayed(scenePulse, 1.0, frameDelta, scenePulseRate);

    paperLevel = 0.2f;
    inkSaturation = 0.7f;
    polarity = 1.0f;

    trace(TimelineStep::TriangleFan);
    animateTriangleFan(frameTime);

    int o = orderReached;
    if (o == 0) {
        trace(TimelineStep::Intro);
        animateIntro(frameTime);
        generalStep(frameTime, o);
    } else {
        if (currentDemoPhase() >= 1) {
            trace(TimelineStep::Ending);
            animateEnding(frameTime);
        } else if (o <= 2) {
            trace(TimelineStep::RingArcs);
            animateRingArcs(frameTime);
        }
        if (o >= 12 && o <= 15) {
            trace(TimelineStep::FreeDiscs);
            animateFreeDiscs(frameTime);
        } else if (o >= 19 && o <= 20) {
            trace(TimelineStep::MandelDrift);
            animateMandelDrift(frameTime);
        } else {
            generalStep(frameTime, o);
        }
    }

    // The logo's bounding box always moves with the logo.
    logoBounds.x0 = logoBars.x0;
    logoBounds.y0 = logoBars.y0;
    logoBounds.scale = logoBars.scale;
    logoBounds.sin = logoBars.sin;
    logoBounds.cos = logoBars.cos;
    previousCounter = counter;
}
