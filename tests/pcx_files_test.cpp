#include <gtest/gtest.h>

#include "assets/assets.h"
#include "render/pcx.h"
#include "tools/make_picture/pcx_write.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int WIDTH = 640, HEIGHT = 480;
constexpr size_t TRAILER = 769;  // marker byte 12 and 256 grey entries
constexpr uint8_t UNTOUCHED = 0x5A;

int little16(const uint8_t* at) { return at[0] | (at[1] << 8); }

// Walks the RLE stream and counts the values of each scan line; false when a
// run straddles two lines, ends without its value, or the total is not width x height.
bool scanLinesAreWhole(const uint8_t* data, size_t length, int width, int height) {
    long inLine = 0, lines = 0;
    for (size_t at = 0; at < length;) {
        uint8_t b = data[at++];
        long count = 1;
        if (b >= 0xC0) {
            if (at >= length) return false;
            count = b & 63;
            ++at;
        }
        inLine += count;
        if (inLine > width) return false;
        if (inLine == width) inLine = 0, ++lines;
    }
    return inLine == 0 && lines == height;
}

struct Embedded {
    const char* name;
    const unsigned char* data;
    unsigned size;
    int channel;
    int lane;
};
const Embedded PICTURES[] = {{"red", warningPictureRed, warningPictureRedSize, 2, 0},
                             {"green", warningPictureGreen, warningPictureGreenSize, 1, 1},
                             {"blue", warningPictureBlue, warningPictureBlueSize, 0, 2}};

}  // namespace

TEST(WarningPicture, FilesAreGreyChannelPcx) {
    for (const Embedded& p : PICTURES) {
        SCOPED_TRACE(p.name);
        ASSERT_GT(p.size, 128u + TRAILER);
        const uint8_t* h = p.data;
        EXPECT_EQ(h[0], 10);
        EXPECT_EQ(h[1], 5);  // version
        EXPECT_EQ(h[2], 1);  // RLE
        EXPECT_EQ(h[3], 8);  // bits per pixel
        EXPECT_EQ(little16(h + 4), 0);
        EXPECT_EQ(little16(h + 6), 0);
        EXPECT_EQ(little16(h + 8), WIDTH - 1);
        EXPECT_EQ(little16(h + 10), HEIGHT - 1);
        EXPECT_EQ(little16(h + 12), 71);
        EXPECT_EQ(little16(h + 14), 71);
        EXPECT_EQ(h[65], 1);                   // planes
        EXPECT_EQ(little16(h + 66), WIDTH);    // bytes per line
        EXPECT_EQ(little16(h + 68), 1);        // palette type
        for (int k = 0; k < 48; ++k) EXPECT_EQ(h[16 + k], k / 3) << "header palette byte " << k;
        const uint8_t* trailer = p.data + p.size - TRAILER;
        EXPECT_EQ(trailer[0], 12);
        for (int k = 0; k < 768; ++k) ASSERT_EQ(trailer[1 + k], k / 3) << "palette byte " << k;
        EXPECT_TRUE(scanLinesAreWhole(p.data + 128, p.size - 128 - TRAILER, WIDTH, HEIGHT));
    }
    // Three channels that really differ.
    EXPECT_NE(warningPictureRedSize, warningPictureGreenSize);
    EXPECT_NE(warningPictureGreenSize, warningPictureBlueSize);
}

