// Sample synthesis. Everything is computed from fixed seeds and formulas, so
// the same build makes the same bytes.
#include "tools/make_module/sounds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double RATE = 44100.0;
constexpr double TAU = 6.283185307179586;

// xorshift32 white noise in [-1, 1).
struct Noise {
    uint32_t state;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

// Biquad sections after the well-known audio-EQ cookbook forms.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

enum FilterKind { LOW_PASS, HIGH_PASS, BAND_PASS };

Biquad filter(FilterKind kind, double hz, double q, double rate) {
    const double w = TAU * hz / rate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    double b0, b1, b2;
    switch (kind) {
    case LOW_PASS: b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2; break;
    case HIGH_PASS: b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2; break;
    default: b0 = alpha, b1 = 0, b2 = -alpha; break;
    }
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0 = b0 / a0;
    f.b1 = b1 / a0;
    f.b2 = b2 / a0;
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

// Six detuned square waves: the metallic core of hats and cymbals.
double metal(double t, double scale) {
    static const double partials[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double v = 0;
    for (double f : partials) v += std::sin(TAU * f * scale * t) >= 0 ? 1.0 : -1.0;
    return v / 6;
}

// Removes DC (a 20 Hz high-pass), normalises, fades the last `fadeSeconds`
// to zero (so a one-shot never ends on a step) and converts to 16 bits.
ItSample oneShot(const char* name, std::vector<double> x, double rate, double fadeSeconds, uint8_t volume,
                 uint8_t globalVolume) {
    const double r = std::exp(-TAU * 20 / rate);
    double previous = 0, y = 0;
    for (double& v : x) {
        y = v - previous + r * y;
        previous = v;
        v = y;
    }
    double top = 0;
    for (double v : x) top = std::max(top, std::fabs(v));
    const size_t fade = std::min(x.size(), size_t(fadeSeconds * rate));
    for (size_t i = 0; i < fade; ++i) x[x.size() - 1 - i] *= double(i) / double(fade);
    ItSample s;
    s.name = name;
    s.c5Speed = uint32_t(rate);
    s.defaultVolume = volume;
    s.globalVolume = globalVolume;
    s.data.resize(x.size());
    for (size_t i = 0; i < x.size(); ++i) s.data[i] = int16_t(std::lround(x[i] / top * 32000.0));
    return s;
}

std::vector<double> frames(double seconds, double rate) { return std::vector<double>(size_t(seconds * rate)); }

ItSample kick() {
    std::vector<double> x = frames(0.42, RATE);
    Noise n{0x1234567u};
    Biquad clickTone = filter(LOW_PASS, 3500, 0.7, RATE);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        phase += TAU * (52 + 115 * std::exp(-t / 0.03) + 60 * std::exp(-t / 0.004)) / RATE;
        const double body = std::sin(phase) * (1 - std::exp(-t / 0.0008)) * std::exp(-t / 0.15);
        const double click = clickTone.run(n.next()) * std::exp(-t / 0.0025);
        x[i] = std::tanh(1.6 * body) + 0.35 * click;
    }
    return oneShot("kick", x, RATE, 0.02, 64, 44);
}

ItSample snare() {
    std::vector<double> x = frames(0.32, RATE);
    Noise n{0x2468aceu};
    Biquad hp = filter(HIGH_PASS, 1400, 0.7, RATE), tone = filter(LOW_PASS, 9000, 0.7, RATE);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        const double body = 0.6 * std::sin(TAU * 185 * t) * std::exp(-t / 0.045) +
                            0.3 * std::sin(TAU * 330 * t) * std::exp(-t / 0.03);
        const double rattle = tone.run(hp.run(n.next())) * std::exp(-t / 0.085);
        x[i] = (body + 0.9 * rattle) * (1 - std::exp(-t / 0.0005));
    }
    // Soft clipping thickens the body against the crack: more snare for the same peak.
    double top = 0;
    for (double v : x) top = std::max(top, std::fabs(v));
    for (double& v : x) v = std::tanh(2.5 * v / top);
    return oneShot("snare", x, RATE, 0.02, 56, 46);
}

ItSample hat(const char* name, double seconds, double decay, uint32_t seed, uint8_t globalVolume) {
    std::vector<double> x = frames(seconds, RATE);
    Noise n{seed};
    Biquad band = filter(BAND_PASS, 9000, 0.8, RATE), hp = filter(HIGH_PASS, 6500, 0.7, RATE);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        const double v = hp.run(band.run(0.6 * metal(t, 1.7) + 0.5 * n.next()));
        x[i] = v * std::exp(-t / decay) * (1 - std::exp(-t / 0.0004));
    }
    return oneShot(name, x, RATE, 0.01, 40, globalVolume);
}

