// Impulse Tracker file layout (all little-endian):
//   192-byte header "IMPM", order list, offset tables of instruments, sample
//   headers and patterns, then the instruments (554 bytes each), the sample
//   headers (80 bytes each), the packed patterns and the sample data.
#include "tools/itwriter/itwriter.h"

#include <cstring>

namespace {

constexpr size_t HEADER_BYTES = 0xC0;
constexpr size_t INSTRUMENT_BYTES = 554;
constexpr size_t SAMPLE_HEADER_BYTES = 80;
constexpr size_t PATTERN_HEADER_BYTES = 8;
constexpr uint16_t FORMAT_VERSION = 0x0214;  // the format level of IT 2.14
constexpr uint32_t MAX_SAMPLE_FRAMES = 1u << 24;
constexpr uint8_t ORDER_END = 255;

void put8(std::vector<uint8_t>& b, size_t at, uint8_t v) { b[at] = v; }
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void putText(std::vector<uint8_t>& b, size_t at, const std::string& s, size_t field) {
    // The field keeps a terminating zero; the caller has checked the length.
    std::memcpy(&b[at], s.data(), s.size() < field ? s.size() : field - 1);
}

bool fail(std::string& error, const std::string& what) {
    error = what;
    return false;
}

bool validNote(uint8_t n) {
    return n < IT_NOTES || n == IT_NOTE_NONE || n == IT_NOTE_FADE || n == IT_NOTE_CUT || n == IT_NOTE_OFF;
}

bool checkEnvelope(const ItEnvelope& e, const std::string& where, std::string& error) {
    if (e.nodes.empty()) {
        if (e.sustainStart >= 0 || e.sustainEnd >= 0) return fail(error, where + ": sustain without nodes");
        return true;
    }
    if (e.nodes.size() < 2 || e.nodes.size() > 25) return fail(error, where + ": needs 2 to 25 nodes");
    for (size_t i = 0; i < e.nodes.size(); ++i) {
        if (e.nodes[i].value < 0 || e.nodes[i].value > 64) return fail(error, where + ": node value outside 0-64");
        if (i == 0 && e.nodes[i].tick != 0) return fail(error, where + ": first node must be at tick 0");
        if (i > 0 && e.nodes[i].tick <= e.nodes[i - 1].tick) return fail(error, where + ": node ticks must rise");
    }
    const int n = int(e.nodes.size());
    if ((e.sustainStart < 0) != (e.sustainEnd < 0)) return fail(error, where + ": sustain needs start and end");
    if (e.sustainStart >= 0 && (e.sustainStart > e.sustainEnd || e.sustainEnd >= n))
        return fail(error, where + ": sustain nodes out of range");
    return true;
}

bool checkModule(const ItModule& m, std::string& error) {
    if (m.songName.size() > 25) return fail(error, "song name longer than 25 characters");
    if (m.channels < 1 || m.channels > IT_MAX_CHANNELS) return fail(error, "channels must be 1 to 64");
    if (m.initialSpeed < 1) return fail(error, "speed must be at least 1");
    if (m.initialTempo < 32) return fail(error, "tempo must be 32 to 255");
    if (m.globalVolume > 128 || m.mixVolume > 128 || m.panSeparation > 128)
        return fail(error, "global volume, mix volume and separation are 0-128");
    for (int c = 0; c < IT_MAX_CHANNELS; ++c)
        if (m.channelPan[c] > 64 || m.channelVolume[c] > 64)
            return fail(error, "channel " + std::to_string(c) + ": pan and volume are 0-64");
    if (m.orders.size() > size_t(IT_MAX_ORDERS)) return fail(error, "more than 255 orders");
    if (m.patterns.size() > size_t(IT_MAX_PATTERNS)) return fail(error, "more than 200 patterns");
    if (m.instruments.size() > size_t(IT_MAX_INSTRUMENTS)) return fail(error, "more than 99 instruments");
    if (m.samples.size() > size_t(IT_MAX_SAMPLES)) return fail(error, "more than 99 samples");
    for (size_t i = 0; i < m.orders.size(); ++i)
        if (m.orders[i] != IT_ORDER_SKIP && m.orders[i] >= m.patterns.size())
            return fail(error, "order " + std::to_string(i) + " names a missing pattern");

    for (size_t s = 0; s < m.samples.size(); ++s) {
        const ItSample& x = m.samples[s];
        const std::string where = "sample " + std::to_string(s + 1);
        if (x.name.size() > 25) return fail(error, where + ": name longer than 25 characters");
        if (x.data.size() > MAX_SAMPLE_FRAMES) return fail(error, where + ": too long");
        if (x.c5Speed < 1 || x.c5Speed > 9999999) return fail(error, where + ": C-5 speed out of range");
        if (x.defaultVolume > 64 || x.globalVolume > 64) return fail(error, where + ": volumes are 0-64");
        if (x.defaultPan < -1 || x.defaultPan > 64) return fail(error, where + ": pan is 0-64 or -1");
        if (x.loop && (x.loopStart >= x.loopEnd || x.loopEnd > x.data.size()))
            return fail(error, where + ": loop outside the sample");
        if (x.vibratoSpeed > 64 || x.vibratoDepth > 64 || x.vibratoRate > 64 || x.vibratoWave > 3)
            return fail(error, where + ": vibrato speed, depth, rate are 0-64, waveform 0-3");
    }
    for (size_t i = 0; i < m.instruments.size(); ++i) {
        const ItInstrument& x = m.instruments[i];
        const std::string where = "instrument " + std::to_string(i + 1);
        if (x.name.size() > 25) return fail(error, where + ": name longer than 25 characters");
        if (x.newNoteAction > IT_NNA_FADE) return fail(error, where + ": unknown new note action");
        if (x.fadeOut > 1024) return fail(error, where + ": fade-out is 0-1024");
        if (x.globalVolume > 128) return fail(error, where + ": global volume is 0-128");
        if (x.defaultPan < -1 || x.defaultPan > 64) return fail(error, where + ": pan is 0-64 or -1");
        for (int n = 0; n < IT_NOTES; ++n) {
            if (x.sampleForNote[n] > m.samples.size()) return fail(error, where + ": keyboard names a missing sample");
            if (x.playedNote[n] >= IT_NOTES) return fail(error, where + ": keyboard note outside 0-119");
        }
        if (!checkEnvelope(x.volumeEnvelope, where + " volume envelope", error)) return false;
    }
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const ItPattern& x = m.patterns[p];
        const std::string where = "pattern " + std::to_string(p);
        if (x.rows < 1 || x.rows > IT_MAX_ROWS) return fail(error, where + ": rows must be 1 to 200");
        if (x.cells.size() != size_t(x.rows) * size_t(m.channels))
            return fail(error, where + ": cell count is not rows x channels");
        for (size_t k = 0; k < x.cells.size(); ++k) {
            const ItCell& c = x.cells[k];
            const std::string at = where + " row " + std::to_string(k / size_t(m.channels)) + " channel " +
                                   std::to_string(k % size_t(m.channels));
            if (!validNote(c.note)) return fail(error, at + ": note is neither 0-119 nor off, cut or fade");
            if (c.instrument > m.instruments.size()) return fail(error, at + ": missing instrument");
            if (c.volume > 64 && c.volume != IT_VOLUME_NONE) return fail(error, at + ": volume outside 0-64");
            if (c.effect > 26) return fail(error, at + ": effect is not a letter A-Z");
            if (c.effect == 0 && c.param != 0) return fail(error, at + ": parameter without an effect");
        }
    }
    return true;
}

