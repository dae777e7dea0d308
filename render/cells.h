#pragma once
// Adaptive cells: a cell whose edge samples agree is one flat quad; a mixed cell
// is split into quadrants down to detailStep. The quads go to a list that the
// frame hands to the drawing as one array.
#include <vector>

#include "render/draw.h"

// count is 1..16 sample intervals per edge; each edge has count + 1 samples.
// Appends the cell's quads to out in drawing order.
void drawCell(std::vector<DrawRect>* out, int count, float x0, float y0, float x1, float y1, const int* top,
              const int* left, const int* right, const int* bottom);
// Ink colour from the position (bands along x * y = constant) and the colour state.
void cellColor(float x, float y, float rgb[3]);
