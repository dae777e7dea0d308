// The tile glyph map: lettering drawn by rules on a grid of tiles.
#include "shapes/tile_glyph.h"

#include <cmath>

#include "shapes/frame.h"

TileGlyph tileGlyph = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f};
int32_t tileMap[TILE_ROWS][TILE_COLUMNS];

// The lettering "VO" over "RT": the first four letters of the system's name.
// Each glyph is 7 rows (top row first) of 8 tiles. One character per tile:
//   .  0 empty            #  1 whole tile
//   2..4, 8, 9  codes 2..4, 8, 9
//   a..l  codes 10..21 (a 10, b 11, c 12, d 13, e 14, f 15, g 16, h 17,
//                       i 18, j 19, k 20, l 21)
// Vertical strokes are two tiles wide, horizontal strokes one tile high; the
// half-tile codes slant the arms and cut the outer corners.
constexpr int GLYPH_ROWS = 7;
constexpr int GLYPH_COLUMNS = 8;

struct GlyphArt {
    int column;   // grid column of the glyph's left edge
    int topRow;   // grid row of the glyph's top row
    const char* rows[GLYPH_ROWS];
};

static const GlyphArt GLYPHS[4] = {
    {2, 17, {"##....##",
             "##....##",
             "##....##",
             "c#2..3#d",
             "bc#23#dh",
             ".bc##dh.",
             "..bcdh.."}},
    {12, 17, {"3######2",
              "##....##",
              "##....##",
              "##....##",
              "##....##",
              "##....##",
              "c######d"}},
    {2, 8, {"#######2",
            "##....##",
            "##....##",
            "#######d",
            "##.4#2..",
            "##..4#2.",
            "##...4#2"}},
    {12, 8, {"########",
             "...##...",
             "...##...",
             "...##...",
             "...##...",
             "...##...",
             "...##..."}},
};

static int32_t artCode(char c) {
    if (c >= '1' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'l') return 10 + (c - 'a');
    if (c == '#') return 1;
    return 0;
}

void buildTileMap() {
    for (auto& row : tileMap)
        for (int32_t& tile : row) tile = 0;
    for (const GlyphArt& glyph : GLYPHS)
        for (int r = 0; r < GLYPH_ROWS; ++r)
            for (int c = 0; c < GLYPH_COLUMNS; ++c)
                tileMap[glyph.topRow - r][glyph.column + c] = artCode(glyph.rows[r][c]);
}

int tilePaper(int32_t code, int32_t fx, int32_t fy) {
    const int32_t s = fx + fy;
    const int32_t d = fx - fy;
    switch (code) {
        case 1: return 0;
        case 2: return s >= 1024;
        case 3: return d <= 0;
        case 4: return s <= 1024;
        case 5: return d >= 0;
        case 8: return fy <= 682;
        case 9: return fy >= 682 && fy <= 853;
        case 10: return fy >= 853;
        case 11: return s <= 1706;
        case 12: return s <= 682;
        case 13: return d >= 341;
        case 14: return s >= 682;
        case 15: return d >= -341;
        case 16: return s <= 1365;
        case 17: return d >= -682;
        case 18: return s <= 341 || s >= 1706;
        case 19: return d >= -682 && s >= 682;
        case 20: return d >= -682 && s <= 1365;
        case 21: return d >= 341 || s <= 1024;
        default: return 1;  // 0, 6, 7 and anything unknown: paper
    }
}

int insideTileGlyph(const void* glyph, float x, float y) {
    const LocalPoint p = toLocalFrame(static_cast<const TileGlyph*>(glyph), x, y);
    // Eleven columns and ten rows each side of the origin, 10 bits inside a tile.
    const double fu = p.u * 11264.0;
    const double gv = -(p.v * 10240.0);
    // Far off the grid, or not a number (a zero scale): paper, and no
    // conversion that would not fit an int32.
    if (!(std::isless(std::fabs(fu), 1.0e9) && std::isless(std::fabs(gv), 1.0e9))) return 1;
    const int32_t f = static_cast<int32_t>(fu);  // truncation toward zero
    const int32_t g = static_cast<int32_t>(gv);
    const int32_t column = (f >> 10) + 11;  // arithmetic shift: floor(f / 1024)
    const int32_t row = (g >> 10) + 10;
    if (column < 0 || row < 0 || column >= TILE_COLUMNS || row >= TILE_ROWS) return 1;
    return tilePaper(tileMap[row][column], f & 1023, g & 1023);
}
