// Settings from the command line and from the INI file: defaults, clamps, the
// two option groups, derived geometry and the cut-off of overlong input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/globals.h"
#include "core/ini.h"
#include "tests/capture_fd.h"

namespace {
const char* const DEFAULTS = "1280x960 d1 f1 w5000 s0 v1280x960 b20x15";
const std::string SCRATCH = "/tmp/vortelan-config-" + std::to_string(getpid());

// Every setting and derived value; each case starts with all of them far from
// the defaults, so that a parse which leaves one alone shows up.
std::string settings() {
    char text[128];
    std::snprintf(text, sizeof text, "%dx%d d%d f%d w%u s%d v%gx%g b%dx%d", screenWidth, screenHeight, detailStep,
                  fullscreen, warningMillis, noSound, viewWidth, viewHeight, blocksAcross, blocksDown);
    return text;
}
void scramble() {
    screenWidth = screenHeight = detailStep = fullscreen = noSound = blocksAcross = blocksDown = warningMillis = 7;
    viewWidth = viewHeight = 7.0f;
}

// Each input as the command line or, with ini, as the whole INI file; the
// settings, then any message shown.
void expectSettings(bool ini, const std::vector<std::pair<std::string, const char*>>& cases) {
    const std::string file = SCRATCH + ".ini";
    setenv("VORTELAN_MESSAGES", "stderr", 1);
    for (const auto& [input, expected] : cases) {
        scramble();
        if (ini) std::ofstream(file, std::ios::binary) << input;
        std::string shown = captureStderr([&] { ini ? loadIniFile(file.c_str()) : splitCommandLine(input.c_str()); });
        EXPECT_EQ(settings() + shown, expected) << (ini ? "file '" : "command line '") << input.substr(0, 60) << "'";
        if (!ini) continue;
        // The same text handed over in memory reads the same.
        scramble();
        shown = captureStderr([&] { loadIniText(input.data(), input.size()); });
        EXPECT_EQ(settings() + shown, expected) << "text '" << input.substr(0, 60) << "'";
    }
    unlink(file.c_str());
}
}  // namespace

