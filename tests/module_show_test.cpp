// The embedded module as the pictures use it: its header and order list, the
// loops of its sustained samples, the key of its melodic parts and the cue
// sheet of the instruments the pictures follow.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/player.h"
#include "assets/assets.h"

namespace {
unsigned u16(size_t at) { return at + 1 < musicModuleSize ? musicModule[at] | musicModule[at + 1] << 8 : 0u; }
uint32_t u32(size_t at) { return u16(at) | uint32_t(u16(at + 2)) << 16; }
int frameAt(size_t at) { return int16_t(u16(at)); }
}  // namespace

TEST(ShowModule, HeaderOrdersAndSamples) {
    EXPECT_EQ(std::memcmp(musicModule, "IMPM\0", 5), 0);  // and an empty song name
    // orders, instruments, samples, patterns; instrument mode; global and
    // mixing volume, speed and tempo; the order list
    EXPECT_EQ(std::vector<unsigned>({u16(0x20), u16(0x22), u16(0x24), u16(0x26), u16(0x2C) & 4u}),
              (std::vector<unsigned>{22, 13, 13, 21, 4}));
    EXPECT_EQ(std::vector<uint8_t>(musicModule + 0x30, musicModule + 0x34), (std::vector<uint8_t>{128, 127, 6, 125}));
    EXPECT_EQ(std::vector<uint8_t>(musicModule + 0xC0, musicModule + 0xC0 + 22),
              (std::vector<uint8_t>{0, 1, 2, 3, 3, 5, 6, 7, 7, 5, 8, 9, 12, 13, 13, 14, 15, 18, 19, 20, 20, 255}));

    // Percussion ends on silence; the bass (7), pad (9) and lead (12) loop
    // long enough to carry movement, with a seam like any other step.
    for (unsigned k = 1; k <= 13; ++k) {
        const size_t at = u32(0xC0 + 22 + 4 * 13 + 4 * (k - 1)), data = u32(at + 0x48);
        const uint32_t length = u32(at + 0x30), loopStart = u32(at + 0x34), loopEnd = u32(at + 0x38);
        int largestStep = 0;
        for (uint32_t i = 1; i < length; ++i)
            largestStep = std::max(largestStep, std::abs(frameAt(data + 2 * i) - frameAt(data + 2 * i - 2)));
        const int seam = std::abs(frameAt(data + 2 * loopStart) - frameAt(data + 2 * loopEnd - 2));
        const bool looped = musicModule[at + 0x12] & 0x10;
        EXPECT_EQ(looped, k == 7 || k == 9 || k == 12) << "sample " << k;
        EXPECT_TRUE(looped ? loopEnd <= length && loopEnd - loopStart >= 4000 && seam <= largestStep
                           : length > 1000 && std::abs(frameAt(data + 2 * length - 2)) < 64)
            << "sample " << k;
    }
}

// The pattern data in play order: the break, the key of the bass (7), pad (9)
// and lead (12), and the hits the sync callback accepts (the volume of a hit is
// its volume column, else the default volume of its sample).
TEST(ShowModule, BreaksKeysAndCues) {
    static ItVolumeTable volumes;
    ASSERT_TRUE(readItSampleVolumes(musicModule, musicModuleSize, &volumes));
    openmpt_module* m = openmpt_module_create_from_memory2(musicModule, musicModuleSize, nullptr, nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    int counted[14][21] = {};
    std::vector<std::array<int, 4>> jumps;  // effect, order, row, parameter
    for (int o = 0; o < 21; ++o) {
        const int p = openmpt_module_get_order_pattern(m, o);
        // Natural minor: A, D in the new section 10-11, B in the climax 16-18.
        const int tonic = o == 10 || o == 11 ? 2 : o >= 16 && o <= 18 ? 11 : 9;
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(m, p); ++r) {
            for (int c = 0; c < openmpt_module_get_num_channels(m); ++c) {
                auto get = [&](int what) { return openmpt_module_get_pattern_row_channel_command(m, p, r, c, what); };
                const char* fx =
                    openmpt_module_format_pattern_row_channel_command(m, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
                if (*fx == 'B' || *fx == 'C') jumps.push_back({*fx, o, r, get(OPENMPT_MODULE_COMMAND_PARAMETER)});
                openmpt_free_string(fx);
                const int note = get(OPENMPT_MODULE_COMMAND_NOTE) - 1, ins = get(OPENMPT_MODULE_COMMAND_INSTRUMENT);
                if (note < 0 || note >= 120 || ins < 1 || ins > 13) continue;  // no note, or no instrument
                const int volume = get(OPENMPT_MODULE_COMMAND_VOLUMEEFFECT) == 1 ? get(OPENMPT_MODULE_COMMAND_VOLUME)
                                                                                 : volumes.volume[ins][note];
                counted[ins][o] +=
                    (ins != 1 || (note == 60 && volume != 10)) && (ins != 4 || volume >= 32) && (ins != 5 || volume == 20);
                if (ins != 7 && ins != 9 && ins != 12) continue;
                EXPECT_TRUE(0x5AD >> (note % 12 - tonic + 12) % 12 & 1)  // degrees 0 2 3 5 7 8 10
                    << "order " << o << " row " << r << ": instrument " << ins << " off the key at note " << note;
            }
        }
    }
    openmpt_module_destroy(m);
    // The break of pattern 5, to the next order's row 0; no jumps.
    EXPECT_EQ(jumps, (std::vector<std::array<int, 4>>{{'C', 5, 3, 0}, {'C', 9, 3, 0}}));

    // instrument, the orders (bits), fewest and most counted hits in each
    const uint32_t INTRO = 0x7, MAIN = 0x70DD8, CLIMAX = 0x70000, LOGO = 0x1D8, BREAKDOWN = 0xF000, ALL = 0x1FFFFF;
    const struct { int instrument; uint32_t orders; int fewest, most; } cues[] = {
        {1, ALL & ~INTRO, 1, 64}, {1, MAIN, 16, 64}, {2, MAIN, 8, 64}, {3, INTRO, 0, 0}, {3, MAIN, 8, 64},
        {5, INTRO, 0, 0}, {5, MAIN & ~CLIMAX, 12, 20}, {5, CLIMAX, 4, 4}, {10, LOGO, 2, 2}, {10, BREAKDOWN, 1, 64},
        {10, ALL & ~LOGO & ~BREAKDOWN, 0, 0}, {11, INTRO, 0, 0}, {11, 0x8, 1, 64}, {11, 0xC00, 8, 64},
        {11, 0x1FF000, 4, 64}, {13, ALL, 0, 1}, {9, ALL, 3, 64}, {12, ALL & ~0x3, 3, 64},
    };
    for (const auto& c : cues)
        for (int o = 0; o < 21; ++o)
            EXPECT_TRUE(!(c.orders >> o & 1) || (c.fewest <= counted[c.instrument][o] && counted[c.instrument][o] <= c.most))
                << counted[c.instrument][o] << " hits of instrument " << c.instrument << " in order " << o;
}
