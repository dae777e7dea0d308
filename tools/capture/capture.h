#pragma once
// One capture run: the show played on its virtual clock by a render thread,
// each frame's picture and sound handed through a small ring of preallocated
// slots to the calling thread, which converts the colours and encodes (x264
// adds threads of its own); the contact sheet is filled on the way. Files appear under their names only
// when complete; Ctrl-C or SIGTERM removes what was begun.
#include "tools/capture/options.h"

// Runs the capture; returns the exit status (0 done, 1 failed, 128 + signal
// when interrupted). Messages go to standard error.
int runCapture(const CaptureOptions& options);