TEST(Config, CompareNoCaseAndDetailLevels) {
    struct { const char *a, *b; int expected; } cases[] = {
        {"/width", "/WIDTH", 0}, {"az", "AZ", 0}, {"AZ", "az", 0}, {"/WIDTHX", "/WIDTH", 'X'},
        {"/WIDTH", "/WIDTHX", -'X'}, {"a", "b", -1}, {"{", "[", 32}, {"`", "@", 32},  // next to the letters
        {"\xE9", "A", -23 - 'A'},  // bytes above 127 stay as they are, read as signed
    };
    for (const auto& c : cases) EXPECT_EQ(compareNoCase(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    const int steps[] = {1, 1, 1, 2, 4, 8, 16, 32, 1};  // levels -1 to 7
    for (int level = -1; level <= 7; ++level) {
        setDetailLevel(level);
        EXPECT_EQ(detailStep, steps[level + 1]) << "level " << level;
    }
}

TEST(Config, CommandLines) {
    expectSettings(false, {
        // First, while nothing lies in the token list past its end: the first
        // group's value, last on the line, names a second-group option that has
        // no value of its own.
        {"/WIDTH /FULLSCREEN", "320x960 d1 f1 w5000 s0 v320x240 b5x15"},
        {"/width 800 /height 600", "800x600 d1 f1 w5000 s0 v800x600 b13x10"},
        {"/WIDTH 100 /HEIGHT 241", "320x241 d1 f1 w5000 s0 v320x240 b5x4"},  // view height from the width
        {"/WIDTH 321 /HEIGHT 0", "321x240 d1 f1 w5000 s0 v321x240.75 b6x4"},
        {"/WIDTH 800abc /HEIGHT 99999999999", "800x2147483647 d1 f1 w5000 s0 v800x600 b13x33554432"},
        {"/FULLSCREEN 2 /WARNING 5 /MUSIC 1 /DETAIL 3", "1280x960 d4 f0 w5001 s0 v1280x960 b20x15"},
        {"/FULLSCREEN 3 /WARNING -1 /MUSIC off", "1280x960 d1 f1 w4294966297 s1 v1280x960 b20x15"},
        {"/WIDTHX 800 /WIDTH", DEFAULTS},  // whole names only; a lone option at the end
        {"foo /WIDTH 640 /width 800", "800x960 d1 f1 w5000 s0 v800x600 b13x15"},
        {"/WIDTH  800", "320x960 d1 f1 w5000 s0 v320x240 b5x15"},  // an empty value; '800' passed over
        {"/WIDTH\t800", DEFAULTS},                                 // a tab does not split
        // The second group reads the first group's value token as an option; the
        // first group does not look at its own again; one of the second per pass.
        {"/WIDTH /MUSIC 0", "320x960 d1 f1 w5000 s1 v320x240 b5x15"},
        {"/HEIGHT /WIDTH 800", "1280x240 d1 f1 w5000 s0 v1280x960 b20x4"},
        {"/FULLSCREEN /WARNING 3", "1280x960 d1 f0 w5000 s0 v1280x960 b20x15"},
        {"/WIDTH 800 /TEST -7 /HEIGHT 600", "800x600 d1 f1 w5000 s0 v800x600 b13x10please note: number -7\n"},
        // 255 characters are kept; 128 tokens, the last one taking the rest.
        {std::string(243, 'x') + " /WIDTH 10000", "1000x960 d1 f1 w5000 s0 v1000x750 b16x15"},
        {std::string(124, ' ') + "/WIDTH 800 /HEIGHT 600", "800x600 d1 f1 w5000 s0 v800x600 b13x10"},
        {std::string(125, ' ') + "/WIDTH 800 /HEIGHT 600", "800x960 d1 f1 w5000 s0 v800x600 b13x15"},
        {std::string(5000, 'x'), DEFAULTS},
    });
}

TEST(Config, IniFiles) {
    const std::string thousand = "width=" + std::string(117, '0') + "1000";  // 127 characters
    std::string filled;  // 22 pairs of 11 bytes in the 256-byte token store
    for (int k = 0; k < 22; ++k) filled += "k=vvvvvvv\n";
    std::string capped = "width=640\n" + std::string(INI_READ_LIMIT - 20, '\n') + "height=600";
    expectSettings(true, {
        {"w i d t h = 6 4 0", "640x960 d1 f1 w5000 s0 v640x480 b10x15"},  // no line break at the end
        {"width=800\r\nheight=600\t", "800x600 d1 f1 w5000 s0 v800x600 b13x10"},
        {"#width=800\n  # height = 600\nfull screen = 0 # no comment", "1280x960 d1 f0 w5000 s0 v1280x960 b20x15"},
        {"width=640\n=800\nwidth=\n", "640x960 d1 f1 w5000 s0 v640x480 b10x15"},
        {"width=8=0", "320x960 d1 f1 w5000 s0 v320x240 b5x15"},  // the first '=' splits
        {"detail=3\nmusic = off\nwarning=-1\n", "1280x960 d4 f1 w4294966297 s1 v1280x960 b20x15"},
        {"", DEFAULTS},
        // A line keeps 127 characters; the rest of it, '=' included, is dropped.
        {thousand + "0\nheight=600", "1000x600 d1 f1 w5000 s0 v1000x750 b16x10"},
        // 4097 bytes: the last one comes in a read of its own.
        {"x9" + std::string(4083, 'x') + "=5\nwidth=640", "640x960 d1 f1 w5000 s0 v640x480 b10x15"},
        // The store filled to its last byte (comments take none of it); a pair one
        // byte longer is left out, and a shorter one after it still fits.
        {filled + "#x=y\nwidth=000800\n", "800x960 d1 f1 w5000 s0 v800x600 b13x15"},
        {filled + "width=0000800\nheight=600", "1280x600 d1 f1 w5000 s0 v1280x960 b20x10"},
        // Only the first INI_READ_LIMIT bytes are read; the last of them ends the line.
        {capped + "0\nwidth=800\n", "640x600 d1 f1 w5000 s0 v640x480 b10x10"},
    });
}
