// Input as the program sees it: SDL events become window messages, and the
// window procedure acts on them. F4 is left to the end-to-end script: it
// rebuilds the real window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <utility>

#include "show/window.h"
#include "core/globals.h"
#include "show/window.h"
#include "tests/capture_fd.h"

TEST(WindowProc, KeysActOnReleaseAndAllButCloseReachTheDefault) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    ASSERT_TRUE(platformRegisterClass(WINDOW_CLASS_NAME, windowProc));
    Message msg{};
    while (platformPeekMessage(&msg)) continue;  // whatever the display sent first
    constexpr int U = 99;                         // unchanged
    struct { Uint32 type; SDL_Keycode key; Uint8 button; int detail, held; bool quit; int defaultCalls; } cases[] = {
        {SDL_KEYUP, SDLK_1, 0, 1, U, false, 1}, {SDL_KEYUP, SDLK_2, 0, 2, U, false, 1},
        {SDL_KEYUP, SDLK_3, 0, 4, U, false, 1}, {SDL_KEYUP, SDLK_4, 0, 8, U, false, 1},
        {SDL_KEYUP, SDLK_5, 0, 16, U, false, 1}, {SDL_KEYUP, SDLK_6, 0, 32, U, false, 1},
        {SDL_KEYDOWN, SDLK_3, 0, U, U, false, 1}, {SDL_KEYUP, SDLK_0, 0, U, U, false, 1},
        {SDL_KEYUP, SDLK_7, 0, U, U, false, 1}, {SDL_KEYUP, SDLK_ESCAPE, 0, U, U, true, 1},
        {SDL_KEYDOWN, SDLK_ESCAPE, 0, U, U, false, 1}, {SDL_QUIT, 0, 0, U, U, true, 0},
        {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, U, 1, false, 1},
        {SDL_MOUSEBUTTONUP, 0, SDL_BUTTON_LEFT, U, 0, false, 1}, {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_RIGHT, U, U, false, 1},
    };
    for (const auto& c : cases) {
        SDL_Event event{};
        event.type = c.type;
        if (c.button) event.button = SDL_MouseButtonEvent{c.type, 0, 0, 0, c.button, 0, 1, 0, 20, 10};
        if (c.key) event.key.keysym.sym = c.key;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        ASSERT_TRUE(platformPeekMessage(&msg));
        detailStep = mouseHeld = U;
        int calls = defWindowProcCalls;
        EXPECT_EQ(platformDispatchMessage(&msg), 0);
        bool quit = false;
        while (platformPeekMessage(&msg)) quit |= msg.message == WM_QUIT;  // the queue left empty
        EXPECT_EQ(std::make_tuple(detailStep, mouseHeld, quit, defWindowProcCalls - calls),
                  std::make_tuple(c.detail, c.held, c.quit, c.defaultCalls))
            << "event 0x" << std::hex << c.type << ", key 0x" << c.key << ", button " << int{c.button};
    }
    // Key codes as the message model has them, read but not dispatched:
    // capitals' ASCII for letters, F1 at 0x70.
    const std::pair<SDL_Keycode, uintptr_t> codes[] = {{SDLK_q, 'Q'}, {SDLK_a, 'A'}, {SDLK_F4, 0x73}};
    for (auto [key, code] : codes) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = key;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        ASSERT_TRUE(platformPeekMessage(&msg));
        EXPECT_EQ(msg.wParam, code) << "key 0x" << std::hex << key;
        while (platformPeekMessage(&msg)) continue;
    }
    EXPECT_TRUE(platformUnregisterClass(WINDOW_CLASS_NAME));
    resetDemoGlobals();
}

// Fullscreen takes a mode the screen offers: its own size is one, a size it
// lacks is not. The window's one pixel format (double-buffered, 32-bit colour,
// 16-bit depth) is the only one chosen; anything else is error 2000.
TEST(WindowPlatform, TheScreensOwnSizeAndTheOnePixelFormat) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    ASSERT_TRUE(platformRegisterClass(WINDOW_CLASS_NAME, windowProc));
    SDL_DisplayMode screen;
    ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &screen), 0) << SDL_GetError();
    const int bits = int(SDL_BYTESPERPIXEL(screen.format)) * 8;
    EXPECT_EQ(platformChangeDisplayMode(screen.w, screen.h, bits), 0);
    EXPECT_EQ(platformChangeDisplayMode(screen.w + 2, screen.h, bits), -2);
    platformRestoreDisplayMode();
    DeviceContext dc = reinterpret_cast<DeviceContext>(&screen);  // any window's
    const PixelFormat formats[] = {{1, 32, 16}, {0, 32, 16}, {1, 24, 16}, {1, 32, 24}};
    for (const PixelFormat& f : formats) {
        bool ours = &f == formats;
        EXPECT_EQ(platformChoosePixelFormat(dc, &f), ours ? 1 : 0) << f.doubleBuffer << f.colorBits << f.depthBits;
        if (!ours) {
            EXPECT_EQ(platformLastError(), 2000u);
        }
    }
    EXPECT_TRUE(platformUnregisterClass(WINDOW_CLASS_NAME));
}

// A context that will not become current: the message names the two handles
// and the call answers -1.
TEST(WindowPlatform, ContextThatWillNotBecomeCurrent) {
    setenv("VORTELAN_MESSAGES", "stderr", 1);
    demoDC = reinterpret_cast<DeviceContext>(0x5a0);
    glContext = nullptr;
    int result = 0;
    std::string err = captureStderr([&] { result = makeContextCurrent(); });
    EXPECT_EQ(result, -1);
    EXPECT_NE(err.find("please note: wglMakeCurrent(0x5A0,0x0) \n failure :( \n"), std::string::npos) << err;
    resetDemoGlobals();
}
