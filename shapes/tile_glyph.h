#pragma once
// Lettering from a grid of tiles: four block glyphs in two rows of two. Each
// tile is empty, fully inked, or inked on one side of one or two straight cuts,
// tested in 10-bit fixed point inside the tile.
#include <cstdint>

constexpr int TILE_ROWS = 20;     // row 0 is the bottom row of an unturned glyph
constexpr int TILE_COLUMNS = 22;  // column 0 is the left column
constexpr int TILE_CODES = 21;    // codes 1..21 select a tile region; 0 is empty

// The frame of the glyph shape; the same first five fields as ShapeGroup.
// scale is half the width and half the height of the grid.
struct TileGlyph {
    float x0;
    float y0;
    float scale;  // must not be 0
    float sin;
    float cos;
};

extern TileGlyph tileGlyph;  // the one instance; the animators set its frame
extern int32_t tileMap[TILE_ROWS][TILE_COLUMNS];

// Clears the grid and writes the four glyphs. Always yields the same grid.
void buildTileMap();

// A ShapeFn: 0 on the letter strokes, 1 on the paper, including everywhere
// outside the grid. Callers that want the letters take the negation.
int insideTileGlyph(const void* glyph, float x, float y);

// The paper rule of one tile code at the in-tile position (fx, fy), 0..1023
// each, fx from the tile's left edge and fy from its bottom edge.
int tilePaper(int32_t code, int32_t fx, int32_t fy);
