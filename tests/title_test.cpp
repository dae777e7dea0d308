// Window titles from the calendar clock, and the shared generator they run on.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/globals.h"
#include "show/title.h"

TEST(Title, KnownTitlesAndFinalGeneratorState) {
    uint32_t s = 0;  // without the 32-bit wrap of the product the first value would be 45833
    for (uint32_t expected : {45832u, 30883u, 63814u, 52862u, 48106u}) EXPECT_EQ(s = nextRandom(s), expected);
    struct { uint32_t t; const char* title; uint32_t state; } cases[] = {
        {1000000000u, "VORTELAN 4747:  hir id huuk, manan jeesi jeen", 20639},
        {0u, "VORTELAN 2626:  zijkzis sijnnek doedo zier, ak schaaki wudud", 48464},
        {4294967295u, "VORTELAN 2626:  zijkzis sijnnek doedo zier, ak schaaki wudud", 48464},  // 0 mod 65537
        {1u, "VORTELAN 2140:  as goommop aar, iem muida ur aar", 46548},
        {1234567890u, "VORTELAN 4459:  demem ir in at, ijs schur zeer gimim", 25202},
    };
    for (const auto& c : cases) {
        char title[TITLE_CAPACITY];
        rngState = 12345;
        composeWindowTitle(c.t, title);
        EXPECT_EQ(std::string(title), c.title) << "t = " << c.t;
        EXPECT_EQ(rngState, c.state) << "t = " << c.t;
    }
    resetDemoGlobals();
}
