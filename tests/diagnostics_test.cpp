// The program's own formatter: its seven conversions, its quirks and texts
// that do not fit; and the console and message outputs built on it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "core/diagnostics.h"
#include "tests/capture_fd.h"

namespace {
// Formats into a buffer of the given capacity followed by guard bytes, checks
// the guard and the returned length, and gives back the text.
std::string format(size_t capacity, const char* fmt, ...) {
    char buffer[MESSAGE_CAPACITY + 64];
    std::memset(buffer, 'G', sizeof buffer);
    va_list args;
    va_start(args, fmt);
    int length = formatMessage(buffer, capacity, fmt, args);
    va_end(args);
    std::string text(buffer, strnlen(buffer, capacity)), past(buffer + capacity, sizeof buffer - capacity);
    EXPECT_EQ(past, std::string(past.size(), 'G')) << "written past a capacity of " << capacity;
    EXPECT_EQ(length, static_cast<int>(text.size())) << "returned length for '" << fmt << "'";
    return text;
}
constexpr size_t FULL = MESSAGE_CAPACITY;
}  // namespace

TEST(Formatter, ConversionsQuirksAndCutOff) {
    EXPECT_EQ(format(FULL, "number %i", 42), "number 42");
    EXPECT_EQ(format(FULL, "ReleaseDC(0x%x) failed ", 255), "ReleaseDC(0xFF) failed ");
    EXPECT_EQ(format(FULL, "%X|%d|%i", 0xDEADBEEFu, -5, 0), "DEADBEEF|-5|0");
    EXPECT_EQ(format(FULL, "%c%c", 0x141, 'z'), "Az");  // the low byte only
    EXPECT_EQ(format(FULL, "<%s|%s>", "abc", ""), "<abc|>");
    // Arguments in the order of the conversions, mixed sizes included.
    EXPECT_EQ(format(FULL, "%c %f %i %s %X\n", 'q', 1.5, 7, "s", 10u), "q 1.500000 7 s A\n");
    // No widths, flags or escapes: a '%' before anything else stands for itself.
    EXPECT_EQ(format(FULL, "50% a%qb %5d %%i %", 7), "50% a%qb %5d %7 %");
    EXPECT_EQ(format(FULL, ""), "");
    // At most 255 characters, whatever adds them.
    EXPECT_EQ(format(FULL, std::string(300, 'a').c_str()), std::string(255, 'a'));
    EXPECT_EQ(format(FULL, (std::string(254, 'b') + "%i").c_str(), 123), std::string(254, 'b') + "1");
    EXPECT_EQ(format(FULL, "x%sy", std::string(1000, 's').c_str()), "x" + std::string(254, 's'));
    EXPECT_EQ(format(FULL, "ab%f", -1e300).size(), 255u);  // the number alone has 309 characters
    // Small buffers are never overrun.
    EXPECT_EQ(format(0, "abc"), "");
    EXPECT_EQ(format(1, "abc%i", 5), "");
    EXPECT_EQ(format(4, "%i", 12345), "123");
    EXPECT_EQ(format(4, "ab%c%c", 'c', 'd'), "abc");
}

TEST(Diagnostics, ConsoleAndMessages) {
    int written = -1;
    EXPECT_EQ(captureStdout([&] { written = consolePrint("<openGL setup=%i >", 1); }), "<openGL setup=1 >");
    EXPECT_EQ(written, 17);
    setenv("VORTELAN_MESSAGES", "stderr", 1);
    EXPECT_EQ(captureStderr([] { showMessage("window creation failed \n exiting now %i", -2); }),
              "please note: window creation failed \n exiting now -2\n");
}
