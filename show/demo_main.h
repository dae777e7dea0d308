#pragma once
// The spine of the program: start-up in a fixed order, the warning screen, the
// show's frame loop, the window procedure and the fullscreen toggle.
#include <cstdint>

#include "platform/platform.h"

// Runs the whole program; the command line is one string of space-separated
// tokens (empty: read vortelan.ini). Always returns 0.
int demoMain(const char* commandLine);
intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// 0, or -2 when the new window cannot be made (a quit request is then posted).
int toggleFullscreen(int skipDestroy, int skipCreate);
