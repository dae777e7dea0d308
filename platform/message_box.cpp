// The modal message box, or standard error where none can be shown.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "core/diagnostics.h"

void platformMessageBox(const char* text, const char* caption) {
    const char* mode = std::getenv("VORTELAN_MESSAGES");
    bool toStderr = mode && std::strcmp(mode, "stderr") == 0;
    if (!toStderr && SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0) return;
    // No display to show it on (or asked not to).
    messageToStderr(text, caption);
}
