// Process entry: the command line is the arguments joined by single spaces,
// so no arguments at all means "read vortelan.ini".
#include <unistd.h>

#include <cstring>
#include <string>

#include "core/config.h"
#include "show/demo_main.h"
#include "audio/player.h"
#include "platform/versions.h"

namespace {
int writeAll(const std::string& text) {
    return write(STDOUT_FILENO, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    // --help (-h) or --version (-V) anywhere answers and opens no window; the
    // first of them wins. Every other token goes to the configuration unchanged.
    // VORTELAN_VERSION is the project's version, set by the build.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return writeAll(USAGE_TEXT);
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0)
            return writeAll(std::string("vortelan " VORTELAN_VERSION "\n") + platformLibraryVersions() +
                            playerLibraryVersion());
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return demoMain(commandLine.c_str());
}
