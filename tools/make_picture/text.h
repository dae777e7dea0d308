#pragma once
// Anti-aliased lines of text through FreeType into a coverage layer (one float
// per pixel, 0..1). Deterministic: integer pen positions, no sub-pixel shifts.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

struct Layer {
    int width;
    int height;
    std::vector<float> value;  // row after row
};

Layer makeLayer(int width, int height);

struct TextStyle {
    FT_Face face;
    int pixelSize;
    float level;  // coverage 1 becomes this value; overlapping text keeps the larger
};

// Width in pixels of the line as drawText would set it.
int measureText(const TextStyle& style, const char* text);
// Draws one line with its baseline at y, starting at pen position x.
void drawText(Layer& layer, const TextStyle& style, int x, int y, const char* text);
