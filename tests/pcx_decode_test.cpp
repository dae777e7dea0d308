#include <gtest/gtest.h>

#include "render/pcx.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint8_t UNTOUCHED = 0xEE;

struct Header {
    int xmin = 0, ymin = 0, xmax = 3, ymax = 1;
    int planes = 1;
    int bytesPerLine = 4;
};

std::vector<uint8_t> pcxFile(const Header& h, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> file(128 + data.size(), 0);
    auto put16 = [&](int at, int v) {
        file[at] = static_cast<uint8_t>(v & 0xFF);
        file[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    };
    file[0] = 10, file[1] = 5, file[2] = 1, file[3] = 8;
    put16(4, h.xmin), put16(6, h.ymin), put16(8, h.xmax), put16(10, h.ymax);
    file[65] = static_cast<uint8_t>(static_cast<int8_t>(h.planes));
    put16(66, h.bytesPerLine);
    std::copy(data.begin(), data.end(), file.begin() + 128);
    return file;
}

// The input in a heap block of exactly its length and the output between two
// guard zones inside one heap block: ASan catches reads past the input and
// writes past the block, the guards catch writes just outside the buffer.
struct Fenced {
    static constexpr size_t GUARD = 64;
    std::unique_ptr<uint8_t[]> input;
    std::unique_ptr<uint8_t[]> block;
    size_t capacity;

    Fenced(const std::vector<uint8_t>& file, size_t length, size_t capacity)
        : input(new uint8_t[length]), block(new uint8_t[capacity + 2 * GUARD]), capacity(capacity) {
        std::memcpy(input.get(), file.data(), std::min(length, file.size()));
        std::memset(block.get(), UNTOUCHED, capacity + 2 * GUARD);
    }
    uint8_t* pixels() { return block.get() + GUARD; }
    bool guardsIntact() const {
        for (size_t i = 0; i < GUARD; ++i)
            if (block[i] != UNTOUCHED || block[GUARD + capacity + i] != UNTOUCHED) return false;
        return true;
    }
};

int decode(DecodedImage& image, const uint8_t* data, size_t length, int channel, uint8_t* pixels, size_t capacity) {
    uint8_t palette[256 * 4];
    image = DecodedImage{-7, -7, -7, palette, pixels};
    return decodePcx(&image, data, static_cast<unsigned>(length), channel, capacity);
}

}  // namespace

// Blue lane (channel 0) of a 4 x 2 image in a 4 x 3 buffer; '.' marks a pixel not written.
TEST(PcxDecode, RunsLiteralsAndScanLines) {
    constexpr uint8_t N = 0;  // stands for "untouched" in the tables below
    struct Case {
        const char* name;
        int bytesPerLine;
        std::vector<uint8_t> data;
        uint8_t expected[12];
    } cases[] = {
        {"literals", 4, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8, N, N, N, N}},
        {"run of three", 4, {0xC3, 9, 7}, {9, 9, 9, 7, N, N, N, N, N, N, N, N}},
        {"run byte 192 eats its value", 4, {0xC0, 0x55, 7}, {7, N, N, N, N, N, N, N, N, N, N, N}},
        {"value 200 as a run of one", 4, {0xC1, 200, 0xC1, 0xFF}, {200, 255, N, N, N, N, N, N, N, N, N, N}},
        {"run crosses into the next row", 4, {0xC6, 9}, {9, 9, 9, 9, 9, 9, N, N, N, N, N, N}},
        {"next scan line overwrites the overhang", 4, {0xC6, 9, 1, 2, 3, 4}, {9, 9, 9, 9, 1, 2, 3, 4, N, N, N, N}},
        {"a long run spills two rows on", 4, {0xCA, 5}, {5, 5, 5, 5, 5, 5, 5, 5, 5, 5, N, N}},
        {"width from the header, not bytes per line", 8, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6, N, N, N, N, N, N}},
        {"data past the picture's height goes on", 4, {0xC4, 1, 0xC4, 2, 0xC4, 3}, {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Header h;
        h.bytesPerLine = c.bytesPerLine;
        std::vector<uint8_t> file = pcxFile(h, c.data);
        Fenced f(file, file.size(), 12 * 4);
        DecodedImage image;
        EXPECT_EQ(decode(image, f.input.get(), file.size(), 0, f.pixels(), f.capacity), PCX_OK);
        EXPECT_EQ(image.width, 4);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.bitsPerPixel, 24);
        for (int i = 0; i < 12; ++i) {
            const uint8_t* px = f.pixels() + 4 * i;
            EXPECT_EQ(px[2], c.expected[i] == N ? UNTOUCHED : c.expected[i]) << "pixel " << i;
            EXPECT_EQ(px[0], UNTOUCHED);
            EXPECT_EQ(px[1], UNTOUCHED);
            EXPECT_EQ(px[3], UNTOUCHED);
        }
        EXPECT_TRUE(f.guardsIntact());
    }
}

