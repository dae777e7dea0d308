#pragma once
// What the process settles before any thread exists, and the one policy for
// the termination signals shared by the demo and the capture: SIGINT, SIGTERM
// and SIGHUP are caught, unless whoever started us set them to be ignored
// (nohup, a background job), and the program ends at once in good order. A
// second such signal does not wait for that order: the process removes the
// files registered below, writes the registered line to standard error and
// ends with 128 + that signal. Both are prepared beforehand, because the
// signal handler may only make system calls.

// The demo's start: the environment the window system reads (the window
// class), then the termination signals.
void platformStartProcess(const char* windowClass);
// Catches the termination signals as described above. Safe to call again.
void platformCatchTerminationSignals();
// The first termination signal that arrived, or 0.
int platformTerminationSignal();
inline bool platformTerminationRequested() { return platformTerminationSignal() != 0; }

constexpr int SECOND_SIGNAL_FILES = 4;
// Registers a file (the path is copied) for removal by a second signal;
// returns its slot, or -1 when all slots are taken or the path is too long.
// Called from one thread at a time.
int platformRemoveOnSecondSignal(const char* path);
// Forgets a slot once its file has been renamed or removed in good order.
void platformKeepOnSecondSignal(int slot);
// The line a second signal writes (with its line break); null for none. Set
// it before other threads start.
void platformSetSecondSignalLine(const char* line);
