// vortelan-capture: the show recorded to a video file and/or a contact sheet,
// without a window or a sound card.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/player.h"
#include "platform/versions.h"
#include "tools/capture/capture.h"
#include "tools/capture/encoder.h"
#include "tools/capture/options.h"

namespace {
// --help and --version answer on standard output; a write that fails there
// (a full disk) fails the command.
int answer(const std::string& text) {
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return 0;
    std::fprintf(stderr, "vortelan-capture: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    switch (parseCaptureOptions(argc, argv, &options, &error)) {
        case ParseResult::Help: return answer(captureUsage());
        case ParseResult::Version:
            // VORTELAN_VERSION is the project's version, set by the build.
            return answer(std::string("vortelan-capture " VORTELAN_VERSION "\n") + platformLibraryVersions() +
                          playerLibraryVersion() + encoderLibraryVersions());
        case ParseResult::Usage:
            std::fprintf(stderr, "vortelan-capture: %s\n", error.c_str());
            return 2;
        case ParseResult::Run:
            break;
    }
    return runCapture(options);
}
