// The Impulse Tracker writer's packed patterns, read back through libopenmpt
// (the reader the program plays with).
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <vector>

#include "tests/player_modules.h"

// The packer leaves out fields that repeat the channel's previous values;
// every cell must still read back as written, across rows and channels.
TEST(ItWriter, PackedCellsReadBackThroughRepeatsAndGaps) {
    const uint8_t NONE = IT_NOTE_NONE, OFF = IT_NOTE_OFF, CUT = IT_NOTE_CUT, FADE = IT_NOTE_FADE, NOVOL = IT_VOLUME_NONE;
    const uint8_t T = IT_FX_SET_TEMPO, W = IT_FX_GLOBAL_SLIDE;
    const struct { ItCell cells[3]; const char* reads[3]; } rows[] = {
        {{{60, 1, 20}, {}, {36, 2}}, {"C-5 01v14 ...", "... .. .. ...", "C-3 02 .. ..."}},
        {{{60, 1, 20}, {CUT, 0}, {36, 2, 7}}, {"C-5 01v14 ...", "^^^ .. .. ...", "C-3 02v07 ..."}},  // repeats
        {{{}, {FADE, 0, 64}, {NONE, 2, 7}}, {"... .. .. ...", "~~~ ..v40 ...", "... 02v07 ..."}},      // a gap
        {{{62, 2, 0, T, 140}, {60, 1, 20}, {36, 0, 7}}, {"D-5 02v00 T8C", "C-5 01v14 ...", "C-3 ..v07 ..."}},
        {{{62, 2, 0, T, 140}, {OFF, 0}, {119, 2, 64}}, {"D-5 02v00 T8C", "=== .. .. ...", "B-9 02v40 ..."}},
        {{{0, 1, 64, T, 141}, {}, {NONE, 0, NOVOL, W, 1}}, {"C-0 01v40 T8D", "... .. .. ...", "... .. .. W01"}},
    };
    ItModule m;
    m.channels = 3;
    m.instruments.resize(2);
    m.patterns = {itEmptyPattern(6, 3)};
    m.orders = {0};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 3; ++c) itCell(m.patterns[0], 3, r, c) = rows[r].cells[c];
    const std::vector<uint8_t> bytes = moduleBytes(m);
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(mod, nullptr);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 3; ++c) {
            const char* cell = openmpt_module_format_pattern_row_channel(mod, 0, r, c, 0, 1);
            EXPECT_STREQ(cell, rows[r].reads[c]) << "row " << r << " channel " << c;
            openmpt_free_string(cell);
        }
    }
    openmpt_module_destroy(mod);
}
