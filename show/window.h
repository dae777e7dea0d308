#pragma once
// The one window the program draws into, its drawable and OpenGL context, the
// graphics set-up that every new context needs, its window procedure and the
// fullscreen toggle.
#include "platform/window.h"

constexpr const char* WINDOW_CLASS_NAME = "DEVURUZIDOZORADEVOZ";

extern WindowHandle demoWindow;
extern DeviceContext demoDC;
extern GlContextHandle glContext;
// Frames go to the software framebuffer and are shown through GL (chosen by
// initGraphics for each new context), or straight to GL.
extern bool drawsInSoftware;

// 0 success; -1 class registration, -2 window creation, -6 rendering context,
// -7 making the context current failed.
int createDemoWindow();
int destroyDemoWindow();  // always 0
int makeContextCurrent(); // 0, or -1
// The context's state, the back end for its frames and the render threads,
// the textures, the tile map and the scene objects.
void initGraphics();
// Puts a frame drawn in software on the window, before the buffer swap.
void presentFrame();

// Keys act on release: Escape quits, 1..6 set the detail, F4 toggles
// fullscreen; the left button sets mouseHeld; a close request quits.
intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Destroys the window and makes one in the other mode, as the flags allow.
// 0, or -2 when the new window cannot be made (a quit request is then posted).
int toggleFullscreen(int skipDestroy, int skipCreate);