TEST(PcxDecode, ThreeImagesMergeByLane) {
    Header h;
    h.xmax = 1;
    const std::vector<uint8_t> red = pcxFile(h, {10, 11, 12, 13});
    const std::vector<uint8_t> green = pcxFile(h, {0xC2, 20, 21, 22});
    const std::vector<uint8_t> blue = pcxFile(h, {30, 0xC3, 200});
    std::vector<uint8_t> pixels(2 * 2 * 4, UNTOUCHED);
    DecodedImage image;
    EXPECT_EQ(decode(image, red.data(), red.size(), 2, pixels.data(), pixels.size()), PCX_OK);
    EXPECT_EQ(decode(image, green.data(), green.size(), 1, pixels.data(), pixels.size()), PCX_OK);
    EXPECT_EQ(decode(image, blue.data(), blue.size(), 0, pixels.data(), pixels.size()), PCX_OK);
    const uint8_t expected[16] = {10, 20, 30, UNTOUCHED, 11, 20, 200, UNTOUCHED,
                                  12, 21, 200, UNTOUCHED, 13, 22, 200, UNTOUCHED};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(pixels[i], expected[i]) << "byte " << i;

    // Several planes: plane p of channel c goes to byte 2 - p - c of each pixel.
    h.planes = 3;
    const std::vector<uint8_t> planar = pcxFile(h, {1, 2, 3, 4, 5, 6});
    std::fill(pixels.begin(), pixels.end(), UNTOUCHED);
    EXPECT_EQ(decode(image, planar.data(), planar.size(), 0, pixels.data(), pixels.size()), PCX_OK);
    const uint8_t planes[8] = {5, 3, 1, UNTOUCHED, 6, 4, 2, UNTOUCHED};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(pixels[i], planes[i]) << "byte " << i;
}

TEST(PcxDecode, PrintsTheImageLine) {
    Header h;
    h.xmin = 0, h.xmax = 639, h.ymin = 0, h.ymax = 479;
    const std::vector<uint8_t> file = pcxFile(h, {});
    DecodedImage image;
    testing::internal::CaptureStdout();
    decode(image, file.data(), file.size(), 1, nullptr, 0);
    decode(image, file.data(), 100, 1, nullptr, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n[img: 640x480 24]\n[img: 0x0 24]");
}

// Whatever the header or data say: nothing read past the length, nothing
// written outside the buffer, and a result that says what happened.
TEST(PcxDecode, HostileInputsStayInside) {
    std::vector<uint8_t> flood;  // 4000 bytes of data, 63-value runs of 0xAB
    for (int i = 0; i < 2000; ++i) flood.push_back(0xFF), flood.push_back(0xAB);
    const Header small;  // 4 x 2
    struct Case {
        const char* name;
        Header header;
        std::vector<uint8_t> data;
        long length;  // file length to pass; -1 for the whole file
        int channel;
        size_t capacity;
        int result;
    } cases[] = {
        {"empty file", small, {}, 0, 0, 32, PCX_SHORT_HEADER},
        {"header cut short", small, {}, 127, 0, 32, PCX_SHORT_HEADER},
        {"header and no data", small, {}, -1, 0, 32, PCX_OK},
        {"run byte is the last byte", small, {1, 2, 0xC5}, -1, 0, 32, PCX_CUT_RUN},
        {"run byte cut after skipped values", small, {0xFF, 1, 0xC5}, -1, 0, 32, PCX_CUT_RUN},
        {"header larger than the buffer", {0, 0, 639, 479, 1, 640}, flood, -1, 0, 64, PCX_SKIPPED},
        {"huge width", {-32768, -32768, 32767, 32767, 1, 640}, flood, -1, 2, 16, PCX_SKIPPED},
        {"Xmax below Xmin", {10, 0, 0, 1, 1, 4}, flood, -1, 0, 256, PCX_SKIPPED},
        {"negative height, data fits", {0, 5, 3, 0, 1, 4}, {1, 2, 3, 4}, -1, 0, 32, PCX_OK},
        {"runs past the end of the buffer", small, flood, -1, 1, 32, PCX_SKIPPED},
        {"zero planes act as one", {0, 0, 3, 1, 0, 4}, {1, 2, 3, 4, 5, 6, 7, 8}, -1, 0, 32, PCX_OK},
        {"negative planes act as one", {0, 0, 3, 1, -128, 4}, {1, 2, 3, 4, 5, 6, 7, 8}, -1, 0, 32, PCX_OK},
        {"more planes than bytes", {0, 0, 3, 1, 127, 4}, flood, -1, 0, 32, PCX_SKIPPED},
        {"channel above the lanes", small, {1, 2}, -1, 7, 32, PCX_SKIPPED},
        {"channel below the lanes", small, {1, 2}, -1, -2, 32, PCX_SKIPPED},
        {"channel far out", small, {1, 2}, -1, -2147483647 - 1, 32, PCX_SKIPPED},
        {"no buffer", small, {1, 2}, -1, 0, 0, PCX_SKIPPED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = pcxFile(c.header, c.data);
        const size_t length = c.length < 0 ? file.size() : static_cast<size_t>(c.length);
        Fenced f(file, length, c.capacity);
        DecodedImage image;
        EXPECT_EQ(decode(image, f.input.get(), length, c.channel, f.pixels(), f.capacity), c.result);
        EXPECT_EQ(image.bitsPerPixel, 24);
        EXPECT_TRUE(f.guardsIntact());
        // Byte 3 is no channel's lane.
        for (size_t i = 3; i < c.capacity; i += 4) EXPECT_EQ(f.pixels()[i], UNTOUCHED) << "byte " << i;
    }
}

TEST(PcxDecode, WhatFitsIsStillDecoded) {
    // A 4-pixel row and a one-row buffer: the first scan line arrives whole,
    // the rest is dropped.
    const std::vector<uint8_t> file = pcxFile(Header{}, {1, 2, 3, 4, 0xC8, 9, 0xFF, 9});
    Fenced f(file, file.size(), 16);
    DecodedImage image;
    EXPECT_EQ(decode(image, f.input.get(), file.size(), 2, f.pixels(), f.capacity), PCX_SKIPPED);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.pixels()[4 * i], i + 1);
    EXPECT_TRUE(f.guardsIntact());
}
