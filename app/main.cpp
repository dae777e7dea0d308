// Process entry: the command line is the arguments joined by single spaces,
// so no arguments at all means "read vortelan.ini".
#include "app/demo_main.h"

#include <string>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return demoMain(commandLine.c_str());
}
