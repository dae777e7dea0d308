// Frames of a scene through the software framebuffer at 1280 x 960, per detail
// level: CPU time per frame, scene samples per frame and quads per frame, next
// to a brute-force reference that samples every pixel; the overlays' textured
// and blended quads against a flat fill of the same window. Also the cost of
// one call through the drawing interface. Run: build/bench/render_bench
#include <benchmark/benchmark.h>

#include <cmath>

#include "core/globals.h"
#include "show/offline_show.h"
#include "timeline/composition.h"
#include "render/draw.h"
#include "render/frame.h"
#include "render/overlays.h"
#include "render/soft_draw.h"
#include "render/textures.h"

namespace {
int64_t samples = 0;

// A typical frame: rings, a slanted band, hyperbolic stripes and open paper.
int scene(float x, float y) {
    ++samples;
    float dx = x - 480.0f, dy = y - 420.0f;
    float r2 = dx * dx + dy * dy;
    if (r2 < 300.0f * 300.0f && r2 > 120.0f * 120.0f) return 1;
    if (std::fabs(x - 0.7f * y - 700.0f) < 40.0f) return 1;
    return x > 1000.0f && static_cast<int>(x * y / 9000.0f) % 3 == 0;
}
void quiet() {}

void setup(SoftFramebuffer* fb) {
    resetDemoGlobals();
    screenWidth = 1280;
    screenHeight = 960;
    blocksAcross = 20;
    blocksDown = 15;
    useSoftFramebuffer(fb, screenWidth, screenHeight);
    frameScene = scene;
    frameTimeline = quiet;
    allocateEdgeBuffers();
}

void BM_AdaptiveFrame(benchmark::State& state) {
    SoftFramebuffer fb;
    setup(&fb);
    detailStep = 1 << state.range(0);  // keys 1..6: 1, 2, 4, 8, 16, 32
    samples = 0;
    softQuadCount = 0;
    for (auto _ : state) renderFrame();
    state.counters["samples/frame"] = static_cast<double>(samples) / static_cast<double>(state.iterations());
    state.counters["quads/frame"] = static_cast<double>(softQuadCount) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AdaptiveFrame)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The same frames with drawing that does nothing: the renderer's own share.
void nothing(float, float) {}
void nothingI(int, int) {}
void nothing3(float, float, float) {}
void nothingClear(DrawBits) {}
void nothingRects(const DrawRect*, int) {}
const DrawApi sweepOnly = [] {
    DrawApi api = softDrawApi;
    api.rectangles = nothingRects;
    api.vertex2f = nothing;
    api.vertex2i = nothingI;
    api.color3f = nothing3;
    api.clear = nothingClear;
    return api;
}();

void BM_AdaptiveSweepOnly(benchmark::State& state) {
    SoftFramebuffer fb;
    setup(&fb);
    draw = &sweepOnly;
    detailStep = 1 << state.range(0);
    samples = 0;
    for (auto _ : state) renderFrame();
    state.counters["samples/frame"] = static_cast<double>(samples) / static_cast<double>(state.iterations());
    draw = &softDrawApi;
}
BENCHMARK(BM_AdaptiveSweepOnly)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Every pixel asked and painted on its own: what the block sweep saves.
void BM_BruteForceFrame(benchmark::State& state) {
    SoftFramebuffer fb;
    setup(&fb);
    samples = 0;
    for (auto _ : state) {
        for (int y = 0; y < screenHeight; ++y) {
            uint8_t* p = &fb.pixels[static_cast<size_t>(y) * screenWidth * 4];
            for (int x = 0; x < screenWidth; ++x, p += 4) {
                uint8_t v = scene(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f) ? 0 : 255;
                p[0] = p[1] = p[2] = v;
            }
        }
        benchmark::DoNotOptimize(fb.pixels.data());
    }
    state.counters["samples/frame"] = static_cast<double>(samples) / static_cast<double>(state.iterations());
    state.counters["quads/frame"] = 0;
}
BENCHMARK(BM_BruteForceFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Frames of the show itself at a moment of each kind of scene: the music
// played offline to that time, then the same frame drawn again and again.
int countedShowScene(float x, float y) {
    ++samples;
    return sampleScene(x, y);
}

void BM_ShowFrame(benchmark::State& state) {
    // Milliseconds of music: a moment of each kind of scene, the heaviest among them.
    static const int64_t moments[] = {5000, 50000, 38600, 58000, 62200, 66000, 75000, 89000, 128000, 133000, 143000};
    static const char* names[] = {"order 0, intro",     "order 7, logo",      "order 5, zoom",   "order 8, fan",
                                  "order 9, fractal",   "order 10, crosses",  "order 11",        "order 13, discs",
                                  "order 18",           "order 19, fractal",  "order 20"};
    // Ten frames a second up to the moment with only the music playing, then
    // the frame at the moment.
    OfflineClock clock;
    clock.fpsNum = 10;
    OfflineShow show;
    if (!openOfflineShow(&show, clock, 1280, 960, 1)) {
        state.SkipWithError("no offline player");
        return;
    }
    detailStep = 1 << state.range(1);
    show.drawing = false;
    while (offlineFrameNanos(clock, show.frame + 1) <= moments[state.range(0)] * 1000000) stepOfflineShow(&show, nullptr);
    show.drawing = true;
    stepOfflineShow(&show, nullptr);
    frameScene = countedShowScene;
    samples = 0;
    softQuadCount = 0;
    for (auto _ : state) renderFrame();
    state.SetLabel(names[state.range(0)]);
    state.counters["samples/frame"] = static_cast<double>(samples) / static_cast<double>(state.iterations());
    state.counters["quads/frame"] = static_cast<double>(softQuadCount) / static_cast<double>(state.iterations());
    frameScene = sampleScene;
    closeOfflineShow(&show);
}
BENCHMARK(BM_ShowFrame)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 2, 5}})->Unit(benchmark::kMillisecond)
    ->Repetitions(3)->ReportAggregatesOnly(true);

