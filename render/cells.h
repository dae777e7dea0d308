#pragma once
// Adaptive cells: a cell whose edge samples agree is one flat quad; a mixed cell
// is split into quadrants down to detailStep. Emits into an open quad batch.

// count is 1..16 sample intervals per edge; each edge has count + 1 samples.
void drawCell(int count, float x0, float y0, float x1, float y1, const int* top, const int* left,
              const int* right, const int* bottom);
// Ink colour from the position (bands along x * y = constant) and the colour state.
void setCellColor(float x, float y);
