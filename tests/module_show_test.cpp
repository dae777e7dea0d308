// The embedded module: its shape as the timeline keys on it, its samples,
// and the key of its melodic parts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/module_file.h"

using namespace modulefile;

namespace {

const int ORDER_PATTERNS[21] = {0, 1, 2, 3, 3, 5, 6, 7, 7, 5, 8, 9, 12, 13, 13, 14, 15, 18, 19, 20, 20};

std::string effectLetter(openmpt_module* m, int pattern, int row, int channel) {
    return formatted(m, pattern, row, channel, OPENMPT_MODULE_COMMAND_EFFECT);
}

}  // namespace

TEST(ShowModule, ShapeReadsBackAsTheTimelineExpects) {
    ASSERT_GT(musicModuleSize, 0xC0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(musicModule), 4), "IMPM");
    const ModuleHeaders h = readHeaders();
    EXPECT_EQ(h.instrumentCount, 13u);
    EXPECT_EQ(h.sampleCount, 13u);
    EXPECT_EQ(h.patternCount, 21u);
    EXPECT_TRUE(u16At(0x2C) & 0x04) << "instrument mode";
    EXPECT_EQ(byteAt(0x04), 0u);    // empty song name
    EXPECT_EQ(byteAt(0x30), 128u);  // global volume
    EXPECT_EQ(byteAt(0x31), 127u);  // mixing volume
    EXPECT_EQ(byteAt(0x32), 6u);    // speed
    EXPECT_EQ(byteAt(0x33), 125u);  // tempo
    ASSERT_EQ(h.orderCount, 22u);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(h.orders[size_t(i)], unsigned(ORDER_PATTERNS[i])) << "order " << i;
    EXPECT_EQ(h.orders[21], 255u) << "end marker";

    // The length handed to the player is the whole file: the last sample's
    // data ends exactly there.
    size_t end = 0;
    for (const SampleHeader& s : h.samples) end = std::max(end, size_t(s.dataAt) + 2 * size_t(s.length));
    EXPECT_EQ(end, size_t(musicModuleSize));

    Module m = loadShowModule();
    ASSERT_TRUE(m);
    EXPECT_EQ(openmpt_module_get_num_instruments(m.get()), 13);
    EXPECT_EQ(openmpt_module_get_num_samples(m.get()), 13);
    EXPECT_EQ(openmpt_module_get_num_patterns(m.get()), 21);
    EXPECT_EQ(openmpt_module_get_current_speed(m.get()), 6);
    EXPECT_EQ(openmpt_module_get_current_tempo(m.get()), 125);
    ASSERT_EQ(openmpt_module_get_num_orders(m.get()), 21);
    for (int i = 0; i < 21; ++i) EXPECT_EQ(openmpt_module_get_order_pattern(m.get(), i), ORDER_PATTERNS[i]);
    for (int p = 0; p < 21; ++p)
        EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.get(), p), p == 5 ? 4 : 64) << "pattern " << p;

    // Only pattern 5 leaves early, by a break on its fourth row to row 0 of
    // the next order; nothing jumps, so the song plays straight through.
    const int channels = openmpt_module_get_num_channels(m.get());
    int breaks = 0;
    for (int p = 0; p < 21; ++p) {
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(m.get(), p); ++r) {
            for (int c = 0; c < channels; ++c) {
                const std::string fx = effectLetter(m.get(), p, r, c);
                EXPECT_NE(fx, "B") << "jump in pattern " << p << " row " << r;
                if (fx == "C") {
                    ++breaks;
                    EXPECT_EQ(p, 5);
                    EXPECT_EQ(r, 3);
                    EXPECT_EQ(openmpt_module_get_pattern_row_channel_command(m.get(), p, r, c,
                                                                             OPENMPT_MODULE_COMMAND_PARAMETER),
                              0);
                }
            }
        }
    }
    EXPECT_EQ(breaks, 1);

    // 19 patterns of 64 rows and two breaks of 4, at 0.12 s a row.
    EXPECT_NEAR(openmpt_module_get_duration_seconds(m.get()), (19 * 64 + 2 * 4) * 0.12, 0.05);
    // The order start times the scenes are timed against, within half a second.
    const double starts[21] = {0,    7.7,  15.4, 23.0, 30.7,  38.4,  38.9,  46.6,  54.2,  61.9, 62.2,
                               69.9, 77.6, 85.3, 93.0, 100.6, 108.3, 116.0, 123.9, 131.8, 139.5};
    for (int o = 0; o < 21; ++o)
        EXPECT_NEAR(openmpt_module_set_position_order_row(m.get(), o, 0), starts[o], 0.5) << "order " << o;
}

