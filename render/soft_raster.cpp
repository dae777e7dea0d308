// The software framebuffer's rasteriser: GL's coverage rule on 1/256-pixel
// vertices, spans found by division, texels by nearest filtering, all within
// one band of rows.
#include "render/soft_raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr int SUBPIXEL_BITS = 8;
constexpr int SUBPIXEL = 1 << SUBPIXEL_BITS;

// To the nearest 1/256 pixel, halves away from zero as llround rounds, without
// a library call on the way of every vertex.
int64_t snap(float v) {
    double d = static_cast<double>(v) * SUBPIXEL;  // exact
    if (!(std::fabs(d) < 4503599627370496.0)) return static_cast<int64_t>(std::llround(d));  // 2^52, or not a number
    int64_t whole = static_cast<int64_t>(d);  // toward zero
    double rest = d - static_cast<double>(whole);
    return whole + (rest >= 0.5) - (rest <= -0.5);
}

// Floor and ceiling of a / b for b > 0.
int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

int wrapIndex(float coordinate, int size, int wrap) {
    // Far outside the texture a float has no texel precision left; the index is
    // held in int range (not a number counts as 0) so that it stays defined.
    float u = std::floor(coordinate * static_cast<float>(size));
    int i = u == u ? static_cast<int>(std::clamp(u, -1073741824.0f, 1073741824.0f)) : 0;
    if (wrap == DRAW_REPEAT) {
        i %= size;
        return i < 0 ? i + size : i;
    }
    return std::clamp(i, 0, size - 1);
}

// One textured fragment mixed over dst by its alpha, rounded to nearest; at
// alpha 255 and 0 the mix is the texel or dst exactly, so those skip it.
inline void blendTexel(uint8_t* dst, const uint8_t* texel, const ChannelTable* modulated) {
    unsigned a = texel[3];
    if (a == 255u) {
        dst[0] = modulated[0][texel[0]];
        dst[1] = modulated[1][texel[1]];
        dst[2] = modulated[2][texel[2]];
    } else if (a != 0u) {
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<uint8_t>((modulated[c][texel[c]] * a + dst[c] * (255u - a) + 127u) / 255u);
    }
    dst[3] = 255;
}

// One textured fragment that replaces what is there.
inline void putTexel(uint8_t* dst, const uint8_t* texel, const ChannelTable* modulated) {
    uint8_t out[4] = {modulated[0][texel[0]], modulated[1][texel[1]], modulated[2][texel[2]], 255};
    std::memcpy(dst, out, 4);
}

// The texels of one span, found through a table of per-column texel offsets.
void texelSpan(uint8_t* p, int64_t n, const uint8_t* texels, const uint32_t* columns, const QuadShading& q) {
    const ChannelTable* modulated = q.modulated;
    if (q.alphaBlend)
        for (int64_t i = 0; i < n; ++i, p += 4) blendTexel(p, texels + columns[i], modulated);
    else
        for (int64_t i = 0; i < n; ++i, p += 4) putTexel(p, texels + columns[i], modulated);
}

void fillSpan(uint8_t* p, int64_t n, const uint8_t value[4]) {
    uint32_t pixel;  // a local copy: stores through p cannot change it
    std::memcpy(&pixel, value, 4);
    for (int64_t i = 0; i < n; ++i, p += 4) std::memcpy(p, &pixel, 4);
}

// Texture coordinates as planes over the screen, evaluated at pixel centres.
struct TexturePlanes {
    double x, y, s, t;  // at the first vertex
    double dsdx, dsdy, dtdx, dtdy;
};

float planeS(const TexturePlanes& p, int px, int py) {
    double ox = px + 0.5 - p.x, oy = py + 0.5 - p.y;
    return static_cast<float>(p.s + p.dsdx * ox + p.dsdy * oy);
}
float planeT(const TexturePlanes& p, int px, int py) {
    double ox = px + 0.5 - p.x, oy = py + 0.5 - p.y;
    return static_cast<float>(p.t + p.dtdx * ox + p.dtdy * oy);
}

