// Draws the program's icon from the show's own shapes: the tile lettering VO/RT
// on a plate with rounded corners (two rectangles and four discs), in the
// show's colours, with an alpha channel that is the plate's coverage.
//   make_icon <size> <out.png>
// size is the width and height in pixels, 16..1024.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "render/png.h"
#include "shapes/constructors.h"
#include "shapes/shape.h"
#include "shapes/tile_glyph.h"

namespace {
// Icon units: the picture spans -1..1 both ways, y downward.
constexpr float PLATE_HALF = 0.92f;    // margin as icon themes leave one
constexpr float CORNER_RADIUS = 0.24f;
constexpr float LETTER_SCALE = 0.84f;  // the lettering spans about +-0.69
// Gaps between the tiles show only where a tile is this many pixels across;
// smaller, they would just darken the letters.
constexpr double GAP_MIN_TILE_PIXELS = 8.0;
constexpr double GAP_FRACTION = 0.09;  // of a tile, on each of its edges together

struct Rgb {
    double r, g, b;
};
// The show's colours: its clear grey (paper level 0.2) between the cells, and
// its inks red, yellow, blue and white at the starting saturation 0.7.
constexpr Rgb PLATE = {0.2, 0.2, 0.2};
constexpr Rgb LETTER_INKS[4] = {
    {0.8, 0.1, 0.1},  // V, top left
    {0.9, 0.9, 0.2},  // O, top right
    {0.1, 0.1, 0.8},  // R, bottom left
    {1.0, 0.98, 0.96},  // T, bottom right: the empty cells' paper
};

struct Plate {
    ShapeGroup bars[2];
    Disc corners[4];
    ShapeGroup shape;  // the union of the six
};

void buildPlate(Plate* plate) {
    const float h = PLATE_HALF, r = CORNER_RADIUS, c = PLATE_HALF - CORNER_RADIUS;
    makeRectangle(&plate->bars[0], -h, -c, h, c);
    makeRectangle(&plate->bars[1], -c, -h, c, h);
    ShapeGroup& g = plate->shape;
    for (const ShapeGroup& bar : plate->bars) {
        g.children[g.count] = &bar;
        g.childFns[g.count++] = intersectGroup;
    }
    const float signs[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        plate->corners[i] = {signs[i][0] * c, signs[i][1] * c, r};
        g.children[g.count] = &plate->corners[i];
        g.childFns[g.count++] = insideDisc;
    }
}

// Distance (in tiles) from the nearest tile edge, for the gaps.
double edgeDistance(double tiles) { return std::fabs(tiles - std::round(tiles)); }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <size 16..1024> <out.png>\n");
        return 2;
    }
    char* end = nullptr;
    const long size = std::strtol(argv[1], &end, 10);
    if (*argv[1] == '\0' || *end != '\0' || size < 16 || size > 1024) {
        std::fprintf(stderr, "make_icon: size must be a whole number 16..1024, not '%s'\n", argv[1]);
        return 2;
    }
    const int n = static_cast<int>(size);

    buildTileMap();
    const TileGlyph letters = {0.0f, 0.0f, LETTER_SCALE, 0.0f, 1.0f};
    static Plate plate;  // groups are large; keep them off the stack
    buildPlate(&plate);

    const double tilePixels = n * 0.5 * LETTER_SCALE * (2.0 / TILE_COLUMNS);
    const bool gaps = tilePixels >= GAP_MIN_TILE_PIXELS;
    // Enough samples per pixel for smooth edges at every size.
    const int samples = n <= 64 ? 8 : 4;

    std::vector<uint8_t> pixels(static_cast<size_t>(n) * n * 4);
    for (int py = 0; py < n; ++py) {
        for (int px = 0; px < n; ++px) {
            Rgb sum = {0, 0, 0};
            int covered = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double ux = ((px + (sx + 0.5) / samples) / n) * 2.0 - 1.0;
                    const double uy = ((py + (sy + 0.5) / samples) / n) * 2.0 - 1.0;
                    const float x = static_cast<float>(ux), y = static_cast<float>(uy);
                    if (!unionGroup(&plate.shape, x, y)) continue;
                    ++covered;
                    Rgb c = PLATE;
                    if (insideTileGlyph(&letters, x, y) == 0) {
                        const double columns = ux / LETTER_SCALE * (TILE_COLUMNS / 2.0);
                        const double rows = uy / LETTER_SCALE * (TILE_ROWS / 2.0);
                        const bool inGap = gaps && (edgeDistance(columns) < GAP_FRACTION / 2 ||
                                                    edgeDistance(rows) < GAP_FRACTION / 2);
                        if (!inGap) c = LETTER_INKS[(ux < 0 ? 0 : 1) + (uy < 0 ? 0 : 2)];
                    }
                    sum.r += c.r, sum.g += c.g, sum.b += c.b;
                }
            }
            uint8_t* p = &pixels[(static_cast<size_t>(py) * n + px) * 4];
            const double k = covered ? 1.0 / covered : 0.0;  // straight alpha: colour of the covered part
            p[0] = static_cast<uint8_t>(std::lround(sum.r * k * 255.0));
            p[1] = static_cast<uint8_t>(std::lround(sum.g * k * 255.0));
            p[2] = static_cast<uint8_t>(std::lround(sum.b * k * 255.0));
            p[3] = static_cast<uint8_t>(std::lround(255.0 * covered / (samples * samples)));
        }
    }
    if (!writePng(argv[2], n, n, 4, pixels.data(), n * 4)) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