// Packs one pattern: per cell a channel byte, a mask when it differs from the
// channel's previous one, then only the fields that differ from the channel's
// previous values (the reader keeps both per channel, reset at each pattern).
std::vector<uint8_t> packPattern(const ItPattern& p, int channels) {
    struct Last {
        int mask = -1, note = -1, instrument = -1, volume = -1, effect = -1, param = -1;
    };
    Last last[IT_MAX_CHANNELS];
    std::vector<uint8_t> out;
    for (int r = 0; r < p.rows; ++r) {
        for (int ch = 0; ch < channels; ++ch) {
            const ItCell& c = p.cells[size_t(r) * size_t(channels) + size_t(ch)];
            Last& l = last[ch];
            uint8_t mask = 0;
            if (c.note != IT_NOTE_NONE) mask |= (c.note == l.note) ? 0x10 : 0x01;
            if (c.instrument != 0) mask |= (c.instrument == l.instrument) ? 0x20 : 0x02;
            if (c.volume != IT_VOLUME_NONE) mask |= (c.volume == l.volume) ? 0x40 : 0x04;
            if (c.effect != 0) mask |= (c.effect == l.effect && c.param == l.param) ? 0x80 : 0x08;
            if (mask == 0) continue;
            if (mask == l.mask) {
                out.push_back(uint8_t(ch + 1));
            } else {
                out.push_back(uint8_t((ch + 1) | 0x80));
                out.push_back(mask);
                l.mask = mask;
            }
            if (mask & 0x01) {
                out.push_back(c.note);
                l.note = c.note;
            }
            if (mask & 0x02) {
                out.push_back(c.instrument);
                l.instrument = c.instrument;
            }
            if (mask & 0x04) {
                out.push_back(c.volume);
                l.volume = c.volume;
            }
            if (mask & 0x08) {
                out.push_back(c.effect);
                out.push_back(c.param);
                l.effect = c.effect;
                l.param = c.param;
            }
        }
        out.push_back(0);  // end of row
    }
    return out;
}

