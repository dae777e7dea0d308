// Window, OpenGL context and input through SDL2, shaped after the window
// system calls the program makes: a class holding the window procedure, a
// display-mode change, a window, its drawable, a pixel format, a context, and a
// message queue that turns input into key-up, button and close messages.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/window.h"

int defWindowProcCalls = 0;

namespace {
WindowProcFn classProc = nullptr;
bool classRegistered = false;
bool cursorHidden = false;
bool quitPosted = false;
uint32_t lastError = 0;
SDL_DisplayMode pendingMode{};  // the fullscreen mode the next fullscreen window takes
bool pendingModeValid = false;

void fail(const char* what) {
    lastError = 1;
    std::fprintf(stderr, "%s: %s\n", what, SDL_GetError());
}

SDL_Window* sdl(WindowHandle window) { return reinterpret_cast<SDL_Window*>(window); }

// Virtual-key codes of the message model: digits and capital letters are their
// ASCII codes, Escape 0x1B, F1..F12 from 0x70.
uintptr_t virtualKey(SDL_Keycode key) {
    if (key == SDLK_ESCAPE) return VK_ESCAPE;
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uintptr_t>('0' + (key - SDLK_0));
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<uintptr_t>('A' + (key - SDLK_a));
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<uintptr_t>(0x70 + (key - SDLK_F1));
    if (key == SDLK_RETURN) return 0x0D;
    if (key == SDLK_SPACE) return 0x20;
    return 0xFF;  // no key the program knows
}

void applyCursor() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorHidden ? SDL_DISABLE : SDL_ENABLE);
}
}  // namespace

bool platformRegisterClass(const char*, WindowProcFn proc) {
    classProc = proc;
    if (classRegistered) return true;
    // The video subsystem stays up once started: closing the display connection
    // at every fullscreen toggle would unload and reload the GL driver for nothing.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            fail("video");
            return false;
        }
        // Without a display SDL falls back to a driver that draws nowhere: the show
        // would run unseen in a window nobody can close. That counts as no display,
        // unless SDL_VIDEODRIVER names such a driver on purpose.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!std::getenv("SDL_VIDEODRIVER") && driver &&
            (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            lastError = 1;
            std::fprintf(stderr, "video: no display reachable (DISPLAY is not set or cannot be opened)\n");
            return false;
        }
        SDL_StopTextInput();
    }
    classRegistered = true;
    applyCursor();
    return true;
}

bool platformUnregisterClass(const char*) {
    if (!classRegistered) {
        lastError = 1411;  // class does not exist
        return false;
    }
    classRegistered = false;
    return true;
}

int platformChangeDisplayMode(int width, int height, int bits) {
    pendingModeValid = false;
    int count = SDL_GetNumDisplayModes(0);
    if (count < 1) {
        fail("display modes");
        return -1;
    }
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w == width && mode.h == height && static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8 == bits) {
            pendingMode = mode;
            pendingModeValid = true;
            return 0;
        }
    }
    return -2;  // the mode is not offered
}

void platformRestoreDisplayMode() {
    // SDL gives the desktop its own mode back when a fullscreen window goes away.
    pendingModeValid = false;
}

void platformDesktopSize(int* width, int* height) {
    SDL_Rect usable{0, 0, 0, 0};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) SDL_GetDisplayBounds(0, &usable);
    *width = usable.w;
    *height = usable.h;
}

WindowHandle platformCreateWindow(const char* name, int isFullscreen, int x, int y, int width, int height) {
    // On X11 the pixel format is fixed when the window is made, so the window is
    // created with the format the program asks for: RGBA, double-buffered,
    // 16-bit depth, nothing else.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (isFullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    SDL_Window* window = SDL_CreateWindow(name, x, y, width, height, flags);
    if (!window) {
        fail("window");
        return nullptr;
    }
    if (isFullscreen && pendingModeValid && SDL_SetWindowDisplayMode(window, &pendingMode) != 0) fail("display mode");
    applyCursor();
    return reinterpret_cast<WindowHandle>(window);
}

bool platformDestroyWindow(WindowHandle window) {
    if (!window) {
        lastError = 1400;  // invalid window handle
        return false;
    }
    SDL_DestroyWindow(sdl(window));
    return true;
}

