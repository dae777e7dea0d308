// The capture's command line, checked whole, and its --help text.
#include "tools/capture/options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <numeric>

extern "C" {
#include <libavutil/rational.h>
}

namespace {
constexpr int64_t MAX_SECONDS = 24 * 3600;
constexpr int RATE_DECIMALS = 15;       // what 64 bits hold of a rate up to 240
constexpr int64_t RATE_TERMS = 1000000000000000;  // numerator or denominator as typed

const char* const PRESETS[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                               "medium",    "slow",      "slower",   "veryslow", "placebo"};

// A decimal such as "12", "12.5" or ".25" as an exact fraction; false for
// anything else, for more than `decimals` digits after the point or for a
// value above max.
bool parseDecimal(const char* text, int64_t max, int64_t* num, int64_t* den, int decimals = 9) {
    int64_t n = 0, d = 1;
    int digits = 0, fraction = 0;
    bool point = false;
    for (const char* c = text; *c; ++c) {
        if (*c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(*c))) return false;
        if (point) {
            if (++fraction > decimals) return false;
            d *= 10;
        }
        n = n * 10 + (*c - '0');
        ++digits;
        if (n / d > max) return false;
    }
    if (digits == 0) return false;
    if (n > max * d) return false;
    int64_t g = std::gcd(n, d);
    *num = g ? n / g : 0;
    *den = g ? d / g : 1;
    return true;
}

bool parseInt(const char* text, int64_t min, int64_t max, int64_t* value) {
    int64_t num, den;
    if (!parseDecimal(text, max, &num, &den) || den != 1 || num < min) return false;
    *value = num;
    return true;
}

// "60", "29.97", "23.976023976" or "30000/1001": 1 to 240 frames a second.
// A rate whose terms exceed RATE_TERM_LIMIT becomes the nearest one whose
// terms do not, as FFmpeg's rational helpers find it, and approximated says so.
bool parseRate(const char* text, int64_t* num, int64_t* den, bool* approximated) {
    const char* slash = std::strchr(text, '/');
    int64_t n, d;
    if (slash) {
        std::string top(text, size_t(slash - text));
        if (!parseInt(top.c_str(), 1, RATE_TERMS, &n) || !parseInt(slash + 1, 1, RATE_TERMS, &d)) return false;
    } else if (!parseDecimal(text, 240, &n, &d, RATE_DECIMALS)) {
        return false;
    }
    if (n <= 0 || n > 240 * d || n < d) return false;
    int64_t g = std::gcd(n, d);
    n /= g;
    d /= g;
    *approximated = n > RATE_TERM_LIMIT;  // n >= d
    if (*approximated) {
        int rn = 0, rd = 1;
        av_reduce(&rn, &rd, n, d, RATE_TERM_LIMIT);
        n = rn;
        d = rd;
    }
    *num = n;
    *den = d;
    return true;
}

bool parseMoment(const char* text, ShowMoment* moment) {
    if (std::strcmp(text, "end") == 0) {
        moment->kind = ShowMoment::End;
        return true;
    }
    if (std::strncmp(text, "order:", 6) == 0) {
        int64_t order;
        if (!parseInt(text + 6, 0, 255, &order)) return false;
        moment->kind = ShowMoment::Order;
        moment->num = order;
        moment->den = 1;
        return true;
    }
    if (!parseDecimal(text, MAX_SECONDS, &moment->num, &moment->den)) return false;
    moment->kind = ShowMoment::Seconds;
    return true;
}

bool endsWith(const std::string& s, const char* suffix) {
    size_t n = std::strlen(suffix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i]) return false;
    return true;
}

Container containerOf(const std::string& path) {
    if (endsWith(path, ".mp4")) return Container::Mp4;
    if (endsWith(path, ".mkv")) return Container::Mkv;
    if (endsWith(path, ".mov")) return Container::Mov;
    return Container::None;
}

std::string quoted(const char* s) { return std::string("'") + s + "'"; }
}  // namespace

int detailStepOf(int detail) { return 1 << (detail - 1); }

const char* captureUsage() {
    return "usage: vortelan-capture -o FILE [options]\n"
           "       vortelan-capture --contact-sheet FILE.png [options]\n"
           "Records the show to a video file on a virtual clock: every frame at its\n"
           "exact time, the sound sample for sample, faster than real time.\n"
           "\n"
           "  -o, --output FILE       the video; .mp4 (H.264 + AAC), .mkv (H.264 + FLAC)\n"
           "                          or .mov (H.264 + AAC)\n"
           "      --contact-sheet FILE.png\n"
           "                          one picture of the whole show: the warning screen,\n"
           "                          the middle of every order and the ending\n"
           "      --width N           picture width, even, 32..7680 (default 1280)\n"
           "      --height N          picture height, even, 32..4320 (default 960)\n"
           "      --fps RATE          frames per second, 1..240: 60, 29.97 or 30000/1001\n"
           "                          (default 60)\n"
           "      --detail N          detail level 1..6, 1 the finest (default 1)\n"
           "      --warning SECONDS   length of the warning screen; 0 skips it (default 5)\n"
           "      --tail SECONDS      the ending scene after the music (default 6)\n"
           "      --from T            start the video at T (default 0)\n"
           "      --to T              end the video at T (default: the end of the music\n"
           "                          and the tail)\n"
           "                          T is seconds on the video's clock (12.5), order:N\n"
           "                          (the moment order N is first heard) or end (the\n"
           "                          end of the music); frames before --from are played\n"
           "                          but not written\n"
           "      --crf N             H.264 quality, 0 (lossless) .. 51 (default 18)\n"
           "      --qp N              a constant quantiser 0..51 in place of --crf: less\n"
           "                          encoding time, larger files\n"
           "      --preset NAME       H.264 speed: ultrafast superfast veryfast faster fast\n"
           "                          medium slow slower veryslow placebo\n"
           "                          (default veryfast)\n"
           "      --fast              --preset ultrafast: half the processor time, files\n"
           "                          twice as large\n"
           "  -q, --quiet             no progress line and no summary\n"
           "      --bench             print render and encode time per frame at the end\n"
           "  -h, --help              this text\n"
           "  -V, --version           the version and the libraries in use\n"
           "\n"
           "The file is written under a temporary name beside FILE and renamed when\n"
           "complete. Exit status: 0 done, 1 failed, 2 bad command line, 128 + the\n"
           "signal when interrupted (130 for Ctrl-C).\n";
}

