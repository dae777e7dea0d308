// The choice between GL and the software framebuffer for the live frames.
#include "render/draw_choice.h"

#include <strings.h>

#include <cctype>
#include <string>

bool drawChoiceKnown(const char* choice) {
    return !choice || !*choice || strcasecmp(choice, "gl") == 0 || strcasecmp(choice, "soft") == 0;
}

bool drawInSoftware(const char* choice, const char* renderer) {
    if (choice && strcasecmp(choice, "gl") == 0) return false;
    if (choice && strcasecmp(choice, "soft") == 0) return true;
    std::string name = renderer ? renderer : "";
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // Mesa's processor renderers; zink over lavapipe names llvmpipe too.
    for (const char* software : {"llvmpipe", "softpipe", "software rasterizer", "swrast"})
        if (name.find(software) != std::string::npos) return true;
    return false;
}
