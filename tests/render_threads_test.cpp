// Frames drawn on several threads and in the window's byte order are the
// frames drawn on one thread in RGBA: the whole show offline, frame by frame,
// with the same samples and quads. Also the helper threads themselves and the
// choice of the live back end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "render/draw_choice.h"
#include "render/frame.h"
#include "render/workers.h"
#include "show/offline_show.h"
#include "timeline/composition.h"

namespace {
std::atomic<int64_t> samples{0};
int countingScene(float x, float y) {
    samples.fetch_add(1, std::memory_order_relaxed);
    return sampleScene(x, y);
}

// FNV-1a over a frame's pixels as R, G, B.
uint64_t frameHash(const SoftFramebuffer& fb) {
    uint64_t h = 14695981039346656037ull;
    for (size_t i = 0; i < fb.pixels.size(); i += 4)
        for (int c = 0; c < 3; ++c) {
            h ^= fb.pixels[i + (fb.bgra ? 2 - c : c)];
            h *= 1099511628211ull;
        }
    return h;
}

struct ShowRun {
    std::vector<uint64_t> frames;
    int64_t samples = 0;
    uint64_t quads = 0;
};

// Three frames a second over the warning screen, the whole show (the screen
// door of order 16 included) and into the ending, on a grid whose last column
// and row are clipped.
ShowRun runShow(int threads, bool bgra, int detail) {
    setRenderThreads(threads);
    OfflineShow show;
    show.fb.bgra = bgra;
    OfflineClock clock;
    clock.fpsNum = 3;
    clock.warningSamples = OFFLINE_RATE;
    ShowRun run;
    if (!openOfflineShow(&show, clock, 360, 270, detail)) return run;
    frameScene = countingScene;
    samples = 0;
    for (int n = 0; n < 3 * 152; ++n) {
        stepOfflineShow(&show, nullptr);
        run.frames.push_back(frameHash(show.fb));
    }
    run.samples = samples;
    run.quads = softQuadCount;
    frameScene = sampleScene;
    closeOfflineShow(&show);
    setRenderThreads(1);
    return run;
}
}  // namespace

TEST(RenderThreads, EveryPieceOnceWhateverTheThreads) {
    // Threads, pieces: every piece runs once, its thread number in range,
    // also with fewer pieces than threads and with none.
    const int cases[][2] = {{1, 5}, {2, 1}, {2, 2}, {3, 100}, {4, 3}, {16, 40}, {3, 0}};
    for (auto [threads, pieces] : cases) {
        setRenderThreads(threads);
        EXPECT_EQ(renderThreads(), threads);
        for (int repeat = 0; repeat < 50; ++repeat) {
            std::vector<std::atomic<int>> runs(static_cast<size_t>(pieces));
            std::atomic<int> badThread{0};
            struct Context {
                std::vector<std::atomic<int>>* runs;
                std::atomic<int>* badThread;
                int threads;
            } context{&runs, &badThread, threads};
            runPieces(
                pieces,
                [](int piece, int thread, void* c) {
                    auto* x = static_cast<Context*>(c);
                    (*x->runs)[static_cast<size_t>(piece)].fetch_add(1);
                    if (thread < 0 || thread >= x->threads) x->badThread->fetch_add(1);
                },
                &context);
            for (int p = 0; p < pieces; ++p) ASSERT_EQ(runs[static_cast<size_t>(p)].load(), 1) << threads << "/" << pieces;
            ASSERT_EQ(badThread.load(), 0);
        }
    }
    setRenderThreads(0);
    EXPECT_EQ(renderThreads(), 1);
    setRenderThreads(MAX_RENDER_THREADS + 5);
    EXPECT_EQ(renderThreads(), MAX_RENDER_THREADS);
    setRenderThreads(1);
    EXPECT_GE(availableCores(), 1);
}

TEST(RenderThreads, TheShowFrameByFrameOnAnyThreadsInEitherByteOrder) {
    for (int detail : {1, 8}) {
        const ShowRun one = runShow(1, false, detail);
        ASSERT_EQ(one.frames.size(), 3u * 152) << "no offline player";
        // Not a blank show: the frames differ from each other.
        std::vector<uint64_t> distinct = one.frames;
        std::sort(distinct.begin(), distinct.end());
        EXPECT_GT(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 300);
        for (auto [threads, bgra] : {std::pair{1, true}, std::pair{3, false}, std::pair{2, true}}) {
            const ShowRun other = runShow(threads, bgra, detail);
            EXPECT_EQ(other.samples, one.samples) << threads << " threads";
            EXPECT_EQ(other.quads, one.quads) << threads << " threads";
            ASSERT_EQ(other.frames.size(), one.frames.size());
            size_t first = std::mismatch(one.frames.begin(), one.frames.end(), other.frames.begin()).first -
                           one.frames.begin();
            EXPECT_EQ(first, one.frames.size())
                << "frame " << first << " differs on " << threads << " threads, bgra " << bgra << ", detail " << detail;
        }
    }
}

TEST(DrawChoice, SoftwareWhereGlRunsOnTheProcessorUnlessForced) {
    const struct {
        const char* choice;
        const char* renderer;
        bool software;
    } cases[] = {
        {nullptr, "llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {nullptr, "softpipe", true},
        {nullptr, "Mesa X11 Software Rasterizer", true},
        {nullptr, "zink (LLVMPIPE (LLVM 15.0.6, 256 bits))", true},
        {nullptr, "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)", false},
        {nullptr, nullptr, false},
        {"GL", "softpipe", false},
        {"soft", "NVIDIA GeForce GTX 1060/PCIe/SSE2", true},
        {"Soft", nullptr, true},
        {"", "llvmpipe", true},
        {"fast", "NVIDIA GeForce GTX 1060/PCIe/SSE2", false},
        {"software", "llvmpipe", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(drawInSoftware(c.choice, c.renderer), c.software)
            << (c.choice ? c.choice : "unset") << " / " << (c.renderer ? c.renderer : "null");
    // Only a value that is set and means neither way is worth a word to the user.
    for (auto [choice, known] : {std::pair<const char*, bool>{nullptr, true}, {"", true}, {"Gl", true},
                                 {"SOFT", true}, {"fast", false}, {"software", false}, {"gl ", false}})
        EXPECT_EQ(drawChoiceKnown(choice), known) << (choice ? choice : "unset");
}