ParseResult parseCaptureOptions(int argc, char** argv, CaptureOptions* o, std::string* error) {
    *o = CaptureOptions{};
    auto fail = [&](const std::string& message) {
        *error = message;
        return ParseResult::Usage;
    };
    bool presetGiven = false, crfGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string name = arg, value;
        bool hasValue = false;
        if (arg.rfind("--", 0) == 0) {
            size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                hasValue = true;
            }
        } else if (arg.size() > 2 && arg[0] == '-' && arg[1] == 'o') {
            name = "-o";
            value = arg.substr(2);
            hasValue = true;
        }

        if (name == "-h" || name == "--help") return ParseResult::Help;
        if (name == "-V" || name == "--version") return ParseResult::Version;
        if (name == "-q" || name == "--quiet" || name == "--bench" || name == "--fast") {
            if (hasValue) return fail("option " + name + " takes no value");
            (name == "--bench" ? o->bench : name == "--fast" ? o->fast : o->quiet) = true;
            continue;
        }

        static const char* const valued[] = {"-o",   "--output", "--contact-sheet", "--width", "--height", "--fps",
                                             "--detail", "--warning", "--tail", "--from", "--to", "--crf",
                                             "--qp", "--preset"};
        bool known = false;
        for (const char* v : valued) known = known || name == v;
        if (!known) {
            if (arg.size() > 1 && arg[0] == '-') return fail("unknown option " + quoted(arg.c_str()) + " (see --help)");
            return fail("unexpected argument " + quoted(arg.c_str()) + " (see --help)");
        }
        if (!hasValue) {
            if (i + 1 >= argc) return fail("option " + name + " needs a value");
            value = argv[++i];
        }
        const char* v = value.c_str();
        int64_t n;
        if (name == "-o" || name == "--output") {
            if (value.empty()) return fail("option " + name + " needs a file name");
            o->output = value;
            o->container = containerOf(value);
            if (o->container == Container::None)
                return fail("cannot tell the kind of video from " + quoted(v) + ": name it .mp4, .mkv or .mov");
        } else if (name == "--contact-sheet") {
            if (!endsWith(value, ".png")) return fail("the contact sheet is a PNG picture: name it .png, not " + quoted(v));
            o->contactSheet = value;
        } else if (name == "--width") {
            if (!parseInt(v, 32, 7680, &n) || n % 2) return fail("--width must be an even number 32..7680, not " + quoted(v));
            o->width = int(n);
        } else if (name == "--height") {
            if (!parseInt(v, 32, 4320, &n) || n % 2) return fail("--height must be an even number 32..4320, not " + quoted(v));
            o->height = int(n);
        } else if (name == "--fps") {
            if (!parseRate(v, &o->fpsNum, &o->fpsDen, &o->fpsApproximated))
                return fail("--fps must be a rate of 1 to 240 frames a second with at most 15 decimals (60, 29.97, "
                            "30000/1001), not " + quoted(v));
            o->fpsText = value;
        } else if (name == "--detail") {
            if (!parseInt(v, 1, 6, &n)) return fail("--detail must be 1..6, not " + quoted(v));
            o->detail = int(n);
        } else if (name == "--warning" || name == "--tail") {
            int64_t* num = name == "--warning" ? &o->warningNum : &o->tailNum;
            int64_t* den = name == "--warning" ? &o->warningDen : &o->tailDen;
            if (!parseDecimal(v, 3600, num, den)) return fail(name + " must be seconds 0..3600, not " + quoted(v));
        } else if (name == "--from" || name == "--to") {
            if (!parseMoment(v, name == "--from" ? &o->from : &o->to))
                return fail(name + " must be seconds, order:N (0..255) or end, not " + quoted(v));
        } else if (name == "--crf") {
            int64_t num, den;
            if (!parseDecimal(v, 51, &num, &den)) return fail("--crf must be 0..51, not " + quoted(v));
            o->crf = double(num) / double(den);
            crfGiven = true;
        } else if (name == "--qp") {
            if (!parseInt(v, 0, 51, &n)) return fail("--qp must be a whole number 0..51, not " + quoted(v));
            o->qp = int(n);
        } else if (name == "--preset") {
            bool found = false;
            for (const char* p : PRESETS) found = found || value == p;
            if (!found) return fail("unknown --preset " + quoted(v) + " (ultrafast .. placebo, see --help)");
            o->preset = value;
            presetGiven = true;
        }
    }
    if (o->fast && !presetGiven) o->preset = FAST_PRESET;
    if (crfGiven && o->qp >= 0) return fail("give --crf or --qp, not both");
    if (o->output.empty() && o->contactSheet.empty())
        return fail("nothing to write: give -o FILE and/or --contact-sheet FILE.png (see --help)");
    if (!o->output.empty() && o->output == o->contactSheet)
        return fail("the video and the contact sheet cannot be the same file");
    if (o->from.kind == ShowMoment::Seconds && o->to.kind == ShowMoment::Seconds &&
        o->from.num * o->to.den >= o->to.num * o->from.den)
        return fail("--to must come after --from");
    return ParseResult::Run;
}
