// Writes small Impulse Tracker modules into the player's seed corpus: six
// instruments on two samples (one looped), notes with and without an
// instrument and a volume column, note off and cut, speed and tempo changes,
// a pattern break, a skipped order and a jump back that ends the song.
// Usage: seed_modules <folder>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/itwriter/itwriter.h"

namespace {
ItSample tone(bool loop) {
    ItSample s;
    s.data.resize(800);
    for (size_t i = 0; i < s.data.size(); ++i) s.data[i] = int16_t(8000.0 * std::sin(double(i) * 0.1));
    s.defaultVolume = loop ? 20 : 48;
    s.loop = loop;
    s.loopEnd = loop ? 800 : 0;
    return s;
}

bool write(const ItModule& m, const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    FILE* f = writeItModule(m, bytes, error) ? std::fopen(path.c_str(), "wb") : nullptr;
    if (!f) return std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str()), false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: seed_modules <folder>\n"), 2;
    ItModule m;
    m.channels = 3;
    m.initialSpeed = 3;
    m.samples = {tone(false), tone(true)};
    for (int i = 0; i < 6; ++i) {
        ItInstrument in;
        itMapAllNotes(in, uint8_t(1 + i % 2));
        m.instruments.push_back(in);
    }
    ItPattern p = itEmptyPattern(16, 3);
    for (int r = 0; r < 12; ++r) itCell(p, 3, r, 0) = ItCell{uint8_t(60 + r % 3), uint8_t(1 + r % 6), uint8_t(r * 5)};
    itCell(p, 3, 1, 1) = ItCell{48, 0, IT_VOLUME_NONE, IT_FX_SET_TEMPO, 200};
    itCell(p, 3, 2, 1) = ItCell{IT_NOTE_OFF, 4};
    itCell(p, 3, 3, 1) = ItCell{IT_NOTE_CUT, 5, 32, IT_FX_SET_SPEED, 1};
    itCell(p, 3, 12, 2) = ItCell{72, 6, 20, IT_FX_PATTERN_BREAK, 2};
    ItPattern q = itEmptyPattern(4, 3);
    itCell(q, 3, 0, 0) = ItCell{60, 1, 10};
    itCell(q, 3, 3, 2) = ItCell{IT_NOTE_NONE, 0, IT_VOLUME_NONE, IT_FX_JUMP_ORDER, 0};
    m.patterns = {p, q};
    m.orders = {0, IT_ORDER_SKIP, 1};
    bool ok = write(m, std::string(argv[1]) + "/small.it");
    m.orders = {1, 0};
    m.initialTempo = 32;
    ok = write(m, std::string(argv[1]) + "/slow.it") && ok;
    return ok ? 0 : 1;
}
