#pragma once
// The capture's command line: Linux-style options, checked whole before
// anything is rendered, every problem reported as one line.
#include <cstdint>
#include <string>

enum class Container { None, Mp4, Mkv, Mov };

// The encoder's defaults, measured on the whole show at 1280 x 960. CRF 18
// keeps the one-pixel gaps between the cells sharp. veryfast writes 221 MB
// where ultrafast writes 485 MB, as close to a lossless capture (SSIM 0.997
// against 0.996 over 20-50 s; 0.996 against 0.997 in the screen door of order
// 16), and two cores still record ahead of real time. ultrafast (--fast)
// takes about half the processor time, for large pictures and slow machines.
// A constant quantiser (--qp) spares x264 its look at every frame at half
// size that the CRF needs: a fifth less encoding time, files a fifth larger
// at the same fidelity (QP 20 against CRF 18 at 3840 x 2160).
constexpr const char* DEFAULT_PRESET = "veryfast";
constexpr double DEFAULT_CRF = 18;
constexpr const char* FAST_PRESET = "ultrafast";

// The largest numerator or denominator of a frame rate, near the 1001000 of
// FFmpeg's own parser of rates: 24000/1001 and 120000/1001 fit, and the
// encoder's and the containers' time bases hold it with room to spare.
constexpr int64_t RATE_TERM_LIMIT = 1000000;

// A moment of the show: seconds on the capture's clock (the warning screen
// counts), the moment an order is first heard, or the end of the music.
struct ShowMoment {
    enum Kind { Unset, Seconds, Order, End } kind = Unset;
    int64_t num = 0;  // Seconds: num / den; Order: the order
    int64_t den = 1;
};

struct CaptureOptions {
    std::string output;        // -o; empty: no video
    Container container = Container::None;
    std::string contactSheet;  // --contact-sheet; empty: none
    int width = 1280;
    int height = 960;
    int64_t fpsNum = 60;  // both at most RATE_TERM_LIMIT, so the encoder's time base holds them
    int64_t fpsDen = 1;
    std::string fpsText;  // --fps as given
    bool fpsApproximated = false;  // the rate given had larger terms; fpsNum / fpsDen is the nearest
    int detail = 1;            // 1..6 as on the demo's command line
    int64_t warningNum = 5, warningDen = 1;  // seconds
    int64_t tailNum = 6, tailDen = 1;
    ShowMoment from, to;
    double crf = DEFAULT_CRF;
    int qp = -1;               // --qp: a constant quantiser in place of the CRF; -1: none
    std::string preset = DEFAULT_PRESET;
    bool fast = false;         // --fast: FAST_PRESET unless --preset says otherwise
    bool quiet = false;
    bool bench = false;
};

enum class ParseResult { Run, Help, Version, Usage };

// Fills options from argv. On Usage, error holds one line naming the problem.
ParseResult parseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);
// The --help text, defaults included.
const char* captureUsage();
// The detail option's level as the renderer's smallest cell step (1, 2, 4, ... 32).
int detailStepOf(int detail);
