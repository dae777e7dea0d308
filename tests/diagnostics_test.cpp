// The program's own formatter: its seven conversions, its quirks, and texts
// that do not fit in the 256-byte buffer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cfloat>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/diagnostics.h"
#include "tests/capture_fd.h"

namespace {
constexpr size_t GUARD = 64;
constexpr char GUARD_BYTE = '\x5A';

// Formats into a MESSAGE_CAPACITY buffer followed by guard bytes, checks the
// guard and the returned length, and gives back the text.
std::string format(const char* fmt, ...) {
    char buffer[MESSAGE_CAPACITY + GUARD];
    std::memset(buffer, GUARD_BYTE, sizeof buffer);
    va_list args;
    va_start(args, fmt);
    int length = formatMessage(buffer, MESSAGE_CAPACITY, fmt, args);
    va_end(args);
    for (size_t i = MESSAGE_CAPACITY; i < sizeof buffer; ++i)
        if (buffer[i] != GUARD_BYTE) ADD_FAILURE() << "byte " << i << " written past the buffer";
    EXPECT_LE(length, static_cast<int>(MESSAGE_CAPACITY - 1));
    EXPECT_EQ(length, static_cast<int>(std::strlen(buffer))) << "returned length against the text";
    return std::string(buffer);
}

std::string formatInto(size_t capacity, const char* fmt, ...) {
    char buffer[16];
    std::memset(buffer, GUARD_BYTE, sizeof buffer);
    va_list args;
    va_start(args, fmt);
    int length = formatMessage(buffer, capacity, fmt, args);
    va_end(args);
    for (size_t i = capacity; i < sizeof buffer; ++i)
        if (buffer[i] != GUARD_BYTE) ADD_FAILURE() << "capacity " << capacity << ": byte " << i << " written";
    if (capacity == 0) return length == 0 ? "<untouched>" : "<length>";
    EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
    return std::string(buffer);
}
}  // namespace