// Time per window pixel, printed next to the time per frame.
void perPixel(benchmark::State& state) {
    state.counters["time/pixel"] = benchmark::Counter(static_cast<double>(screenWidth) * screenHeight,
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// The overlays' quads alone at 1280 x 960: one flat quad over the window, the
// warning picture's tiles (80 textured, the rest flat) and the screen door (one
// textured, blended quad over the window).
void flatWindowQuad() {
    draw->color3f(0.25f, 0.5f, 0.75f);
    draw->begin(DRAW_QUADS);
    draw->vertex2i(0, 0);
    draw->vertex2i(screenWidth, 0);
    draw->vertex2i(screenWidth, screenHeight);
    draw->vertex2i(0, screenHeight);
    draw->end();
}

void BM_OverlayQuads(benchmark::State& state) {
    static void (*const overlays[])() = {flatWindowQuad, drawWarningTiles, drawScreenDoor};
    static const char* names[] = {"flat window quad", "warning tiles", "screen door"};
    SoftFramebuffer fb;
    setup(&fb);
    createTextures();
    void (*overlay)() = overlays[state.range(0)];
    for (auto _ : state) overlay();
    state.SetLabel(names[state.range(0)]);
    perPixel(state);
}
BENCHMARK(BM_OverlayQuads)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The window tiled with flat squares of one size: the cost per quad of the
// flat path, next to its cost per pixel.
void BM_FlatQuads(benchmark::State& state) {
    SoftFramebuffer fb;
    setup(&fb);
    int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        draw->begin(DRAW_QUADS);
        for (int y = 0; y < screenHeight; y += size) {
            for (int x = 0; x < screenWidth; x += size) {
                draw->color3f(static_cast<float>(x) / screenWidth, static_cast<float>(y) / screenHeight, 0.5f);
                draw->vertex2i(x, y);
                draw->vertex2i(x + size, y);
                draw->vertex2i(x + size, y + size);
                draw->vertex2i(x, y + size);
            }
        }
        draw->end();
    }
    state.counters["quads/frame"] = static_cast<double>(screenWidth / size) * (screenHeight / size);
    perPixel(state);
}
BENCHMARK(BM_FlatQuads)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Whole frames of the show with their overlays: the warning screen, and the
// middle of order 16 with the screen door over the swept blocks.
void BM_OverlayFrame(benchmark::State& state) {
    // Two frames a second after a five-second warning screen.
    OfflineClock clock;
    clock.fpsNum = 2;
    clock.warningSamples = 5 * int64_t{OFFLINE_RATE};
    OfflineShow show;
    if (!openOfflineShow(&show, clock, 1280, 960, 1)) {
        state.SkipWithError("no offline player");
        return;
    }
    if (state.range(0) == 0) {
        while (show.frame <= 4) stepOfflineShow(&show, nullptr);  // 2 s into the warning screen
    } else {
        while (show.order < 16 && show.frame < 1200) stepOfflineShow(&show, nullptr);
        for (int k = 0; k < 7; ++k) stepOfflineShow(&show, nullptr);  // 3.5 s into order 16
        if (show.order != 16) {
            state.SkipWithError("the music never stays at order 16");
            closeOfflineShow(&show);
            return;
        }
    }
    for (auto _ : state) renderFrame();
    state.SetLabel(state.range(0) == 0 ? "warning screen" : "order 16");
    perPixel(state);
    closeOfflineShow(&show);
}
BENCHMARK(BM_OverlayFrame)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Repetitions(3)
    ->ReportAggregatesOnly(true);

// One vertex through the interface table against a direct call of the same
// empty function: the table's own cost per vertex.
void __attribute__((noinline)) nullVertex(float, float) { benchmark::ClobberMemory(); }
const DrawApi nullApi = [] {
    DrawApi api = softDrawApi;
    api.vertex2f = nullVertex;
    return api;
}();

void BM_VertexThroughInterface(benchmark::State& state) {
    const DrawApi* saved = draw;
    draw = &nullApi;
    float x = 0;
    for (auto _ : state) {
        draw->vertex2f(x, 1.0f);
        x += 1.0f;
    }
    draw = saved;
}
BENCHMARK(BM_VertexThroughInterface);

void BM_VertexDirectCall(benchmark::State& state) {
    float x = 0;
    for (auto _ : state) {
        nullVertex(x, 1.0f);
        x += 1.0f;
    }
}
BENCHMARK(BM_VertexDirectCall);
}  // namespace

BENCHMARK_MAIN();
