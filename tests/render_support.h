#pragma once
// Shared by the renderer tests: a scene with curves, slants, thin parts and a
// shape hidden between edge samples, and helpers to render a frame through the
// software framebuffer or through OpenGL and read it back.
#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/globals.h"
#include "render/draw.h"
#include "render/frame.h"
#include "render/soft_draw.h"

inline int ringsAndBands(float x, float y) {
    float dx = x - 300.0f, dy = y - 210.0f;
    float r2 = dx * dx + dy * dy;
    if (r2 < 150.0f * 150.0f && r2 > 60.0f * 60.0f) return 1;
    if (std::fabs(x - 0.7f * y - 420.0f) < 22.0f) return 1;
    if (x > 520.0f && static_cast<int>(x * y / 4000.0f) % 3 == 0) return 1;
    float hx = x - 96.0f, hy = y - 416.0f;  // inside one block, between its edge samples
    return hx * hx + hy * hy < 18.0f * 18.0f;
}

inline void noTimeline() {}

// Pixels of the software framebuffer as RGB, rows top to bottom.
inline std::vector<uint8_t> softRgb(const SoftFramebuffer& fb) {
    std::vector<uint8_t> rgb(static_cast<size_t>(fb.width) * fb.height * 3);
    for (size_t i = 0, j = 0; i < fb.pixels.size(); i += 4, j += 3) {
        rgb[j] = fb.pixels[i];
        rgb[j + 1] = fb.pixels[i + 1];
        rgb[j + 2] = fb.pixels[i + 2];
    }
    return rgb;
}

// The GL back buffer as RGB, rows top to bottom.
inline std::vector<uint8_t> glRgb(int width, int height) {
    std::vector<uint8_t> up(static_cast<size_t>(width) * height * 3), rgb(up.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, up.data());
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::copy(up.begin() + (height - 1 - y) * row, up.begin() + (height - y) * row, rgb.begin() + y * row);
    return rgb;
}

inline size_t differingPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    size_t n = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        n += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
    return n + (a.size() != b.size() ? 1 : 0);
}
