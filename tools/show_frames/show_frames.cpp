// Plays the whole show offline and writes one frame from the middle of every
// scene as a PNG:  show_frames <out dir> [width height [detail]]
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/offline_show.h"
#include "render/png.h"

namespace {
bool save(const OfflineShow& show, const std::string& path) {
    const SoftFramebuffer& fb = show.fb;  // RGBA, alpha always 255
    bool ok = writePng(path.c_str(), fb.width, fb.height, 4, fb.pixels.data(), fb.width * 4);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: show_frames <out dir> [width height [detail]]\n");
        return 2;
    }
    std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    int width = argc > 3 ? std::atoi(argv[2]) : 1280;
    int height = argc > 3 ? std::atoi(argv[3]) : 960;
    int detail = argc > 4 ? std::atoi(argv[4]) : 1;
    if (width < 64 || height < 64 || width > 8192 || height > 8192) {
        std::fprintf(stderr, "show_frames: width and height must be 64..8192\n");
        return 2;
    }
    OfflineShow show;
    if (!openOfflineShow(&show, width, height, detail)) {
        std::fprintf(stderr, "show_frames: the offline player cannot be set up\n");
        return 1;
    }
    bool ok = true;
    drawOfflineWarning(&show, 2.0);
    ok &= save(show, dir + "/00_warning.png");
    startOfflineShow(&show);

    // The middle of each order: most last 7.68 s, the breaks at 5 and 9 a few
    // tenths. The ending is taken two seconds after the end of the music.
    const double fps = 30.0;
    std::vector<double> firstHeard(32, -1.0);
    double endAt = -1.0;
    int saved = 0;
    for (int n = 0;; ++n) {
        double t = n / fps;
        drawOfflineFrame(&show, t);
        int o = orderReached;
        if (o >= 0 && o < 32 && firstHeard[o] < 0) firstHeard[o] = t;
        if (currentDemoPhase() >= 1 && endAt < 0) endAt = t;
        double offset = (o == 5 || o == 9) ? 0.15 : 3.84;
        if (currentDemoPhase() < 1 && o < 21 && firstHeard[o] >= 0 && t >= firstHeard[o] + offset &&
            t < firstHeard[o] + offset + 1.0 / fps && (saved & (1 << o)) == 0) {
            saved |= 1 << o;
            char name[64];
            std::snprintf(name, sizeof name, "/%02d_order%02d.png", o + 1, o);
            ok &= save(show, dir + name);
        }
        if (endAt >= 0 && t >= endAt + 2.0) {
            ok &= save(show, dir + "/23_ending.png");
            break;
        }
        if (t > 600) {
            std::fprintf(stderr, "show_frames: the music never ended\n");
            ok = false;
            break;
        }
    }
    closeOfflineShow(&show);
    return ok ? 0 : 1;
}
