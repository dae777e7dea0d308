#pragma once
// A minimal run-length PCX reader that writes one byte lane of a buffer of
// 4-byte pixels, so that several single-channel images merge into one colour
// picture (channel 2 -> byte 0 red, 1 -> byte 1 green, 0 -> byte 2 blue).
#include <cstddef>
#include <cstdint>

struct DecodedImage {
    int width;         // Xmax - Xmin + 1 from the header
    int height;        // Ymax - Ymin + 1
    int bitsPerPixel;  // always 24 after decoding
    uint8_t* palette;  // caller's table of 256 four-byte entries; not touched
    uint8_t* pixels;   // caller's buffer of 4-byte pixels, width per row
};

constexpr int PCX_DATA_OFFSET = 128;

// Results of decodePcx; the image is usable whenever the header was complete.
constexpr int PCX_OK = 0;             // every value landed inside the buffer
constexpr int PCX_SHORT_HEADER = -1;  // fewer than 128 bytes: nothing decoded, 0 x 0
constexpr int PCX_SKIPPED = -2;       // some values fell outside the buffer and were dropped
constexpr int PCX_CUT_RUN = -3;       // the data ended between a run byte and its value

// Decodes the whole of data[0, length) into image->pixels, which holds
// capacity bytes. Like any PCX reader of this kind it does not stop after
// `height` rows: every byte up to `length` is decoded (a trailing palette lands
// in the rows after the picture), and runs that pass the end of a scan line go
// on into the next row. Nothing is ever read past `length` or written outside
// [pixels, pixels + capacity): values whose byte would fall outside, or outside
// the four bytes of their pixel (odd plane counts or channels), are skipped.
// Prints "\n[img: WxH 24]" and returns one of the results above (a cut run
// wins over skipped values).
int decodePcx(DecodedImage* image, const uint8_t* data, unsigned length, int channel, size_t capacity);
