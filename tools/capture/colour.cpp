// RGBA to 4:2:0 YUV, BT.709 limited range, chroma filtered 1-3-3-1: SSE2 on
// x86-64 (every such processor has it), the same sums in plain C++ elsewhere.
#include "tools/capture/colour.h"

#include <algorithm>
#include <cstring>

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

// True when the n vectors are all the broadcast `first`.
template <int n>
bool allEqual(const __m128i* v, __m128i first) {
    __m128i same = _mm_cmpeq_epi32(v[0], first);
    for (int i = 1; i < n; ++i) same = _mm_and_si128(same, _mm_cmpeq_epi32(v[i], first));
    return _mm_movemask_epi8(same) == 0xffff;
}

int lumaRow(const uint8_t* p, int width, uint8_t* y) {
    const __m128i zero = _mm_setzero_si128(), factors = _mm_setr_epi16(YR, YG, YB, 0, YR, YG, YB, 0);
    const __m128i bias = _mm_set1_epi32(Y_BIAS);
    auto four = [&](__m128i px) {
        __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(px, zero), factors);
        __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(px, zero), factors);
        return _mm_srai_epi32(_mm_add_epi32(pairSums(lo, hi), bias), 15);
    };
    // The show is flat colour: most runs of sixteen pixels are one colour,
    // whose luma is kept from the last such run.
    uint32_t runColour = 0;
    __m128i runLuma = _mm_set1_epi8(char(lumaOf(reinterpret_cast<const uint8_t*>(&runColour))));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i px[4];
        for (int i = 0; i < 4; ++i) px[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * x + 16 * i));
        __m128i first = _mm_shuffle_epi32(px[0], 0);
        __m128i out;
        if (allEqual<4>(px, first)) {
            uint32_t colour = uint32_t(_mm_cvtsi128_si32(first));
            if (colour != runColour) {
                runColour = colour;
                runLuma = _mm_set1_epi8(char(lumaOf(p + 4 * x)));
            }
            out = runLuma;
        } else {
            out = _mm_packus_epi16(_mm_packs_epi32(four(px[0]), four(px[1])), _mm_packs_epi32(four(px[2]), four(px[3])));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), out);
    }
    return x;
}

uint32_t pixelAt(const uint8_t* p, int x) {
    uint32_t c;
    std::memcpy(&c, p + 4 * x, 4);
    return c;
}

// A run of one colour filtered 1-3-3-1: eight times each channel.
__m128i flatSums(uint32_t colour) {
    __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(colour)), _mm_setzero_si128());
    return _mm_slli_epi16(_mm_unpacklo_epi64(c, c), 3);
}

// Two chroma positions (four pixels) at a time: each is its own pair of pixels
// three times, and the pixel on either side once. Eight positions whose
// eighteen pixels are one colour take the sums kept for that colour.
int acrossRow(const uint8_t* p, int width, uint16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    if (width < 8) return 0;
    uint32_t runColour = 0;
    __m128i runSums = flatSums(0);
    __m128i lo, hi, before;
    auto unpackAt = [&](int x) {
        __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * x));
        lo = _mm_unpacklo_epi8(px, zero);
        hi = _mm_unpackhi_epi8(px, zero);
    };
    unpackAt(0);
    before = _mm_unpacklo_epi64(lo, lo);  // its upper pixel stands left of the first: the first again
    int x = 0;  // the chroma position
    while (2 * x + 8 <= width) {
        if (2 * x + 17 <= width) {
            __m128i px[4];
            for (int i = 0; i < 4; ++i) px[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8 * x + 16 * i));
            const uint32_t colour = pixelAt(p, 2 * x);
            if (pixelAt(p, std::max(2 * x - 1, 0)) == colour && pixelAt(p, 2 * x + 16) == colour &&
                allEqual<4>(px, _mm_set1_epi32(int(colour)))) {
                if (colour != runColour) {
                    runColour = colour;
                    runSums = flatSums(colour);
                }
                for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x + 8 * i), runSums);
                x += 8;
                // The pixel left of the run, which `before` still holds, is of
                // the run's colour: so is the pixel left of what follows.
                if (2 * x + 8 <= width) unpackAt(x);
                continue;
            }
        }
        for (int step = 0; step < 4 && 2 * x + 8 <= width; ++step, x += 2) {
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
    }
    return x;
}