void platformClientSize(WindowHandle window, int* width, int* height) { SDL_GetWindowSize(sdl(window), width, height); }

void platformSetWindowSize(WindowHandle window, int width, int height) {
    if (!(SDL_GetWindowFlags(sdl(window)) & SDL_WINDOW_FULLSCREEN)) SDL_SetWindowSize(sdl(window), width, height);
}

void platformSetWindowTitle(WindowHandle window, const char* title) {
    if (window) SDL_SetWindowTitle(sdl(window), title);
}

void platformShowWindow(WindowHandle window) {
    SDL_ShowWindow(sdl(window));
    SDL_RaiseWindow(sdl(window));  // to the top, with the input focus
}

void platformShowCursor(bool show) {
    cursorHidden = !show;
    applyCursor();
}

DeviceContext platformGetDC(WindowHandle window) { return window; }

bool platformReleaseDC(WindowHandle window, DeviceContext dc) {
    if (!window || dc != window) {
        lastError = 1400;
        return false;
    }
    return true;
}

int platformChoosePixelFormat(DeviceContext dc, const PixelFormat* format) {
    // The one format the window was made with; anything else is not available.
    if (!dc || !format->doubleBuffer || format->colorBits != 32 || format->depthBits != 16) {
        lastError = 2000;  // invalid pixel format
        return 0;
    }
    return 1;
}

bool platformSetPixelFormat(DeviceContext dc, int index, const PixelFormat*) {
    if (!dc || index != 1) {
        lastError = 2000;
        return false;
    }
    return true;
}

GlContextHandle platformCreateContext(DeviceContext dc) {
    if (!dc) {
        lastError = 1400;
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(sdl(dc));
    if (!context) fail("OpenGL context");
    return context;
}

bool platformMakeCurrent(DeviceContext dc, GlContextHandle context) {
    if (!dc && !context) {
        if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GL_GetCurrentContext()) SDL_GL_MakeCurrent(nullptr, nullptr);
        return true;
    }
    if (!dc || !context || SDL_GL_MakeCurrent(sdl(dc), context) != 0) {
        fail("make current");
        return false;
    }
    return true;
}

bool platformDeleteContext(GlContextHandle context) {
    if (!context) {
        lastError = 2004;  // invalid context handle
        return false;
    }
    SDL_GL_DeleteContext(context);
    return true;
}

void platformSwapBuffers(DeviceContext dc) {
    if (dc) SDL_GL_SwapWindow(sdl(dc));
}

void* platformGlFunction(const char* name) { return SDL_GL_GetProcAddress(name); }

uint32_t platformLastError() { return lastError; }

// --- Messages ------------------------------------------------------------------

bool platformPeekMessage(Message* msg) {
    if (quitPosted) {
        quitPosted = false;
        *msg = Message{nullptr, WM_QUIT, 0, 0};
        return true;
    }
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return false;
    WindowHandle window = reinterpret_cast<WindowHandle>(SDL_GetWindowFromID(event.window.windowID));
    switch (event.type) {
        case SDL_QUIT:
            *msg = Message{window, WM_CLOSE, 0, 0};
            break;
        case SDL_WINDOWEVENT:
            *msg = Message{window, event.window.event == SDL_WINDOWEVENT_CLOSE ? WM_CLOSE : WM_NULL, 0, 0};
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            *msg = Message{window, event.type == SDL_KEYUP ? WM_KEYUP : WM_KEYDOWN, virtualKey(event.key.keysym.sym), 0};
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool left = event.button.button == SDL_BUTTON_LEFT;
            uint32_t id = event.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            intptr_t at = (static_cast<intptr_t>(event.button.y) << 16) | (event.button.x & 0xFFFF);
            *msg = Message{window, left ? id : WM_NULL, 0, at};
            break;
        }
        default:
            *msg = Message{window, WM_NULL, 0, 0};
            break;
    }
    return true;
}

intptr_t platformDispatchMessage(const Message* msg) {
    if (!classProc) return 0;
    return classProc(msg->window, msg->message, msg->wParam, msg->lParam);
}

void platformPostQuitMessage() { quitPosted = true; }

intptr_t platformDefWindowProc(WindowHandle, uint32_t, uintptr_t, intptr_t) {
    ++defWindowProcCalls;
    return 0;
}
