// The warning picture's tiles, the block marker and the screen door.
#include "render/overlays.h"

#include "core/globals.h"
#include "platform/clock.h"
#include "render/draw.h"
#include "render/frame_state.h"
#include "render/textures.h"

namespace {
void tile(int x0, int y0, int size, float s0, float t0, float s1, float t1, bool textured) {
    draw->begin(DRAW_QUADS);
    if (textured) draw->texCoord2f(s0, t0);
    draw->vertex2i(x0, y0);
    if (textured) draw->texCoord2f(s1, t0);
    draw->vertex2i(x0 + size, y0);
    if (textured) draw->texCoord2f(s1, t1);
    draw->vertex2i(x0 + size, y0 + size);
    if (textured) draw->texCoord2f(s0, t1);
    draw->vertex2i(x0, y0 + size);
    draw->end();
}
}  // namespace

void drawWarningTiles() {
    float s = static_cast<float>(static_cast<uint32_t>(clockMillis() - startTicks) * 0.001);
    // The picture takes 10 x 8 blocks, centred on the grid: 8 columns from the
    // main texture and 2 from the side texture, one texel per pixel.
    int cx = (blocksAcross - 10) / 2;
    int cy = (blocksDown - 8) / 2;
    // Near the end of a long enough warning the tiles shrink by a pixel from the
    // top-left corner on, opening the grid before the show begins.
    double shrink = s + 1.0 - warningMillis * 0.01;
    for (int l = 0; l < blocksDown; ++l) {
        for (int m = 0; m < blocksAcross; ++m) {
            double corner = static_cast<double>(m) / blocksAcross + static_cast<double>(l) / blocksDown;
            int size = shrink > corner ? 63 : 64;
            float t0 = static_cast<float>(l - cy) * 0.125f;
            bool inRows = l >= cy && l < cy + 8;
            if (inRows && m >= cx && m < cx + 8) {
                float s0 = static_cast<float>(m - cx) * 0.125f;
                draw->color3f(1.0f, 1.0f, 1.0f);
                draw->enable(DRAW_TEXTURE_2D);
                draw->bindTexture(DRAW_TEXTURE_2D, pictureTexture);
                tile(64 * m, 64 * l, size, s0, t0, s0 + 0.125f, t0 + 0.125f, true);
                draw->disable(DRAW_TEXTURE_2D);
            } else if (inRows && m >= cx + 8 && m < cx + 10) {
                float s0 = static_cast<float>(m - cx - 8) * 0.5f;
                draw->color3f(1.0f, 1.0f, 1.0f);
                draw->enable(DRAW_TEXTURE_2D);
                draw->bindTexture(DRAW_TEXTURE_2D, pictureSideTexture);
                tile(64 * m, 64 * l, size, s0, t0, s0 + 0.5f, t0 + 0.125f, true);
                draw->disable(DRAW_TEXTURE_2D);
            } else {
                draw->color3b(0, 0, 0);
                tile(64 * m, 64 * l, size, 0, 0, 0, 0, false);
            }
        }
    }
}

void drawBlockMarker() {
    // A pure function of the time: the marker moves at most twice a second and
    // leaves its last generator step in rngState, drawn or not.
    int k = static_cast<int>(frameSeconds * 2.0f);
    uint32_t r = (static_cast<uint32_t>(k) * 137u) % 65537u;
    r = nextRandom(r);
    uint32_t q = r % 17u;
    int x = 0;
    bool marked = q > 8;
    for (uint32_t i = 8; i < q; ++i) {
        r = nextRandom(r);
        x = static_cast<int>(r % static_cast<uint32_t>(blocksAcross)) * 64;
    }
    r = nextRandom(r);
    rngState = r;
    int y = static_cast<int>(r % static_cast<uint32_t>(blocksDown)) * 64;
    if (!marked) return;

    float g = invertBlend(paperLevel);  // the colour of the gaps between cells
    draw->color3f(g, g, g);
    draw->begin(DRAW_QUADS);
    draw->vertex2i(x + 32, y - 16);
    draw->vertex2i(x + 33, y - 16);
    draw->vertex2i(x + 33, y + 80);
    draw->vertex2i(x + 32, y + 80);
    draw->vertex2i(x - 16, y + 32);
    draw->vertex2i(x + 80, y + 32);
    draw->vertex2i(x + 80, y + 33);
    draw->vertex2i(x - 16, y + 33);
    draw->end();
}

void drawScreenDoor() {
    int nx = screenWidth / 256 + (screenWidth % 256 != 0 ? 1 : 0);
    int ny = screenHeight / 256 + (screenHeight % 256 != 0 ? 1 : 0);
    draw->color3f(1.0f, 1.0f, 1.0f);
    draw->enable(DRAW_BLEND);
    draw->blendFunc(DRAW_SRC_ALPHA, DRAW_ONE_MINUS_SRC_ALPHA);
    draw->enable(DRAW_TEXTURE_2D);
    draw->bindTexture(DRAW_TEXTURE_2D, screenDoorTexture);
    // One texel per pixel, the pattern repeated across the window.
    draw->begin(DRAW_QUADS);
    draw->texCoord2i(0, 0);
    draw->vertex2i(0, 0);
    draw->texCoord2i(nx, 0);
    draw->vertex2i(256 * nx, 0);
    draw->texCoord2i(nx, ny);
    draw->vertex2i(256 * nx, 256 * ny);
    draw->texCoord2i(0, ny);
    draw->vertex2i(0, 256 * ny);
    draw->end();
    draw->disable(DRAW_TEXTURE_2D);
    draw->disable(DRAW_BLEND);
}
