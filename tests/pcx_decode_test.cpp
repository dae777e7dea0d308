// The run-length PCX reader: runs, literals, scan lines, lanes and planes,
// hostile files, and the round trip with the picture tool's writer.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "render/pcx.h"
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
    std::vector<uint8_t> flood;  // 63-value runs
    for (int i = 0; i < 2000; ++i) flood.push_back(0xFF), flood.push_back(0xAB);
    const std::vector<int> small = {0, 0, 3, 1, 1};  // 4 x 2, one plane
    const struct {
        std::vector<int> header;
        std::vector<uint8_t> data;
        int length, channel;  // length of the file, -1 for all of it
        size_t capacity;      // of the pixels, in bytes
        int result;
        std::string written;  // "pixel lane value" of each byte written, in order
    } cases[] = {
        {small, {1, 2, 3, 4, 5, 6, 7, 8}, -1, 0, 48, PCX_OK, "0b1 1b2 2b3 3b4 4b5 5b6 6b7 7b8"},
        {small, {0xC3, 9, 7}, -1, 0, 48, PCX_OK, "0b9 1b9 2b9 3b7"},  // a run and a literal
        {small, {0xC0, 0x55, 7}, -1, 0, 48, PCX_OK, "0b7"},           // run byte 192 eats its value
        {small, {0xC1, 200, 0xC1, 0xFF}, -1, 0, 48, PCX_OK, "0b200 1b255"},
        {small, {0xC6, 9}, -1, 0, 48, PCX_OK, "0b9 1b9 2b9 3b9 4b9 5b9"},  // on into the next row,
        {small, {0xC6, 9, 1, 2, 3, 4}, -1, 0, 48, PCX_OK, "0b9 1b9 2b9 3b9 4b1 5b2 6b3 7b4"},  // overwritten there
        {small, {0xC4, 1, 0xC4, 2, 0xC4, 3}, -1, 0, 48, PCX_OK, "0b1 1b1 2b1 3b1 4b2 5b2 6b2 7b2 8b3 9b3 10b3 11b3"},
        {small, {1, 2}, -1, 2, 48, PCX_OK, "0r1 1r2"},
        {{0, 0, 3, 1, 2}, {0xC4, 1, 0xC4, 2, 0xC2, 3}, -1, 0, 48, PCX_OK, "0g2 0b1 1g2 1b1 2g2 2b1 3g2 3b1 4b3 5b3"},
        {{0, 0, 3, 1, 0}, {1, 2, 3, 4, 5}, -1, 0, 48, PCX_OK, "0b1 1b2 2b3 3b4 4b5"},  // no planes act as one
        {small, {}, 127, 0, 48, PCX_SHORT_HEADER, ""},
        {small, {}, -1, 0, 48, PCX_OK, ""},
        {small, {1, 0xC5}, -1, 0, 48, PCX_CUT_RUN, "0b1"},
        {small, {1, 2, 3, 4, 0xC8, 9}, -1, 2, 16, PCX_SKIPPED, "0r1 1r2 2r3 3r4"},  // what fits
        {{-32768, -32768, 32767, 32767, 1}, flood, -1, 2, 16, PCX_SKIPPED, "0r171 1r171 2r171 3r171"},
        {{10, 0, 0, 1, 1}, flood, -1, 0, 256, PCX_SKIPPED, ""},  // Xmax below Xmin
        {{0, 0, 3, 1, 127}, flood, -1, 0, 8, PCX_SKIPPED, "0r171 0g171 0b171 1r171 1g171 1b171"},
        {small, {1, 2}, -1, 7, 48, PCX_SKIPPED, ""},  // channels outside the lanes
        {small, {1, 2}, -1, -2, 48, PCX_SKIPPED, ""},
        {small, {1, 2}, -1, INT_MIN, 48, PCX_SKIPPED, ""},
        {small, {1, 2}, -1, 0, 0, PCX_SKIPPED, ""},
    };
    for (const auto& c : cases) {
        // The file in a block of exactly its length, the pixels between two
        // guard zones: nothing may be read past the one or written outside the other.
        const std::vector<uint8_t> file = pcxFile(c.header, c.data);
        const size_t length = c.length < 0 ? file.size() : size_t(c.length);
        std::unique_ptr<uint8_t[]> input(new uint8_t[length]);
        std::copy(file.begin(), file.begin() + length, input.get());
        std::vector<uint8_t> block(c.capacity + 128, UNTOUCHED);
        DecodedImage image{0, 0, 0, nullptr, block.data() + 64};
        SCOPED_TRACE(c.written);
        EXPECT_EQ(decodePcx(&image, input.get(), unsigned(length), c.channel, c.capacity), c.result);
        std::string written;
        for (int i = -64; i < int(c.capacity) + 64; ++i) {
            if (block[i + 64] == UNTOUCHED) continue;
            ASSERT_TRUE(i >= 0 && i < int(c.capacity) && i % 4 != 3) << "byte " << i << " written";
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
    decodePcx(&image, header.data(), 128, 1, 0);
    decodePcx(&image, header.data(), 127, 1, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n[img: 640x480 24]\n[img: 0x0 24]");
    EXPECT_EQ(image.bitsPerPixel, 24);
    const int sizes[][2] = {{640, 8}, {5, 7}, {1, 70}, {200, 1}};
    uint32_t seed = 12345;
    for (auto [width, height] : sizes) {
        // Noise (values from 192 on included), long runs that cross line ends, lines of one value.
        std::vector<uint8_t> channel(size_t(width) * height);
        for (size_t i = 0; i < channel.size(); ++i) {
            seed = seed * 1103515245u + 12345u;
            channel[i] = (i / 97) % 3 == 0 ? uint8_t(seed >> 24) : (i / 97) % 3 == 1 ? uint8_t(200 + (i / 150) % 2) : 0;
        }
        const std::vector<uint8_t> file = encodePcxFile(channel.data(), width, height, size_t(width));
        std::vector<uint8_t> pixels(channel.size() * 4, UNTOUCHED);
        image.pixels = pixels.data();
        // Up to the trailing palette (a marker 12 and 768 bytes), which has no room here.
        ASSERT_EQ(file[file.size() - 769], 12);
        EXPECT_EQ(decodePcx(&image, file.data(), unsigned(file.size() - 769), 0, pixels.size()), PCX_OK);
        EXPECT_EQ(image.width * 1000 + image.height, width * 1000 + height);
        for (size_t i = 0; i < channel.size(); ++i)
            ASSERT_EQ(pixels[4 * i + 2], channel[i]) << width << "x" << height << " at " << i;
    }
}
