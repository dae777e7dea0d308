// The versions of the libraries the program runs with, as --version reports
// them: what is loaded at run time, which may be newer than what it was built with.
#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>

#include "platform/platform.h"

const char* platformLibraryVersions() {
    static char text[160];
    SDL_version sdl;
    SDL_GetVersion(&sdl);
    const char* player = openmpt_get_string("library_version");
    std::snprintf(text, sizeof text, "SDL %u.%u.%u\nlibopenmpt %s\n", sdl.major, sdl.minor, sdl.patch,
                  player && *player ? player : "(unknown)");
    openmpt_free_string(player);
    return text;
}
