// The lettering grid, the paper rule of each tile code, and points mapped to tiles.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "shapes/tile_glyph.h"

// A built grid and an identity frame for each test; both as they were afterwards.
class TileGlyphTest : public ::testing::Test {
protected:
    void SetUp() override { std::memcpy(saved, tileMap, sizeof tileMap), tileGlyph = {0, 0, 1, 0, 1}, buildTileMap(); }
    void TearDown() override { std::memcpy(tileMap, saved, sizeof tileMap), tileGlyph = savedFrame; }
    int32_t saved[TILE_ROWS][TILE_COLUMNS];
    const TileGlyph savedFrame = tileGlyph;
};

TEST(TileCodes, PaperOnBothSidesOfEveryCut) {
    // (code, fx, fy, paper); s = fx + fy, d = fx - fy.
    const int32_t cases[][4] = {
        {0, 0, 0, 1},       {1, 0, 0, 0},      {1, 1023, 1023, 0}, {2, 512, 512, 1},   {2, 512, 511, 0},
        {3, 300, 300, 1},   {3, 301, 300, 0},  {4, 512, 512, 1},   {4, 513, 512, 0},   {5, 300, 300, 1},
        {5, 299, 300, 0},   {6, 299, 300, 1},  {7, 0, 1023, 1},    {8, 0, 682, 1},     {8, 0, 683, 0},
        {9, 0, 681, 0},     {9, 0, 682, 1},    {9, 0, 853, 1},     {9, 0, 854, 0},     {10, 0, 852, 0},
        {10, 0, 853, 1},    {11, 853, 853, 1}, {11, 854, 853, 0},  {12, 341, 341, 1},  {12, 342, 341, 0},
        {13, 341, 0, 1},    {13, 340, 0, 0},   {14, 341, 341, 1},  {14, 340, 341, 0},  {15, 0, 341, 1},
        {15, 0, 342, 0},    {16, 683, 682, 1}, {16, 683, 683, 0},  {17, 0, 682, 1},    {17, 0, 683, 0},
        {18, 341, 0, 1},    {18, 342, 0, 0},   {18, 1023, 682, 0}, {18, 1023, 683, 1}, {19, 0, 682, 1},
        {19, 0, 683, 0},    {19, 0, 681, 0},   {20, 0, 682, 1},    {20, 0, 683, 0},    {20, 683, 682, 1},
        {20, 684, 682, 0},  {21, 683, 342, 1}, {21, 512, 512, 1},  {21, 513, 512, 0},  {21, 683, 343, 0},
        {22, 513, 512, 1},  {-1, 0, 0, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tilePaper(c[0], c[1], c[2]), c[3]) << "code " << c[0] << " at " << c[1] << "," << c[2];
}

TEST_F(TileGlyphTest, Lettering) {
    tileMap[0][0] = 1;  // a rebuild clears stray tiles
    buildTileMap();
    // (row, column, code) of "VO" over "RT", row 0 at the bottom; the glyphs fill
    // columns 2-9 and 12-19 of rows 11-17 and 2-8, the border rows and columns are empty.
    const int cases[][3] = {
        {17, 2, 1},  {17, 4, 0},  {14, 2, 12}, {14, 4, 2},   {14, 7, 3},   {14, 9, 13}, {13, 2, 11}, {13, 9, 17},  // V
        {11, 4, 11}, {11, 7, 17}, {17, 12, 3}, {17, 19, 2},  {11, 12, 12}, {11, 19, 13}, {14, 14, 0},            // V, O
        {8, 9, 2},   {5, 9, 13},  {4, 5, 4},   {4, 7, 2},    {2, 9, 2},    {2, 3, 1},                            // R
        {8, 19, 1},  {7, 14, 0},  {2, 15, 1},  {2, 16, 1},   {2, 17, 0},                                         // T
        {0, 0, 0},   {1, 5, 0},   {9, 3, 0},   {10, 11, 0},  {18, 15, 0},  {19, 21, 0}, {14, 10, 0}, {5, 11, 0},
        {4, 0, 0},   {4, 1, 0},   {15, 20, 0}, {15, 21, 0},                                                  // border
    };
    for (const auto& c : cases) EXPECT_EQ(tileMap[c[0]][c[1]], c[2]) << "row " << c[0] << " column " << c[1];
}

TEST_F(TileGlyphTest, PointsToTiles) {
    // (u, v, row, column, code, paper): the tile at (row, column) of the built
    // grid gets the code, then the point is asked. (-0.8, -0.55) is f = -9011,
    // g = 5632: column 2, row 15, fx 205, fy 512. Near zero, truncation toward
    // zero widens the centre tile; below zero the floor applies.
    const struct { float u, v; int row, column, code, paper; } cases[] = {
        {-0.8f, -0.55f, 15, 2, 12, 0},   {-0.8f, -0.55f, 15, 2, 8, 1},   {-0.8f, -0.55f, 15, 2, 2, 0},
        {-0.8f, -0.55f, 15, 2, 3, 1},    {-0.77f, -0.59f, 15, 2, 8, 0},  // near the tile's top
        {-0.00005f, 0, 10, 11, 1, 0},    {-0.0001f, 0, 10, 10, 1, 0},    {0, 0.00005f, 10, 11, 1, 0},
        {0, 0.0002f, 9, 11, 1, 0},
    };
    for (const auto& c : cases) {
        buildTileMap();
        tileMap[c.row][c.column] = c.code;
        EXPECT_EQ(insideTileGlyph(&tileGlyph, c.u, c.v), c.paper) << c.u << "," << c.v << " code " << c.code;
    }
    // Every tile inked: only points off the grid are paper, and no conversion
    // overflows on the way (far points, not a number, a zero scale).
    for (auto& row : tileMap)
        for (int32_t& tile : row) tile = 1;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float edges[][3] = {{0.999f, 0, 0},  {1, 0, 1},       {-1, 0, 0},     {-1.0001f, 0, 1}, {0, -0.9999f, 0},
                              {0, -1, 1},      {0, 1, 0},       {0, 1.0001f, 1}, {1.0e30f, 0, 1}, {0, -1.0e30f, 1},
                              {nan, 0, 1}};
    for (const auto& c : edges) EXPECT_EQ(insideTileGlyph(&tileGlyph, c[0], c[1]), c[2]) << c[0] << "," << c[1];
    tileGlyph.scale = 0.0f;
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.5f, 0.5f) + insideTileGlyph(&tileGlyph, 0.0f, 0.0f), 2);
}
