#pragma once
// The show's RGBA frames as the encoder's 4:2:0 YUV: BT.709 from full-range RGB
// into the limited range (16-235, 16-240), every value rounded once from the
// exact sum. Chroma sits at the centre of each 2 x 2 block of pixels and is
// filtered 1-3-3-1 both ways (the picture's edge repeated), as swscale's
// bilinear scaler does it from full-resolution chroma: the same pictures, a
// level apart at most, in a fraction of the time.
#include <cstdint>
#include <vector>

struct YuvPicture {
    uint8_t* plane[3];  // Y, U, V
    int stride[3];
};

// One converting thread's space: four rows of colours filtered across, each
// used for two rows of chroma within one call.
struct ColourScratch {
    std::vector<uint16_t> rows[4];
    int rowOf[4] = {-1, -1, -1, -1};
    bool portable = false;  // the plain sums alone, as processors without SSE2 take them
};

// Converts the rows [row0, row1) of a width x height picture (width, height,
// row0 and row1 even); alpha is ignored.
void rgbaToYuv420(const uint8_t* rgba, int stride, int width, int height, int row0, int row1, const YuvPicture& out,
                  ColourScratch* scratch);
