#pragma once
// The platform layer: the few operating-system services the program needs,
// standing in for the window, input, message box, console and clock calls of
// the system the program was first written for. SDL2 provides the window, the
// OpenGL context, input and message boxes; the clocks are monotonic.
// Nothing outside app/platform/ includes SDL.
#include <cstdint>

// --- Clocks ------------------------------------------------------------------
// Milliseconds since the process started (what the program calls clock()).
uint32_t clockMillis();
// High-resolution counter that starts near zero at process start, and its
// ticks per second.
int64_t performanceCounter();
int64_t performanceFrequency();
// Tests and the capture drive time themselves: while scripted, the clocks above
// return these values.
void useScriptedClock(uint32_t millis, int64_t counter);
void useRealClock();

// --- Process -----------------------------------------------------------------
// First thing at start-up, before any thread exists: sets the environment the
// window system reads (the window class) and catches SIGINT, SIGTERM and SIGHUP.
void platformStartProcess(const char* windowClass);
// True once one of those signals has arrived: the program ends at once.
bool platformTerminationRequested();

// --- Console and message boxes -------------------------------------------------
// Writes exactly length bytes to standard output, unbuffered.
int platformConsoleWrite(const char* text, int length);
// A modal error box with the given caption; on standard error instead when no
// display can show it or VORTELAN_MESSAGES=stderr is set.
void platformMessageBox(const char* text, const char* caption);
// "SDL x.y.z\nlibopenmpt x.y.z\n": the library versions loaded at run time.
// Needs no initialised subsystem.
const char* platformLibraryVersions();

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
// Error code of the last failed platform call (0 when none); its text goes to
// standard error when the failure happens.
uint32_t platformLastError();
