#pragma once
// Test helpers for the embedded module: a libopenmpt handle on it, and a
// small reader of the Impulse Tracker headers for what libopenmpt does not
// report (sample default volumes, keyboard tables, sample data).
#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/assets.h"

namespace modulefile {

struct ModuleFree {
    void operator()(openmpt_module* m) const { openmpt_module_destroy(m); }
};
using Module = std::unique_ptr<openmpt_module, ModuleFree>;

// A pattern cell field as libopenmpt prints it ("C-5", "C" for a pattern
// break), copied out of the library's string.
inline std::string formatted(openmpt_module* m, int pattern, int row, int channel, int what) {
    const char* text = openmpt_module_format_pattern_row_channel_command(m, pattern, row, channel, what);
    std::string out = text ? text : "";
    openmpt_free_string(text);
    return out;
}

inline Module loadShowModule() {
    return Module(openmpt_module_create_from_memory2(musicModule, musicModuleSize, openmpt_log_func_silent, nullptr,
                                                     openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr));
}

// Little-endian reads that return 0 past the end, so a broken file fails the
// checks instead of reading out of bounds.
inline unsigned byteAt(size_t at) { return at < musicModuleSize ? musicModule[at] : 0u; }
inline unsigned u16At(size_t at) { return byteAt(at) | byteAt(at + 1) << 8; }
inline uint32_t u32At(size_t at) { return u16At(at) | uint32_t(u16At(at + 2)) << 16; }

struct SampleHeader {
    bool present = false;  // "IMPS" found at its offset
    unsigned flags = 0, defaultVolume = 0;
    uint32_t length = 0, loopStart = 0, loopEnd = 0, dataAt = 0;
    int16_t frame(uint32_t i) const { return int16_t(u16At(dataAt + 2 * size_t(i))); }
};

struct ModuleHeaders {
    unsigned orderCount = 0, instrumentCount = 0, sampleCount = 0, patternCount = 0;
    std::vector<unsigned> orders;
    // keyboard[i][note] = 1-based sample that instrument i + 1 plays at IT note `note`.
    std::vector<std::vector<unsigned>> keyboard;
    std::vector<SampleHeader> samples;
};

inline ModuleHeaders readHeaders() {
    ModuleHeaders h;
    h.orderCount = u16At(0x20);
    h.instrumentCount = u16At(0x22);
    h.sampleCount = u16At(0x24);
    h.patternCount = u16At(0x26);
    for (unsigned i = 0; i < h.orderCount; ++i) h.orders.push_back(byteAt(0xC0 + i));
    const size_t tables = 0xC0 + h.orderCount;
    for (unsigned i = 0; i < h.instrumentCount; ++i) {
        const size_t at = u32At(tables + 4 * i);
        std::vector<unsigned> map(120, 0);
        if (at + 0x40 + 240 <= musicModuleSize && std::memcmp(musicModule + at, "IMPI", 4) == 0)
            for (int n = 0; n < 120; ++n) map[size_t(n)] = byteAt(at + 0x41 + 2 * size_t(n));
        h.keyboard.push_back(map);
    }
    for (unsigned s = 0; s < h.sampleCount; ++s) {
        const size_t at = u32At(tables + 4 * (h.instrumentCount + s));
        SampleHeader x;
        if (at + 0x50 <= musicModuleSize && std::memcmp(musicModule + at, "IMPS", 4) == 0) {
            x.present = true;
            x.flags = byteAt(at + 0x12);
            x.defaultVolume = byteAt(at + 0x13);
            x.length = u32At(at + 0x30);
            x.loopStart = u32At(at + 0x34);
            x.loopEnd = u32At(at + 0x38);
            x.dataAt = u32At(at + 0x48);
        }
        h.samples.push_back(x);
    }
    return h;
}

}  // namespace modulefile
