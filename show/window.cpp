// The demo's window and OpenGL context, the graphics set-up every new context
// needs, the window procedure and the fullscreen toggle.
#include "show/window.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/diagnostics.h"
#include "core/globals.h"
#include "render/draw.h"
#include "render/draw_choice.h"
#include "render/draw_gl.h"
#include "render/frame.h"
#include "render/soft_draw.h"
#include "render/textures.h"
#include "render/workers.h"
#include "shapes/scene_objects.h"
#include "shapes/tile_glyph.h"
#include "show/title.h"

WindowHandle demoWindow = nullptr;
DeviceContext demoDC = nullptr;
GlContextHandle glContext = nullptr;
bool drawsInSoftware = false;

namespace {
// Messages print addresses and handles as 32-bit hexadecimal values.
unsigned hex(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

int clampToInt(int64_t v) { return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int>(v)); }

struct DisplayModeRecord {
    int width;
    int height;
    int bitsPerPixel;
};
DisplayModeRecord displayMode;
SoftFramebuffer liveFramebuffer;  // the frames when drawn in software
PixelFormat pixelFormat;
constexpr int CDS_FULLSCREEN = 4;
}  // namespace

int createDemoWindow() {
    if (!platformRegisterClass(WINDOW_CLASS_NAME, windowProc)) {
        showMessage("RegisterClass() failed");
        return -1;
    }

    bool windowed = true;
    if (fullscreen) {
        displayMode = DisplayModeRecord{screenWidth, screenHeight, colorBits};
        int result = platformChangeDisplayMode(displayMode.width, displayMode.height, displayMode.bitsPerPixel);
        if (result != 0) {
            showMessage("failure:\n ChangeDisplaySettings(0x%x,0x%x)\n returned %i\nno %ix%i fullscreen for you",
                        hex(&displayMode), CDS_FULLSCREEN, result, screenWidth, screenHeight);
            fullscreen = 0;
        } else {
            demoWindow = platformCreateWindow("kelmo", 1, 0, 0, screenWidth, screenHeight);
            windowed = false;
        }
    }
    if (windowed) {
        platformRestoreDisplayMode();
        int desktopWidth, desktopHeight;
        platformDesktopSize(&desktopWidth, &desktopHeight);
        // Centred; negative when the window is larger than the screen.
        int x = clampToInt((int64_t{desktopWidth} - screenWidth) / 2);
        int y = clampToInt((int64_t{desktopHeight} - screenHeight) / 2);
        demoWindow = platformCreateWindow("kelmo", 0, x, y, screenWidth, screenHeight);
    }
    if (!demoWindow) {
        showMessage("CreateWindow() failed");
        return -2;
    }

    // Grow the outer size by whatever the frame takes, so the client area is
    // exactly screenWidth x screenHeight.
    int clientWidth, clientHeight;
    platformClientSize(demoWindow, &clientWidth, &clientHeight);
    platformSetWindowSize(demoWindow, clampToInt(2 * int64_t{screenWidth} - clientWidth),
                          clampToInt(2 * int64_t{screenHeight} - clientHeight));

    makeWindowTitle(demoWindow);

    pixelFormat = PixelFormat{1, colorBits, 16};
    demoDC = platformGetDC(demoWindow);
    int format = platformChoosePixelFormat(demoDC, &pixelFormat);
    if (format == 0)
        showMessage("ChoosePixelFormat(0x%x,0x%x); \nreturned an errorcode %i", hex(demoDC), hex(&pixelFormat),
                    static_cast<int>(platformLastError()));
    if (!platformSetPixelFormat(demoDC, format, &pixelFormat))
        showMessage("SetPixelFormat(0x%x,0x%x,0x%x); \nreturned an errorcode %i", hex(demoDC),
                    static_cast<unsigned>(format), hex(&pixelFormat), static_cast<int>(platformLastError()));

    GlContextHandle context = platformCreateContext(demoDC);
    if (!context) {
        int error = static_cast<int>(platformLastError());
        DeviceContext dc = demoDC;
        platformReleaseDC(demoWindow, demoDC);
        platformDestroyWindow(demoWindow);
        platformUnregisterClass(WINDOW_CLASS_NAME);
        // The released handles must not be used again: a later teardown then
        // reports them as invalid instead of touching freed objects.
        demoWindow = nullptr;
        demoDC = nullptr;
        showMessage("wglCreateContext(0x%x); \nreturned an errorcode %i", hex(dc), error);
        return -6;
    }
    glContext = context;

    if (makeContextCurrent() != 0) return -7;

    platformShowWindow(demoWindow);
    consolePrint("<window created=true ></window>\n");
    return 0;
}

