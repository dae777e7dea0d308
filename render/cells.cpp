// Adaptive cells: flat, empty or split into quadrants, and the ink colour bands.
#include "render/cells.h"

#include <cstdint>

#include "core/globals.h"
#include "render/frame_state.h"

namespace {
void emptyQuad(std::vector<DrawRect>* out, float x0, float y0, float x1, float y1) {
    out->push_back({x0, y0, x1, y1, {emptyCellColor[0], emptyCellColor[1], emptyCellColor[2]}});
}

void inkQuad(std::vector<DrawRect>* out, float cx, float cy, float x0, float y0, float x1, float y1) {
    DrawRect& r = out->emplace_back();
    r = {x0, y0, x1, y1, {}};
    cellColor(cx, cy, r.color);
}

int tally(int count, const int* edge) {
    int n = 0;
    for (int i = 0; i <= count; ++i) n += edge[i] != 0;
    return n;
}
}  // namespace

void cellColor(float x, float y, float rgb[3]) {
    // Bands follow the hyperbolas x * y = constant, one step per ~371.7.
    int64_t band = static_cast<int64_t>(static_cast<double>(x * y) * 0.0026904792012505353);
    float r = 1.0f, g = 1.0f, b = 1.0f;
    switch (band & 7) {
        case 2: g = 0.0f; b = 0.0f; break;  // red
        case 4: r = 0.0f; g = 0.0f; break;  // blue
        case 6: b = 0.0f; break;            // yellow
        default: break;                     // white
    }
    float m = (r + g + b) * 0.33333334f;
    r = m + inkSaturation * (r - m);
    g = m + inkSaturation * (g - m);
    b = m + inkSaturation * (b - m);
    rgb[0] = invertBlend(r);
    rgb[1] = invertBlend(g);
    rgb[2] = invertBlend(b);
}

void drawCell(std::vector<DrawRect>* out, int count, float x0, float y0, float x1, float y1, const int* top,
              const int* left, const int* right, const int* bottom) {
    int inside = tally(count, top) + tally(count, left) + tally(count, right) + tally(count, bottom);

    if (inside == 0) {
        // Empty cells are inset by the gap at their right and bottom sides.
        // Integer corners, truncated toward zero as glVertex2i would be given them.
        int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
        int ix1 = static_cast<int>(x1 - static_cast<float>(cellGap));
        int iy1 = static_cast<int>(y1 - static_cast<float>(cellGap));
        emptyQuad(out, static_cast<float>(ix0), static_cast<float>(iy0), static_cast<float>(ix1),
                  static_cast<float>(iy1));
        return;
    }
    if (inside == 4 * (count + 1)) {
        // Ink cells keep a one-pixel gap whatever cellGap says.
        inkQuad(out, x0, y0, x0, y0, x1 - 1.0f, y1 - 1.0f);
        return;
    }
    if (count < detailStep) {
        if (top[0])
            inkQuad(out, x0, y0, x0, y0, x1 - 1.0f, y1 - 1.0f);
        else
            emptyQuad(out, x0, y0, x1 - 1.0f, y1 - 1.0f);
        return;
    }
    if (count >= 2) {
        float xm = (x0 + x1) * 0.5f;
        float ym = (y0 + y1) * 0.5f;
        int h = count / 2;
        int V[EDGE_SAMPLES];  // vertical midline, top to bottom
        int H[EDGE_SAMPLES];  // horizontal midline, left to right
        sampleColumn(count, V, xm, y0, xm, y1);
        V[0] = top[h];
        V[count] = bottom[h];
        sampleRow(count, H, x0, ym, x1, ym);
        H[0] = left[h];
        H[count] = right[h];
        drawCell(out, h, x0, y0, xm, ym, top, left, V, H);
        drawCell(out, h, xm, y0, x1, ym, top + h, V, right, H + h);
        drawCell(out, h, xm, ym, x1, y1, H + h, V + h, right + h, bottom + h);
        drawCell(out, h, x0, ym, xm, y1, H, left + h, V + h, bottom);
        return;
    }
    // A 4-pixel cell at full detail: one dot per corner, each in its own colour.
    struct Dot {
        int sample;
        float cx, cy, fx, fy;
    };
    const Dot dots[4] = {
        {top[0], x0, y0, x0, y0},
        {top[1], x1, y0, x1 - 2.0f, y0},
        {bottom[0], x0, y1, x0, y1 - 2.0f},
        {bottom[1], x1, y1, x1 - 2.0f, y1 - 2.0f},
    };
    for (const Dot& dot : dots) {
        if (dot.sample)
            inkQuad(out, dot.cx, dot.cy, dot.fx, dot.fy, dot.fx + 1.0f, dot.fy + 1.0f);
        else
            emptyQuad(out, dot.fx, dot.fy, dot.fx + 1.0f, dot.fy + 1.0f);
    }
}
