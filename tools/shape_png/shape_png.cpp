// Rasterises a named scene object or composite test into a PNG by sampling
// every pixel, so the lettering, the logo and the other shapes can be looked at.
//   shape_png <object> <out.png> [options]
//     --size W H        image size (default 1280 480)
//     --span S          object units across the image width (default per object)
//     --center X Y      object point at the image centre (default 0 0)
//     --samples N       N x N samples per pixel, averaged (default 1: pixel centres)
//     --read and|or|xor read a group another way than the scene does
//     --grid DX DY      faint lines every DX across and DY down (tile edges: 0.0909 0.1)
//     --cut ANGLE       ring arcs: turn cuts 0 and 2 to this angle (radians)
//     --mandel S OX OY  Mandelbrot scale and offsets (default 2 0.75 0.1)
//   shape_png --list    names the objects
// Objects are built with identity frames, so a point of the image is a point in
// the object's own units; the fractal tests take view pixels of a W x 0.75 W view.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/globals.h"
#include "render/png.h"
#include "shapes/scene_objects.h"
#include "timeline/animators.h"

namespace {

int readLogo(const void*, float x, float y) {
    return intersectGroup(&logoBounds, x, y) && unionGroup(&logoBars, x, y);
}
int readLetters(const void*, float x, float y) { return insideTileGlyph(&tileGlyph, x, y) == 0; }
int readBandLetters(const void*, float x, float y) {
    return intersectGroup(&glyphBand, x, y) && insideTileGlyph(&tileGlyph, x, y) == 0;
}
int readTrimmed(const void*, float x, float y) { return insideTrimmedMandelbrot(x, y); }
int readMandelbrot(const void*, float x, float y) {
    const float u = static_cast<float>(2.0 * x / viewWidth - 1.0);
    const float v = static_cast<float>(2.0 * y / viewHeight - 2.0);
    return insideMandelbrot(u, v);
}
int readFan(const void*, float x, float y) { return insideTriangleFan(x, y); }
int readArcs(const void*, float x, float y) {
    for (const ShapeGroup& arc : ringArcs)
        if (intersectGroup(&arc, x, y)) return 1;
    return 0;
}
int readBoxes(const void*, float x, float y) {
    for (const ShapeGroup& box : randomBoxes)
        if (intersectGroup(&box, x, y)) return 1;
    return 0;
}

struct Entry {
    const char* name;
    const void* node;
    ShapeFn fn;
    float span;
    bool viewPixels;  // the test takes view pixels, not object units
};

const Entry ENTRIES[] = {
    {"logo", nullptr, readLogo, 5.0f, false},
    {"logoBars", &logoBars, unionGroup, 5.0f, false},
    {"logoBounds", &logoBounds, intersectGroup, 5.0f, false},
    {"glyphBand", &glyphBand, intersectGroup, 24.0f, false},
    {"tileGlyph", &tileGlyph, insideTileGlyph, 2.4f, false},
    {"letters", nullptr, readLetters, 2.4f, false},
    {"bandLetters", nullptr, readBandLetters, 2.4f, false},
    {"triangleFan", nullptr, readFan, 80.0f, false},
    {"ringArcs", nullptr, readArcs, 2.4f, false},
    {"quadDiscGroup", &quadDiscGroup, xorGroup, 6.0f, false},
    {"randomBoxes", nullptr, readBoxes, 12.0f, false},
    {"crossBarH", &crossBarH, intersectGroup, 2.4f, false},
    {"crossBarV", &crossBarV, intersectGroup, 2.4f, false},
    {"crossGroups", &crossGroups[4], unionGroup, 2.4f, false},
    {"latticeGroup", &latticeGroup, xorGroup, 12.0f, false},
    {"trimmedMandelbrot", nullptr, readTrimmed, 0.0f, true},
    {"mandelbrot", nullptr, readMandelbrot, 0.0f, true},
};

const Entry* findEntry(const char* name) {
    for (const Entry& e : ENTRIES)
        if (std::strcmp(e.name, name) == 0) return &e;
    char prefix[64];
    for (int i = 0; i < LOGO_RECTS; ++i) {
        std::snprintf(prefix, sizeof prefix, "logoRects%d", i);
        if (std::strcmp(prefix, name) == 0) {
            static Entry rect;
            rect = {"logoRect", &logoRects[i], intersectGroup, 5.0f, false};
            return &rect;
        }
    }
    return nullptr;
}

int usage() {
    std::fprintf(stderr, "usage: shape_png <object> <out.png> [--size W H] [--span S] [--center X Y] "
                         "[--samples N] [--read and|or|xor] [--grid DX DY] [--cut ANGLE] [--mandel S OX OY]\n"
                         "       shape_png --list\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Entry& e : ENTRIES) std::printf("%s\n", e.name);
        std::printf("logoRects0 .. logoRects20\n");
        return 0;
    }
    if (argc < 3) return usage();
    const char* name = argv[1];
    const char* outPath = argv[2];
    int width = 1280, height = 480, samples = 1;
    float span = 0.0f, centerX = 0.0f, centerY = 0.0f, gridX = 0.0f, gridY = 0.0f;
    const char* reading = nullptr;
    bool haveCut = false;
    double cutAngle = 0.0;
    double mandel[3] = {2.0, 0.75, 0.1};
    for (int i = 3; i < argc; ++i) {
        auto more = [&](int n) { return i + n < argc; };
        if (!std::strcmp(argv[i], "--size") && more(2)) {
            width = std::atoi(argv[++i]);
            height = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--span") && more(1)) {
            span = static_cast<float>(std::atof(argv[++i]));
        } else if (!std::strcmp(argv[i], "--center") && more(2)) {
            centerX = static_cast<float>(std::atof(argv[++i]));
            centerY = static_cast<float>(std::atof(argv[++i]));
        } else if (!std::strcmp(argv[i], "--samples") && more(1)) {
            samples = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--read") && more(1)) {
            reading = argv[++i];
        } else if (!std::strcmp(argv[i], "--grid") && more(2)) {
            gridX = static_cast<float>(std::atof(argv[++i]));
            gridY = static_cast<float>(std::atof(argv[++i]));
        } else if (!std::strcmp(argv[i], "--cut") && more(1)) {
            haveCut = true;
            cutAngle = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--mandel") && more(3)) {
            for (double& m : mandel) m = std::atof(argv[++i]);
        } else {
            return usage();
        }
    }
    if (width < 1 || height < 1 || width > 8192 || height > 8192 || samples < 1 || samples > 16) {
        std::fprintf(stderr, "shape_png: size must be 1..8192 and samples 1..16\n");
        return 2;
    }

    const Entry* entry = findEntry(name);
    if (!entry) {
        std::fprintf(stderr, "shape_png: no object named %s (try --list)\n", name);
        return 2;
    }
    ShapeFn fn = entry->fn;
    if (reading) {
        if (!std::strcmp(reading, "and")) fn = intersectGroup;
        else if (!std::strcmp(reading, "or")) fn = unionGroup;
        else if (!std::strcmp(reading, "xor")) fn = xorGroup;
        else return usage();
        if (!entry->node || entry->fn == insideTileGlyph) {
            std::fprintf(stderr, "shape_png: %s is not a group\n", name);
            return 2;
        }
    }

    buildTileMap();
    buildSceneObjects();
    if (haveCut) {
        arcCuts[1].nx = 0.0f, arcCuts[1].ny = 1.0f;
        arcCuts[3].nx = 0.0f, arcCuts[3].ny = -1.0f;
        arcCuts[0].nx = static_cast<float>(std::sin(cutAngle + 3.1415)), arcCuts[0].ny = static_cast<float>(std::cos(cutAngle + 3.1415));
        arcCuts[2].nx = static_cast<float>(std::sin(cutAngle)), arcCuts[2].ny = static_cast<float>(std::cos(cutAngle));
    }
    mandelScale = static_cast<float>(mandel[0]);
    mandelOffsetX = static_cast<float>(mandel[1]);
    mandelOffsetY = static_cast<float>(mandel[2]);
    placeMandelCutouts();  // the cut-outs over the bulbs, as the zooms place them

    // Point of the image: object units about the centre, or view pixels.
    double unitsPerPixel = 1.0, originX = 0.0, originY = 0.0;
    if (entry->viewPixels) {
        viewWidth = static_cast<float>(width);
        viewHeight = static_cast<float>(width) * 0.75f;
    } else {
        unitsPerPixel = (span > 0.0f ? span : entry->span) / width;
        originX = centerX - 0.5 * width * unitsPerPixel;
        originY = centerY - 0.5 * height * unitsPerPixel;
    }

    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    long inked = 0;
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    const double ix = px + (sx + 0.5) / samples;
                    const double iy = py + (sy + 0.5) / samples;
                    const float x = static_cast<float>(originX + ix * unitsPerPixel);
                    const float y = static_cast<float>(originY + iy * unitsPerPixel);
                    hits += fn(entry->node, x, y) ? 1 : 0;
                }
            inked += hits;
            const double ink = static_cast<double>(hits) / (samples * samples);
            double r = 245 - ink * 225, g = 242 - ink * 212, b = 232 - ink * 172;
            if (gridX > 0.0f && gridY > 0.0f && !entry->viewPixels) {
                // A line where the pixel's span crosses a multiple of the step.
                const double x0 = originX + px * unitsPerPixel, y0 = originY + py * unitsPerPixel;
                const bool lineX = std::floor(x0 / gridX) != std::floor((x0 + unitsPerPixel) / gridX);
                const bool lineY = std::floor(y0 / gridY) != std::floor((y0 + unitsPerPixel) / gridY);
                if (lineX || lineY) r = r * 0.6 + 255 * 0.4, g *= 0.7, b *= 0.7;
            }
            uint8_t* p = &pixels[(static_cast<size_t>(py) * width + px) * 3];
            p[0] = static_cast<uint8_t>(r);
            p[1] = static_cast<uint8_t>(g);
            p[2] = static_cast<uint8_t>(b);
        }
    }
    if (!writePng(outPath, width, height, 3, pixels.data(), width * 3)) {
        std::fprintf(stderr, "shape_png: cannot write %s\n", outPath);
        return 1;
    }
    std::printf("%s: %dx%d, %.2f%% ink\n", outPath, width, height,
                100.0 * inked / (static_cast<double>(width) * height * samples * samples));
    return 0;
}