TEST(Formatter, Conversions) {
    EXPECT_EQ(format("number %i", 42), "number 42");
    EXPECT_EQ(format("%d|%i", -5, INT_MIN), "-5|-2147483648");
    EXPECT_EQ(format("%i", 0), "0");
    EXPECT_EQ(format("ReleaseDC(0x%x) failed ", 255), "ReleaseDC(0xFF) failed ");
    EXPECT_EQ(format("%X %x %x", 0xDEADBEEFu, 0u, 0xabcu), "DEADBEEF 0 ABC");
    EXPECT_EQ(format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(format("%c", 65), "A");
    EXPECT_EQ(format("%c%c", 0x141, 'z'), "Az");  // the low byte only
    EXPECT_EQ(format("%f", 1.5), "1.500000");
    EXPECT_EQ(format("%f|%f", -0.25, 1e6), "-0.250000|1000000.000000");
    EXPECT_EQ(format("<%s>", "abc"), "<abc>");
    EXPECT_EQ(format("<%s>", ""), "<>");
    EXPECT_EQ(format("%s=%i", "n", 3), "n=3");
    EXPECT_EQ(format("a\nb %i\n", 1), "a\nb 1\n");
    // Arguments are taken in the order of the conversions, mixed sizes included.
    EXPECT_EQ(format("%c %f %i %s %X", 'q', 2.0, 7, "s", 10u), "q 2.000000 7 s A");
    EXPECT_EQ(format("failure:\n ChangeDisplaySettings(0x%x,0x%x)\n returned %i\nno %ix%i fullscreen for you",
                     0x1234ABu, 4, -2, 640, 480),
              "failure:\n ChangeDisplaySettings(0x1234AB,0x4)\n returned -2\nno 640x480 fullscreen for you");
}

TEST(Formatter, NoWidthsNoEscapesAndLoosePercents) {
    EXPECT_EQ(format("%5d"), "%5d");
    EXPECT_EQ(format("%5d %i", 9), "%5d 9");  // '%5d' takes no argument
    EXPECT_EQ(format("%%i", 7), "%7");
    EXPECT_EQ(format("%%"), "%%");
    EXPECT_EQ(format("a%qb"), "a%qb");
    EXPECT_EQ(format("50%"), "50%");
    EXPECT_EQ(format("%"), "%");
    EXPECT_EQ(format("%ld", 3), "%ld");
    EXPECT_EQ(format("%u %p"), "%u %p");
    EXPECT_EQ(format(""), "");
}

TEST(Formatter, LongTextsAreCutAt255Characters) {
    const std::string a300(300, 'a');
    EXPECT_EQ(format(a300.c_str()), std::string(255, 'a'));
    EXPECT_EQ(format(std::string(255, 'b').c_str()), std::string(255, 'b'));
    EXPECT_EQ(format((std::string(254, 'b') + "%i").c_str(), 123), std::string(254, 'b') + "1");

    const std::string s1000(1000, 's');
    std::string cut = std::string(255, 's');
    cut[0] = 'x';
    EXPECT_EQ(format("x%sy", s1000.c_str()), cut);
    EXPECT_EQ(format("%s%s%i", s1000.c_str(), s1000.c_str(), 5), std::string(255, 's'));

    // The widest %f output (over 300 characters) still only fills the buffer.
    char full[400];
    std::snprintf(full, sizeof full, "ab%f", -DBL_MAX);
    ASSERT_GT(std::strlen(full), 300u);
    EXPECT_EQ(format("ab%f", -DBL_MAX), std::string(full, 255));
    std::snprintf(full, sizeof full, "%f", 1e300);
    EXPECT_EQ(format("%f%s", 1e300, "tail"), std::string(full, 255));

    // Conversions after the cut still take their arguments in order and add nothing.
    EXPECT_EQ(format((a300 + "%i%s%c%f").c_str(), 1, "two", '3', 4.0), std::string(255, 'a'));
}

TEST(Formatter, SmallBuffersAreNeverOverrun) {
    EXPECT_EQ(formatInto(0, "abc"), "<untouched>");
    EXPECT_EQ(formatInto(1, "abc%i", 5), "");
    EXPECT_EQ(formatInto(4, "%i", 12345), "123");
    EXPECT_EQ(formatInto(4, "ab%c%c", 'c', 'd'), "abc");
    EXPECT_EQ(formatInto(4, "%s", "wxyz"), "wxy");
    EXPECT_EQ(formatInto(4, "%%%%"), "%%%");
    EXPECT_EQ(formatInto(8, "%f", 1.5), "1.50000");
}

TEST(Diagnostics, ConsoleWritesTheComposedTextByLength) {
    int written = -1;
    std::string out = captureStdout([&] { written = consolePrint("<openGL setup=%i >", 1); });
    EXPECT_EQ(out, "<openGL setup=1 >");
    EXPECT_EQ(written, 17);

    out = captureStdout([&] { written = consolePrint(""); });
    EXPECT_EQ(out, "");
    EXPECT_EQ(written, 0);

    out = captureStdout([] { consolePrint("\n[img: %ix%i %i]", 640, 480, 24); });
    EXPECT_EQ(out, "\n[img: 640x480 24]");

    out = captureStdout([] { consolePrint(std::string(400, 'c').c_str()); });
    EXPECT_EQ(out, std::string(255, 'c'));
}

TEST(Diagnostics, MessagesGoToStandardErrorWhenAskedTo) {
    setenv("VORTELAN_MESSAGES", "stderr", 1);
    std::string err = captureStderr([] { showMessage("window creation failed \n exiting now %i", -2); });
    EXPECT_EQ(err, "please note: window creation failed \n exiting now -2\n");
    err = captureStderr([] { showMessage(std::string(300, 'm').c_str()); });
    EXPECT_EQ(err, "please note: " + std::string(255, 'm') + "\n");
    err = captureStderr([] { showMessage(""); });
    EXPECT_EQ(err, "please note: \n");
}
