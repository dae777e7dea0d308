// Plays a module through libopenmpt with its default settings, as the show
// does, at 44100 Hz stereo, and writes 16-bit WAV:
//   render_module <module> <output.wav>
// Prints the length, peak, DC offset, clipped samples and the level of each
// order, so a mix can be judged by numbers as well as by ear.
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/wav/wav_file.h"

namespace {

constexpr int RATE = 44100;
constexpr size_t CHUNK = 441;  // 10 ms, fine enough to attribute audio to orders

double dB(double v) { return v > 0 ? 20 * std::log10(v) : -999.0; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: render_module <module> <output.wav>\n");
        return 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "render_module: cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> file;
    unsigned char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, in)) > 0) file.insert(file.end(), buf, buf + got);
    std::fclose(in);

    int error = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(file.data(), file.size(), openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_ignore, nullptr, &error,
                                                             nullptr, nullptr);
    if (!mod) {
        std::fprintf(stderr, "render_module: %s is not a module libopenmpt can read (error %d)\n", argv[1], error);
        return 1;
    }

    std::vector<float> audio;
    // Per order: overall level, and the share below 150 Hz and above 2 kHz
    // (one-pole splits, left channel), to tell the sections apart by numbers.
    struct OrderLevel {
        double sum = 0, low = 0, high = 0, peak = 0;
        size_t frames = 0;
    };
    const double lowCoef = 1 - std::exp(-2 * M_PI * 150.0 / RATE), highCoef = 1 - std::exp(-2 * M_PI * 2000.0 / RATE);
    double lowState = 0, highState = 0;
    std::vector<OrderLevel> orders(size_t(openmpt_module_get_num_orders(mod)) + 1);
    float chunk[2 * CHUNK];
    for (;;) {
        const int order = openmpt_module_get_current_order(mod);
        const size_t n = openmpt_module_read_interleaved_float_stereo(mod, RATE, CHUNK, chunk);
        if (n == 0) break;
        audio.insert(audio.end(), chunk, chunk + 2 * n);
        if (order >= 0 && size_t(order) < orders.size()) {
            OrderLevel& o = orders[size_t(order)];
            for (size_t i = 0; i < 2 * n; ++i) {
                o.sum += double(chunk[i]) * chunk[i];
                o.peak = std::fmax(o.peak, std::fabs(chunk[i]));
                if (i % 2) continue;
                lowState += lowCoef * (chunk[i] - lowState);
                highState += highCoef * (chunk[i] - highState);
                o.low += lowState * lowState;
                o.high += (chunk[i] - highState) * (chunk[i] - highState);
            }
            o.frames += n;
        }
    }
    openmpt_module_destroy(mod);

    double peak = 0, dc[2] = {0, 0};
    size_t clipped = 0, peakAt = 0;
    std::vector<int16_t> pcm;
    const size_t frames = audio.size() / 2;
    pcm.reserve(audio.size());
    for (size_t i = 0; i < audio.size(); ++i) {
        const double v = audio[i];
        if (std::fabs(v) > peak) peak = std::fabs(v), peakAt = i / 2;
        dc[i & 1] += v;
        long s = std::lround(v * 32767.0);
        if (s > 32767 || s < -32768) ++clipped, s = s > 0 ? 32767 : -32768;
        pcm.push_back(static_cast<int16_t>(s));
    }
    if (!writeFileBytes(argv[2], stereoWav16(pcm, RATE))) {
        std::fprintf(stderr, "render_module: cannot write %s\n", argv[2]);
        return 1;
    }

    std::printf("length %.2f s, %zu bytes in\n", double(frames) / RATE, file.size());
    std::printf("peak %.2f dBFS at %.3f s, clipped samples %zu\n", dB(peak), double(peakAt) / RATE, clipped);
    std::printf("DC offset left %.6f right %.6f\n", frames ? dc[0] / frames : 0.0, frames ? dc[1] / frames : 0.0);
    for (size_t o = 0; o < orders.size(); ++o) {
        if (!orders[o].frames) continue;
        const double n = double(orders[o].frames);
        std::printf("order %2zu: %5.2f s  rms %6.1f  <150 Hz %6.1f  >2 kHz %6.1f  peak %6.1f dBFS\n", o, n / RATE,
                    dB(std::sqrt(orders[o].sum / (2 * n))), dB(std::sqrt(orders[o].low / n)),
                    dB(std::sqrt(orders[o].high / n)), dB(orders[o].peak));
    }
    return 0;
}
