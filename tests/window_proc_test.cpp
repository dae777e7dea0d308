// The window procedure's key and mouse mapping. F4 is left to the end-to-end
// script: it rebuilds the real window.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/demo_main.h"
#include "app/globals.h"
#include "app/platform/platform.h"

namespace {
// True when a quit request was waiting; it is taken off the queue.
bool takeQuit() {
    Message msg{};
    return platformPeekMessage(&msg) && msg.message == WM_QUIT;
}

class WindowProc : public ::testing::Test {
   protected:
    void SetUp() override {
        resetDemoGlobals();
        while (takeQuit()) {
        }
    }
    void TearDown() override {
        while (takeQuit()) {
        }
        resetDemoGlobals();
    }
};

constexpr int UNSET = 99;
}  // namespace

TEST_F(WindowProc, DigitKeysSetTheDetailOnRelease) {
    const uintptr_t keys[] = {'1', '2', '3', '4', '5', '6'};
    const int steps[] = {1, 2, 4, 8, 16, 32};
    for (int i = 0; i < 6; ++i) {
        detailStep = UNSET;
        windowProc(nullptr, WM_KEYDOWN, keys[i], 0);
        EXPECT_EQ(detailStep, UNSET) << "key-down of '" << static_cast<char>(keys[i]) << "'";
        windowProc(nullptr, WM_KEYUP, keys[i], 0);
        EXPECT_EQ(detailStep, steps[i]) << "key-up of '" << static_cast<char>(keys[i]) << "'";
    }
    EXPECT_FALSE(takeQuit());
}

TEST_F(WindowProc, OtherKeysChangeNothing) {
    const uintptr_t keys[] = {'0', '7', '8', '9', 'A', 'Q', 'Z', 0x20, 0x0D, 0x70 /* F1 */, 0x72 /* F3 */,
                              0x74 /* F5 */, 0xFF, 0x31 + 0x100};
    for (uintptr_t key : keys) {
        detailStep = UNSET;
        fullscreen = 0;
        windowProc(nullptr, WM_KEYUP, key, 0);
        windowProc(nullptr, WM_KEYDOWN, key, 0);
        EXPECT_EQ(detailStep, UNSET) << "key " << key;
        EXPECT_EQ(fullscreen, 0) << "key " << key;
        EXPECT_EQ(mouseHeld, 0) << "key " << key;
        EXPECT_FALSE(takeQuit()) << "key " << key;
    }
    // Escape and the digits pressed but not released do nothing either.
    detailStep = UNSET;
    windowProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(takeQuit());
    EXPECT_EQ(detailStep, UNSET);
}

TEST_F(WindowProc, EscapeReleaseAndCloseRequestQuit) {
    windowProc(nullptr, WM_KEYUP, VK_ESCAPE, 0);
    Message msg{};
    ASSERT_TRUE(platformPeekMessage(&msg));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_FALSE(takeQuit()) << "one request, one WM_QUIT";

    int calls = defWindowProcCalls;
    EXPECT_EQ(windowProc(nullptr, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(defWindowProcCalls, calls) << "WM_CLOSE must not reach the default procedure";
    EXPECT_TRUE(takeQuit());
}

TEST_F(WindowProc, LeftButtonHoldsAndReleases) {
    windowProc(nullptr, WM_LBUTTONDOWN, 0, (10 << 16) | 20);
    EXPECT_EQ(mouseHeld, 1);
    windowProc(nullptr, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(mouseHeld, 1);
    windowProc(nullptr, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(mouseHeld, 0);
    windowProc(nullptr, 0x0204 /* right button down */, 0, 0);
    EXPECT_EQ(mouseHeld, 0);
    EXPECT_FALSE(takeQuit());
}

TEST_F(WindowProc, EveryMessageButCloseReachesTheDefaultProcedure) {
    struct {
        uint32_t message;
        uintptr_t wParam;
    } messages[] = {
        {WM_NULL, 0},        {WM_KEYUP, '3'},      {WM_KEYUP, 'X'},       {WM_KEYDOWN, '3'},
        {WM_KEYUP, VK_ESCAPE}, {WM_LBUTTONDOWN, 0}, {WM_LBUTTONUP, 0},    {0x0113 /* timer */, 1},
        {0x0204, 0},         {0x000F /* paint */, 0}, {WM_QUIT, 0},
    };
    for (const auto& m : messages) {
        int calls = defWindowProcCalls;
        windowProc(nullptr, m.message, m.wParam, 0);
        EXPECT_EQ(defWindowProcCalls, calls + 1) << "message 0x" << std::hex << m.message;
    }
}