int chromaRow(const uint16_t* a, const uint16_t* b, const uint16_t* c, const uint16_t* d, int half, uint8_t* u,
              uint8_t* v) {
    const __m128i uFactors = _mm_setr_epi16(UR, UG, UB, 0, UR, UG, UB, 0);
    const __m128i vFactors = _mm_setr_epi16(VR, VG, VB, 0, VR, VG, VB, 0);
    const __m128i bias = _mm_set1_epi32(C_BIAS);
    auto four = [&](__m128i s0, __m128i s1, __m128i factors) {
        return _mm_srai_epi32(_mm_add_epi32(pairSums(_mm_madd_epi16(s0, factors), _mm_madd_epi16(s1, factors)), bias), 22);
    };
    // Eight positions whose four rows all hold the sums of one colour take
    // the chroma kept from the last such run.
    __m128i runSums = _mm_set1_epi32(-1);  // no sum is negative
    uint64_t runU = 0, runV = 0;
    const uint16_t* in[4] = {a, b, c, d};
    int x = 0;
    for (; x + 8 <= half; x += 8) {
        __m128i rows[4][4];
        for (int r = 0; r < 4; ++r)
            for (int i = 0; i < 4; ++i)
                rows[r][i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in[r] + 4 * x + 8 * i));
        const __m128i first = _mm_unpacklo_epi64(rows[0][0], rows[0][0]);
        if (allEqual<4>(rows[0], first) && allEqual<4>(rows[1], first) && allEqual<4>(rows[2], first) &&
            allEqual<4>(rows[3], first)) {
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(first, runSums)) != 0xffff) {
                runSums = first;
                const __m128i s = _mm_slli_epi16(first, 3);  // 1-3-3-1 down four equal rows: eight times one
                alignas(16) uint8_t uv[16];
                const __m128i words = _mm_packs_epi32(four(s, s, uFactors), four(s, s, vFactors));
                _mm_store_si128(reinterpret_cast<__m128i*>(uv), _mm_packus_epi16(words, words));
                runU = 0x0101010101010101ull * uv[0];
                runV = 0x0101010101010101ull * uv[4];
            }
            std::memcpy(u + x, &runU, 8);
            std::memcpy(v + x, &runV, 8);
            continue;
        }
        __m128i s[4];
        for (int i = 0; i < 4; ++i) {
            __m128i middle = _mm_add_epi16(rows[1][i], rows[2][i]);
            s[i] = _mm_add_epi16(_mm_add_epi16(rows[0][i], rows[3][i]), _mm_add_epi16(middle, _mm_slli_epi16(middle, 1)));
        }
        __m128i uWords = _mm_packs_epi32(four(s[0], s[1], uFactors), four(s[2], s[3], uFactors));
        __m128i vWords = _mm_packs_epi32(four(s[0], s[1], vFactors), four(s[2], s[3], vFactors));
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
    for (std::vector<uint16_t>& row : s->rows)
        if (row.size() != size_t(4 * half)) row.resize(size_t(4 * half));
    // Rows kept from an earlier call belong to another picture or band.
    std::fill(std::begin(s->rowOf), std::end(s->rowOf), -1);
    // Row `row` (clamped to the picture) filtered across, made once for the
    // two chroma rows that use it.
    auto across = [&](int row) {
        row = std::clamp(row, 0, height - 1);
        int slot = row & 3;
        if (s->rowOf[slot] != row) {
            const uint8_t* p = rgba + size_t(row) * size_t(stride);
            acrossPlain(p, width, s->portable ? 0 : acrossRow(p, width, s->rows[slot].data()), s->rows[slot].data());
            s->rowOf[slot] = row;
        }
        return s->rows[slot].data();
    };
    for (int row = row0; row < row1; row += 2) {
        for (int k = row; k < row + 2; ++k) {
            const uint8_t* p = rgba + size_t(k) * size_t(stride);
            uint8_t* y = out.plane[0] + size_t(k) * size_t(out.stride[0]);
            for (int x = s->portable ? 0 : lumaRow(p, width, y); x < width; ++x) y[x] = lumaOf(p + 4 * x);
        }
        const uint16_t* a = across(row - 1);
        const uint16_t* b = across(row);
        const uint16_t* c = across(row + 1);
        const uint16_t* d = across(row + 2);
        uint8_t* u = out.plane[1] + size_t(row / 2) * size_t(out.stride[1]);
        uint8_t* v = out.plane[2] + size_t(row / 2) * size_t(out.stride[2]);
        chromaPlain(a, b, c, d, s->portable ? 0 : chromaRow(a, b, c, d, half, u, v), half, u, v);
    }
}
