// From the options' moments to frames of the capture's clock.
#include "tools/capture/range.h"

#include <algorithm>

#include "tools/capture/contact_sheet.h"

namespace {
constexpr int64_t LONGEST_MUSIC = 3600;  // seconds; a song that plays longer is taken as endless

int64_t framesOfSeconds(const OfflineClock& clock, int64_t num, int64_t den) {
    // The first frame whose time k * fpsDen / fpsNum reaches num / den.
    __int128 a = __int128(num) * clock.fpsNum, b = __int128(den) * clock.fpsDen;
    return int64_t((a + b - 1) / b);
}

bool momentFrame(const ShowMoment& m, const OfflineClock& clock, const OfflineMusicPlan& plan, const char* option,
                 int64_t* frame, std::string* error) {
    switch (m.kind) {
        case ShowMoment::Seconds: *frame = framesOfSeconds(clock, m.num, m.den); return true;
        case ShowMoment::End: *frame = plan.endFrame; return true;
        case ShowMoment::Order:
            *frame = plan.orderFrame[m.num];
            if (*frame < 0) {
                *error = std::string(option) + " order:" + std::to_string(m.num) + ": the show never reaches order " +
                         std::to_string(m.num);
                return false;
            }
            return true;
        default: return true;
    }
}
}  // namespace

int64_t samplesOfSeconds(int64_t num, int64_t den) {
    return int64_t((__int128(num) * OFFLINE_RATE * 2 + den) / (2 * __int128(den)));  // rounded
}

int planCapture(const CaptureOptions& o, const OfflineClock& clock, bool video, OfflineMusicPlan* plan, Range* range,
                bool (*stop)(), std::string* error) {
    // Where the music's moments fall, as far as the range and the sheet need.
    bool needEnd = !o.contactSheet.empty() ||
                   (video && (o.to.kind == ShowMoment::Unset || o.to.kind == ShowMoment::End ||
                              o.from.kind == ShowMoment::End));
    int untilOrder = -1;
    if (video && o.from.kind == ShowMoment::Order) untilOrder = int(o.from.num);
    if (video && o.to.kind == ShowMoment::Order) untilOrder = std::max(untilOrder, int(o.to.num));
    int64_t limit = 0;
    if (needEnd || untilOrder >= 0)
        limit = offlineFirstFrameAt(clock, clock.warningSamples + LONGEST_MUSIC * OFFLINE_RATE);
    if (!planOfflineMusic(clock, limit, untilOrder, needEnd, plan, stop)) {
        *error = "the show's music cannot be played";
        return 1;
    }
    if (needEnd && plan->endFrame < 0) {
        *error = "the music did not end within an hour";
        return 1;
    }
    if (!video) return 0;

    Range& g = *range;
    g.to = offlineFirstFrameAt(clock, clock.warningSamples + plan->endSample + samplesOfSeconds(o.tailNum, o.tailDen));
    if (!momentFrame(o.from, clock, *plan, "--from", &g.from, error) ||
        !momentFrame(o.to, clock, *plan, "--to", &g.to, error))
        return 2;
    if (g.to <= g.from) {
        *error = "the range is empty: --to " + showTimeText(clock, g.to) + " is not after --from " +
                 showTimeText(clock, g.from);
        return 2;
    }
    g.last = g.to;
    return 0;
}
