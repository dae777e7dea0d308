// Process entry: the command line is the arguments joined by single spaces,
// so no arguments at all means "read vortelan.ini".
#include <unistd.h>

#include <cstring>
#include <string>

#include "app/config.h"
#include "app/demo_main.h"

int main(int argc, char** argv) {
    // --help (or -h) anywhere explains the options and opens no window; every
    // other token goes to the configuration unchanged.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            size_t length = std::strlen(USAGE_TEXT);
            return write(STDOUT_FILENO, USAGE_TEXT, length) == static_cast<ssize_t>(length) ? 0 : 1;
        }
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return demoMain(commandLine.c_str());
}
