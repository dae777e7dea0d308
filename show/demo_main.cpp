// The real-time program: start-up in its fixed order, the warning screen, the
// frame loop and the orderly end.
#include "show/demo_main.h"

#include "core/config.h"
#include "core/diagnostics.h"
#include "core/ini.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "render/draw_gl.h"
#include "render/frame.h"
#include "render/workers.h"
#include "show/frame_meter.h"
#include "show/window.h"
#include "timeline/music.h"

namespace {
FrameMeter meter;

// One pass of either loop: a message if one waits, else a frame. Returns false
// when the message was the quit request.
bool pumpOrDraw(Message* msg) {
    if (platformPeekMessage(msg)) {
        if (msg->message == WM_QUIT) return false;
        platformDispatchMessage(msg);
    } else {
        renderFrame();
        presentFrame();
        platformSwapBuffers(demoDC);
        frameMeterSwap(&meter, performanceCounter());
    }
    return true;
}
}  // namespace

int demoMain(const char* commandLine) {
    platformStartProcess(WINDOW_CLASS_NAME);
    setMessageSink(platformMessageBox);
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
    startFrameMeter(&meter);
    if (meter.on)
        consolePrint("drawing: %s, %i threads, GL renderer %s\n", drawsInSoftware ? "software framebuffer" : "OpenGL",
                     renderThreads(), glRendererName());
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
