#pragma once
// Impulse Tracker module writer: a plain record describing a module in, the
// bytes of an .it file out. Always writes instrument mode, 16-bit signed mono
// samples (uncompressed), linear slides, packed patterns.
//
// Numbering, as in the file:
//  - notes are IT note numbers, 0 = C-0 ... 119 = B-9, so 60 is C-5; ...
//    IT_NOTE_OFF / IT_NOTE_CUT / IT_NOTE_FADE are the special notes.
//    libopenmpt's pattern API counts from C-0 = 1: an IT note n reads back
//    as n + 1 (60 reads as 61); off reads as 255, cut as 254, fade as 253.
//  - instruments and samples are 1-based in cells and keyboard tables (0 =
//    none); ItModule::instruments[0] is instrument 1.
//  - effects are IT letters as numbers, A = 1 ... Z = 26 (IT_FX_*).
//  - volumes are 0-64; the volume column here only carries plain volumes.
//
// Usage:
//   ItModule m;
//   m.channels = 4;
//   m.samples.push_back(...); m.instruments.push_back(...);
//   ItPattern p = itEmptyPattern(64, m.channels);
//   itCell(p, m.channels, row, channel) = ItCell{60, 1, 48};
//   m.patterns.push_back(p); m.orders = {0, 0};
//   std::vector<uint8_t> bytes; std::string error;
//   if (!writeItModule(m, bytes, error)) ... error says what is wrong ...
#include <cstdint>
#include <string>
#include <vector>

constexpr uint8_t IT_NOTE_NONE = 252;      // empty note field: nothing is written
constexpr uint8_t IT_NOTE_FADE = 246;      // libopenmpt reads 253 in the file as no note
constexpr uint8_t IT_NOTE_CUT = 254;
constexpr uint8_t IT_NOTE_OFF = 255;
constexpr uint8_t IT_VOLUME_NONE = 255;    // empty volume column
constexpr uint8_t IT_ORDER_SKIP = 254;     // "+++" entry in the order list

constexpr uint8_t IT_FX_SET_SPEED = 1;      // Axx
constexpr uint8_t IT_FX_JUMP_ORDER = 2;     // Bxx
constexpr uint8_t IT_FX_PATTERN_BREAK = 3;  // Cxx, xx = row of the next pattern
constexpr uint8_t IT_FX_VOLUME_SLIDE = 4;   // Dxy
constexpr uint8_t IT_FX_SET_TEMPO = 20;     // Txx
constexpr uint8_t IT_FX_GLOBAL_VOLUME = 22; // Vxx, 0-128
constexpr uint8_t IT_FX_GLOBAL_SLIDE = 23;  // Wxy

constexpr int IT_MAX_CHANNELS = 64;
constexpr int IT_MAX_ROWS = 200;
constexpr int IT_MAX_ORDERS = 255;          // plus the end marker the writer adds
constexpr int IT_MAX_PATTERNS = 200;
constexpr int IT_MAX_INSTRUMENTS = 99;
constexpr int IT_MAX_SAMPLES = 99;
constexpr int IT_NOTES = 120;

struct ItCell {
    uint8_t note = IT_NOTE_NONE;
    uint8_t instrument = 0;       // 1-based, 0 = none
    uint8_t volume = IT_VOLUME_NONE;
    uint8_t effect = 0;           // IT_FX_*, 0 = none
    uint8_t param = 0;
};

// rows x channels cells, row-major: cell (row, channel) is cells[row * channels + channel].
struct ItPattern {
    int rows = 64;
    std::vector<ItCell> cells;
};

struct ItSample {
    std::string name;              // up to 25 characters
    std::vector<int16_t> data;     // mono, signed 16-bit
    uint32_t c5Speed = 44100;      // playback rate at C-5, Hz
    uint8_t defaultVolume = 64;    // 0-64: the volume of a note without a volume column
    uint8_t globalVolume = 64;     // 0-64
    int defaultPan = -1;           // 0-64, or -1 = channel pan
    bool loop = false;             // forward loop over [loopStart, loopEnd)
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0;
    // Automatic vibrato: speed 0-64, depth 0-64 (0 = off), rate 0-64 at
    // which it fades in, waveform 0 sine, 1 ramp down, 2 square, 3 random.
    uint8_t vibratoSpeed = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint8_t vibratoWave = 0;
};

// Envelope node: tick since note start, value (volume 0-64).
struct ItEnvelopeNode {
    uint16_t tick;
    int8_t value;
};

struct ItEnvelope {
    std::vector<ItEnvelopeNode> nodes;   // empty = off; 2-25 nodes, ticks rising
    int sustainStart = -1;               // node index, -1 = no sustain loop
    int sustainEnd = -1;
};

enum ItNewNoteAction : uint8_t { IT_NNA_CUT = 0, IT_NNA_CONTINUE = 1, IT_NNA_OFF = 2, IT_NNA_FADE = 3 };

struct ItInstrument {
    std::string name;                      // up to 25 characters
    ItNewNoteAction newNoteAction = IT_NNA_CUT;
    uint16_t fadeOut = 0;                  // 0-1024 per tick after note off
    uint8_t globalVolume = 128;            // 0-128
    int defaultPan = -1;                   // 0-64, or -1 = channel pan
    // Keyboard: for each of the 120 notes the sample (1-based, 0 = silent)
    // and the note it is played at. itMapAllNotes fills it plainly.
    uint8_t sampleForNote[IT_NOTES] = {};
    uint8_t playedNote[IT_NOTES] = {};
    ItEnvelope volumeEnvelope;
};

struct ItModule {
    std::string songName;                  // up to 25 characters
    int channels = 1;                      // 1-64 channels in every pattern
    uint8_t initialSpeed = 6;              // ticks per row
    uint8_t initialTempo = 125;            // 32-255
    uint8_t globalVolume = 128;            // 0-128
    uint8_t mixVolume = 48;                // 0-128
    uint8_t panSeparation = 128;           // 0-128
    uint8_t channelPan[IT_MAX_CHANNELS];   // 0-64 per channel (32 = centre)
    uint8_t channelVolume[IT_MAX_CHANNELS];// 0-64 per channel
    std::vector<uint8_t> orders;           // pattern numbers or IT_ORDER_SKIP; the end marker is added
    std::vector<ItInstrument> instruments;
    std::vector<ItSample> samples;
    std::vector<ItPattern> patterns;

    ItModule() {
        for (int c = 0; c < IT_MAX_CHANNELS; ++c) {
            channelPan[c] = 32;
            channelVolume[c] = 64;
        }
    }
};

// Every note plays `sample` at its own pitch.
void itMapAllNotes(ItInstrument& instrument, uint8_t sample);

// An all-empty pattern of `rows` rows for `channels` channels.
ItPattern itEmptyPattern(int rows, int channels);

// The cell (row, channel) of a pattern laid out for `channels` channels.
inline ItCell& itCell(ItPattern& p, int channels, int row, int channel) {
    return p.cells[size_t(row) * size_t(channels) + size_t(channel)];
}

// Checks the record and writes the file into `out` (replacing its contents).
// On bad input returns false with a message naming the first fault in
// `error` and leaves `out` empty.
bool writeItModule(const ItModule& module, std::vector<uint8_t>& out, std::string& error);
