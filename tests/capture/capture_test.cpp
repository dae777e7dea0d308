// vortelan-capture as a user meets it: the real binary writes a few seconds of
// the show at 160 x 120, and FFmpeg reads the file back. The pictures are
// checked against the software framebuffer, the sound and the sync timing
// against the module player heard on its own.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "show/offline_show.h"
#include "platform/clock.h"
#include "audio/player.h"
#include "assets/assets.h"
#include "tools/capture/colour.h"
#include "tools/capture/contact_sheet.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace {
constexpr int W = 160, H = 120;
constexpr int64_t RATE = 44100;
using Frames = std::vector<std::vector<uint8_t>>;

struct Folder {
    char path[40] = "/tmp/vortelan-capture-test-XXXXXX";
    Folder() { EXPECT_TRUE(mkdtemp(path)); }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return std::string(path) + "/" + name; }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The exit status, or 128 + the signal that ended it, and standard error.
struct Outcome { int status; std::string err; };

// How a run starts besides its arguments, and what is done to it meanwhile.
struct Start {
    std::string before;                // shell commands first (a file size limit, an ignored signal)
    std::string env;                   // env(1) arguments: variables, signal dispositions
    std::vector<std::string> signals;  // sent one after another once it writes into out
    std::string stdoutTo = "/dev/null";
};
int signalNumber(const std::string& name) { return name == "INT" ? SIGINT : name == "TERM" ? SIGTERM : SIGHUP; }
Start preceded(const std::string& commands) { return {commands, "", {}}; }
Start withEnv(const std::string& env, std::vector<std::string> signals = {}) { return {"", env, std::move(signals)}; }
Start signalled(std::vector<std::string> signals) { return {"", "", std::move(signals)}; }
Start stdoutTo(const std::string& file) { return {"", "", {}, file}; }

// Runs the capture at 160 x 120 (later arguments may say otherwise). Signals
// go once its temporary file is in the folder and it has had time to write;
// one it is no longer there to take is reported on its standard error.
Outcome capture(const std::vector<std::string>& args, const Folder* out = nullptr, const Start& start = {}) {
    Folder logs;
    std::string command = "(" + start.before + " exec env " + start.env;
    // A shell starts a background job with SIGINT ignored, and an ignored signal
    // stays ignored: the job gets the default back, as one typed at a terminal has.
    if (!start.signals.empty()) command += " --default-signal=INT";
    command += " " VORTELAN_CAPTURE_BINARY " --width 160 --height 120";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " 2>" + logs / "err" + " >" + start.stdoutTo + ")";
    if (!start.signals.empty()) {
        command += " & for i in $(seq 3000); do ls " + *out / ".[vs]*" + " >/dev/null 2>&1 && break; sleep 0.01; done;" +
                   " sleep 0.3;";
        for (const std::string& s : start.signals)
            command += " kill -" + s + " $! 2>/dev/null || echo 'gone before SIG" + s + "' >>" + logs / "err" + ";";
        command += " wait $!";
    }
    int status = std::system(command.c_str());
    return {WEXITSTATUS(status), slurp(logs / "err")};
}

struct Decoded {
    Frames frames;               // RGB rows, in presentation order
    std::vector<int16_t> sound;  // interleaved stereo
    std::string streams;         // a line a stream: time_base,duration_ts,duration,nb_frames
};

// Reads a file back as a player does, with FFmpeg: pictures to RGB through
// the colour tags the file carries (each squeezed into one pixel when only
// their number counts), sound as 16-bit stereo.
Decoded decoded(const std::string& path, size_t pixels = W * H) {
    const std::string q = "'" + path + "'";
    std::string command = "ffmpeg -v error -i " + q + " -map 0:v -fps_mode passthrough " +
                          (pixels == 1 ? "-vf scale=1:1 " : "") + "-sws_flags " +
                          "neighbor+accurate_rnd+full_chroma_int -f rawvideo -pix_fmt rgb24 " + q + ".rgb" +
                          " -map 0:a -f s16le -ac 2 -ar 44100 " + q + ".pcm && ffprobe -v error -show_entries " +
                          "stream=time_base,duration_ts,duration,nb_frames -of csv=p=0 " + q + " >" + q + ".txt";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    Decoded d{{}, {}, slurp(path + ".txt")};
    std::string pictures = slurp(path + ".rgb"), sound = slurp(path + ".pcm");
    for (size_t at = 0; at + pixels * 3 <= pictures.size(); at += pixels * 3)
        d.frames.emplace_back(pictures.begin() + long(at), pictures.begin() + long(at + pixels * 3));
    d.sound.assign(reinterpret_cast<const int16_t*>(sound.data()), reinterpret_cast<const int16_t*>(sound.data()) + sound.size() / 2);
    return d;
}

