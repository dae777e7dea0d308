// The PCX decoder: any bytes, decoded into a buffer of exactly the size the
// header asks for (at most 2 MiB, trimmed by 0-3 bytes so the end can fall
// inside a pixel), never write outside it (AddressSanitizer watches the end)
// and only into the byte lanes of the channel and its planes. Decoding into a
// larger buffer writes the same bytes where the two overlap, and nothing
// beyond when the small one reported that everything fitted.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "render/pcx.h"

namespace {
constexpr size_t MAX_CAPACITY = size_t(2) << 20;
constexpr size_t LARGER_BY = 4096;

int16_t header16(const uint8_t* data, size_t at) { return int16_t(data[at] | data[at + 1] << 8); }

// What every buffer holds before decoding: a pattern that no decode is likely
// to reproduce by chance.
const std::vector<uint8_t>& before() {
    static std::vector<uint8_t> pattern = [] {
        std::vector<uint8_t> p(MAX_CAPACITY + LARGER_BY);
        for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(i * 131 + 17);
        return p;
    }();
    return pattern;
}

int decodeInto(std::vector<uint8_t>& buffer, DecodedImage* image, const uint8_t* data, size_t size, int channel) {
    if (!buffer.empty()) std::memcpy(buffer.data(), before().data(), buffer.size());
    uint8_t palette[256 * 4];
    *image = DecodedImage{-1, -1, -1, palette, buffer.data()};
    return decodePcx(image, data, unsigned(size), channel, buffer.size());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzStart();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) return 0;
    // The decoder ignores the bytes-per-line field (offset 66): it picks the
    // channel and the trim here.
    size_t capacity = 0;
    int channel = 0;
    int planes = 1;
    if (size >= size_t(PCX_DATA_OFFSET)) {
        int64_t width = int64_t{header16(data, 8)} - header16(data, 4) + 1;
        int64_t height = int64_t{header16(data, 10)} - header16(data, 6) + 1;
        if (width > 0 && height > 0) capacity = size_t(std::min<int64_t>(width * height * 4, MAX_CAPACITY));
        capacity -= std::min<size_t>(capacity, data[66] & 3);
        channel = (data[66] >> 2) % 3;
        planes = std::max(1, int(int8_t(data[65])));
    }

    std::vector<uint8_t> exact(capacity);
    DecodedImage image;
    const int result = decodeInto(exact, &image, data, size, channel);
    FUZZ_CHECK(image.bitsPerPixel == 24, "bitsPerPixel %d", image.bitsPerPixel);
    FUZZ_CHECK((size < size_t(PCX_DATA_OFFSET)) == (result == PCX_SHORT_HEADER), "result %d for %zu bytes", result, size);
    // The lanes a value may land in are 2 - channel - plane, for each plane;
    // eight bytes at a time, the others must be as they were.
    uint64_t forbidden = 0;
    for (int lane = 0; lane < 8; ++lane) {
        const int plane = 2 - channel - lane % 4;
        if (plane < 0 || plane >= planes) forbidden |= uint64_t{0xFF} << (8 * lane);
    }
    const uint8_t* pattern = before().data();
    for (size_t i = 0; i < capacity; i += 8) {
        uint64_t got = 0, was = 0;
        if (capacity - i >= 8) {
            std::memcpy(&got, exact.data() + i, 8);
            std::memcpy(&was, pattern + i, 8);
        } else {
            for (size_t b = 0; i + b < capacity; ++b) {
                got |= uint64_t{exact[i + b]} << (8 * b);
                was |= uint64_t{pattern[i + b]} << (8 * b);
            }
        }
        FUZZ_CHECK(((got ^ was) & forbidden) == 0, "bytes %zu-%zu: a lane outside channel %d and its %d planes written",
                   i, i + 7, channel, planes);
    }

    std::vector<uint8_t> larger(capacity + LARGER_BY);
    DecodedImage largerImage;
    const int largerResult = decodeInto(larger, &largerImage, data, size, channel);
    FUZZ_CHECK(largerImage.width == image.width && largerImage.height == image.height, "size differs");
    FUZZ_CHECK(capacity == 0 || std::memcmp(exact.data(), larger.data(), capacity) == 0,
               "the larger buffer got other bytes");
    if (result == PCX_OK) {
        FUZZ_CHECK(largerResult == PCX_OK, "result %d in the larger buffer", largerResult);
        FUZZ_CHECK(std::memcmp(larger.data() + capacity, before().data() + capacity, LARGER_BY) == 0,
                   "written past what fitted");
    }
    return 0;
}
