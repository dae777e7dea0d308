// The options of the command line and the screen geometry derived from them.
#include "core/config.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/diagnostics.h"
#include "core/globals.h"

const char* const USAGE_TEXT =
    "usage: vortelan [/OPTION value]...\n"
    "       vortelan --help | --version\n"
    "\n"
    "options (names in any case, each followed by its value):\n"
    "  /WIDTH n        screen width in pixels (default 1280, at least 320)\n"
    "  /HEIGHT n       screen height in pixels (default 960, at least 240)\n"
    "  /DETAIL n       detail level 1..6: 1 finest (4-pixel cells drawn as dots),\n"
    "                  then smallest cells of 4, 8, 16, 32, 64 pixels (default 1)\n"
    "  /FULLSCREEN n   1 fullscreen, 0 in a window (default 1)\n"
    "  /WARNING n      seconds of the warning screen (default 5)\n"
    "  /MUSIC n        0 plays without sound (default 1)\n"
    "  /TEST n         shows a message with the number\n"
    "\n"
    "keys: Escape quits, 1..6 set the detail level, F4 toggles fullscreen;\n"
    "the left mouse button ends the warning screen and, held, closes the cell gaps.\n"
    "\n"
    "Without options the settings come from vortelan.ini in the current directory:\n"
    "one key=value per line, e.g. 'width = 800', blanks ignored, '#' starts a comment.\n"
    "\n"
    "environment: VORTELAN_FPS=1 prints frames drawn and the worst frame time\n"
    "once a second; VORTELAN_DRAW=gl or soft picks OpenGL or the program's own\n"
    "framebuffer (default: its own where OpenGL runs on the processor);\n"
    "VORTELAN_MESSAGES=stderr writes messages there instead of showing a box.\n"
    "\n"
    "--help (-h) prints this text, --version (-V) the version and the SDL and\n"
    "libopenmpt versions in use; neither opens a window.\n";

namespace {
// atoi, but a value beyond the int range saturates instead of being undefined.
int optionValue(const char* text) {
    errno = 0;
    long v = std::strtol(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

int blocksFor(int pixels) { return static_cast<int>(std::ceil(pixels * 0.015625)); }
}  // namespace

int compareNoCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (*a == '\0' && *b == '\0') return 0;
        signed char ca = static_cast<signed char>(*a);
        signed char cb = static_cast<signed char>(*b);
        if (ca >= 'a' && ca <= 'z') ca = static_cast<signed char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z') cb = static_cast<signed char>(cb - 'a' + 'A');
        if (ca != cb) return ca - cb;
    }
}

void setDetailLevel(int level) {
    switch (level) {
        case 2: detailStep = 2; break;
        case 3: detailStep = 4; break;
        case 4: detailStep = 8; break;
        case 5: detailStep = 16; break;
        case 6: detailStep = 32; break;
        default: detailStep = 1; break;
    }
}

void parseOptions(int count, const char* const* tokens) {
    screenWidth = 1280;
    screenHeight = 960;
    detailStep = 1;
    fullscreen = 1;
    warningMillis = 5000;
    noSound = 0;

    for (int k = 0; k + 1 < count; ++k) {
        if (compareNoCase(tokens[k], "/WIDTH") == 0) {
            int v = optionValue(tokens[++k]);
            screenWidth = v > 320 ? v : 320;
        } else if (compareNoCase(tokens[k], "/HEIGHT") == 0) {
            int v = optionValue(tokens[++k]);
            screenHeight = v > 240 ? v : 240;
        } else if (compareNoCase(tokens[k], "/DETAIL") == 0) {
            setDetailLevel(optionValue(tokens[++k]));
        }
        // The second group looks at whatever token k now names, which may be the
        // value the first group just took: '/WIDTH /MUSIC 0' is read that way.
        if (k + 1 < count) {
            if (compareNoCase(tokens[k], "/FULLSCREEN") == 0) {
                fullscreen = optionValue(tokens[++k]) & 1;
            } else if (compareNoCase(tokens[k], "/WARNING") == 0) {
                warningMillis = static_cast<uint32_t>(optionValue(tokens[++k])) * 1000u + 1u;
            } else if (compareNoCase(tokens[k], "/MUSIC") == 0) {
                noSound = optionValue(tokens[++k]) == 0 ? 1 : 0;
            } else if (compareNoCase(tokens[k], "/TEST") == 0) {
                showMessage("number %i", optionValue(tokens[++k]));
            }
        }
    }

    deriveScreenGeometry();
}

void deriveScreenGeometry() {
    viewWidth = static_cast<float>(screenWidth);
    viewHeight = static_cast<float>(screenWidth * 0.75);  // from the width on purpose
    blocksAcross = blocksFor(screenWidth);
    blocksDown = blocksFor(screenHeight);
}

void splitCommandLine(const char* commandLine) {
    static char copy[COMMAND_LINE_CAPACITY];
    static const char* tokens[TOKEN_LIMIT];
    int count = 1;
    tokens[0] = copy;
    int n = 0;
    // Longer command lines are cut off at the buffer's end, and splitting stops at
    // the last token the list can hold.
    for (; commandLine[n] != '\0' && n < COMMAND_LINE_CAPACITY - 1; ++n) {
        if (commandLine[n] == ' ') {
            if (count == TOKEN_LIMIT) break;
            copy[n] = '\0';
            tokens[count++] = copy + n + 1;
        } else {
            copy[n] = commandLine[n];
        }
    }
    copy[n] = '\0';
    parseOptions(count, tokens);
}