// Percussion decays to silence; the sustained parts (bass 7, pad 9, lead 12)
// loop without a step at the seam; every sample is 16-bit.
TEST(ShowModule, SamplesDecayOrLoopSmoothly) {
    const ModuleHeaders h = readHeaders();
    ASSERT_EQ(h.samples.size(), 13u);
    for (unsigned k = 0; k < 13; ++k) {
        const SampleHeader& s = h.samples[k];
        SCOPED_TRACE("sample " + std::to_string(k + 1));
        ASSERT_TRUE(s.present);
        ASSERT_GT(s.length, 1000u);
        ASSERT_LE(size_t(s.dataAt) + 2 * size_t(s.length), size_t(musicModuleSize));
        EXPECT_TRUE(s.flags & 0x02) << "16-bit";
        EXPECT_FALSE(s.flags & 0x08) << "compressed";
        int peak = 0, largestStep = 0;
        for (uint32_t i = 0; i < s.length; ++i) {
            peak = std::max(peak, std::abs(int(s.frame(i))));
            if (i) largestStep = std::max(largestStep, std::abs(s.frame(i) - s.frame(i - 1)));
        }
        EXPECT_GT(peak, 16000) << "uses the 16-bit range";
        const bool sustained = k + 1 == 7 || k + 1 == 9 || k + 1 == 12;
        EXPECT_EQ(bool(s.flags & 0x10), sustained) << "looped";
        if (sustained) {
            ASSERT_LT(s.loopStart, s.loopEnd);
            ASSERT_LE(s.loopEnd, s.length);
            EXPECT_GE(s.loopEnd - s.loopStart, 4000u) << "a loop long enough to carry movement";
            // Playing on from the loop end to its start is a step like any
            // other in the sound, not a click.
            const int seam = std::abs(s.frame(s.loopStart) - s.frame(s.loopEnd - 1));
            EXPECT_LE(seam, largestStep);
        } else {
            // The last 5 ms are near silence, and the end lands on zero.
            int tail = 0;
            for (uint32_t i = s.length - s.length / 100; i < s.length; ++i)
                tail = std::max(tail, std::abs(int(s.frame(i))));
            EXPECT_LT(tail, peak / 20);
            EXPECT_LT(std::abs(int(s.frame(s.length - 1))), 64);
        }
    }
}

// Every note of the bass (7), pad (9) and lead (12) belongs to the scale of
// its section, read back from the patterns in order-list order.
TEST(ShowModule, MelodicNotesStayInTheSectionKey) {
    // Natural minor scales: A minor for the intro, main part, breakdown and
    // outro, D minor for orders 10-11, B minor for the climax 16-18.
    auto tonicOf = [](int order) {
        if (order == 10 || order == 11) return 2;             // D
        if (order >= 16 && order <= 18) return 11;            // B
        return 9;                                             // A
    };
    const int minor[7] = {0, 2, 3, 5, 7, 8, 10};
    Module m = loadShowModule();
    ASSERT_TRUE(m);
    const int channels = openmpt_module_get_num_channels(m.get());
    int notes[13] = {};
    int sectionNotes[21] = {};
    for (int o = 0; o < openmpt_module_get_num_orders(m.get()); ++o) {
        const int p = openmpt_module_get_order_pattern(m.get(), o);
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(m.get(), p); ++r) {
            for (int c = 0; c < channels; ++c) {
                const int ins = openmpt_module_get_pattern_row_channel_command(m.get(), p, r, c,
                                                                               OPENMPT_MODULE_COMMAND_INSTRUMENT);
                const int note = openmpt_module_get_pattern_row_channel_command(m.get(), p, r, c,
                                                                                OPENMPT_MODULE_COMMAND_NOTE);
                if ((ins != 7 && ins != 9 && ins != 12) || note < 1 || note > 120) continue;
                const int degree = ((note - 1) % 12 - tonicOf(o) + 12) % 12;  // libopenmpt: C-0 is 1
                bool inScale = false;
                for (int d : minor) inScale |= d == degree;
                EXPECT_TRUE(inScale) << "order " << o << " row " << r << " channel " << c << ": instrument "
                                     << ins << " plays "
                                     << formatted(m.get(), p, r, c, OPENMPT_MODULE_COMMAND_NOTE);
                ++notes[ins];
                ++sectionNotes[o];
            }
        }
    }
    // Not vacuous: all three parts play, and every order has harmony.
    EXPECT_GT(notes[7], 100);
    EXPECT_GT(notes[9], 100);
    EXPECT_GT(notes[12], 100);
    for (int o = 0; o < 21; ++o) EXPECT_GT(sectionNotes[o], 0) << "order " << o;
}
