#pragma once
// The software framebuffer's rasteriser: triangles and axis-aligned rectangles
// by GL's coverage rule, flat or textured, limited to a band of rows so that
// threads can draw the same quads into different bands side by side. Used by
// soft_draw.cpp alone.
#include <cstdint>
#include <vector>

#include "render/draw.h"
#include "render/soft_framebuffer.h"

struct SoftTexture {
    int width = 0, height = 0;
    bool hasAlpha = false;
    int wrapS = DRAW_REPEAT, wrapT = DRAW_REPEAT;
    std::vector<uint8_t> texels;  // RGBA
};

struct SoftVertex {
    float x, y, s, t;
};

using ChannelTable = uint8_t[256];

// How the fragments of one quad get their colour, settled before its pixels are
// walked: a flat colour, or texels modulated through a per-channel table and
// drawn over the framebuffer by their alpha.
struct QuadShading {
    uint8_t flat[4];                // the quad colour in 8 bits, alpha 255
    const SoftTexture* tex;         // null when untextured
    const ChannelTable* modulated;  // per channel: texel value times quad colour
    bool alphaBlend;                // texel alpha over the framebuffer
};

// Rows top .. bottom - 1 of fb, and one thread's scratch row of fb->width
// texel offsets.
struct SoftBand {
    SoftFramebuffer* fb;
    int top, bottom;
    uint32_t* columns;
};

// The quad's two triangles, (0, 1, 2) and (0, 2, 3), as GL splits it; an
// untextured axis-aligned rectangle takes a faster way to the same pixels.
void rasterQuad(const SoftVertex quad[4], const QuadShading& shading, const SoftBand& band);
// Fills the rows of the band with one colour.
void fillBand(const SoftBand& band, const uint8_t rgba[4]);
