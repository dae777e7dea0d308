// The frame's shared values and the line samplers that cells use to look
// inside a mixed cell.
#include "render/frame_state.h"

#include "timeline/composition.h"

float frameSeconds = 0.0f;
float emptyCellColor[3] = {1.0f, 0.98f, 0.96f};
int (*frameScene)(float x, float y) = sampleScene;

void sampleRow(int count, int* out, float x0, float y0, float x1, float) {
    float step = (x1 - x0) / static_cast<float>(count);
    float x = x0 + step;
    for (int i = 1; i < count; ++i, x += step) out[i] = frameScene(x, y0);
}

void sampleColumn(int count, int* out, float x0, float y0, float, float y1) {
    float step = (y1 - y0) / static_cast<float>(count);
    float y = y0 + step;
    for (int i = 1; i < count; ++i, y += step) out[i] = frameScene(x0, y);
}
