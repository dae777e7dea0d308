// The software framebuffer: the drawing interface rasterised by GL's rules.
#include "render/soft_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/soft_raster.h"
#include "render/workers.h"

uint64_t softQuadCount = 0;

namespace {
struct SoftState {
    SoftFramebuffer* fb = nullptr;
    float clear[4] = {0, 0, 0, 0};
    float color[3] = {1, 1, 1};
    float s = 0, t = 0;
    bool texturing = false, blending = false;
    DrawEnum blendSrc = DRAW_ONE, blendDst = DRAW_ZERO;
    unsigned bound = 0;
    std::vector<SoftTexture> textures;  // name n is entry n - 1
    SoftVertex quad[4];
    float quadColor[3];
    int pending = 0;
    std::vector<SoftQuad>* log = nullptr;
    // The modulation table and the colour it was made for: quads in a row
    // mostly share their colour.
    ChannelTable modulated[3];
    float modulatedFor[3];
    bool modulatedValid = false;
    // Per thread: byte offset of the texel of each pixel column, one triangle at a time.
    std::vector<uint32_t> columns[MAX_RENDER_THREADS];
};
SoftState S;

// Drawing smaller than this stays on the calling thread: handing it over
// would cost more than it saves.
constexpr int64_t SHARED_PIXELS = 1 << 15;

// Runs drawBand on bands of rows that together cover the framebuffer, side by
// side on the render threads when shared is set. Each band sees the same
// drawing in the same order, clipped to its rows, so the pixels do not depend
// on how the rows are split.
template <class DrawBand>
void inBands(bool shared, const DrawBand& drawBand) {
    const int threads = shared ? renderThreads() : 1;
    for (int t = 0; t < threads; ++t)
        if (S.columns[t].size() < static_cast<size_t>(S.fb->width)) S.columns[t].assign(S.fb->width, 0);
    struct Job {
        const DrawBand* drawBand;
        int pieces;
    } job{&drawBand, threads == 1 ? 1 : 2 * threads};  // a late thread leaves less undone
    runPieces(
        job.pieces,
        [](int piece, int thread, void* context) {
            const Job* j = static_cast<const Job*>(context);
            const int height = S.fb->height;
            SoftBand band{S.fb, static_cast<int>(int64_t{height} * piece / j->pieces),
                          static_cast<int>(int64_t{height} * (piece + 1) / j->pieces), S.columns[thread].data()};
            (*j->drawBand)(band);
        },
        &job);
}

SoftTexture* boundTexture() {
    if (S.bound == 0 || S.bound > S.textures.size()) return nullptr;
    SoftTexture* t = &S.textures[S.bound - 1];
    return t->width > 0 ? t : nullptr;
}

// The colour channel that byte c of a pixel holds: textures are kept in the
// framebuffer's order, so the rasteriser never swaps channels itself.
int channelOf(int c) { return S.fb && S.fb->bgra && c != 1 ? 2 - c : c; }

// A flat colour as the framebuffer's four bytes, alpha 255.
void pixelOf(const uint8_t rgb[3], uint8_t out[4]) {
    for (int c = 0; c < 3; ++c) out[c] = rgb[channelOf(c)];
    out[3] = 255;
}

const ChannelTable* modulationTable(const float color[3]) {
    if (!S.modulatedValid || std::memcmp(S.modulatedFor, color, sizeof S.modulatedFor) != 0) {
        for (int c = 0; c < 3; ++c)
            for (int v = 0; v < 256; ++v)
                S.modulated[c][v] = colorToByte(color[channelOf(c)] * (static_cast<float>(v) / 255.0f));
        std::memcpy(S.modulatedFor, color, sizeof S.modulatedFor);
        S.modulatedValid = true;
    }
    return S.modulated;
}

void logQuad(const SoftVertex quad[4], const float color[3], const uint8_t rgb[3]) {
    ++softQuadCount;
    if (!S.log) return;
    SoftQuad record{};
    for (int i = 0; i < 4; ++i) {
        record.x[i] = quad[i].x;
        record.y[i] = quad[i].y;
        record.s[i] = quad[i].s;
        record.t[i] = quad[i].t;
    }
    std::memcpy(record.color, color, sizeof record.color);
    std::memcpy(record.rgb, rgb, 3);
    record.textured = S.texturing;
    S.log->push_back(record);
}

bool hasTarget() { return S.fb && S.fb->width > 0 && S.fb->height > 0; }

void flushQuad() {
    uint8_t rgb[3] = {colorToByte(S.quadColor[0]), colorToByte(S.quadColor[1]), colorToByte(S.quadColor[2])};
    const SoftTexture* tex = S.texturing ? boundTexture() : nullptr;
    logQuad(S.quad, S.quadColor, rgb);
    if (!hasTarget()) return;
    // An untextured fragment is opaque, so blending leaves its colour as it is.
    QuadShading q{{}, tex, nullptr, false};
    pixelOf(rgb, q.flat);
    if (tex) {
        q.modulated = modulationTable(S.quadColor);
        q.alphaBlend = tex->hasAlpha && S.blending && S.blendSrc == DRAW_SRC_ALPHA && S.blendDst == DRAW_ONE_MINUS_SRC_ALPHA;
    }
    float x0 = S.quad[0].x, x1 = x0, y0 = S.quad[0].y, y1 = y0;
    for (const SoftVertex& v : S.quad) {
        x0 = std::min(x0, v.x), x1 = std::max(x1, v.x);
        y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
    }
    // Not a number or far off the screen counts as large: the rasteriser clips it.
    bool small = (x1 - x0) * (y1 - y0) < static_cast<float>(SHARED_PIXELS);
    inBands(!small, [&](const SoftBand& band) { rasterQuad(S.quad, q, band); });
}

void vertex(float x, float y) {
    if (S.pending == 0) std::memcpy(S.quadColor, S.color, sizeof S.color);
    S.quad[S.pending++] = SoftVertex{x, y, S.s, S.t};
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
    if (!(mask & DRAW_COLOR_BUFFER_BIT) || !hasTarget()) return;
    const uint8_t rgb[3] = {colorToByte(S.clear[0]), colorToByte(S.clear[1]), colorToByte(S.clear[2])};
    uint8_t c[4];
    pixelOf(rgb, c);
    inBands(true, [&](const SoftBand& band) { fillBand(band, c); });
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
    SoftTexture& t = S.textures[S.bound - 1];
    if (name == DRAW_TEXTURE_WRAP_S) t.wrapS = value;
    if (name == DRAW_TEXTURE_WRAP_T) t.wrapT = value;
    // Filtering is always nearest: the program asks for nothing else.
}
void softTexImage2D(DrawEnum, int level, int internalFormat, int width, int height, int, DrawEnum format,
                    DrawEnum type, const void* pixels) {
    if (level != 0 || S.bound == 0 || S.bound > S.textures.size() || width <= 0 || height <= 0) return;
    if (format != DRAW_RGBA || type != DRAW_UNSIGNED_BYTE || !pixels) return;
    SoftTexture& t = S.textures[S.bound - 1];
    t.width = width;
    t.height = height;
    t.hasAlpha = internalFormat == 4 || internalFormat == DRAW_RGBA;
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    t.texels.assign(src, src + static_cast<size_t>(width) * height * 4);
    if (S.fb && S.fb->bgra)
        for (size_t i = 0; i < t.texels.size(); i += 4) std::swap(t.texels[i], t.texels[i + 2]);
}
void softRectangles(const DrawRect* rects, int count) {
    if (count <= 0) return;
    if (S.texturing && boundTexture()) {
        // Textured by the current coordinate: the general way, quad by quad.
        for (int i = 0; i < count; ++i) {
            const DrawRect& r = rects[i];
            softBegin(DRAW_QUADS);
            softColor3f(r.color[0], r.color[1], r.color[2]);
            vertex(r.x0, r.y0), vertex(r.x1, r.y0), vertex(r.x1, r.y1), vertex(r.x0, r.y1);
        }
        softEnd();
        return;
    }
    if (S.log) {
        for (int i = 0; i < count; ++i) {
            const DrawRect& r = rects[i];
            const SoftVertex quad[4] = {{r.x0, r.y0, S.s, S.t}, {r.x1, r.y0, S.s, S.t}, {r.x1, r.y1, S.s, S.t},
                                        {r.x0, r.y1, S.s, S.t}};
            const uint8_t rgb[3] = {colorToByte(r.color[0]), colorToByte(r.color[1]), colorToByte(r.color[2])};
            logQuad(quad, r.color, rgb);
        }
    } else {
        softQuadCount += static_cast<uint64_t>(count);
    }
    std::memcpy(S.color, rects[count - 1].color, sizeof S.color);
    S.pending = 0;
    if (!hasTarget()) return;
    inBands(true, [&](const SoftBand& band) {
        // Neighbouring quads mostly share their colour: convert it only when it changes.
        QuadShading q{{0, 0, 0, 255}, nullptr, nullptr, false};
        float last[3] = {NAN, NAN, NAN};
        const float top = static_cast<float>(band.top) - 1.0f, bottom = static_cast<float>(band.bottom) + 1.0f;
        for (int i = 0; i < count; ++i) {
            const DrawRect& r = rects[i];
            if ((r.y0 < top && r.y1 < top) || (r.y0 > bottom && r.y1 > bottom)) continue;
            if (std::memcmp(last, r.color, sizeof last) != 0) {
                const uint8_t rgb[3] = {colorToByte(r.color[0]), colorToByte(r.color[1]), colorToByte(r.color[2])};
                pixelOf(rgb, q.flat);
                std::memcpy(last, r.color, sizeof last);
            }
            const SoftVertex quad[4] = {{r.x0, r.y0, 0, 0}, {r.x1, r.y0, 0, 0}, {r.x1, r.y1, 0, 0}, {r.x0, r.y1, 0, 0}};
            rasterQuad(quad, q, band);
        }
    });
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
    softRectangles,
};

void useSoftFramebuffer(SoftFramebuffer* fb, int width, int height) {
    fb->width = width;
    fb->height = height;
    fb->pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    std::vector<SoftQuad>* log = S.log;
    S = SoftState{};
    S.fb = fb;
    S.log = log;
    softQuadCount = 0;
    draw = &softDrawApi;
}

void setSoftQuadLog(std::vector<SoftQuad>* log) { S.log = log; }
