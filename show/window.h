#pragma once
// The one window the program draws into, its drawable and OpenGL context, and
// the graphics set-up that every new context needs.
#include "platform/platform.h"

constexpr const char* WINDOW_CLASS_NAME = "DEVURUZIDOZORADEVOZ";

extern WindowHandle demoWindow;
extern DeviceContext demoDC;
extern GlContextHandle glContext;

// 0 success; -1 class registration, -2 window creation, -6 rendering context,
// -7 making the context current failed.
int createDemoWindow();
int destroyDemoWindow();  // always 0
int makeContextCurrent(); // 0, or -1
void initGraphics();
