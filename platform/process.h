#pragma once
// What the process settles before any thread exists, and the one policy for
// the termination signals shared by the demo and the capture: SIGINT, SIGTERM
// and SIGHUP are caught, unless whoever started us set them to be ignored
// (nohup, a background job), and the program ends at once in good order.

// The demo's start: the environment the window system reads (the window
// class), then the termination signals.
void platformStartProcess(const char* windowClass);
// Catches the termination signals as described above. Safe to call again.
void platformCatchTerminationSignals();
// The first termination signal that arrived, or 0.
int platformTerminationSignal();
inline bool platformTerminationRequested() { return platformTerminationSignal() != 0; }