void writeEnvelope(std::vector<uint8_t>& b, size_t at, const ItEnvelope& e) {
    // flags, node count, loop start/end, sustain start/end, 25 nodes of (value, tick), reserved
    if (e.nodes.empty()) return;
    uint8_t flags = 0x01;
    if (e.sustainStart >= 0) flags |= 0x04;
    put8(b, at, flags);
    put8(b, at + 1, uint8_t(e.nodes.size()));
    if (e.sustainStart >= 0) {
        put8(b, at + 4, uint8_t(e.sustainStart));
        put8(b, at + 5, uint8_t(e.sustainEnd));
    }
    for (size_t i = 0; i < e.nodes.size(); ++i) {
        put8(b, at + 6 + 3 * i, uint8_t(e.nodes[i].value));
        put16(b, at + 7 + 3 * i, e.nodes[i].tick);
    }
}

void writeInstrument(std::vector<uint8_t>& b, size_t at, const ItInstrument& x) {
    std::memcpy(&b[at], "IMPI", 4);
    put8(b, at + 0x11, x.newNoteAction);
    put16(b, at + 0x14, x.fadeOut);
    put8(b, at + 0x18, x.globalVolume);
    put8(b, at + 0x19, x.defaultPan < 0 ? 32 | 0x80 : uint8_t(x.defaultPan));  // bit 7: pan not used
    put16(b, at + 0x1C, FORMAT_VERSION);
    uint8_t used[IT_MAX_SAMPLES + 1] = {};
    int samplesUsed = 0;
    for (int n = 0; n < IT_NOTES; ++n)
        if (x.sampleForNote[n] && !used[x.sampleForNote[n]]) used[x.sampleForNote[n]] = 1, ++samplesUsed;
    put8(b, at + 0x1E, uint8_t(samplesUsed));
    putText(b, at + 0x20, x.name, 26);
    put8(b, at + 0x3D, 0xFF);      // no MIDI program
    put16(b, at + 0x3E, 0xFFFF);   // no MIDI bank
    for (int n = 0; n < IT_NOTES; ++n) {
        put8(b, at + 0x40 + 2 * size_t(n), x.playedNote[n]);
        put8(b, at + 0x41 + 2 * size_t(n), x.sampleForNote[n]);
    }
    writeEnvelope(b, at + 0x130, x.volumeEnvelope);  // pan and pitch envelopes stay off (zero)
}

void writeSampleHeader(std::vector<uint8_t>& b, size_t at, const ItSample& x, uint32_t dataOffset) {
    std::memcpy(&b[at], "IMPS", 4);
    put8(b, at + 0x11, x.globalVolume);
    uint8_t flags = 0;
    if (!x.data.empty()) flags |= 0x01 | 0x02;  // has data, 16-bit
    if (x.loop) flags |= 0x10;
    put8(b, at + 0x12, flags);
    put8(b, at + 0x13, x.defaultVolume);
    putText(b, at + 0x14, x.name, 26);
    put8(b, at + 0x2E, 0x01);  // signed data
    put8(b, at + 0x2F, x.defaultPan < 0 ? 32 : uint8_t(0x80 | x.defaultPan));  // bit 7: pan used
    put32(b, at + 0x30, uint32_t(x.data.size()));
    put32(b, at + 0x34, x.loop ? x.loopStart : 0);
    put32(b, at + 0x38, x.loop ? x.loopEnd : 0);
    put32(b, at + 0x3C, x.c5Speed);
    put32(b, at + 0x48, x.data.empty() ? 0 : dataOffset);
    put8(b, at + 0x4C, x.vibratoSpeed);
    put8(b, at + 0x4D, x.vibratoDepth);
    put8(b, at + 0x4E, x.vibratoRate);
    put8(b, at + 0x4F, x.vibratoWave);
}

}  // namespace

void itMapAllNotes(ItInstrument& instrument, uint8_t sample) {
    for (int n = 0; n < IT_NOTES; ++n) {
        instrument.sampleForNote[n] = sample;
        instrument.playedNote[n] = uint8_t(n);
    }
}