ItSample shaker() {
    std::vector<double> x = frames(0.14, RATE);
    Noise n{0x5eed5u};
    Biquad band = filter(BAND_PASS, 6000, 1.2, RATE);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        const double env = t < 0.006 ? t / 0.006 : std::exp(-(t - 0.006) / 0.035);
        x[i] = band.run(n.next()) * env;
    }
    return oneShot("shaker", x, RATE, 0.01, 48, 44);
}

ItSample block() {
    std::vector<double> x = frames(0.16, RATE);
    Noise n{0xb10cu};
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        x[i] = (std::sin(TAU * 1250 * t) * std::exp(-t / 0.025) + 0.4 * std::sin(TAU * 2810 * t) * std::exp(-t / 0.012) +
                0.15 * n.next() * std::exp(-t / 0.002)) *
               (1 - std::exp(-t / 0.0003));
    }
    return oneShot("block", x, RATE, 0.01, 20, 64);
}

ItSample clap() {
    std::vector<double> x = frames(0.36, RATE);
    Noise n{0xc1a9u};
    Biquad band = filter(BAND_PASS, 1100, 0.9, RATE), hp = filter(HIGH_PASS, 500, 0.7, RATE);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        double env = 0;
        for (double start : {0.0, 0.009, 0.018})
            if (t >= start) env += std::exp(-(t - start) / 0.004) * (1 - std::exp(-(t - start) / 0.0003));
        if (t >= 0.027) env += 0.8 * std::exp(-(t - 0.027) / 0.11) * (1 - std::exp(-(t - 0.027) / 0.0005));
        x[i] = hp.run(band.run(n.next())) * env;
    }
    return oneShot("clap", x, RATE, 0.02, 52, 36);
}

ItSample crash() {
    std::vector<double> x = frames(1.7, RATE);
    Noise n{0xc4a54u};
    Biquad hp = filter(HIGH_PASS, 3500, 0.7, RATE), lp = filter(LOW_PASS, 12000, 0.7, RATE);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        const double v = lp.run(hp.run(0.5 * metal(t, 2.3) + 0.35 * metal(t, 3.1) + 0.7 * n.next()));
        x[i] = v * std::exp(-t / 0.55) * (1 - std::exp(-t / 0.001));
    }
    return oneShot("crash", x, RATE, 0.06, 48, 40);
}

ItSample tom() {
    std::vector<double> x = frames(0.55, RATE);
    Noise n{0x70e5u};
    Biquad lp = filter(LOW_PASS, 2500, 0.7, RATE);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / RATE;
        phase += TAU * (110 + 60 * std::exp(-t / 0.05)) / RATE;
        x[i] = (std::sin(phase) * std::exp(-t / 0.18) + 0.25 * lp.run(n.next()) * std::exp(-t / 0.012)) *
               (1 - std::exp(-t / 0.0006));
    }
    return oneShot("tom", x, RATE, 0.03, 52, 40);
}

ItSample impact() {
    // Low content only: half the rate keeps the file small.
    const double rate = RATE / 2;
    std::vector<double> x = frames(1.8, rate);
    Noise n{0x1b9acu};
    Biquad lp = filter(LOW_PASS, 1800, 0.7, rate);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = i / rate;
        phase += TAU * (38 + 70 * std::exp(-t / 0.08)) / rate;
        const double boom = std::tanh(1.4 * std::sin(phase) * std::exp(-t / 0.6));
        x[i] = (boom + 0.5 * lp.run(n.next()) * std::exp(-t / 0.25)) * (1 - std::exp(-t / 0.001));
    }
    return oneShot("impact", x, rate, 0.1, 60, 20);
}

// One partial family of a looped tone: `cycles` periods of the fundamental
// per loop, harmonics 1..count with amplitude level / n, softened above `knee`.
struct Partials {
    int cycles;
    double level;
    int count;
    double knee;
    bool oddOnly;
};