TEST(WarningPicture, DecodesIntoTheStagingPicture) {
    constexpr size_t STAGING = size_t(WIDTH) * 960 * 4;
    std::unique_ptr<uint8_t[]> staging(new uint8_t[STAGING]);
    std::memset(staging.get(), UNTOUCHED, STAGING);
    uint8_t palette[256 * 4];
    DecodedImage image{0, 0, 0, palette, staging.get()};
    for (const Embedded& p : PICTURES) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(decodePcx(&image, p.data, p.size, p.channel, STAGING), PCX_OK);
        EXPECT_EQ(image.width, WIDTH);
        EXPECT_EQ(image.height, HEIGHT);
        EXPECT_EQ(image.bitsPerPixel, 24);
    }
    auto px = [&](int x, int y) { return staging.get() + 4 * (size_t(y) * WIDTH + size_t(x)); };

    // The trailer decodes as pixels: 12, then entries 0..191 as three literals
    // each (577 values); from 192 on every byte pair is a run byte and its value.
    // Runs that cross a line end restart the next row at x = 0, so the last of
    // them, 63 values of 255, ends at pixel 307 of row 485. Same in each lane.
    for (const Embedded& p : PICTURES) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(px(0, 480)[p.lane], 12);
        EXPECT_EQ(px(1, 480)[p.lane], 0);
        EXPECT_EQ(px(4, 480)[p.lane], 1);
        EXPECT_EQ(px(576, 480)[p.lane], 191);
        EXPECT_EQ(px(577, 480)[p.lane], 193);  // (192,192) and (192,193) are empty runs
        EXPECT_EQ(px(578, 480)[p.lane], 194);
        EXPECT_EQ(px(245, 485)[p.lane], 255);
        EXPECT_EQ(px(307, 485)[p.lane], 255);
        EXPECT_EQ(px(308, 485)[p.lane], UNTOUCHED);
    }
    for (size_t i = 4 * (size_t(485) * WIDTH + 308); i < STAGING; ++i) ASSERT_EQ(staging[i], UNTOUCHED) << "byte " << i;
    for (size_t i = 3; i < STAGING; i += 4) ASSERT_EQ(staging[i], UNTOUCHED) << "alpha byte " << i;

    // What the merged picture looks like: a black frame, white text, a halo
    // stronger in green and blue than in red.
    long frame = 0, darkFrame = 0, white = 0, halo = 0;
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const uint8_t* c = px(x, y);
            if (x < 32 || x >= WIDTH - 32 || y < 32 || y >= HEIGHT - 32) {
                ++frame;
                if (c[0] < 8 && c[1] < 8 && c[2] < 8) ++darkFrame;
            }
            if (c[0] > 240 && c[1] > 240 && c[2] > 240) ++white;
            if (c[1] > c[0] + 24 && c[2] > c[1] && c[2] > 40) ++halo;
        }
    EXPECT_GT(darkFrame, frame * 99 / 100);
    EXPECT_GT(white, 3000);
    EXPECT_GT(halo, 6000);
    EXPECT_LT(white + halo, long(WIDTH) * HEIGHT / 2);  // text on black, not the reverse
}

TEST(PcxWriter, RoundTripsThroughTheDecoder) {
    struct Case {
        const char* name;
        int width, height;
    } cases[] = {{"picture size", 640, 8}, {"odd width", 5, 7}, {"one column", 1, 70}, {"one long row", 200, 1}};
    uint32_t seed = 12345;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> channel(size_t(c.width) * size_t(c.height));
        // Stretches of noise (values above 191 included), long runs that cross
        // line ends, and lines of one value.
        for (size_t i = 0; i < channel.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            const size_t stretch = (i / 97) % 3;
            channel[i] = stretch == 0 ? uint8_t(seed >> 24) : stretch == 1 ? uint8_t(200 + (i / 150) % 2) : 0;
        }
        const std::vector<uint8_t> file = encodePcxFile(channel.data(), c.width, c.height, size_t(c.width));
        ASSERT_GT(file.size(), 128 + TRAILER);
        const size_t streamEnd = file.size() - TRAILER;
        EXPECT_TRUE(scanLinesAreWhole(file.data() + 128, streamEnd - 128, c.width, c.height));
        EXPECT_EQ(little16(file.data() + 66), c.width);

        const size_t capacity = channel.size() * 4;
        std::unique_ptr<uint8_t[]> pixels(new uint8_t[capacity]);
        std::memset(pixels.get(), UNTOUCHED, capacity);
        DecodedImage image{0, 0, 0, nullptr, pixels.get()};
        EXPECT_EQ(decodePcx(&image, file.data(), unsigned(streamEnd), 0, capacity), PCX_OK);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        for (size_t i = 0; i < channel.size(); ++i) ASSERT_EQ(pixels[4 * i + 2], channel[i]) << "pixel " << i;
        // With the trailer the palette has nowhere to go in an exact buffer.
        EXPECT_EQ(decodePcx(&image, file.data(), unsigned(file.size()), 0, capacity), PCX_SKIPPED);
    }
}
