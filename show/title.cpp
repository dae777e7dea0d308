// The random window title.
#include "show/title.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/globals.h"

namespace {
const char* const titleConsonants[11] = {"d", "g", "h", "j", "m", "n", "s", "sch", "v", "w", "z"};
const char* const titleVowels[5] = {"a", "e", "i", "o", "u"};
const char* const titleDiphthongs[9] = {"aa", "ie", "ee", "ei", "oe", "oo", "uu", "ij", "ui"};
const char* const titleFinals[8] = {"d", "k", "m", "p", "r", "s", "t", "n"};

uint32_t step(int times) {
    for (int i = 0; i < times; ++i) rngState = nextRandom(rngState);
    return rngState;
}

void add(char* out, const char* text) { std::strncat(out, text, TITLE_CAPACITY - 1 - std::strlen(out)); }
const char* C(uint32_t x) { return titleConsonants[x % 11]; }
const char* V(uint32_t x) { return titleVowels[x % 5]; }
const char* D(uint32_t x) { return titleDiphthongs[x % 9]; }
const char* F(uint32_t x) { return titleFinals[x & 7]; }
}  // namespace

void composeWindowTitle(uint32_t t, char* out) {
    rngState = nextRandom(t % 65537u);
    std::snprintf(out, TITLE_CAPACITY, "VORTELAN %i: ", static_cast<int>(rngState % 4444u + 1234u));
    uint32_t a = nextRandom(rngState);
    uint32_t commaAfter = a % 2 + 3;
    uint32_t b = nextRandom(a);
    rngState = b;
    uint32_t wordCount = b % 2 + 3 + commaAfter;

    for (uint32_t k = 0; k < wordCount; ++k) {
        if (k == commaAfter) add(out, ",");
        uint32_t pattern = step(1) % 7;
        add(out, " ");
        uint32_t x;
        switch (pattern) {
            case 0: x = step(3); add(out, C(x)); add(out, V(x)); add(out, F(x)); break;
            case 1: x = step(2); add(out, D(x)); add(out, F(x)); break;
            case 2: x = step(3); add(out, C(x)); add(out, D(x)); add(out, F(x)); break;
            case 3:
                x = step(5);
                add(out, C(x)); add(out, V(x)); add(out, F(x)); add(out, V(x)); add(out, F(x));
                break;
            case 4: x = step(4); add(out, C(x)); add(out, D(x)); add(out, F(x)); add(out, V(x)); break;
            case 5: {
                x = step(3);
                add(out, C(x)); add(out, D(x)); add(out, F(x));
                uint32_t y = step(3);
                add(out, C(y)); add(out, V(y)); add(out, F(y));
                break;
            }
            default: x = step(2); add(out, V(x)); add(out, F(x)); break;
        }
    }
}

void makeWindowTitle(WindowHandle window) {
    char title[TITLE_CAPACITY];
    composeWindowTitle(static_cast<uint32_t>(std::time(nullptr)), title);
    platformSetWindowTitle(window, title);
}