// Sums the partials over one loop of `length` frames; every partial completes
// a whole number of periods, so the loop end meets its start.
ItSample loopedTone(const char* name, int length, int cycles, std::initializer_list<Partials> parts, uint32_t seed,
                    uint8_t volume, uint8_t globalVolume) {
    std::vector<double> x(size_t(length), 0.0);
    Noise phases{seed};
    for (const Partials& p : parts) {
        for (int h = 1; h <= p.count; ++h) {
            if (p.oddOnly && h % 2 == 0) continue;
            const long periods = long(p.cycles) * h;
            if (2 * periods >= length) break;  // keep below the sample's Nyquist
            const double amp = p.level / h / (1 + (h / p.knee) * (h / p.knee));
            const double phase = TAU * (phases.next() + 1) / 2;
            for (int i = 0; i < length; ++i)
                x[size_t(i)] += amp * std::sin(TAU * double(periods % length) * i / length + phase);
        }
    }
    double top = 0;
    for (double v : x) top = std::max(top, std::fabs(v));
    ItSample s;
    s.name = name;
    s.defaultVolume = volume;
    s.globalVolume = globalVolume;
    // The fundamental has `cycles` periods per loop; play it at C5_HZ at note C-5.
    s.c5Speed = uint32_t(std::lround(C5_HZ * length / cycles));
    s.data.resize(size_t(length));
    for (int i = 0; i < length; ++i) s.data[size_t(i)] = int16_t(std::lround(x[size_t(i)] / top * 32000.0));
    s.loop = true;
    s.loopStart = 0;
    s.loopEnd = uint32_t(length);
    return s;
}

// 169 frames hold one period of about C-5 at 44.1 kHz; loops are multiples.
constexpr int PERIOD = 169;

ItSample bass() {
    // Saw with a sub an octave down and a faint slower saw that beats against it.
    return loopedTone("bass", PERIOD * 64, 64,
                      {{64, 1.0, 40, 10, false}, {32, 0.45, 1, 1, false}, {65, 0.3, 24, 8, false}}, 0xba55u, 52, 50);
}

ItSample pad() {
    // Three saws a few cents apart and a soft octave: a slowly moving chorus.
    return loopedTone("pad", PERIOD * 128, 128,
                      {{128, 1.0, 30, 7, false}, {127, 0.9, 30, 7, false}, {129, 0.9, 30, 7, false},
                       {256, 0.35, 15, 4, false}},
                      0x9adu, 44, 32);
}

ItSample lead() {
    // Hollow square with a little saw and a detuned twin; a slight vibrato
    // fades in on held notes.
    ItSample s = loopedTone("lead", PERIOD * 128, 128,
                            {{128, 1.0, 19, 9, true}, {128, 0.35, 16, 8, false}, {129, 0.5, 19, 9, true}}, 0x1eadu,
                            48, 46);
    s.vibratoSpeed = 20;
    s.vibratoDepth = 4;
    s.vibratoRate = 30;
    return s;
}

ItInstrument instrument(const char* name, uint8_t sample, ItNewNoteAction nna,
                        std::initializer_list<ItEnvelopeNode> envelope, int sustain) {
    ItInstrument in;
    in.name = name;
    in.newNoteAction = nna;
    itMapAllNotes(in, sample);
    in.volumeEnvelope.nodes = envelope;
    in.volumeEnvelope.sustainStart = in.volumeEnvelope.sustainEnd = sustain;
    return in;
}

}  // namespace

std::vector<ItSample> makeSamples() {
    ItSample s[INSTRUMENT_COUNT] = {
        kick(), snare(), hat("hat", 0.1, 0.022, 0x4a7u, 56), shaker(), block(), clap(), bass(),
        hat("open hat", 0.5, 0.16, 0x0be7u, 34), pad(), crash(), tom(), lead(), impact(),
    };
    return std::vector<ItSample>(s, s + INSTRUMENT_COUNT);
}

std::vector<ItInstrument> makeInstruments() {
    std::vector<ItInstrument> v;
    const char* names[INSTRUMENT_COUNT] = {"kick", "snare", "hat", "shaker", "block", "clap", "bass",
                                           "open hat", "pad", "crash", "tom", "lead", "impact"};
    for (int i = 1; i <= INSTRUMENT_COUNT; ++i) {
        switch (i) {
        case INS_BASS:
            // Plucked attack settling to a sustain, short release after note off.
            v.push_back(instrument(names[i - 1], uint8_t(i), IT_NNA_OFF, {{0, 64}, {10, 46}, {16, 0}}, 1));
            break;
        case INS_PAD:
            // Slow swell, long release so chord changes overlap.
            v.push_back(instrument(names[i - 1], uint8_t(i), IT_NNA_OFF, {{0, 0}, {14, 64}, {50, 0}}, 1));
            break;
        case INS_LEAD:
            v.push_back(instrument(names[i - 1], uint8_t(i), IT_NNA_OFF, {{0, 0}, {2, 64}, {10, 56}, {18, 0}}, 2));
            break;
        default: {
            // Percussion: the sample's own decay; a new hit cuts the old one.
            ItInstrument in;
            in.name = names[i - 1];
            itMapAllNotes(in, uint8_t(i));
            v.push_back(in);
        }
        }
    }
    return v;
}
