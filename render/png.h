#pragma once
// Writes pictures for looking at: frames from the software framebuffer, shape
// rasters from the tools. 8-bit RGB or RGBA, rows top to bottom.
#include <cstdint>

// channels is 3 (RGB) or 4 (RGBA); stride is bytes per row. Returns false and
// leaves no partial file on any failure.
bool writePng(const char* path, int width, int height, int channels, const uint8_t* pixels, int stride);
