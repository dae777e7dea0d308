#pragma once
// The renderer's helper threads. A job is split into numbered pieces that the
// calling thread and the helpers take one at a time until none is left; the
// call returns when every piece is done, so what the pieces wrote is then
// visible to the caller, and what the caller wrote before is visible to them.
// Helpers are made once, when more threads are first asked for, and wait
// between jobs; with one thread (the default) every job runs on the caller.

// piece: 0 .. pieces - 1; thread: 0 for the caller, 1 .. renderThreads() - 1
// for the helpers, so a job can keep scratch space per thread.
using PieceJob = void (*)(int piece, int thread, void* context);

constexpr int MAX_RENDER_THREADS = 16;

// Threads that jobs use, the caller included, held to 1 .. MAX_RENDER_THREADS.
void setRenderThreads(int threads);
int renderThreads();
// The processor cores this process may run on, at least 1.
int availableCores();

// Runs job for every piece, each exactly once, and returns when all are done.
// Not reentrant: a piece must not start another job.
void runPieces(int pieces, PieceJob job, void* context);
