#pragma once
// The window, its OpenGL context and input, through SDL2, in the shape of the
// window-system calls the program was first written against: a class holding a
// window procedure, a display-mode change, a drawable with a pixel format, a
// context, and a message queue. Nothing outside platform/ includes SDL.
#include <cstdint>

// --- Window messages -------------------------------------------------------------
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;

constexpr uintptr_t VK_ESCAPE = 0x1B;
constexpr uintptr_t VK_F4 = 0x73;

struct PlatformWindow;  // opaque
using WindowHandle = PlatformWindow*;
using DeviceContext = PlatformWindow*;  // the window's drawable
using GlContextHandle = void*;

struct Message {
    WindowHandle window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

using WindowProcFn = intptr_t (*)(WindowHandle, uint32_t, uintptr_t, intptr_t);

// Takes the next message if there is one: input and window events become the
// messages above, a posted quit request becomes WM_QUIT.
bool platformPeekMessage(Message* msg);
// Hands a message to the window procedure registered with the window class.
intptr_t platformDispatchMessage(const Message* msg);
void platformPostQuitMessage();
// Default processing of a message: nothing is left for it to do here, but
// every message except WM_CLOSE passes through it; the count lets tests see that.
intptr_t platformDefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
extern int defWindowProcCalls;

// --- Window and OpenGL context ---------------------------------------------------
// The window class: starts the video subsystem and remembers the procedure.
// False when no video driver (no display) can be opened.
bool platformRegisterClass(const char* className, WindowProcFn proc);
bool platformUnregisterClass(const char* className);
// Fullscreen display mode of exactly width x height x bits: 0 on success, else
// -2 (the mode is not offered) or -1 (the change failed).
int platformChangeDisplayMode(int width, int height, int bits);
void platformRestoreDisplayMode();
// Usable desktop area, for centring a window.
void platformDesktopSize(int* width, int* height);
// The window starts hidden; platformShowWindow shows, raises and focuses it.
WindowHandle platformCreateWindow(const char* name, int isFullscreen, int x, int y, int width, int height);
bool platformDestroyWindow(WindowHandle window);
void platformClientSize(WindowHandle window, int* width, int* height);
void platformSetWindowSize(WindowHandle window, int width, int height);
void platformSetWindowTitle(WindowHandle window, const char* title);
void platformShowWindow(WindowHandle window);
void platformShowCursor(bool show);

struct PixelFormat {
    int doubleBuffer;
    int colorBits;
    int depthBits;
};
DeviceContext platformGetDC(WindowHandle window);
bool platformReleaseDC(WindowHandle window, DeviceContext dc);
// 0 when no matching format exists, else a format index.
int platformChoosePixelFormat(DeviceContext dc, const PixelFormat* format);
bool platformSetPixelFormat(DeviceContext dc, int index, const PixelFormat* format);
GlContextHandle platformCreateContext(DeviceContext dc);
bool platformMakeCurrent(DeviceContext dc, GlContextHandle context);
bool platformDeleteContext(GlContextHandle context);
void platformSwapBuffers(DeviceContext dc);
// An OpenGL function beyond 1.1 by name, for the current context; null when
// the library does not have it (whether the context offers it is for the
// caller to ask GL).
void* platformGlFunction(const char* name);
// Error code of the last failed platform call (0 when none); its text goes to
// standard error when the failure happens.
uint32_t platformLastError();
