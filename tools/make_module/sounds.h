#pragma once
// The show's thirteen sounds: instrument k plays sample k for every note.
// Percussion decays to silence and does not loop; the bass, pad and lead
// loop over a whole number of cycles of every partial, so the loop seam is
// continuous.
#include <vector>

#include "tools/itwriter/itwriter.h"

enum Instrument : uint8_t {
    INS_KICK = 1,      // note C-5 is the beat the pictures count
    INS_SNARE = 2,
    INS_HAT = 3,
    INS_SHAKER = 4,    // accents at volume 48 (its default), soft notes below 32
    INS_BLOCK = 5,     // accents at volume 20 (its default)
    INS_CLAP = 6,
    INS_BASS = 7,
    INS_OPEN_HAT = 8,
    INS_PAD = 9,
    INS_CRASH = 10,
    INS_TOM = 11,
    INS_LEAD = 12,
    INS_IMPACT = 13,
    INSTRUMENT_COUNT = 13,
};

// Pitch of the melodic samples at note C-5 (IT note 60).
constexpr double C5_HZ = 261.6255653;

// Sample k + 1 at index k.
std::vector<ItSample> makeSamples();
// Instrument k + 1 at index k, each mapped to its own sample.
std::vector<ItInstrument> makeInstruments();
