// Image files: the run-length PCX reader (runs, literals, scan lines, lanes and
// planes, hostile files, the round trip with the picture tool's writer) and the
// PNG writer of the tools.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>

#include "render/pcx.h"
#include "render/png.h"
#include "tools/make_picture/pcx_write.h"

namespace {
constexpr uint8_t UNTOUCHED = 0xEE;
// A header with the window (xmin, ymin) to (xmax, ymax) and the plane count.
std::vector<uint8_t> pcxFile(std::vector<int> header, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> file(128 + data.size(), 0);
    for (int i = 0; i < 4; ++i) file[4 + 2 * i] = uint8_t(header[i]), file[5 + 2 * i] = uint8_t(header[i] >> 8);
    file[65] = uint8_t(header[4]);
    std::copy(data.begin(), data.end(), file.begin() + 128);
    return file;
}
}  // namespace

TEST(PcxDecode, WhatLandsWhere) {
    const std::vector<int> small = {0, 0, 3, 1, 1};  // 4 x 2, one plane
    const struct {
        std::vector<int> header;
        std::vector<uint8_t> data;
        int channel;
        size_t capacity;      // of the pixels, in bytes
        int result;
        std::string written;  // "pixel lane value" of each byte written, in order
    } cases[] = {
        {small, {1, 2, 3, 4, 5, 6, 7, 8}, 0, 48, PCX_OK, "0b1 1b2 2b3 3b4 4b5 5b6 6b7 7b8"},
        {small, {0xC3, 9, 7}, 0, 48, PCX_OK, "0b9 1b9 2b9 3b7"},  // a run and a literal
        {small, {0xC0, 0x55, 7}, 0, 48, PCX_OK, "0b7"},           // run byte 192 eats its value
        {small, {0xC6, 9}, 0, 48, PCX_OK, "0b9 1b9 2b9 3b9 4b9 5b9"},  // on into the next row,
        {small, {0xC6, 9, 1, 2, 3, 4}, 0, 48, PCX_OK, "0b9 1b9 2b9 3b9 4b1 5b2 6b3 7b4"},  // overwritten there
        {small, {1, 2}, 2, 48, PCX_OK, "0r1 1r2"},
        {{0, 0, 3, 1, 2}, {0xC4, 1, 0xC4, 2, 0xC2, 3}, 0, 48, PCX_OK, "0g2 0b1 1g2 1b1 2g2 2b1 3g2 3b1 4b3 5b3"},
        {{0, 0, 3, 1, 0}, {1, 2, 3, 4, 5}, 0, 48, PCX_OK, "0b1 1b2 2b3 3b4 4b5"},  // no planes act as one
        {small, {1, 0xC5}, 0, 48, PCX_CUT_RUN, "0b1"},
        {small, {1, 2, 3, 4, 0xC8, 9}, 2, 16, PCX_SKIPPED, "0r1 1r2 2r3 3r4"},  // what fits
        {{1, 0, 0, 1, 1}, {1, 2}, 0, 48, PCX_SKIPPED, ""},  // no width
        // Planes past the last lane.
        {{0, 0, 1, 1, 127}, {0xC2, 9, 0xC2, 8, 0xC2, 7, 0xC2, 6}, 0, 48, PCX_SKIPPED, "0r7 0g8 0b9 1r7 1g8 1b9"},
        {small, {1, 2}, -2, 48, PCX_SKIPPED, ""},  // a channel past the last lane
    };
    for (const auto& c : cases) {
        // The pixels between two guard zones: nothing may be written outside them.
        const std::vector<uint8_t> file = pcxFile(c.header, c.data);
        std::vector<uint8_t> block(c.capacity + 128, UNTOUCHED);
        DecodedImage image{0, 0, 0, nullptr, block.data() + 64};
        EXPECT_EQ(decodePcx(&image, file.data(), unsigned(file.size()), c.channel, c.capacity), c.result) << c.written;
        std::string written;
        for (int i = -64; i < int(c.capacity) + 64; ++i) {
            if (block[i + 64] == UNTOUCHED) continue;
            ASSERT_TRUE(i >= 0 && i < int(c.capacity) && i % 4 != 3) << "byte " << i << " written, " << c.written;
            written += std::string(written.empty() ? "" : " ") + std::to_string(i / 4) + "rgb"[i % 4] +
                       std::to_string(block[i + 64]);
        }
        EXPECT_EQ(written, c.written);
    }
}

TEST(PcxDecode, ImageLineAndRoundTripWithThePictureWriter) {
    const std::vector<uint8_t> header = pcxFile({0, 0, 639, 479, 1}, {});
    DecodedImage image{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(decodePcx(&image, header.data(), 128, 1, 0), PCX_OK);
    EXPECT_EQ(decodePcx(&image, header.data(), 127, 1, 0), PCX_SHORT_HEADER);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n[img: 640x480 24]\n[img: 0x0 24]");
    EXPECT_EQ(image.bitsPerPixel, 24);
    for (int width : {1, 130}) {
        // Three rows: values from 192 on, then two rows of one value, a run
        // longer than 63 if it did not stop at the end of the line.
        std::vector<uint8_t> channel(size_t(width) * 3, 200);
        for (int x = 0; x < width; ++x) channel[x] = uint8_t(x * 67 + 190);
        const std::vector<uint8_t> file = encodePcxFile(channel.data(), width, 3, size_t(width));
        std::vector<uint8_t> pixels(channel.size() * 4, UNTOUCHED);
        image.pixels = pixels.data();
        // Up to the trailing palette (a marker and 768 bytes), which has no room here.
        EXPECT_EQ(decodePcx(&image, file.data(), unsigned(file.size() - 769), 0, pixels.size()), PCX_OK);
        for (size_t i = 0; i < channel.size(); ++i)
            EXPECT_EQ(pixels[4 * i + 2], channel[i]) << width << " wide, at " << i;
    }
}

TEST(PngWriter, RowsAsGivenOrNothing) {
    const std::string path = std::string(VORTELAN_BINARY_DIR) + "/png_writer_test.png";
    const uint8_t rgb[] = {1, 2, 3, 0, 4, 5, 6, 0}, rgba[] = {1, 2, 3, 4, 5, 6, 7, 8};  // 1 x 2, rows padded; 2 x 1
    // Refused: no width, no height, two channels, rows overlapping, no folder.
    EXPECT_FALSE(writePng(path.c_str(), 0, 1, 4, rgba, 8) || writePng(path.c_str(), 2, 0, 4, rgba, 8) ||
                 writePng(path.c_str(), 1, 1, 2, rgba, 8) || writePng(path.c_str(), 2, 1, 4, rgba, 7) ||
                 writePng("/nonexistent/folder/x.png", 1, 2, 3, rgb, 4));
    const struct {
        int width, height, channels;
        const uint8_t* pixels;
        int stride;
        std::vector<uint8_t> read;
    } cases[] = {{1, 2, 3, rgb, 4, {1, 2, 3, 4, 5, 6}}, {2, 1, 4, rgba, 8, {1, 2, 3, 4, 5, 6, 7, 8}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(writePng(path.c_str(), c.width, c.height, c.channels, c.pixels, c.stride));
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
        image.format = c.channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
        EXPECT_EQ(back, c.read);
    }
    std::remove(path.c_str());
}
