// RGBA to 4:2:0 YUV, BT.709 limited range, chroma filtered 1-3-3-1: SSE2 on
// x86-64 (every such processor has it), the same sums in plain C++ elsewhere.
#include "tools/capture/colour.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// Luma: Y = 16 + 219/255 (Kr R + Kg G + Kb B), Kr 0.2126, Kb 0.0722, in 15-bit
// fixed point (so each factor fits the 16 bits SSE2 multiplies).
constexpr int16_t YR = 5983, YG = 20127, YB = 2032;
constexpr int32_t Y_BIAS = (16 << 15) + (1 << 14);
// Chroma from the filtered sums (64 times a colour): Cb = 128 + 224/255
// (B - Y') / (2 (1 - Kb)), Cr = 128 + 224/255 (R - Y') / (2 (1 - Kr)), in
// 16-bit fixed point, so 22 bits with the filter's 64. Each row sums to 0, so
// grey stays grey.
constexpr int16_t UR = -6596, UG = -22189, UB = 28785;
constexpr int16_t VR = 28784, VG = -26145, VB = -2639;
constexpr int32_t C_BIAS = (128 << 22) + (1 << 21);

uint8_t lumaOf(const uint8_t* p) { return uint8_t((YR * p[0] + YG * p[1] + YB * p[2] + Y_BIAS) >> 15); }

// One row's colours filtered 1-3-3-1 across, at the chroma positions, four
// 16-bit lanes (R, G, B, unused) a position: at most 8 x 255.
void acrossPlain(const uint8_t* p, int width, int from, uint16_t* out) {
    for (int x = from; x < width / 2; ++x)
        for (int c = 0; c < 4; ++c) {
            int left = p[4 * std::max(2 * x - 1, 0) + c], right = p[4 * std::min(2 * x + 2, width - 1) + c];
            out[4 * x + c] = uint16_t(left + 3 * (p[8 * x + c] + p[8 * x + 4 + c]) + right);
        }
}

// Four filtered rows down, 1-3-3-1, and the chroma of each position.
void chromaPlain(const uint16_t* a, const uint16_t* b, const uint16_t* c, const uint16_t* d, int from, int half,
                 uint8_t* u, uint8_t* v) {
    for (int x = from; x < half; ++x) {
        int32_t s[3];
        for (int k = 0; k < 3; ++k) s[k] = a[4 * x + k] + 3 * (b[4 * x + k] + c[4 * x + k]) + d[4 * x + k];
        u[x] = uint8_t((UR * s[0] + UG * s[1] + UB * s[2] + C_BIAS) >> 22);
        v[x] = uint8_t((VR * s[0] + VG * s[1] + VB * s[2] + C_BIAS) >> 22);
    }
}

#if defined(__SSE2__)
// Sums the pairs of 32-bit lanes of a and b: (a0 + a1, a2 + a3, b0 + b1, b2 + b3).
__m128i pairSums(__m128i a, __m128i b) {
    __m128 fa = _mm_castsi128_ps(a), fb = _mm_castsi128_ps(b);
    return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(2, 0, 2, 0))),
                         _mm_castps_si128(_mm_shuffle_ps(fa, fb, _MM_SHUFFLE(3, 1, 3, 1))));
}

int lumaRow(const uint8_t* p, int width, uint8_t* y) {
    const __m128i zero = _mm_setzero_si128(), factors = _mm_setr_epi16(YR, YG, YB, 0, YR, YG, YB, 0);
    const __m128i bias = _mm_set1_epi32(Y_BIAS);
    auto four = [&](const uint8_t* at) {
        __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(px, zero), factors);
        __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(px, zero), factors);
        return _mm_srai_epi32(_mm_add_epi32(pairSums(lo, hi), bias), 15);
    };
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i a = _mm_packs_epi32(four(p + 4 * x), four(p + 4 * x + 16));
        __m128i b = _mm_packs_epi32(four(p + 4 * x + 32), four(p + 4 * x + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm_packus_epi16(a, b));
    }
    return x;
}