int makeContextCurrent() {
    if (!platformMakeCurrent(demoDC, glContext)) {
        showMessage("wglMakeCurrent(0x%x,0x%x) \n failure :( ", hex(demoDC), hex(glContext));
        return -1;
    }
    return 0;
}

int destroyDemoWindow() {
    platformMakeCurrent(nullptr, nullptr);
    if (platformDeleteContext(glContext))
        glContext = nullptr;
    else
        showMessage("WglDeleteContext(0x%x) failure", hex(glContext));
    if (platformReleaseDC(demoWindow, demoDC))
        demoDC = nullptr;
    else
        showMessage("ReleaseDC(0x%x) failed ", hex(demoWindow));
    if (platformDestroyWindow(demoWindow))
        demoWindow = nullptr;
    else
        showMessage("DestroyWindow failed");
    if (!platformUnregisterClass(WINDOW_CLASS_NAME)) showMessage("UnregisterClassFailed");
    return 0;
}

void initGraphics() {
    allocateEdgeBuffers();
    consolePrint("<openGL setup=1 >");
    makeContextCurrent();  // reported there; drawing goes on regardless
    glDrawApi.clearColor(0, 0, 0, 0);
    glDrawApi.clear(DRAW_COLOR_BUFFER_BIT);
    glDrawApi.setupView(screenWidth, screenHeight);
    consolePrint("</openGL>\n");
    // Chosen again for every context: a toggle may land on another renderer.
    // In the window's byte order, so that showing a frame is a plain copy.
    const char* choice = std::getenv("VORTELAN_DRAW");
    static bool choiceTold = false;
    if (!drawChoiceKnown(choice) && !choiceTold) {
        std::fprintf(stderr, "vortelan: VORTELAN_DRAW=%s is neither gl nor soft; the renderer decides\n", choice);
        choiceTold = true;
    }
    drawsInSoftware = drawInSoftware(choice, glRendererName()) &&
                      glPrepareSoftFrames(screenWidth, screenHeight, true);
    if (drawsInSoftware) {
        liveFramebuffer.bgra = true;
        useSoftFramebuffer(&liveFramebuffer, screenWidth, screenHeight);
    } else {
        draw = &glDrawApi;
    }
    setRenderThreads(availableCores());
    createTextures();  // the old context took its textures with it
    buildTileMap();
    buildSceneObjects();
}

void presentFrame() {
    if (drawsInSoftware) presentSoftFrame(liveFramebuffer);
}

intptr_t windowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_CLOSE:
            platformPostQuitMessage();
            return 0;
        case WM_KEYUP:  // keys act when released
            switch (wParam) {
                case VK_ESCAPE: platformPostQuitMessage(); break;
                case '1': detailStep = 1; break;
                case '2': detailStep = 2; break;
                case '3': detailStep = 4; break;
                case '4': detailStep = 8; break;
                case '5': detailStep = 16; break;
                case '6': detailStep = 32; break;
                case VK_F4: toggleFullscreen(0, 0); break;
                default: break;
            }
            break;
        case WM_LBUTTONDOWN: mouseHeld = 1; break;
        case WM_LBUTTONUP: mouseHeld = 0; break;
        default: break;
    }
    return platformDefWindowProc(window, message, wParam, lParam);
}

int toggleFullscreen(int skipDestroy, int skipCreate) {
    consolePrint("<video setup=1>\n");
    if (!skipDestroy) {
        destroyDemoWindow();
        fullscreen ^= 1;
    }
    if (!skipCreate) {
        int result = createDemoWindow();
        if (result != 0) {
            showMessage("window creation failed \n exiting now %i", result);
            platformPostQuitMessage();
            return -2;
        }
        initGraphics();
    }
    consolePrint("</video>\n");
    return 0;
}