// A quiet capture into a file of the given kind, read back.
Decoded recorded(std::vector<std::string> args, const std::string& kind = ".mkv", size_t pixels = W * H) {
    Folder out;
    args.insert(args.end(), {"-q", "-o", out / ("v" + kind)});
    Outcome o = capture(args);
    EXPECT_TRUE(o.status == 0 && o.err.empty()) << o.err;
    return decoded(out / ("v" + kind), pixels);
}

// --- The reference: the module heard on its own ---------------------------------------------

struct Music {
    int64_t firstSnare = -1;  // sample of the first channel-2 hit
    int64_t end = -1;         // sample of the end of the song, if it was reached
    std::vector<int64_t> orderStart = std::vector<int64_t>(32, -1);  // each order's first row; -1 not heard
    std::vector<int16_t> samples;
} * heard;

// Syncs of this test's own: user 1 a kick, 2 a snare, 0 the end.
void onSync(uint32_t, uint32_t, uint32_t user) {
    uint32_t order = playerGetPosition() & 0xFFFF, row = playerGetPosition() >> 16;
    int64_t* at = user == 2 ? &heard->firstSnare : user == 0 ? &heard->end : nullptr;
    if (user == 1 && row == 0 && order < 32) at = &heard->orderStart[order];
    if (at && *at < 0) *at = playerAudibleFrame();
}

// The first `count` samples of the music and where its moments fall, from the
// player itself.
Music hearMusic(int64_t count) {
    Music m;
    heard = &m;
    EXPECT_TRUE(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0) && playerMusicLoad(1, musicModule, 0, musicModuleSize, 0));
    for (uint32_t instrument : {1u, 2u}) playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | instrument, onSync, instrument);
    playerSetSync(PLAYER_SYNC_END, 0, onSync, 0);
    playerPlay(0, 0, 1);
    m.samples.resize(size_t(count) * 2);
    playerOfflineRender(m.samples.data(), uint32_t(count));
    playerMusicFree();
    playerFree();
    return m;
}

// Frame k begins at sample floor(k * RATE / fps); the first frame at or after
// a sample is counted out frame by frame.
int64_t frameSample(int64_t k, int64_t fpsNum, int64_t fpsDen = 1) { return k * RATE * fpsDen / fpsNum; }
int64_t firstFrameAt(int64_t sample, int64_t fpsNum, int64_t fpsDen = 1) {
    int64_t k = 0;
    while (frameSample(k, fpsNum, fpsDen) < sample) ++k;
    return k;
}

// --- Pictures -------------------------------------------------------------------------

// Frames [from, to) of the show from the software framebuffer, RGBA, after a
// one-second warning screen; 160 x 120 unless asked otherwise.
Frames drawnFrames(int64_t fpsNum, int64_t fpsDen, int64_t from, int64_t to, int width = W, int height = H) {
    OfflineShow show;
    Frames frames;
    EXPECT_TRUE(openOfflineShow(&show, OfflineClock{fpsNum, fpsDen, RATE}, width, height, 1));
    for (int64_t k = 0; k < to; ++k) {
        stepOfflineShow(&show, nullptr);
        EXPECT_TRUE(performanceCounter() == k * 1000000000 * fpsDen / fpsNum &&  // frame k shows time k / fps
                    clockMillis() == k * 1000 * fpsDen / fpsNum) << "frame " << k;
        if (k >= from) frames.push_back(show.fb.pixels);
    }
    closeOfflineShow(&show);
    return frames;
}

