#include "show/demo_main.h"

#include "core/config.h"
#include "core/diagnostics.h"
#include "core/globals.h"
#include "show/window.h"
#include "render/frame.h"
#include "timeline/music.h"

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

namespace {
// One pass of either loop: a message if one waits, else a frame. Returns false
// when the message was the quit request.
bool pumpOrDraw(Message* msg) {
    if (platformPeekMessage(msg)) {
        if (msg->message == WM_QUIT) return false;
        platformDispatchMessage(msg);
    } else {
        renderFrame();
        platformSwapBuffers(demoDC);
    }
    return true;
}
}  // namespace

int demoMain(const char* commandLine) {
    platformStartProcess(WINDOW_CLASS_NAME);
    platformShowCursor(false);

    if (commandLine[0] != '\0')
        splitCommandLine(commandLine);
    else
        loadIniFile("vortelan.ini");

    if (initMusic() != 0)
        consolePrint("them silents :(\n");
    else
        loadMusic();

    consolePrint("<video setup=1>\n");
    int result = createDemoWindow();
    if (result != 0) {
        showMessage("window creation failed \n exiting now %i", result);
        showMessage("demo attempt was a complete failure.. \n bye");
        return 0;
    }
    initGraphics();
    consolePrint("</video>\n");

    // The warning screen runs to its end even when a quit request comes in;
    // a termination signal ends it, and the program, at once.
    Message msg;
    startTicks = clockMillis();
    demoPhase.store(-1, std::memory_order_relaxed);
    int keepRunning = 1;
    while (clockMillis() - startTicks < warningMillis && mouseHeld == 0 && !platformTerminationRequested()) {
        if (!pumpOrDraw(&msg)) keepRunning = 0;
    }

    if (!platformTerminationRequested()) {
        demoPhase.store(0, std::memory_order_relaxed);
        orderReached = 0;
        startMusic();
        consolePrint("entering loop..\n");
        while (keepRunning && !platformTerminationRequested() && pumpOrDraw(&msg)) {
        }
    }

    freeMusic();
    toggleFullscreen(0, 1);
    return 0;
}
