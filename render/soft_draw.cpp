// The software framebuffer: the drawing interface rasterised by GL's rules.
#include "render/soft_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

uint64_t softQuadCount = 0;

namespace {
struct Texture {
    int width = 0, height = 0;
    bool hasAlpha = false;
    int wrapS = DRAW_REPEAT, wrapT = DRAW_REPEAT;
    std::vector<uint8_t> texels;  // RGBA
};

struct Vertex {
    float x, y, s, t;
};

using ChannelTable = uint8_t[256];

// How the fragments of one quad get their colour, settled before its pixels are
// walked: a flat colour, or texels modulated through a per-channel table and
// drawn over the framebuffer by their alpha.
struct QuadShading {
    uint8_t flat[4];         // the quad colour in 8 bits, alpha 255
    const Texture* tex;      // null when untextured
    const ChannelTable* modulated;  // per channel: texel value times quad colour
    bool alphaBlend;         // texel alpha over the framebuffer
};

struct SoftState {
    SoftFramebuffer* fb = nullptr;
    float clear[4] = {0, 0, 0, 0};
    float color[3] = {1, 1, 1};
    float s = 0, t = 0;
    bool texturing = false, blending = false;
    DrawEnum blendSrc = DRAW_ONE, blendDst = DRAW_ZERO;
    unsigned bound = 0;
    std::vector<Texture> textures;  // name n is entry n - 1
    Vertex quad[4];
    float quadColor[3];
    int pending = 0;
    std::vector<SoftQuad>* log = nullptr;
    // The modulation table and the colour it was made for: quads in a row
    // mostly share their colour.
    ChannelTable modulated[3];
    float modulatedFor[3];
    bool modulatedValid = false;
    std::vector<uint32_t> columns;  // byte offset of the texel of each pixel column, one triangle at a time
};
SoftState S;

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

Texture* boundTexture() {
    if (S.bound == 0 || S.bound > S.textures.size()) return nullptr;
    Texture* t = &S.textures[S.bound - 1];
    return t->width > 0 ? t : nullptr;
}

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

const ChannelTable* modulationTable(const float color[3]) {
    if (!S.modulatedValid || std::memcmp(S.modulatedFor, color, sizeof S.modulatedFor) != 0) {
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v)
                S.modulated[c][v] = colorToByte(color[c] * (static_cast<float>(v) / 255.0f));
        std::memcpy(S.modulatedFor, color, sizeof S.modulatedFor);
        S.modulatedValid = true;
    }
    return S.modulated;
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

void triangle(const Vertex& v0, const Vertex& v1, const Vertex& v2, const QuadShading& q) {
    int64_t x[3] = {snap(v0.x), snap(v1.x), snap(v2.x)};
    int64_t y[3] = {snap(v0.y), snap(v1.y), snap(v2.y)};
    const Vertex* v[3] = {&v0, &v1, &v2};
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
    SoftFramebuffer* fb = S.fb;
    int minX = static_cast<int>(std::max<int64_t>(0, (std::min({x[0], x[1], x[2]}) - SUBPIXEL / 2) / SUBPIXEL));
    int maxX = static_cast<int>(std::min<int64_t>(fb->width - 1, (std::max({x[0], x[1], x[2]}) + SUBPIXEL) / SUBPIXEL));
    int minY = static_cast<int>(std::max<int64_t>(0, (std::min({y[0], y[1], y[2]}) - SUBPIXEL / 2) / SUBPIXEL));
    int maxY = static_cast<int>(std::min<int64_t>(fb->height - 1, (std::max({y[0], y[1], y[2]}) + SUBPIXEL) / SUBPIXEL));
    if (minX > maxX || minY > maxY) return;

    const Texture* tex = q.tex;
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
                S.columns[static_cast<size_t>(px - minX)] =
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
            texelSpan(p, last - first + 1, texels, &S.columns[static_cast<size_t>(first - minX)], q);
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
bool fillRectangle(const Vertex* q, const uint8_t rgb[4]) {
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
    SoftFramebuffer* fb = S.fb;
    int64_t px0 = std::max<int64_t>(0, firstAtOrAbove(x0)), px1 = std::min<int64_t>(fb->width, firstAtOrAbove(x1));
    int64_t py0 = std::max<int64_t>(0, firstAbove(y0)), py1 = std::min<int64_t>(fb->height, firstAbove(y1));
    for (int64_t py = py0; py < py1; ++py)
        fillSpan(&fb->pixels[(static_cast<size_t>(py) * fb->width + static_cast<size_t>(px0)) * 4], px1 - px0, rgb);
    return true;
}

void flushQuad() {
    uint8_t rgb[3] = {colorToByte(S.quadColor[0]), colorToByte(S.quadColor[1]), colorToByte(S.quadColor[2])};
    const Texture* tex = S.texturing ? boundTexture() : nullptr;
    ++softQuadCount;
    if (S.log) {
        SoftQuad record{};
        for (int i = 0; i < 4; ++i) {
            record.x[i] = S.quad[i].x;
            record.y[i] = S.quad[i].y;
            record.s[i] = S.quad[i].s;
            record.t[i] = S.quad[i].t;
        }
        std::memcpy(record.color, S.quadColor, sizeof record.color);
        std::memcpy(record.rgb, rgb, 3);
        record.textured = S.texturing;
        S.log->push_back(record);
    }
    if (!S.fb || S.fb->width <= 0) return;
    // An untextured fragment is opaque, so blending leaves its colour as it is.
    QuadShading q{{rgb[0], rgb[1], rgb[2], 255}, tex, nullptr, false};
    if (!tex && fillRectangle(S.quad, q.flat)) return;
    if (tex) {
        q.modulated = modulationTable(S.quadColor);
        q.alphaBlend = tex->hasAlpha && S.blending && S.blendSrc == DRAW_SRC_ALPHA && S.blendDst == DRAW_ONE_MINUS_SRC_ALPHA;
    }
    triangle(S.quad[0], S.quad[1], S.quad[2], q);
    triangle(S.quad[0], S.quad[2], S.quad[3], q);
}

void vertex(float x, float y) {
    if (S.pending == 0) std::memcpy(S.quadColor, S.color, sizeof S.color);
    S.quad[S.pending++] = Vertex{x, y, S.s, S.t};
    if (S.pending == 4) {
        flushQuad();
        S.pending = 0;
    }
}

void softSetupView(int, int) {}
void softClearColor(float r, float g, float b, float a) {
    S.clear[0] = r;
    S.clear[1] = g;
    S.clear[2] = b;
    S.clear[3] = a;
}
void softClear(DrawBits mask) {
    if (!(mask & DRAW_COLOR_BUFFER_BIT) || !S.fb) return;
    uint8_t c[4] = {colorToByte(S.clear[0]), colorToByte(S.clear[1]), colorToByte(S.clear[2]), 255};
    for (size_t i = 0; i < S.fb->pixels.size(); i += 4) std::memcpy(&S.fb->pixels[i], c, 4);
}
void softBegin(DrawEnum) { S.pending = 0; }
void softEnd() { S.pending = 0; }
void softColor3f(float r, float g, float b) {
    S.color[0] = r;
    S.color[1] = g;
    S.color[2] = b;
}
void softColor3b(signed char r, signed char g, signed char b) {
    // Signed bytes map to (2c + 1) / 255, so 0 is not quite black.
    softColor3f((2.0f * r + 1.0f) * (1.0f / 255.0f), (2.0f * g + 1.0f) * (1.0f / 255.0f),
                (2.0f * b + 1.0f) * (1.0f / 255.0f));
}
void softVertex2i(int x, int y) { vertex(static_cast<float>(x), static_cast<float>(y)); }
void softVertex2f(float x, float y) { vertex(x, y); }
void softTexCoord2f(float s, float t) {
    S.s = s;
    S.t = t;
}
void softTexCoord2i(int s, int t) { softTexCoord2f(static_cast<float>(s), static_cast<float>(t)); }
void softEnable(DrawEnum cap) {
    if (cap == DRAW_TEXTURE_2D) S.texturing = true;
    if (cap == DRAW_BLEND) S.blending = true;
}
void softDisable(DrawEnum cap) {
    if (cap == DRAW_TEXTURE_2D) S.texturing = false;
    if (cap == DRAW_BLEND) S.blending = false;
}
void softBlendFunc(DrawEnum src, DrawEnum dst) {
    S.blendSrc = src;
    S.blendDst = dst;
}
void softGenTextures(int n, unsigned* names) {
    for (int i = 0; i < n; ++i) {
        S.textures.emplace_back();
        names[i] = static_cast<unsigned>(S.textures.size());
    }
}
void softBindTexture(DrawEnum, unsigned name) { S.bound = name; }
void softTexParameteri(DrawEnum, DrawEnum name, int value) {
    if (S.bound == 0 || S.bound > S.textures.size()) return;
    Texture& t = S.textures[S.bound - 1];
    if (name == DRAW_TEXTURE_WRAP_S) t.wrapS = value;
    if (name == DRAW_TEXTURE_WRAP_T) t.wrapT = value;
    // Filtering is always nearest: the program asks for nothing else.
}
void softTexImage2D(DrawEnum, int level, int internalFormat, int width, int height, int, DrawEnum format,
                    DrawEnum type, const void* pixels) {
    if (level != 0 || S.bound == 0 || S.bound > S.textures.size() || width <= 0 || height <= 0) return;
    if (format != DRAW_RGBA || type != DRAW_UNSIGNED_BYTE || !pixels) return;
    Texture& t = S.textures[S.bound - 1];
    t.width = width;
    t.height = height;
    t.hasAlpha = internalFormat == 4 || internalFormat == DRAW_RGBA;
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    t.texels.assign(src, src + static_cast<size_t>(width) * height * 4);
}
}  // namespace

uint8_t colorToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::nearbyint(v * 255.0f));  // ties to even
}

const DrawApi softDrawApi = {
    softSetupView, softClearColor,  softClear,       softBegin,     softEnd,           softColor3f,
    softColor3b,   softVertex2i,    softVertex2f,    softTexCoord2f, softTexCoord2i,   softEnable,
    softDisable,   softBlendFunc,   softGenTextures, softBindTexture, softTexParameteri, softTexImage2D,
};

void useSoftFramebuffer(SoftFramebuffer* fb, int width, int height) {
    fb->width = width;
    fb->height = height;
    fb->pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    std::vector<SoftQuad>* log = S.log;
    S = SoftState{};
    S.fb = fb;
    S.log = log;
    S.columns.assign(static_cast<size_t>(std::max(width, 0)), 0);
    softQuadCount = 0;
    draw = &softDrawApi;
}

void setSoftQuadLog(std::vector<SoftQuad>* log) { S.log = log; }
