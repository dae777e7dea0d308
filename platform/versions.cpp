// The SDL version the program runs with, as --version reports it: what is
// loaded at run time, which may be newer than what it was built with.
#include "platform/versions.h"

#include <SDL.h>

#include <cstdio>

const char* platformLibraryVersions() {
    static char text[64];
    SDL_version sdl;
    SDL_GetVersion(&sdl);
    std::snprintf(text, sizeof text, "SDL %u.%u.%u\n", sdl.major, sdl.minor, sdl.patch);
    return text;
}
