// Helper threads made once, sharing the pieces of one job at a time with the
// thread that asks.
#include "render/workers.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {
struct Pool {
    std::mutex lock;
    std::condition_variable wake;  // a new job, or the end
    std::condition_variable done;  // the last helper has left the job
    std::vector<std::thread> helpers;
    int threads = 1;         // in use, the caller included
    unsigned generation = 0; // one per job
    bool stopping = false;
    PieceJob job = nullptr;
    void* context = nullptr;
    int pieces = 0;
    int busyHelpers = 0;     // helpers still inside the current job
    std::atomic<int> next{0};

    ~Pool() {
        {
            std::lock_guard<std::mutex> hold(lock);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& t : helpers) t.join();
    }
};
Pool pool;

void takePieces(PieceJob job, void* context, int pieces, int thread) {
    for (int piece = pool.next.fetch_add(1, std::memory_order_relaxed); piece < pieces;
         piece = pool.next.fetch_add(1, std::memory_order_relaxed))
        job(piece, thread, context);
}

void helperLoop(int thread) {
    unsigned seen = 0;
    std::unique_lock<std::mutex> hold(pool.lock);
    for (;;) {
        pool.wake.wait(hold, [&] { return pool.stopping || (pool.generation != seen && thread < pool.threads); });
        if (pool.stopping) return;
        seen = pool.generation;
        PieceJob job = pool.job;
        void* context = pool.context;
        int pieces = pool.pieces;
        hold.unlock();
        takePieces(job, context, pieces, thread);
        hold.lock();
        if (--pool.busyHelpers == 0) pool.done.notify_one();
    }
}
}  // namespace

void setRenderThreads(int threads) {
    threads = std::clamp(threads, 1, MAX_RENDER_THREADS);
    std::lock_guard<std::mutex> hold(pool.lock);
    while (static_cast<int>(pool.helpers.size()) < threads - 1)
        pool.helpers.emplace_back(helperLoop, static_cast<int>(pool.helpers.size()) + 1);
    pool.threads = threads;
}

int renderThreads() {
    std::lock_guard<std::mutex> hold(pool.lock);
    return pool.threads;
}

int availableCores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void runPieces(int pieces, PieceJob job, void* context) {
    std::unique_lock<std::mutex> hold(pool.lock);
    int helpers = std::min(pool.threads, pieces) - 1;
    if (helpers <= 0) {
        hold.unlock();
        for (int piece = 0; piece < pieces; ++piece) job(piece, 0, context);
        return;
    }
    pool.job = job;
    pool.context = context;
    pool.pieces = pieces;
    pool.next.store(0, std::memory_order_relaxed);
    // Every helper in use joins the job, even when the pieces run out before it
    // gets one: the next job may start only when all have left this one.
    pool.busyHelpers = pool.threads - 1;
    ++pool.generation;
    hold.unlock();
    pool.wake.notify_all();
    takePieces(job, context, pieces, 0);
    hold.lock();
    pool.done.wait(hold, [] { return pool.busyHelpers == 0; });
}
