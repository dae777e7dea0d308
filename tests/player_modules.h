#pragma once
// Small Impulse Tracker modules of the player and music tests' own.
#include <cmath>
#include <string>
#include <vector>

#include "tools/itwriter/itwriter.h"

// A decaying tone, so the mix is not silent.
inline ItSample testSample(uint8_t defaultVolume) {
    ItSample s;
    for (int i = 0; i < 3000; ++i) s.data.push_back(int16_t(9000.0 * std::sin(i * 0.07) * (1.0 - i / 3000.0)));
    s.defaultVolume = defaultVolume;
    return s;
}

// An instrument that plays sample `low` below C-5 and sample `high` from C-5 up.
inline ItInstrument splitInstrument(uint8_t low, uint8_t high) {
    ItInstrument in;
    itMapAllNotes(in, low);
    for (int n = 60; n < IT_NOTES; ++n) in.sampleForNote[n] = high;
    return in;
}

// The module's file, or nothing when the writer refuses it.
inline std::vector<uint8_t> moduleBytes(const ItModule& m) {
    std::vector<uint8_t> bytes;
    std::string error;
    writeItModule(m, bytes, error);
    return bytes;
}

// Orders 0 1 0. Pattern 0 sets the tempo and the speed and slides the tempo
// up 3 a tick; pattern 1 breaks to row 2 of the next order. Instrument 1 plays
// sample 1 (volume 40) below C-5 and sample 2 (volume 25) from C-5 up. Row 0
// has a volume column and two hits; row 3 a note without an instrument (the
// channel's last one plays) and a note the second sync does not ask for; rows
// 4-6 a note off, a cut, an instrument alone; rows 9 and 12 the lowest and the
// highest note.
inline std::vector<uint8_t> timingSong() {
    ItModule m;
    m.channels = 4;
    m.samples = {testSample(40), testSample(25)};
    m.instruments = {splitInstrument(1, 2), splitInstrument(2, 2)};
    m.patterns = {itEmptyPattern(16, 4), itEmptyPattern(8, 4)};
    const uint8_t NONE = IT_NOTE_NONE, NOVOL = IT_VOLUME_NONE;
    const struct { int pattern, row, channel; ItCell cell; } cells[] = {
        {0, 0, 0, {60, 1, 10}}, {0, 0, 3, {60, 1}}, {0, 1, 0, {48, 1}}, {0, 2, 0, {72, 1}}, {0, 2, 2, {62, 2, 64}},
        {0, 3, 0, {50, 0}}, {0, 3, 2, {63, 2}}, {0, 4, 0, {IT_NOTE_OFF, 1}}, {0, 5, 0, {IT_NOTE_CUT, 1}},
        {0, 6, 0, {NONE, 1}}, {0, 7, 0, {60, 2}}, {0, 4, 1, {NONE, 0, NOVOL, IT_FX_SET_TEMPO, 133}},
        {0, 8, 1, {NONE, 0, NOVOL, IT_FX_SET_SPEED, 3}}, {0, 10, 1, {NONE, 0, NOVOL, IT_FX_SET_TEMPO, 0x13}},
        {0, 9, 3, {0, 1}}, {0, 12, 3, {119, 1}}, {1, 0, 0, {55, 1}}, {1, 3, 2, {NONE, 0, NOVOL, IT_FX_PATTERN_BREAK, 2}},
    };
    for (const auto& c : cells) itCell(m.patterns[size_t(c.pattern)], 4, c.row, c.channel) = c.cell;
    for (int r = 8; r < 16; ++r) itCell(m.patterns[0], 4, r, 0) = ItCell{uint8_t(40 + r), 1};
    m.orders = {0, 1, 0};
    return moduleBytes(m);
}
