#pragma once
// Small Impulse Tracker modules for the player and music tests, and libopenmpt's
// own account of where each row starts, read one frame at a time.
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/itwriter/itwriter.h"

// A decaying tone, so the mix is not silent.
inline ItSample testSample(uint8_t defaultVolume) {
    ItSample s;
    s.data.resize(3000);
    for (size_t i = 0; i < s.data.size(); ++i)
        s.data[i] = int16_t(9000.0 * std::sin(double(i) * 0.07) * (1.0 - double(i) / 3000.0));
    s.defaultVolume = defaultVolume;
    return s;
}

// An instrument that plays `low` below C-5 and `high` from C-5 up.
inline ItInstrument splitInstrument(uint8_t low, uint8_t high) {
    ItInstrument in;
    itMapAllNotes(in, low);
    for (int n = 60; n < IT_NOTES; ++n) in.sampleForNote[n] = high;
    return in;
}

inline ItCell noteCell(uint8_t note, uint8_t instrument, uint8_t volume = IT_VOLUME_NONE) {
    ItCell c;
    c.note = note;
    c.instrument = instrument;
    c.volume = volume;
    return c;
}

inline ItCell effectCell(uint8_t effect, uint8_t param) {
    ItCell c;
    c.effect = effect;
    c.param = param;
    return c;
}

inline std::vector<uint8_t> moduleBytes(const ItModule& m) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!writeItModule(m, bytes, error)) bytes.clear();
    return bytes;
}

struct ReferenceRow {
    int64_t frame;  // first frame of the row
    int order;
    int row;
};

// Every row start as libopenmpt reports it when it renders one frame per call,
// and the song's length in frames.
inline std::vector<ReferenceRow> referenceRows(const std::vector<uint8_t>& bytes, int rate, int64_t* length) {
    std::vector<ReferenceRow> rows;
    *length = 0;
    openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!m) return rows;
    openmpt_module_ctl_set_text(m, "play.at_end", "stop");
    openmpt_module_ctl_set_integer(m, "dither", 0);
    int16_t frame[2];
    int64_t n = 0;
    while (openmpt_module_read_interleaved_stereo(m, rate, 1, frame) == 1) {
        int order = openmpt_module_get_current_order(m);
        int row = openmpt_module_get_current_row(m);
        if (rows.empty() || rows.back().order != order || rows.back().row != row) rows.push_back({n, order, row});
        ++n;
    }
    openmpt_module_destroy(m);
    *length = n;
    return rows;
}

// The row that frame belongs to (the last row starting at or before it).
inline const ReferenceRow* referenceRowAt(const std::vector<ReferenceRow>& rows, int64_t frame) {
    const ReferenceRow* found = nullptr;
    for (const ReferenceRow& r : rows) {
        if (r.frame > frame) break;
        found = &r;
    }
    return found;
}

inline uint32_t packedPosition(int order, int row) { return uint32_t(order) | uint32_t(row) << 16; }
