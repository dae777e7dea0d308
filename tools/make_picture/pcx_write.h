#pragma once
// Writes one 8-bit channel as a single-plane PCX file of the kind the program
// embeds: version 5, run-length encoded, 640 bytes per line for a 640-pixel
// picture, grey ramps for both the 16-entry header palette and the 256-entry
// palette at the end, so each pixel byte is directly the channel's intensity.
// Header-only so that the test suite can round-trip it through the decoder.
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int PCX_HEADER_BYTES = 128;
constexpr int PCX_MAX_RUN = 63;
constexpr uint8_t PCX_PALETTE_MARKER = 12;

// Appends one scan line, RLE encoded. Runs stop at the end of the line so each
// line decodes on its own; values with both top bits set must go as a run.
inline void encodePcxLine(std::vector<uint8_t>& out, const uint8_t* line, int width) {
    int x = 0;
    while (x < width) {
        uint8_t v = line[x];
        int run = 1;
        while (x + run < width && run < PCX_MAX_RUN && line[x + run] == v) ++run;
        if (run == 1 && v < 0xC0) {
            out.push_back(v);
        } else {
            out.push_back(static_cast<uint8_t>(0xC0 | run));
            out.push_back(v);
        }
        x += run;
    }
}

inline void putLittle16(std::vector<uint8_t>& out, size_t at, int v) {
    out[at] = static_cast<uint8_t>(v & 0xFF);
    out[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}

// The whole file for a width x height channel, rows top to bottom, stride bytes apart.
inline std::vector<uint8_t> encodePcxFile(const uint8_t* pixels, int width, int height, size_t stride) {
    std::vector<uint8_t> out(PCX_HEADER_BYTES, 0);
    out[0] = 10;  // manufacturer
    out[1] = 5;   // version
    out[2] = 1;   // run-length encoding
    out[3] = 8;   // bits per pixel per plane
    putLittle16(out, 4, 0);
    putLittle16(out, 6, 0);
    putLittle16(out, 8, width - 1);
    putLittle16(out, 10, height - 1);
    putLittle16(out, 12, 71);  // dots per inch
    putLittle16(out, 14, 71);
    for (int k = 0; k < 16; ++k)
        for (int c = 0; c < 3; ++c) out[16 + 3 * k + c] = static_cast<uint8_t>(k);
    out[65] = 1;                                       // planes
    putLittle16(out, 66, width);  // bytes per line: no padding (the picture is 640 wide)
    putLittle16(out, 68, 1);      // palette type: colour/grey ramp
    for (int y = 0; y < height; ++y) encodePcxLine(out, pixels + static_cast<size_t>(y) * stride, width);
    out.push_back(PCX_PALETTE_MARKER);
    for (int k = 0; k < 256; ++k)
        for (int c = 0; c < 3; ++c) out.push_back(static_cast<uint8_t>(k));
    return out;
}
