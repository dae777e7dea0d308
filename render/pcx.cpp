// The PCX decoder for the warning picture's three embedded channels.
#include "render/pcx.h"

#include "core/diagnostics.h"

static int readSigned16(const uint8_t* at) { return static_cast<int16_t>(at[0] | (at[1] << 8)); }

int decodePcx(DecodedImage* image, const uint8_t* data, unsigned length, int channel, size_t capacity) {
    image->bitsPerPixel = 24;
    if (!data || length < PCX_DATA_OFFSET) {
        image->width = 0;
        image->height = 0;
        consolePrint("\n[img: %ix%i %i]", 0, 0, 24);
        return PCX_SHORT_HEADER;
    }
    image->width = readSigned16(data + 8) - readSigned16(data + 4) + 1;
    image->height = readSigned16(data + 10) - readSigned16(data + 6) + 1;
    const int planes = static_cast<int8_t>(data[65]);
    const int64_t width = image->width;
    uint8_t* pixels = image->pixels;
    if (!pixels) capacity = 0;

    // 64-bit positions: a hostile header can make width * row exceed 32 bits.
    // Planes below 1 behave as one plane (the row advances after every line).
    int result = PCX_OK;
    int64_t x = 0, row = 0;
    int plane = 0;
    unsigned at = PCX_DATA_OFFSET;
    while (at < length) {
        uint8_t value = data[at++];
        int count = 1;
        if (value >= 0xC0) {
            if (at >= length) {
                result = PCX_CUT_RUN;
                break;
            }
            count = value & 63;
            value = data[at++];
        }
        const int64_t lane = 2 - int64_t(plane) - channel;
        for (int i = 0; i < count; ++i, ++x) {
            if (width <= 0 || lane < 0 || lane > 3) {
                if (result == PCX_OK) result = PCX_SKIPPED;
                continue;
            }
            const uint64_t offset = uint64_t(4 * (width * row + x) + lane);
            if (offset >= capacity) {
                if (result == PCX_OK) result = PCX_SKIPPED;
                continue;
            }
            pixels[offset] = value;
        }
        if (x >= width) {
            x = 0;
            if (++plane >= planes) {
                plane = 0;
                ++row;
            }
        }
    }
    consolePrint("\n[img: %ix%i %i]", image->width, image->height, 24);
    return result;
}