ItPattern itEmptyPattern(int rows, int channels) {
    ItPattern p;
    p.rows = rows;
    p.cells.assign(size_t(rows > 0 ? rows : 0) * size_t(channels > 0 ? channels : 0), ItCell{});
    return p;
}

bool writeItModule(const ItModule& m, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    if (!checkModule(m, error)) return false;

    std::vector<std::vector<uint8_t>> packed;
    packed.reserve(m.patterns.size());
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        packed.push_back(packPattern(m.patterns[p], m.channels));
        if (packed.back().size() > 0xFFFF)
            return fail(error, "pattern " + std::to_string(p) + ": packed data over 64 KiB");
    }

    const size_t orderCount = m.orders.size() + 1;
    const size_t insCount = m.instruments.size(), smpCount = m.samples.size(), patCount = m.patterns.size();
    size_t at = HEADER_BYTES + orderCount + 4 * (insCount + smpCount + patCount);
    const size_t insAt = at;
    at += INSTRUMENT_BYTES * insCount;
    const size_t smpAt = at;
    at += SAMPLE_HEADER_BYTES * smpCount;
    std::vector<size_t> patAt(patCount);
    for (size_t p = 0; p < patCount; ++p) {
        patAt[p] = at;
        at += PATTERN_HEADER_BYTES + packed[p].size();
    }
    std::vector<size_t> dataAt(smpCount);
    for (size_t s = 0; s < smpCount; ++s) {
        dataAt[s] = at;
        at += 2 * m.samples[s].data.size();
    }
    if (at > 0xFFFFFFFFu) return fail(error, "module larger than 4 GiB");

    std::vector<uint8_t> b(at, 0);
    std::memcpy(&b[0], "IMPM", 4);
    putText(b, 0x04, m.songName, 26);
    put8(b, 0x1E, 4);   // row highlights: beat, bar
    put8(b, 0x1F, 16);
    put16(b, 0x20, uint16_t(orderCount));
    put16(b, 0x22, uint16_t(insCount));
    put16(b, 0x24, uint16_t(smpCount));
    put16(b, 0x26, uint16_t(patCount));
    put16(b, 0x28, FORMAT_VERSION);
    put16(b, 0x2A, FORMAT_VERSION);
    put16(b, 0x2C, 0x01 | 0x04 | 0x08);  // stereo, instrument mode, linear slides
    put8(b, 0x30, m.globalVolume);
    put8(b, 0x31, m.mixVolume);
    put8(b, 0x32, m.initialSpeed);
    put8(b, 0x33, m.initialTempo);
    put8(b, 0x34, m.panSeparation);
    for (int c = 0; c < IT_MAX_CHANNELS; ++c) {
        // Channels beyond the pattern width are switched off (bit 7).
        put8(b, 0x40 + size_t(c), uint8_t(m.channelPan[c] | (c < m.channels ? 0 : 0x80)));
        put8(b, 0x80 + size_t(c), m.channelVolume[c]);
    }
    for (size_t i = 0; i < m.orders.size(); ++i) put8(b, HEADER_BYTES + i, m.orders[i]);
    put8(b, HEADER_BYTES + m.orders.size(), ORDER_END);

    size_t table = HEADER_BYTES + orderCount;
    for (size_t i = 0; i < insCount; ++i, table += 4) put32(b, table, uint32_t(insAt + INSTRUMENT_BYTES * i));
    for (size_t s = 0; s < smpCount; ++s, table += 4) put32(b, table, uint32_t(smpAt + SAMPLE_HEADER_BYTES * s));
    for (size_t p = 0; p < patCount; ++p, table += 4) put32(b, table, uint32_t(patAt[p]));

    for (size_t i = 0; i < insCount; ++i) writeInstrument(b, insAt + INSTRUMENT_BYTES * i, m.instruments[i]);
    for (size_t s = 0; s < smpCount; ++s)
        writeSampleHeader(b, smpAt + SAMPLE_HEADER_BYTES * s, m.samples[s], uint32_t(dataAt[s]));
    for (size_t p = 0; p < patCount; ++p) {
        put16(b, patAt[p], uint16_t(packed[p].size()));
        put16(b, patAt[p] + 2, uint16_t(m.patterns[p].rows));
        if (!packed[p].empty()) std::memcpy(&b[patAt[p] + PATTERN_HEADER_BYTES], packed[p].data(), packed[p].size());
    }
    for (size_t s = 0; s < smpCount; ++s) {
        const std::vector<int16_t>& d = m.samples[s].data;
        for (size_t i = 0; i < d.size(); ++i) put16(b, dataAt[s] + 2 * i, uint16_t(d[i]));
    }
    out.swap(b);
    return true;
}
