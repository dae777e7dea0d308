// The native side of the browser checks. Each command takes a page's query
// and answers what the page must answer, by the capture's own path:
//   web_reference stills QUERY FOLDER K...
//                                   frames K of fps=..&width=..&height=..
//                                   (warning, detail) drawn as the capture
//                                   draws them, every frame before them too;
//                                   raw RGBA in FOLDER/K.rgba
//   web_reference syncs             every sync of the show's song as the module
//                                   player fires it offline: "frame user data"
//   web_reference start QUERY       t=..: the capture frame the show starts on,
//                                   the frame its music starts at, and the
//                                   show's state after the frames before it
//   web_reference bench QUERY       the time each frame of the show takes to
//                                   draw at the query's size, for the benchmark
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "audio/player.h"
#include "core/globals.h"
#include "core/ini.h"
#include "show/offline_show.h"
#include "show/page_query.h"
#include "show/show_state.h"
#include "timeline/music.h"

namespace {
constexpr int64_t LONGEST_SECONDS = 24 * 3600;

int usage() {
    std::fprintf(stderr, "usage: web_reference stills QUERY FOLDER FRAME... | syncs | start QUERY | bench QUERY\n");
    return 2;
}

// The settings the page reads from the query, and its own pairs.
PageQuery settings(const char* query) {
    PageQuery q = readPageQuery(query);
    for (const std::string& note : q.notes) std::fprintf(stderr, "web_reference: %s\n", note.c_str());
    loadIniText(q.ini.c_str(), q.ini.size());
    return q;
}

// Frames K... of the query's clock, size, warning screen and detail, each
// written to folder/K.rgba: the capture's path, every frame drawn.
int stills(const char* query, const char* folder, int count, char** frames) {
    PageQuery q = settings(query);
    OfflineClock clock{q.fpsNum, q.fpsDen, pageWarningSamples(warningMillis)};
    OfflineShow show;
    if (!openOfflineShow(&show, clock, screenWidth, screenHeight, detailStep)) {
        std::fprintf(stderr, "web_reference: the show's music cannot be played\n");
        return 1;
    }
    std::vector<int64_t> wanted;
    for (int i = 0; i < count; ++i) wanted.push_back(std::atoll(frames[i]));
    int status = 0;
    for (int64_t last = *std::max_element(wanted.begin(), wanted.end()); show.frame <= last;) {
        int64_t k = show.frame;
        stepOfflineShow(&show, nullptr);
        if (std::find(wanted.begin(), wanted.end(), k) == wanted.end()) continue;
        std::string name = std::string(folder) + "/" + std::to_string(k) + ".rgba";
        FILE* f = std::fopen(name.c_str(), "wb");
        bool ok = f && std::fwrite(show.fb.pixels.data(), 1, show.fb.pixels.size(), f) == show.fb.pixels.size();
        if (f) ok = std::fclose(f) == 0 && ok;
        if (!ok) {
            std::fprintf(stderr, "web_reference: cannot write %s\n", name.c_str());
            status = 1;
        }
    }
    closeOfflineShow(&show);
    return status;
}

void printSync(uint32_t, uint32_t data, uint32_t user) {
    std::printf("%lld %u %u\n", static_cast<long long>(playerAudibleFrame()), user, data);
}

int syncs() {
    if (!playerInit(PLAYER_DEVICE_OFFLINE, OFFLINE_RATE, 0)) return 1;
    playerMusicLoad(1, musicModule, 0, musicModuleSize, 0);
    for (uint32_t instrument : SYNC_INSTRUMENTS)
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | instrument, printSync, instrument);
    playerSetSync(PLAYER_SYNC_END, 0, printSync, END_SYNC_ID);
    playerPlay(0, 0, 1);
    int64_t ended = -1;
    while (ended < 0 || playerAudibleFrame() < ended + OFFLINE_RATE)
        if (playerOfflineRender(nullptr, 735) < 735 && ended < 0) ended = playerAudibleFrame();
    playerFree();
    return 0;
}

int start(const char* query) {
    PageQuery q = settings(query);
    OfflineClock clock{60, 1, pageWarningSamples(warningMillis)};
    OfflineMusicPlan plan;
    const int64_t limit = offlineFirstFrameAt(clock, clock.warningSamples + LONGEST_SECONDS * OFFLINE_RATE);
    const PageMoment& m = q.start;
    int64_t frame = -1;
    if (m.kind == PageMoment::Seconds) {
        frame = offlineFirstFrameAt(clock, clock.warningSamples + (m.num * OFFLINE_RATE * 2 + m.den) / (2 * m.den));
    } else if (m.kind != PageMoment::None) {
        bool end = m.kind == PageMoment::End;
        if (!planOfflineMusic(clock, limit, end ? -1 : int(m.num), end, &plan)) return 1;
        frame = end ? plan.endFrame : plan.orderFrame[m.num];
    }
    if (frame < 0) {
        std::fprintf(stderr, "web_reference: no such moment\n");
        return 1;
    }
    settings(query);  // the plan began from the program's initial state
    OfflineShow show;
    // Nothing in the state line depends on the picture's size: one block will do.
    if (!openOfflineShow(&show, clock, 64, 64, detailStep)) return 1;
    while (show.frame < frame) stepOfflineShow(&show, nullptr);
    std::printf("frame %lld music %lld\n%s\n", static_cast<long long>(frame),
                static_cast<long long>(offlineFrameSample(clock, frame) - clock.warningSamples),
                showStateText().c_str());
    closeOfflineShow(&show);
    return 0;
}
}  // namespace

// The cost of the same frames natively: the whole show and 3 s of its ending
// at the query's size and rate, every frame drawn, timed one by one.
int bench(const char* query) {
    PageQuery q = settings(query);
    OfflineClock clock{q.fpsNum, q.fpsDen, pageWarningSamples(warningMillis)};
    OfflineShow show;
    if (!openOfflineShow(&show, clock, screenWidth, screenHeight, detailStep)) return 1;
    std::vector<double> ms;
    int64_t end = -1;
    while (end < 0 || show.frame < end) {
        auto t = std::chrono::steady_clock::now();
        stepOfflineShow(&show, nullptr);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
        if (end < 0 && show.pastEnd) end = show.frame + 3 * q.fpsNum / q.fpsDen;
    }
    closeOfflineShow(&show);
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("native %dx%d: %zu frames, mean %.2f ms, median %.2f ms, 95%% %.2f ms, most %.2f ms\n", screenWidth,
                screenHeight, ms.size(), sum / double(ms.size()), sorted[sorted.size() / 2],
                sorted[sorted.size() * 95 / 100], sorted.back());
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "stills") == 0) return stills(argv[2], argv[3], argc - 4, argv + 4);
    if (argc == 2 && std::strcmp(argv[1], "syncs") == 0) return syncs();
    if (argc == 3 && std::strcmp(argv[1], "bench") == 0) return bench(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "start") == 0) return start(argv[2]);
    return usage();
}
