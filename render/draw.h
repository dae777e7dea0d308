#pragma once
// The narrow drawing interface: the few OpenGL 1.1 calls that the renderer and
// the overlays make, as a table of function pointers. It speaks GL's own types
// and values without including GL, so the renderer builds where there is no GL;
// the OpenGL table (draw_gl.cpp) points straight at the GL entry points, so
// drawing through it costs what calling GL costs. The software framebuffer
// (render/soft_draw.h) implements the same calls with GL's rasterisation rules,
// for tests, tools, the capture and the browser.

// GL's scalar types as this platform's GL defines them (draw_gl.cpp checks).
using DrawEnum = unsigned;  // DrawEnum
using DrawBits = unsigned;  // DrawBits

// GL's values for the names the drawing uses.
constexpr DrawEnum DRAW_QUADS = 0x0007;
constexpr DrawBits DRAW_DEPTH_BUFFER_BIT = 0x0100;
constexpr DrawBits DRAW_COLOR_BUFFER_BIT = 0x4000;
constexpr DrawEnum DRAW_ZERO = 0;
constexpr DrawEnum DRAW_ONE = 1;
constexpr DrawEnum DRAW_SRC_ALPHA = 0x0302;
constexpr DrawEnum DRAW_ONE_MINUS_SRC_ALPHA = 0x0303;
constexpr DrawEnum DRAW_BLEND = 0x0BE2;
constexpr DrawEnum DRAW_TEXTURE_2D = 0x0DE1;
constexpr DrawEnum DRAW_UNSIGNED_BYTE = 0x1401;
constexpr DrawEnum DRAW_RGBA = 0x1908;
constexpr DrawEnum DRAW_NEAREST = 0x2600;
constexpr DrawEnum DRAW_TEXTURE_MAG_FILTER = 0x2800;
constexpr DrawEnum DRAW_TEXTURE_MIN_FILTER = 0x2801;
constexpr DrawEnum DRAW_TEXTURE_WRAP_S = 0x2802;
constexpr DrawEnum DRAW_TEXTURE_WRAP_T = 0x2803;
constexpr DrawEnum DRAW_CLAMP = 0x2900;
constexpr DrawEnum DRAW_REPEAT = 0x2901;

// One flat quad whose corners are (x0, y0), (x1, y0), (x1, y1), (x0, y1) in
// that order, all in one colour: what the block sweep draws, thousands a frame.
struct DrawRect {
    float x0, y0, x1, y1;
    float color[3];
};

struct DrawApi {
    // Viewport and the pixel-exact projection: origin top-left, y downward,
    // one unit per pixel; culling and depth test off.
    void (*setupView)(int width, int height);
    void (*clearColor)(float r, float g, float b, float a);
    void (*clear)(DrawBits mask);
    void (*begin)(DrawEnum mode);  // DRAW_QUADS
    void (*end)();
    void (*color3f)(float r, float g, float b);
    void (*color3b)(signed char r, signed char g, signed char b);
    void (*vertex2i)(int x, int y);
    void (*vertex2f)(float x, float y);
    void (*texCoord2f)(float s, float t);
    void (*texCoord2i)(int s, int t);
    void (*enable)(DrawEnum cap);  // DRAW_TEXTURE_2D, DRAW_BLEND
    void (*disable)(DrawEnum cap);
    void (*blendFunc)(DrawEnum src, DrawEnum dst);
    void (*genTextures)(int n, unsigned* names);
    void (*bindTexture)(DrawEnum target, unsigned name);
    void (*texParameteri)(DrawEnum target, DrawEnum name, int value);
    void (*texImage2D)(DrawEnum target, int level, int internalFormat, int width, int height, int border,
                       DrawEnum format, DrawEnum type, const void* pixels);
    // begin(DRAW_QUADS), then per rectangle color3f and its four corners
    // through vertex2f, then end(): one call where the back end can do better
    // than one call a vertex.
    void (*rectangles)(const DrawRect* rects, int count);
};

extern const DrawApi glDrawApi;
// Where all drawing goes; the OpenGL table unless a test or tool says otherwise.
extern const DrawApi* draw;