// Edge function of a->b at p, with a, b, p in 1/256 pixels; the triangle is
// oriented so that its inside is positive.
int64_t edge(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t px, int64_t py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

void triangle(const SoftVertex& v0, const SoftVertex& v1, const SoftVertex& v2, const QuadShading& q, const SoftBand& band) {
    int64_t x[3] = {snap(v0.x), snap(v1.x), snap(v2.x)};
    int64_t y[3] = {snap(v0.y), snap(v1.y), snap(v2.y)};
    const SoftVertex* v[3] = {&v0, &v1, &v2};
    int64_t area = edge(x[0], y[0], x[1], y[1], x[2], y[2]);
    if (area == 0) return;
    if (area < 0) {
        std::swap(x[1], x[2]);
        std::swap(y[1], y[2]);
        std::swap(v[1], v[2]);
        area = -area;
    }
    // A centre exactly on an edge belongs to the triangle when the inside lies to
    // the edge's right (a left edge) or above it on the screen (a bottom edge).
    int64_t bias[3];
    for (int i = 0; i < 3; ++i) {
        int j = (i + 1) % 3;
        int64_t nx = -(y[j] - y[i]), ny = x[j] - x[i];  // inward normal, y downward
        bool owned = nx > 0 || (nx == 0 && ny < 0);
        bias[i] = owned ? 0 : -1;
    }
    SoftFramebuffer* fb = band.fb;
    int minX = static_cast<int>(std::max<int64_t>(0, (std::min({x[0], x[1], x[2]}) - SUBPIXEL / 2) / SUBPIXEL));
    int maxX = static_cast<int>(std::min<int64_t>(fb->width - 1, (std::max({x[0], x[1], x[2]}) + SUBPIXEL) / SUBPIXEL));
    int minY = static_cast<int>(std::max<int64_t>(band.top, (std::min({y[0], y[1], y[2]}) - SUBPIXEL / 2) / SUBPIXEL));
    int maxY = static_cast<int>(std::min<int64_t>(band.bottom - 1, (std::max({y[0], y[1], y[2]}) + SUBPIXEL) / SUBPIXEL));
    if (minX > maxX || minY > maxY) return;

    const SoftTexture* tex = q.tex;
    TexturePlanes planes{};
    bool separable = false;  // s follows the column alone and t the row alone
    if (tex) {
        double ax = v[1]->x - v[0]->x, ay = v[1]->y - v[0]->y, bx = v[2]->x - v[0]->x, by = v[2]->y - v[0]->y;
        double det = ax * by - ay * bx;
        double ds1 = v[1]->s - v[0]->s, ds2 = v[2]->s - v[0]->s, dt1 = v[1]->t - v[0]->t, dt2 = v[2]->t - v[0]->t;
        planes = {v[0]->x, v[0]->y, v[0]->s, v[0]->t, (ds1 * by - ds2 * ay) / det, (ds2 * ax - ds1 * bx) / det,
                  (dt1 * by - dt2 * ay) / det, (dt2 * ax - dt1 * bx) / det};
        // With a zero cross term the plane's other term adds only a signed zero,
        // so one texel column per pixel column (and row per row) serves every pixel.
        separable = planes.dsdy == 0.0 && planes.dtdx == 0.0;
        if (separable)
            for (int px = minX; px <= maxX; ++px)
                band.columns[px - minX] =
                    static_cast<uint32_t>(wrapIndex(planeS(planes, px, minY), tex->width, tex->wrapS)) * 4u;
    }
    // Each edge test is linear along a row: rowValue + slope * px >= 0, so the
    // covered pixels of a row are one span found by division.
    int64_t slope[3];
    for (int i = 0; i < 3; ++i) slope[i] = -(y[(i + 1) % 3] - y[i]) * SUBPIXEL;
    for (int py = minY; py <= maxY; ++py) {
        int64_t cy = static_cast<int64_t>(py) * SUBPIXEL + SUBPIXEL / 2;
        int64_t first = minX, last = maxX;
        for (int i = 0; i < 3; ++i) {
            int j = (i + 1) % 3;
            int64_t rowValue = edge(x[i], y[i], x[j], y[j], SUBPIXEL / 2, cy) + bias[i];
            if (slope[i] > 0)
                first = std::max(first, ceilDiv(-rowValue, slope[i]));
            else if (slope[i] < 0)
                last = std::min(last, floorDiv(rowValue, -slope[i]));
            else if (rowValue < 0)
                last = first - 1;
        }
        if (first > last) continue;
        uint8_t* row = &fb->pixels[static_cast<size_t>(py) * fb->width * 4];
        uint8_t* p = row + static_cast<size_t>(first) * 4;
        if (!tex) {
            fillSpan(p, last - first + 1, q.flat);
        } else if (separable) {
            int texRow = wrapIndex(planeT(planes, static_cast<int>(first), py), tex->height, tex->wrapT);
            const uint8_t* texels = &tex->texels[static_cast<size_t>(texRow) * tex->width * 4];
            texelSpan(p, last - first + 1, texels, &band.columns[first - minX], q);
        } else {
            for (int px = static_cast<int>(first); px <= last; ++px, p += 4) {
                int i = wrapIndex(planeS(planes, px, py), tex->width, tex->wrapS);
                int j = wrapIndex(planeT(planes, px, py), tex->height, tex->wrapT);
                const uint8_t* texel = &tex->texels[(static_cast<size_t>(j) * tex->width + static_cast<size_t>(i)) * 4];
                if (q.alphaBlend)
                    blendTexel(p, texel, q.modulated);
                else
                    putTexel(p, texel, q.modulated);
            }
        }
    }
}

// The common case, an untextured axis-aligned rectangle, filled row by row with
// the same coverage rule as the triangles.
bool fillRectangle(const SoftVertex* q, const uint8_t rgb[4], const SoftBand& band) {
    bool rows = q[0].y == q[1].y && q[1].x == q[2].x && q[2].y == q[3].y && q[3].x == q[0].x;
    bool columns = q[0].x == q[1].x && q[1].y == q[2].y && q[2].x == q[3].x && q[3].y == q[0].y;
    if (!rows && !columns) return false;
    int64_t x0 = snap(std::min(q[0].x, q[2].x)), x1 = snap(std::max(q[0].x, q[2].x));
    int64_t y0 = snap(std::min(q[0].y, q[2].y)), y1 = snap(std::max(q[0].y, q[2].y));
    // Pixel p (centre at p + 1/2) is covered when x0 <= centre < x1 and
    // y0 < centre <= y1, the rule the triangles follow for these edges.
    // (A right shift of a negative number rounds down: these are floor and ceiling.)
    auto firstAtOrAbove = [](int64_t e) { return -((SUBPIXEL / 2 - e) >> SUBPIXEL_BITS); };
    auto firstAbove = [](int64_t e) { return ((e - SUBPIXEL / 2) >> SUBPIXEL_BITS) + 1; };
    SoftFramebuffer* fb = band.fb;
    int64_t px0 = std::max<int64_t>(0, firstAtOrAbove(x0)), px1 = std::min<int64_t>(fb->width, firstAtOrAbove(x1));
    int64_t py0 = std::max<int64_t>(band.top, firstAbove(y0)), py1 = std::min<int64_t>(band.bottom, firstAbove(y1));
    for (int64_t py = py0; py < py1; ++py)
        fillSpan(&fb->pixels[(static_cast<size_t>(py) * fb->width + static_cast<size_t>(px0)) * 4], px1 - px0, rgb);
    return true;
}

}  // namespace

void rasterQuad(const SoftVertex quad[4], const QuadShading& shading, const SoftBand& band) {
    if (!shading.tex && fillRectangle(quad, shading.flat, band)) return;
    triangle(quad[0], quad[1], quad[2], shading, band);
    triangle(quad[0], quad[2], quad[3], shading, band);
}

void fillBand(const SoftBand& band, const uint8_t rgba[4]) {
    const size_t rowBytes = static_cast<size_t>(band.fb->width) * 4;
    for (int y = band.top; y < band.bottom; ++y) fillSpan(&band.fb->pixels[y * rowBytes], band.fb->width, rgba);
}
