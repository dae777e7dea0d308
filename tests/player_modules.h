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