// The largest channel difference between a decoded frame and the drawn one
// where 4:2:0 chroma cannot blur (pixels whose 5 x 5 surroundings are one
// colour); 999 when there are too few such pixels to tell.
int mismatch(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& rgba) {
    int flat = 0, worst = 0;
    for (int y = 2; y < H - 2; ++y)
        for (int x = 2; x < W - 2; ++x) {
            const uint8_t* c = &rgba[size_t(y * W + x) * 4];
            bool same = true;
            for (int j = 0; j < 25; ++j) same = same && !std::memcmp(c + ((j / 5 - 2) * W + j % 5 - 2) * 4, c, 3);
            for (int k = 0; k < 3 && same; ++k)
                worst = std::max(worst, std::abs(rgb[size_t(y * W + x) * 3 + k] - c[k])), flat += k == 0;
        }
    return flat > W * H / 16 ? worst : 999;
}

double brightness(const std::vector<uint8_t>& rgb) { return std::accumulate(rgb.begin(), rgb.end(), 0.0) / rgb.size(); }
}  // namespace

// The folder's entries and their kinds ("pipe.mp4 fifo"), in order.
std::vector<std::string> listing(const Folder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        auto type = entry.symlink_status().type();
        using T = std::filesystem::file_type;
        names.push_back(entry.path().filename().string() + (type == T::regular ? " file" : type == T::directory ? " folder"
                                                            : type == T::fifo ? " fifo" : type == T::symlink ? " link" : " other"));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One line "vortelan-capture: ..." (two where a note comes before the
// summary), status 2 for the command line, 1 for a failure and 128 + the
// signal when interrupted, and nothing left behind: the folder as it was, but
// for the one file a case writes, which FFmpeg must read, encoded as its
// options say (veryfast, ultrafast with --fast, a constant quantiser with
// --qp). Odd targets stay as they are, a symbolic link leads to the file
// written, a name of 254 characters has room for its temporary file; order 0,
// the first heard, can open a range. A capture started with SIGHUP ignored
// keeps it ignored; a second signal ends the run at once, still
// removing the temporary file; a contact sheet that cannot be written takes
// the finished video with it; a module that does not load fails the run.
TEST(CaptureCommandLine, RefusesWithOneLineAndLeavesNoFile) {
    Folder out;
    std::ofstream(out / "plain") << "not a folder";
    std::filesystem::create_directory(out / "shelf.mp4");
    ASSERT_EQ(mkfifo((out / "pipe.mp4").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/null", out / "null.mp4");
    std::filesystem::create_symlink("plain", out / "link.mkv");
    const std::vector<std::string> before = listing(out);
    const std::string v = out / "v.mp4", longName = std::string(250, 'v') + ".mp4";
    const std::string noModule = "LD_PRELOAD=" VORTELAN_NO_MODULE " ASAN_OPTIONS=${ASAN_OPTIONS:-}:verify_asan_link_order=0";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
        Start start = {};
        std::string writes = "";    // the file a case writes
        size_t lines = 1;
        std::string encoder = "";   // in that file, the settings x264 notes there
    } cases[] = {
        {{"--bogus", "-o", v}, 2, "unknown option '--bogus'"},
        {{"-o", v, "stray"}, 2, "unexpected argument 'stray'"},
        {{"-o"}, 2, "option -o needs a value"},
        {{"-o", out / "v.avi"}, 2, "name it .mp4, .mkv or .mov"},
        {{"--contact-sheet", out / "s.jpg"}, 2, "name it .png"},
        {{"--width", "321", "-o", v}, 2, "--width must be an even number"},
        {{"--fps", "30000/0", "-o", v}, 2, "--fps must be a rate"},
        {{"--fps", "99999999999999999999", "-o", v}, 2, "--fps must be a rate"},
        {{"--fps", "23.9760239760239760", "-o", v}, 2, "with at most 15 decimals"},
        {{"--detail", "7", "-o", v}, 2, "--detail must be 1..6"},
        {{"--from", "order:x", "-o", v}, 2, "--from must be seconds, order:N"},
        {{"--from", "9", "--to", "3", "-o", v}, 2, "--to must come after --from"},
        {{"--preset", "warp", "-o", v}, 2, "unknown --preset 'warp'"},
        {{"--crf", "52", "-o", v}, 2, "--crf must be 0..51"},
        {{"--qp", "20.5", "-o", v}, 2, "--qp must be a whole number 0..51, not '20.5'"},
        {{"--qp", "18", "-o", v, "--crf", "18"}, 2, "give --crf or --qp, not both"},
        {{"--fps", "60"}, 2, "nothing to write"},
        {{"--warning", "0", "--from", "order:30", "-o", v}, 2, "never reaches order 30"},
        {{"--help"}, 1, "cannot write to standard output: No space left on device", stdoutTo("/dev/full")},
        {{"--version"}, 1, "cannot write to standard output: No space left on device", stdoutTo("/dev/full")},
        {{"-o", out / "missing/v.mp4"}, 1, "does not exist"},
        {{"-o", out / "plain/v.mp4"}, 1, "is not a folder"},
        {{"-o", out / "shelf.mp4"}, 1, "shelf.mp4' is a folder"},
        {{"-o", out / "pipe.mp4"}, 1, "pipe.mp4' is a FIFO (named pipe), not a regular file"},
        {{"-o", out / "null.mp4"}, 1, "null.mp4' links to a device, not a regular file"},
        {{"-o", "/sys/v.mp4"}, 1, "cannot write in the folder '/sys'"},
        {{"-o", v, "--contact-sheet", "/sys/s.png"}, 1, "cannot write in the folder '/sys'"},
        {{"--to", "0.1", "-o", out / "link.mkv"}, 0, "wrote " + out / "plain", {}, "plain", 1, "me=hex subme=2"},
        {{"--fast", "--to", "0.1", "-o", out / longName}, 0, "wrote " + out / longName, {}, longName, 1, "me=dia subme=0"},
        {{"--fast", "--qp", "21", "--to", "0.1", "-o", v}, 0, "wrote " + v, {}, "v.mp4", 1, "rc=cqp mbtree=0 qp=21"},
        {{"--warning", "0.2", "--from", "order:0", "--to", "0.3", "-o", v}, 0, "wrote " + v + ": 0:00.10 (6 frames", {},
         "v.mp4"},
        {{"--fps", "23.976023976", "--to", "0.1", "-o", v}, 0, "--fps 23.976023976 is recorded as 24000/1001", {},
         "v.mp4", 2},
        {{"--fps", "1", "--to", "2", "-o", out / "v.mkv", "--contact-sheet", out / "s.png"}, 1,
         "cannot write '" + out / "s.png" + "': File too large", preceded("ulimit -f 40; trap '' XFSZ;")},
        {{"--to", "1", "-o", v}, 1, "the show's music cannot be played", withEnv(noModule)},
        {{"--to", "600", "-o", v}, 128 + SIGINT, "interrupted by Ctrl-C; nothing written", signalled({"INT"})},
        {{"--to", "20", "-o", v}, 0, "wrote " + v, withEnv("--ignore-signal=HUP", {"HUP"}), "v.mp4"},
        {{"--preset", "placebo", "--width", "640", "--height", "480", "--to", "600", "-o", v}, 128 + SIGTERM,
         "interrupted again; stopped at once, nothing written", signalled({"INT", "TERM"})},
    };
    for (const Case& c : cases) {
        Outcome o = capture(c.args, &out, c.start);
        std::string seen = c.args[0] + " ...\n" + o.err;
        // Signals sent together may reach two threads at once: either can come second.
        bool sentLater = false;
        for (const std::string& name : c.start.signals) sentLater = sentLater || o.status == 128 + signalNumber(name);
        EXPECT_TRUE(o.status == c.status || (c.start.signals.size() > 1 && sentLater)) << o.status << ", " << seen;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << seen;
        EXPECT_EQ(size_t(std::count(o.err.begin(), o.err.end(), '\n')), c.lines) << seen;
        for (size_t at = 0; at < o.err.size(); at = o.err.find('\n', at) + 1)
            EXPECT_EQ(o.err.compare(at, 18, "vortelan-capture: "), 0) << seen;
        if (!c.writes.empty()) {
            EXPECT_EQ(std::system(("ffprobe -v error '" + out / c.writes + "'").c_str()), 0) << seen;
            EXPECT_NE(slurp(out / c.writes).find(c.encoder), std::string::npos) << "x264's settings\n" << seen;
            if (std::find(before.begin(), before.end(), c.writes + " file") == before.end())
                std::filesystem::remove(out / c.writes);
        }
        EXPECT_EQ(listing(out), before) << seen;
    }
}

// Lossless H.264 and FLAC at 40 fps (frames of 1102.5 samples): every decoded
// picture is the frame the software framebuffer draws, through the file's
// colour tags; the warning screen stands still for its second, in silence,
// then the module sample for sample; and the first channel-2 hit's grey flash
// first shows on the first frame whose time reaches the hit's sample.
TEST(CaptureFile, LosslessPicturesSoundAndSyncAreTheShowsOwn) {
    Music music = hearMusic(6 * RATE);
    ASSERT_GT(music.firstSnare, 0);
    const int64_t flash = firstFrameAt(RATE + music.firstSnare, 40), frames = flash + 3;
    Decoded file = recorded({"--fps", "40", "--warning", "1", "--to", std::to_string(frames / 40.0), "--crf", "0"});
    ASSERT_EQ(int64_t(file.frames.size()), frames);
    Frames drawn = drawnFrames(40, 1, 0, frames);
    for (int64_t k = 0; k < frames; ++k) {
        EXPECT_LE(mismatch(file.frames[k], drawn[k]), 2) << "frame " << k;
        EXPECT_EQ(file.frames[k] == file.frames[0], k < 40) << "the warning screen holds until the music, frame " << k;
        EXPECT_TRUE(k < flash - 5 || k > flash ||
                    (brightness(file.frames[k]) > brightness(file.frames[k - 1]) + 8) == (k == flash)) << "frame " << k;
    }
    std::vector<int16_t> expected(size_t(RATE) * 2, 0);
    expected.insert(expected.end(), music.samples.begin(), music.samples.begin() + 2 * (frameSample(frames, 40) - RATE));
    EXPECT_TRUE(file.sound == expected);
}

// Frames before --from are played, not skipped, and the render thread, the
// ring and the encoder's threads change nothing: one range, twice, the same.
TEST(CaptureFile, SameRangeTwiceDecodesIdentically) {
    const std::vector<std::string> range = {"--fps", "25", "--warning", "1", "--from", "0.6", "--to", "2.6"};
    Decoded a = recorded(range), b = recorded(range);
    EXPECT_EQ(a.frames.size(), 50u);
    EXPECT_EQ(a.sound.size(), 2u * 50 * 1764);
    EXPECT_TRUE(a.frames == b.frames && a.sound == b.sound);
}

// --from order:1 --to order:2 at 29.97002997 fps in an MP4, a rate too fine
// for the time base and so recorded as 30000/1001: exactly the frames on which
// order 1 is heard, as the framebuffer draws them, and streams as long as the
// frames, the video to the tick of 30000/1001.
TEST(CaptureFile, OrderRangeAndStreamLengths) {
    const int64_t num = 30000, den = 1001;
    Music music = hearMusic(20 * RATE);
    ASSERT_TRUE(music.orderStart[1] > 0 && music.orderStart[2] > music.orderStart[1]);
    const int64_t from = firstFrameAt(RATE + music.orderStart[1], num, den);
    const int64_t count = firstFrameAt(RATE + music.orderStart[2], num, den) - from;
    Decoded file = recorded({"--fps", "29.97002997", "--warning", "1", "--from", "order:1", "--to", "order:2",
                             "--crf", "0"}, ".mp4");
    ASSERT_EQ(int64_t(file.frames.size()), count);
    Frames drawn = drawnFrames(num, den, from - 1, from + count);
    EXPECT_GT(mismatch(file.frames[0], drawn[0]), 40) << "the frame before order 1 is heard is not in it";
    for (int64_t k = 0; k < count; ++k) EXPECT_LE(mismatch(file.frames[k], drawn[k + 1]), 2) << "frame " << from + k;
    double timeBase = 0, ticks = 0, videoSeconds = 0, soundSeconds = 0;  // whole numbers below 2^53 are exact
    ASSERT_EQ(std::sscanf(file.streams.c_str(), "1/%lf,%lf,%lf,%*d 1/%*d,%*d,%lf", &timeBase, &ticks, &videoSeconds,
                          &soundSeconds), 4) << file.streams;
    EXPECT_EQ(double(count * den) * timeBase, ticks * num) << "frames / fps is the video's length, to the tick";
    EXPECT_NEAR(soundSeconds, videoSeconds, double(den) / num);
    EXPECT_NEAR(double(file.sound.size() / 2) / RATE, videoSeconds, double(den) / num);
}

// A picture converted by the capture, in bands of rows [first, second) taken
// in the order given.
std::vector<uint8_t> converted(const std::vector<uint8_t>& rgba, int w, int h,
                               const std::vector<std::pair<int, int>>& bands, ColourScratch* scratch) {
    std::vector<uint8_t> yuv(size_t(w) * h * 3 / 2);
    YuvPicture out{{yuv.data(), yuv.data() + w * h, yuv.data() + w * h * 5 / 4}, {w, w / 2, w / 2}};
    for (auto [from, to] : bands) rgbaToYuv420(rgba.data(), w * 4, w, h, from, to, out, scratch);
    return yuv;
}

// The colour conversion on frames of the show, a picture of every colour, one
// of greys and pictures of random runs of colour (runs of every length and
// place, rows alike in blocks, widths that leave ends to the plain code):
// - the fast path, which takes runs of one colour whole, gives the portable
//   sums exactly;
// - bands converted in any order, by a scratch that last held rows of another
//   picture, give the picture converted whole;
// - against swscale's accurate path (bilinear from full chroma, accurate
//   rounding), whose filter it takes, no sample is a level apart and most are
//   not apart at all; grey stays neutral, on the limited range's steps.
TEST(CaptureColour, FastBandedAndWithinALevelOfSwscale) {
    struct Picture {
        int w, h;
        std::vector<uint8_t> rgba;
    };
    std::vector<Picture> pictures;
    Frames show = drawnFrames(40, 1, 30, 100, 166, 120);
    for (size_t k = 0; k < show.size(); k += 10) pictures.push_back({166, 120, show[k]});
    pictures.push_back({320, 240, drawnFrames(40, 1, 80, 81, 320, 240)[0]});
    Picture colours{166, 120, std::vector<uint8_t>(166 * 120 * 4)}, greys = colours;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 166; ++x) {
            uint8_t* c = &colours.rgba[size_t(y * 166 + x) * 4];
            c[0] = uint8_t(x * 255 / 165), c[1] = uint8_t(y * 255 / 119), c[2] = uint8_t((x * 7) ^ (y * 13));
            std::fill_n(&greys.rgba[size_t(y * 166 + x) * 4], 3, uint8_t((x + y * 166) % 256));
        }
    pictures.push_back(colours);
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) { return ((seed = seed * 1664525u + 1013904223u) >> 8) % n; };
    const uint8_t palette[3][4] = {{200, 30, 90, 255}, {15, 240, 160, 255}, {0, 0, 0, 255}};
    const struct { int w, h, runs, rowsAlike; } runs[] = {{70, 24, 40, 4}, {256, 20, 17, 8}, {1000, 16, 64, 16}, {48, 10, 400, 10}};
    for (const auto& k : runs) {
        Picture p{k.w, k.h, std::vector<uint8_t>(size_t(k.w) * k.h * 4)};
        for (int y = 0; y < k.h; ++y) {
            uint8_t* row = &p.rgba[size_t(y) * k.w * 4];
            if (y % k.rowsAlike) std::memcpy(row, row - size_t(k.w) * 4, size_t(k.w) * 4);
            for (int x = 0; x < k.w && y % k.rowsAlike == 0;)
                for (int run = 1 + int(next(uint32_t(k.runs) * 2)), c = int(next(3)); run > 0 && x < k.w; --run, ++x)
                    std::memcpy(row + 4 * x, palette[c], 4);
        }
        pictures.push_back(std::move(p));
    }
    pictures.push_back(greys);

    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    int worst = 0;
    size_t apart = 0, samples = 0;
    for (const Picture& p : pictures) {
        const int w = p.w, h = p.h;
        ColourScratch fast, portable;
        portable.portable = true;
        const std::vector<uint8_t> ours = converted(p.rgba, w, h, {{0, h}}, &fast);
        EXPECT_TRUE(converted(p.rgba, w, h, {{0, h}}, &portable) == ours) << "the portable sums, " << w << " x " << h;
        converted(std::vector<uint8_t>(p.rgba.rbegin(), p.rgba.rend()), w, h, {{0, h}}, &fast);  // another picture
        const int third = h / 3 & ~1;
        EXPECT_TRUE(converted(p.rgba, w, h, {{2 * third, h}, {0, 2}, {2, third}, {third, 2 * third}}, &fast) == ours)
            << "bands, " << w << " x " << h;

        std::vector<uint8_t> theirs(ours.size());
        uint8_t* planes[3] = {theirs.data(), theirs.data() + w * h, theirs.data() + w * h * 5 / 4};
        SwsContext* exact = sws_getContext(w, h, AV_PIX_FMT_RGBA, w, h, AV_PIX_FMT_YUV420P,
                                           SWS_BILINEAR | SWS_FULL_CHR_H_INP | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        ASSERT_GE(sws_setColorspaceDetails(exact, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16), 0);
        const uint8_t* src[1] = {p.rgba.data()};
        const int srcStride[1] = {w * 4}, dstStride[3] = {w, w / 2, w / 2};
        ASSERT_EQ(sws_scale(exact, src, srcStride, 0, h, planes, dstStride), h);
        sws_freeContext(exact);
        for (size_t i = 0; i < ours.size(); ++i) {
            worst = std::max(worst, std::abs(ours[i] - theirs[i]));
            apart += ours[i] != theirs[i];
        }
        samples += ours.size();
    }
    EXPECT_LE(worst, 1);
    EXPECT_LT(apart * 10, samples) << apart << " of " << samples << " samples apart";  // no shift of every sample
    ColourScratch scratch;
    const std::vector<uint8_t> grey = converted(greys.rgba, 166, 120, {{0, 120}}, &scratch);
    for (int i = 0; i < 166 * 120; ++i)  // no colour, and Y on 16 + 219/255 of each level
        EXPECT_TRUE(grey[size_t(166 * 120 + i / 4)] == 128 && grey[size_t(166 * 120 * 5 / 4 + i / 4)] == 128 &&
                    grey[size_t(i)] == int(16 + 219.0 * (i % 256) / 255 + 0.5)) << "grey " << i % 256;
}

// From the music alone: every order from the one frame on which it is first
// heard, the end where the player says the song ends and nothing after it
// counted as an order. The contact sheet's picks: the warning screen first, a
// tile inside each order (the short breaks too), the ending after the music;
// each tile's frame whole in the sheet (320 x 240 frames are not scaled) and
// no sheet while a frame is missing. A plan told to stop stops. And --from
// end: the ending in silence, as long as asked.
TEST(CapturePlan, OrdersEndSheetAndTail) {
    const OfflineClock clock{10, 1, RATE};
    OfflineMusicPlan plan;
    static int asked = 0;  // a plan told to stop (a termination signal) ends before its next frame
    EXPECT_FALSE(planOfflineMusic(clock, 6000, -1, true, &plan, [] { return ++asked > 3; }));
    EXPECT_EQ(asked, 4);
    ASSERT_TRUE(planOfflineMusic(clock, 6000, -1, true, &plan, [] { return false; }));
    Music music = hearMusic(200 * RATE);
    EXPECT_EQ(plan.endSample, music.end);
    EXPECT_EQ(plan.endFrame, firstFrameAt(RATE + music.end, 10));
    for (int o = 0; o < OFFLINE_ORDERS; ++o) {
        EXPECT_EQ(plan.orderFrame[o] >= 0, o <= 20) << "order " << o;
        EXPECT_TRUE(o >= 32 || music.orderStart[o] < 0 ||
                    plan.orderFrame[o] == firstFrameAt(RATE + music.orderStart[o], 10)) << "order " << o;
    }
    std::vector<SheetTile> tiles = contactSheetTiles(clock, plan);
    ASSERT_EQ(tiles.size(), 23u);
    EXPECT_TRUE(tiles[0].order == -1 && tiles[0].frame < 10 && tiles[22].order == -2 &&
                tiles[22].frame >= plan.endFrame + 20);
    for (int o = 0; o <= 20; ++o) {
        const SheetTile& t = tiles[o + 1];
        EXPECT_TRUE(t.order == o && t.frame >= plan.orderFrame[o] &&
                    t.frame < (o < 20 ? plan.orderFrame[o + 1] : plan.endFrame)) << "order " << o;
    }

    std::string error;
    ContactSheet* sheet = openContactSheet(320, 240, clock, tiles, "VORTELAN", &error);
    ASSERT_NE(sheet, nullptr) << error;
    Folder out;
    auto colour = [](uint32_t i) { return 0xFF000000u | (i + 1) * 0x050709u; };  // tile i all one colour
    std::vector<uint8_t> png;
    for (uint32_t i = 0; i < 23; ++i) {
        EXPECT_TRUE(i < 22 || !finishContactSheet(sheet, &png, &error)) << "a frame is missing";
        std::vector<uint32_t> frame(320 * 240, colour(i));
        EXPECT_TRUE(addToContactSheet(sheet, tiles[i].frame, reinterpret_cast<uint8_t*>(frame.data()), 320 * 4));
    }
    ASSERT_TRUE(finishContactSheet(sheet, &png, &error)) << error;
    closeContactSheet(&sheet);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint32_t> px(image.width * image.height);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, px.data(), 0, nullptr));
    for (uint32_t i = 0; i < 23; ++i) {  // all of its pixels, from its top left to its bottom right corner
        long first = std::find(px.begin(), px.end(), colour(i)) - px.begin();
        long last = px.rend() - std::find(px.rbegin(), px.rend(), colour(i)) - 1;
        EXPECT_TRUE(std::count(px.begin(), px.end(), colour(i)) == 320 * 240 && last - first == 239 * image.width + 319)
            << "tile " << i;
    }
    EXPECT_GT(std::count_if(px.begin(), px.end(), [&](uint32_t p) { return p != px[0]; }), 23 * (320 * 240 + 200))
        << "and labels beside them";

    const int64_t from = firstFrameAt(music.end, 5), to = firstFrameAt(music.end + 14 * RATE / 10, 5);
    Decoded file = recorded({"--fps", "5", "--warning", "0", "--from", "end", "--tail", "1.4"});
    EXPECT_EQ(int64_t(file.frames.size()), to - from);
    EXPECT_EQ(int64_t(file.sound.size()), 2 * (frameSample(to, 5) - frameSample(from, 5)));
    EXPECT_TRUE(std::all_of(file.sound.begin(), file.sound.end(), [](int16_t v) { return v == 0; }));
}

