// The decoder's version as --version reports it: the libopenmpt loaded at run
// time, which may be newer than the one the player was built with.
#include <libopenmpt/libopenmpt.h>

#include <cstdio>

#include "audio/player.h"

const char* playerLibraryVersion() {
    static char text[96];
    const char* version = openmpt_get_string("library_version");
    std::snprintf(text, sizeof text, "libopenmpt %s\n", version && *version ? version : "(unknown)");
    openmpt_free_string(version);
    return text;
}
