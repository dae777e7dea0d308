#pragma once
// The software framebuffer's pixels: what it draws into and what readers see.
#include <cstdint>
#include <vector>

struct SoftFramebuffer {
    int width = 0;
    int height = 0;
    // Bytes of a pixel: R, G, B, A, or with bgra set B, G, R, A (the order a
    // window's GL buffer takes without conversion).
    bool bgra = false;
    std::vector<uint8_t> pixels;  // rows top to bottom
};