// The whole show with the defaults but a small picture: the video runs from
// the warning screen to six seconds after the end of the music, the tail is
// silent, and the contact sheet is written. Slow: scripts/test.sh runs it as
// a stage of its own.
TEST(CaptureWholeShow, RunsToTheEndingAndSheetsEveryOrder) {
    Music music = hearMusic(200 * RATE);
    ASSERT_GT(music.end, 0);
    const int64_t warning = 5 * RATE, frames = firstFrameAt(warning + music.end + 6 * RATE, 30);
    Folder sheet;  // complete, or the capture fails
    Decoded file = recorded({"--width", "320", "--height", "240", "--fps", "30", "--contact-sheet", sheet / "s.png"},
                            ".mkv", 1);
    EXPECT_TRUE(std::filesystem::exists(sheet / "s.png"));
    EXPECT_EQ(int64_t(file.frames.size()), frames);
    ASSERT_EQ(int64_t(file.sound.size()), 2 * frameSample(frames, 30));
    std::vector<int16_t> show(file.sound.begin() + 2 * warning, file.sound.begin() + 2 * (warning + music.end));
    EXPECT_TRUE(show == std::vector<int16_t>(music.samples.begin(), music.samples.begin() + 2 * music.end));
    EXPECT_TRUE(std::all_of(file.sound.begin() + 2 * (warning + music.end), file.sound.end(),
                            [](int16_t v) { return v == 0; })) << "the tail is silent";
}
