#pragma once
// A software framebuffer behind the drawing interface. It rasterises quads by
// OpenGL's rules as Mesa applies them: two triangles per quad, vertices snapped
// to 1/256 pixel, a pixel is covered when its centre is inside (centres on an
// edge belong to left edges and to edges at the bottom of the screen), colours
// converted to 8 bits by rounding to nearest even, glColor3b as (2c + 1) / 255,
// nearest texture filtering with clamp or repeat, modulate, alpha blending.
// One colour per quad: the program never changes colour inside a quad. A texel
// modulated by a colour between the 1/255 steps, or blended at an alpha other
// than 0 or 255, is rounded once here and may differ from Mesa by one level;
// the program draws neither. Clears, the sweep's rectangles and large quads
// are drawn in bands of rows on the render threads (render/workers.h), each
// band taking every quad in order, so the pixels are those of one thread.
#include <cstdint>
#include <vector>

#include "render/draw.h"
#include "render/soft_framebuffer.h"

// What a test sees of one drawn quad.
struct SoftQuad {
    float x[4], y[4];
    float s[4], t[4];
    float color[3];  // the current colour when the quad began
    uint8_t rgb[3];  // the same after conversion to 8 bits
    bool textured;   // texturing was on
};

extern const DrawApi softDrawApi;

// Sizes fb, makes it the target of all drawing and forgets earlier textures.
// Pixels and textures are kept in the byte order fb->bgra says.
void useSoftFramebuffer(SoftFramebuffer* fb, int width, int height);
// When log is set, every quad drawn is appended to it (tests only).
void setSoftQuadLog(std::vector<SoftQuad>* log);
// Quads drawn since the target was set; for benchmarks.
extern uint64_t softQuadCount;

// Float to 8 bits as the GL implementation does it.
uint8_t colorToByte(float v);
