#include "render/soft_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

uint64_t softQuadCount = 0;

namespace {
struct Texture {
    int width = 0, height = 0;
    bool hasAlpha = false;
    GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
    std::vector<uint8_t> texels;  // RGBA
};

struct Vertex {
    float x, y, s, t;
};

struct SoftState {
    SoftFramebuffer* fb = nullptr;
    float clear[4] = {0, 0, 0, 0};
    float color[3] = {1, 1, 1};
    float s = 0, t = 0;
    bool texturing = false, blending = false;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLuint bound = 0;
    std::vector<Texture> textures;  // name n is entry n - 1
    Vertex quad[4];
    float quadColor[3];
    int pending = 0;
    std::vector<SoftQuad>* log = nullptr;
};
SoftState S;

constexpr int SUBPIXEL = 256;

int64_t snap(float v) { return static_cast<int64_t>(std::llround(static_cast<double>(v) * SUBPIXEL)); }

Texture* boundTexture() {
    if (S.bound == 0 || S.bound > S.textures.size()) return nullptr;
    Texture* t = &S.textures[S.bound - 1];
    return t->width > 0 ? t : nullptr;
}

int wrapIndex(float coordinate, int size, GLint wrap) {
    float u = coordinate * static_cast<float>(size);
    int i = static_cast<int>(std::floor(u));
    if (wrap == GL_REPEAT) {
        i %= size;
        return i < 0 ? i + size : i;
    }
    return std::clamp(i, 0, size - 1);
}

// Colour of one fragment, then blending into the framebuffer.
void shade(uint8_t* dst, const uint8_t rgb[3], const Texture* tex, float s, float t) {
    uint8_t out[4] = {rgb[0], rgb[1], rgb[2], 255};
    if (tex) {
        const uint8_t* texel = &tex->texels[(static_cast<size_t>(wrapIndex(t, tex->height, tex->wrapT)) * tex->width +
                                             static_cast<size_t>(wrapIndex(s, tex->width, tex->wrapS))) * 4];
        for (int c = 0; c < 3; ++c) out[c] = colorToByte(S.quadColor[c] * (static_cast<float>(texel[c]) / 255.0f));
        out[3] = tex->hasAlpha ? texel[3] : 255;
    }
    if (S.blending && S.blendSrc == GL_SRC_ALPHA && S.blendDst == GL_ONE_MINUS_SRC_ALPHA) {
        unsigned a = out[3];
        for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((out[c] * a + dst[c] * (255u - a) + 127u) / 255u);
    }
    std::memcpy(dst, out, 3);
    dst[3] = 255;
}

// Edge function of a->b at p, with a, b, p in 1/256 pixels; the triangle is
// oriented so that its inside is positive.
int64_t edge(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t px, int64_t py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

void triangle(const Vertex& v0, const Vertex& v1, const Vertex& v2, const uint8_t rgb[3], const Texture* tex) {
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

    // Texture coordinates as planes over the screen, evaluated at pixel centres.
    double dsdx = 0, dsdy = 0, dtdx = 0, dtdy = 0;
    if (tex) {
        double ax = v[1]->x - v[0]->x, ay = v[1]->y - v[0]->y, bx = v[2]->x - v[0]->x, by = v[2]->y - v[0]->y;
        double det = ax * by - ay * bx;
        double ds1 = v[1]->s - v[0]->s, ds2 = v[2]->s - v[0]->s, dt1 = v[1]->t - v[0]->t, dt2 = v[2]->t - v[0]->t;
        dsdx = (ds1 * by - ds2 * ay) / det;
        dsdy = (ds2 * ax - ds1 * bx) / det;
        dtdx = (dt1 * by - dt2 * ay) / det;
        dtdy = (dt2 * ax - dt1 * bx) / det;
    }
    for (int py = minY; py <= maxY; ++py) {
        int64_t cy = static_cast<int64_t>(py) * SUBPIXEL + SUBPIXEL / 2;
        uint8_t* row = &fb->pixels[static_cast<size_t>(py) * fb->width * 4];
        for (int px = minX; px <= maxX; ++px) {
            int64_t cx = static_cast<int64_t>(px) * SUBPIXEL + SUBPIXEL / 2;
            if (edge(x[0], y[0], x[1], y[1], cx, cy) + bias[0] < 0) continue;
            if (edge(x[1], y[1], x[2], y[2], cx, cy) + bias[1] < 0) continue;
            if (edge(x[2], y[2], x[0], y[0], cx, cy) + bias[2] < 0) continue;
            float s = 0, t = 0;
            if (tex) {
                double ox = px + 0.5 - v[0]->x, oy = py + 0.5 - v[0]->y;
                s = static_cast<float>(v[0]->s + dsdx * ox + dsdy * oy);
                t = static_cast<float>(v[0]->t + dtdx * ox + dtdy * oy);
            }
            shade(row + static_cast<size_t>(px) * 4, rgb, tex, s, t);
        }
    }
}

// The common case, an untextured, unblended axis-aligned rectangle, filled row by row with
// the same coverage rule as the triangles.
bool fillRectangle(const Vertex* q, const uint8_t rgb[3]) {
    bool rows = q[0].y == q[1].y && q[1].x == q[2].x && q[2].y == q[3].y && q[3].x == q[0].x;
    bool columns = q[0].x == q[1].x && q[1].y == q[2].y && q[2].x == q[3].x && q[3].y == q[0].y;
    if (!rows && !columns) return false;
    int64_t x0 = snap(std::min(q[0].x, q[2].x)), x1 = snap(std::max(q[0].x, q[2].x));
    int64_t y0 = snap(std::min(q[0].y, q[2].y)), y1 = snap(std::max(q[0].y, q[2].y));
    // Pixel p (centre at p + 1/2) is covered when x0 <= centre < x1 and
    // y0 < centre <= y1, the rule the triangles follow for these edges.
    auto floorDiv = [](int64_t a) { return a >= 0 ? a / SUBPIXEL : -((-a + SUBPIXEL - 1) / SUBPIXEL); };
    auto ceilDiv = [&](int64_t a) { return -floorDiv(-a); };
    auto firstAtOrAbove = [&](int64_t e) { return ceilDiv(e - SUBPIXEL / 2); };
    auto firstAbove = [&](int64_t e) { return floorDiv(e - SUBPIXEL / 2) + 1; };
    SoftFramebuffer* fb = S.fb;
    int64_t px0 = std::max<int64_t>(0, firstAtOrAbove(x0)), px1 = std::min<int64_t>(fb->width, firstAtOrAbove(x1));
    int64_t py0 = std::max<int64_t>(0, firstAbove(y0)), py1 = std::min<int64_t>(fb->height, firstAbove(y1));
    uint8_t value[4] = {rgb[0], rgb[1], rgb[2], 255};
    for (int64_t py = py0; py < py1; ++py) {
        uint8_t* p = &fb->pixels[(static_cast<size_t>(py) * fb->width + static_cast<size_t>(px0)) * 4];
        for (int64_t px = px0; px < px1; ++px, p += 4) std::memcpy(p, value, 4);
    }
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
    if (tex || S.blending || !fillRectangle(S.quad, rgb)) {
        triangle(S.quad[0], S.quad[1], S.quad[2], rgb, tex);
        triangle(S.quad[0], S.quad[2], S.quad[3], rgb, tex);
    }
}

void vertex(float x, float y) {
    if (S.pending == 0) std::memcpy(S.quadColor, S.color, sizeof S.color);
    S.quad[S.pending++] = Vertex{x, y, S.s, S.t};
    if (S.pending == 4) {
        flushQuad();
        S.pending = 0;
    }
}

void softSetupView(GLint, GLint) {}
void softClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    S.clear[0] = r;
    S.clear[1] = g;
    S.clear[2] = b;
    S.clear[3] = a;
}
void softClear(GLbitfield mask) {
    if (!(mask & GL_COLOR_BUFFER_BIT) || !S.fb) return;
    uint8_t c[4] = {colorToByte(S.clear[0]), colorToByte(S.clear[1]), colorToByte(S.clear[2]), 255};
    for (size_t i = 0; i < S.fb->pixels.size(); i += 4) std::memcpy(&S.fb->pixels[i], c, 4);
}
void softBegin(GLenum) { S.pending = 0; }
void softEnd() { S.pending = 0; }
void softColor3f(GLfloat r, GLfloat g, GLfloat b) {
    S.color[0] = r;
    S.color[1] = g;
    S.color[2] = b;
}
void softColor3b(GLbyte r, GLbyte g, GLbyte b) {
    // Signed bytes map to (2c + 1) / 255, so 0 is not quite black.
    softColor3f((2.0f * r + 1.0f) * (1.0f / 255.0f), (2.0f * g + 1.0f) * (1.0f / 255.0f),
                (2.0f * b + 1.0f) * (1.0f / 255.0f));
}
void softVertex2i(GLint x, GLint y) { vertex(static_cast<float>(x), static_cast<float>(y)); }
void softVertex2f(GLfloat x, GLfloat y) { vertex(x, y); }
void softTexCoord2f(GLfloat s, GLfloat t) {
    S.s = s;
    S.t = t;
}
void softTexCoord2i(GLint s, GLint t) { softTexCoord2f(static_cast<float>(s), static_cast<float>(t)); }
void softEnable(GLenum cap) {
    if (cap == GL_TEXTURE_2D) S.texturing = true;
    if (cap == GL_BLEND) S.blending = true;
}
void softDisable(GLenum cap) {
    if (cap == GL_TEXTURE_2D) S.texturing = false;
    if (cap == GL_BLEND) S.blending = false;
}
void softBlendFunc(GLenum src, GLenum dst) {
    S.blendSrc = src;
    S.blendDst = dst;
}
void softGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) {
        S.textures.emplace_back();
        names[i] = static_cast<GLuint>(S.textures.size());
    }
}
void softBindTexture(GLenum, GLuint name) { S.bound = name; }
void softTexParameteri(GLenum, GLenum name, GLint value) {
    if (S.bound == 0 || S.bound > S.textures.size()) return;
    Texture& t = S.textures[S.bound - 1];
    if (name == GL_TEXTURE_WRAP_S) t.wrapS = value;
    if (name == GL_TEXTURE_WRAP_T) t.wrapT = value;
    // Filtering is always nearest: the program asks for nothing else.
}
void softTexImage2D(GLenum, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint, GLenum format,
                    GLenum type, const GLvoid* pixels) {
    if (level != 0 || S.bound == 0 || S.bound > S.textures.size() || width <= 0 || height <= 0) return;
    if (format != GL_RGBA || type != GL_UNSIGNED_BYTE || !pixels) return;
    Texture& t = S.textures[S.bound - 1];
    t.width = width;
    t.height = height;
    t.hasAlpha = internalFormat == 4 || internalFormat == GL_RGBA;
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
    softQuadCount = 0;
    draw = &softDrawApi;
}

void setSoftQuadLog(std::vector<SoftQuad>* log) { S.log = log; }