// Two chroma positions (four pixels) at a time: each is its own pair of pixels
// three times, and the pixel on either side once.
int acrossRow(const uint8_t* p, int width, uint16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    int x = 0;  // the chroma position
    if (width < 8) return 0;
    __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i lo = _mm_unpacklo_epi8(px, zero), hi = _mm_unpackhi_epi8(px, zero);
    __m128i before = _mm_unpacklo_epi64(lo, lo);  // its upper pixel stands left of the first: the first again
    for (; 2 * x + 8 <= width; x += 2) {
        __m128i nextPx = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * x + 16));
        __m128i nextLo = _mm_unpacklo_epi8(nextPx, zero);
        __m128i inner = _mm_add_epi16(_mm_unpacklo_epi64(lo, hi), _mm_unpackhi_epi64(lo, hi));
        __m128i outer = _mm_add_epi16(_mm_unpackhi_epi64(before, lo), _mm_unpacklo_epi64(hi, nextLo));
        __m128i sums = _mm_add_epi16(_mm_add_epi16(inner, _mm_slli_epi16(inner, 1)), outer);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), sums);
        before = hi;
        lo = nextLo;
        hi = _mm_unpackhi_epi8(nextPx, zero);
    }
    return x;
}

int chromaRow(const uint16_t* a, const uint16_t* b, const uint16_t* c, const uint16_t* d, int half, uint8_t* u,
              uint8_t* v) {
    const __m128i uFactors = _mm_setr_epi16(UR, UG, UB, 0, UR, UG, UB, 0);
    const __m128i vFactors = _mm_setr_epi16(VR, VG, VB, 0, VR, VG, VB, 0);
    const __m128i bias = _mm_set1_epi32(C_BIAS);
    auto sums = [&](int at) {  // two positions, filtered down
        auto load = [&](const uint16_t* row) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * at)); };
        __m128i middle = _mm_add_epi16(load(b), load(c));
        return _mm_add_epi16(_mm_add_epi16(load(a), load(d)), _mm_add_epi16(middle, _mm_slli_epi16(middle, 1)));
    };
    auto four = [&](__m128i s0, __m128i s1, __m128i factors) {
        return _mm_srai_epi32(_mm_add_epi32(pairSums(_mm_madd_epi16(s0, factors), _mm_madd_epi16(s1, factors)), bias), 22);
    };
    int x = 0;
    for (; x + 8 <= half; x += 8) {
        __m128i s0 = sums(x), s1 = sums(x + 2), s2 = sums(x + 4), s3 = sums(x + 6);
        __m128i uWords = _mm_packs_epi32(four(s0, s1, uFactors), four(s2, s3, uFactors));
        __m128i vWords = _mm_packs_epi32(four(s0, s1, vFactors), four(s2, s3, vFactors));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x), _mm_packus_epi16(uWords, uWords));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x), _mm_packus_epi16(vWords, vWords));
    }
    return x;
}
#else
int lumaRow(const uint8_t*, int, uint8_t*) { return 0; }
int acrossRow(const uint8_t*, int, uint16_t*) { return 0; }
int chromaRow(const uint16_t*, const uint16_t*, const uint16_t*, const uint16_t*, int, uint8_t*, uint8_t*) { return 0; }
#endif
}  // namespace

void rgbaToYuv420(const uint8_t* rgba, int stride, int width, int height, int row0, int row1, const YuvPicture& out,
                  ColourScratch* s) {
    const int half = width / 2;
    for (std::vector<uint16_t>& row : s->rows) {
        if (row.size() != size_t(4 * half)) {
            row.resize(size_t(4 * half));
            std::fill(std::begin(s->rowOf), std::end(s->rowOf), -1);
        }
    }
    // Row `row` (clamped to the picture) filtered across, made once for the
    // two chroma rows that use it.
    auto across = [&](int row) {
        row = std::clamp(row, 0, height - 1);
        int slot = row & 3;
        if (s->rowOf[slot] != row) {
            const uint8_t* p = rgba + size_t(row) * size_t(stride);
            acrossPlain(p, width, acrossRow(p, width, s->rows[slot].data()), s->rows[slot].data());
            s->rowOf[slot] = row;
        }
        return s->rows[slot].data();
    };
    for (int row = row0; row < row1; row += 2) {
        for (int k = row; k < row + 2; ++k) {
            const uint8_t* p = rgba + size_t(k) * size_t(stride);
            uint8_t* y = out.plane[0] + size_t(k) * size_t(out.stride[0]);
            for (int x = lumaRow(p, width, y); x < width; ++x) y[x] = lumaOf(p + 4 * x);
        }
        const uint16_t* a = across(row - 1);
        const uint16_t* b = across(row);
        const uint16_t* c = across(row + 1);
        const uint16_t* d = across(row + 2);
        uint8_t* u = out.plane[1] + size_t(row / 2) * size_t(out.stride[1]);
        uint8_t* v = out.plane[2] + size_t(row / 2) * size_t(out.stride[2]);
        chromaPlain(a, b, c, d, chromaRow(a, b, c, d, half, u, v), half, u, v);
    }
}
