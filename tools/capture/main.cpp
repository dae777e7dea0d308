// vortelan-capture: the show recorded to a video file and/or a contact sheet,
// without a window or a sound card.
#include <cstdio>
#include <string>

#include "audio/player.h"
#include "platform/versions.h"
#include "tools/capture/capture.h"
#include "tools/capture/encoder.h"
#include "tools/capture/options.h"

int main(int argc, char** argv) {
    CaptureOptions options;
    std::string error;
    switch (parseCaptureOptions(argc, argv, &options, &error)) {
        case ParseResult::Help:
            std::fputs(captureUsage(), stdout);
            return 0;
        case ParseResult::Version:
            // VORTELAN_VERSION is the project's version, set by the build.
            std::printf("vortelan-capture %s\n%s%s%s", VORTELAN_VERSION, platformLibraryVersions(),
                        playerLibraryVersion(), encoderLibraryVersions());
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        case ParseResult::Usage:
            std::fprintf(stderr, "vortelan-capture: %s\n", error.c_str());
            return 2;
        case ParseResult::Run:
            break;
    }
    return runCapture(options);
}
