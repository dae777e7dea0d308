#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "shapes/tile_glyph.h"

namespace {

// Keeps the grid and the frame as they were around each test.
class TileGlyphTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(savedMap, tileMap, sizeof tileMap);
        savedFrame = tileGlyph;
        tileGlyph = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f};
        buildTileMap();
    }
    void TearDown() override {
        std::memcpy(tileMap, savedMap, sizeof tileMap);
        tileGlyph = savedFrame;
    }
    void fillMap(int32_t code) {
        for (auto& row : tileMap)
            for (int32_t& t : row) t = code;
    }
    int32_t savedMap[TILE_ROWS][TILE_COLUMNS];
    TileGlyph savedFrame;
};

bool inGlyphArea(int row, int column) {
    const bool rows = (row >= 2 && row <= 8) || (row >= 11 && row <= 17);
    const bool columns = (column >= 2 && column <= 9) || (column >= 12 && column <= 19);
    return rows && columns;
}

}  // namespace

TEST_F(TileGlyphTest, WorkedExampleOnTheUpperLeftGlyph) {
    // (-0.8, -0.55): f = -9011, g = 5632, so column 2, row 15, fx 205, fy 512.
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.0f, 0.0f), 1);  // column 11, row 10: border
    const struct {
        int32_t code;
        int paper;
    } cases[] = {{12, 0}, {8, 1}, {1, 0}, {0, 1}, {2, 0}, {4, 1}, {9, 0}, {10, 0}, {14, 1}};
    for (const auto& c : cases) {
        tileMap[15][2] = c.code;
        EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.8f, -0.55f), c.paper) << "code " << c.code;
    }
}

TEST_F(TileGlyphTest, InTilePositionRunsRightAndUp) {
    // Tile (row 15, column 2) covers u in [-9/11, -8/11) and v in (-0.6, -0.5].
    tileMap[15][2] = 8;  // stroke on the top third only
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.77f, -0.59f), 0);  // near the tile's top
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.77f, -0.51f), 1);  // near its bottom
    tileMap[15][2] = 3;  // stroke on the lower-right half
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.735f, -0.51f), 0);  // lower right
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.81f, -0.59f), 1);   // upper left
}

TEST_F(TileGlyphTest, OutsideTheGridIsPaper) {
    fillMap(1);  // every tile inked: only points off the grid are paper
    const struct {
        float u, v;
        int paper;
    } cases[] = {
        {0.0f, 0.0f, 0},      {0.999f, 0.0f, 0},  {1.0f, 0.0f, 1},     {1.5f, 0.3f, 1},
        {-1.0f, 0.0f, 0},     {-1.0001f, 0.0f, 1}, {0.0f, -0.9999f, 0}, {0.0f, -1.0f, 1},
        {0.0f, 1.0f, 0},      {0.0f, 1.0001f, 1}, {-3.0f, -3.0f, 1},   {1.0e30f, 0.0f, 1},
        {0.0f, -1.0e30f, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(insideTileGlyph(&tileGlyph, c.u, c.v), c.paper) << c.u << "," << c.v;

    // A zero scale sends every point to infinity or NaN: paper, and no
    // undefined conversion on the way.
    tileGlyph.scale = 0.0f;
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.5f, 0.5f), 1);
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.0f, 0.0f), 1);
    tileGlyph.scale = 1.0f;
    EXPECT_EQ(insideTileGlyph(&tileGlyph, std::numeric_limits<float>::quiet_NaN(), 0.0f), 1);
}

TEST_F(TileGlyphTest, TruncationTowardZeroWidensTheCentreTile) {
    tileMap[10][10] = 1;  // just left of the centre
    tileMap[9][11] = 1;   // just below it
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.00005f, 0.0f), 1);  // f = 0: column 11
    EXPECT_EQ(insideTileGlyph(&tileGlyph, -0.0001f, 0.0f), 0);   // f = -1: column 10
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.0f, 0.00005f), 1);   // g = 0: row 10
    EXPECT_EQ(insideTileGlyph(&tileGlyph, 0.0f, 0.0002f), 0);    // g = -2: row 9
}

TEST(TileCodes, PaperBoundsAtTheEdges) {
    // (code, fx, fy, paper); s = fx + fy, d = fx - fy.
    const struct {
        int32_t code, fx, fy, paper;
    } cases[] = {
        {0, 0, 0, 1},        {0, 1023, 1023, 1},  {1, 0, 0, 0},        {1, 1023, 1023, 0},
        {1, 512, 0, 0},      {2, 512, 512, 1},    {2, 512, 511, 0},    {3, 300, 300, 1},
        {3, 301, 300, 0},    {4, 512, 512, 1},    {4, 513, 512, 0},    {5, 300, 300, 1},
        {5, 299, 300, 0},    {6, 0, 0, 1},        {6, 700, 900, 1},    {7, 1023, 0, 1},
        {8, 0, 682, 1},      {8, 0, 683, 0},      {8, 1023, 0, 1},     {9, 0, 681, 0},
        {9, 0, 682, 1},      {9, 1023, 853, 1},   {9, 0, 854, 0},      {10, 0, 852, 0},
        {10, 0, 853, 1},     {11, 853, 853, 1},   {11, 854, 853, 0},   {12, 341, 341, 1},
        {12, 342, 341, 0},   {13, 341, 0, 1},     {13, 340, 0, 0},     {14, 341, 341, 1},
        {14, 340, 341, 0},   {15, 0, 341, 1},     {15, 0, 342, 0},     {16, 683, 682, 1},
        {16, 683, 683, 0},   {17, 0, 682, 1},     {17, 0, 683, 0},     {18, 341, 0, 1},
        {18, 342, 0, 0},     {18, 1023, 682, 0},  {18, 1023, 683, 1},  {19, 0, 682, 1},
        {19, 0, 683, 0},     {19, 0, 681, 0},     {19, 1023, 1023, 1}, {20, 0, 682, 1},
        {20, 0, 683, 0},     {20, 683, 682, 1},   {20, 684, 682, 0},   {21, 682, 341, 1},
        {21, 683, 342, 1},   {21, 682, 342, 1},   {21, 683, 343, 0},   {21, 512, 1023, 0},
        {22, 0, 0, 1},       {-1, 0, 0, 1},       {1000, 512, 512, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tilePaper(c.code, c.fx, c.fy), c.paper) << "code " << c.code << " at " << c.fx << "," << c.fy;
}

TEST_F(TileGlyphTest, LetteringStaysInTheGlyphAreas) {
    int ink[4] = {};
    for (int row = 0; row < TILE_ROWS; ++row)
        for (int column = 0; column < TILE_COLUMNS; ++column) {
            const int32_t code = tileMap[row][column];
            if (!inGlyphArea(row, column)) {
                EXPECT_EQ(code, 0) << "row " << row << " column " << column;
                continue;
            }
            EXPECT_TRUE(code >= 0 && code <= TILE_CODES && code != 5 && code != 6 && code != 7)
                << "code " << code << " at row " << row << " column " << column;
            if (code != 0) ++ink[(row >= 11 ? 0 : 2) + (column >= 12 ? 1 : 0)];
        }
    for (int g = 0; g < 4; ++g) EXPECT_GE(ink[g], 14) << "glyph " << g;

    // Rebuilding clears stray tiles and gives the same grid.
    int32_t first[TILE_ROWS][TILE_COLUMNS];
    std::memcpy(first, tileMap, sizeof tileMap);
    tileMap[0][0] = 1;
    tileMap[10][11] = 7;
    buildTileMap();
    EXPECT_EQ(std::memcmp(first, tileMap, sizeof tileMap), 0);
}
