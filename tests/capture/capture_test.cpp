// vortelan-capture as a user meets it: the real binary writes a few seconds of
// the show at 160 x 120, and FFmpeg's libraries read the file back. The
// pictures are checked against the software framebuffer, the sound and the
// sync timing against the module player heard on its own.
#include <gtest/gtest.h>

#include <dirent.h>
#include <png.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/offline_show.h"
#include "app/platform/player.h"
#include "assets/assets.h"
#include "tests/capture/decode.h"
#include "tools/capture/contact_sheet.h"

namespace {
constexpr int W = 160, H = 120;
constexpr int64_t RATE = 44100;

// --- Running the binary ---------------------------------------------------------------

struct Outcome {
    int status = -1;  // exit status, or 128 + the signal that ended it
    std::string err;  // standard error
};

struct Folder {
    std::string path;
    Folder() {
        char name[] = "/tmp/vortelan-capture-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        DIR* d = opendir(path.c_str());
        while (dirent* e = d ? readdir(d) : nullptr)
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        if (d) closedir(d);
        return names;
    }
};

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the capture; with interrupt set, sends it that signal once its
// temporary file exists in folder and it has had time to write into it.
Outcome capture(std::vector<std::string> args, const Folder* folder = nullptr, int interrupt = 0) {
    Folder logs;
    std::string errPath = logs / "stderr";
    pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);  // no capture outlives a test that timed out
        if (!freopen(errPath.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(99);
        std::vector<char*> argv;
        std::string bin = VORTELAN_CAPTURE_BINARY;
        argv.push_back(bin.data());
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(bin.c_str(), argv.data());
        _exit(98);
    }
    if (interrupt) {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (folder->files().empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, interrupt);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o;
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    o.err = slurp(errPath);
    return o;
}

int lines(const std::string& s) {
    int n = 0;
    for (char c : s) n += c == '\n';
    return n;
}

DecodedFile decoded(const std::string& path) {
    DecodedFile file;
    std::string error;
    EXPECT_TRUE(decodeFile(path, &file, &error)) << error;
    return file;
}

// --- The reference: the module heard on its own ---------------------------------------------

struct Music {
    int64_t firstSnare = -1;  // sample of the first channel-2 hit
    int64_t end = -1;         // sample of the end of the song, if it was reached
    int64_t orderStart[32];   // sample of each order's first row, -1 not heard
    std::vector<int16_t> samples;
};
Music* heard = nullptr;

void onSnare(uint32_t, uint32_t, uint32_t) {
    if (heard->firstSnare < 0) heard->firstSnare = playerAudibleFrame();
}
void onEnd(uint32_t, uint32_t, uint32_t) {
    if (heard->end < 0) heard->end = playerAudibleFrame();
}
void onKick(uint32_t, uint32_t, uint32_t) {
    uint32_t position = playerGetPosition();
    uint32_t order = position & 0xFFFF, row = position >> 16;
    if (row == 0 && order < 32 && heard->orderStart[order] < 0) heard->orderStart[order] = playerAudibleFrame();
}

// The first `count` samples of the music and where its moments fall, from the
// player itself with syncs of this test's own.
Music hearMusic(int64_t count) {
    Music m;
    for (int64_t& s : m.orderStart) s = -1;
    heard = &m;
    EXPECT_TRUE(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0));
    EXPECT_TRUE(playerMusicLoad(1, musicModule, 0, musicModuleSize, 0));
    playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 2, onSnare, 0);
    playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, onKick, 0);
    playerSetSync(PLAYER_SYNC_END, 0, onEnd, 0);
    playerPlay(0, 0, 1);
    m.samples.resize(size_t(count) * 2);
    playerOfflineRender(m.samples.data(), uint32_t(count));
    playerMusicFree();
    playerFree();
    heard = nullptr;
    return m;
}

// Frame k begins at sample floor(k * RATE / fps): the first frame at or after
// a sample, counted out frame by frame.
int64_t firstFrameAt(int64_t sample, int64_t fpsNum, int64_t fpsDen) {
    int64_t k = 0;
    while (k * RATE * fpsDen / fpsNum < sample) ++k;
    return k;
}
int64_t frameSample(int64_t k, int64_t fpsNum, int64_t fpsDen) { return k * RATE * fpsDen / fpsNum; }

// --- Comparing pictures ----------------------------------------------------------------

// Frames of the show from the software framebuffer, RGBA, frames [from, to).
std::vector<std::vector<uint8_t>> drawnFrames(int64_t fpsNum, int64_t fpsDen, int64_t warningSamples, int64_t from,
                                              int64_t to) {
    OfflineShow show;
    OfflineClock clock;
    clock.fpsNum = fpsNum;
    clock.fpsDen = fpsDen;
    clock.warningSamples = warningSamples;
    std::vector<std::vector<uint8_t>> frames;
    EXPECT_TRUE(openOfflineShow(&show, clock, W, H, 1));
    for (int64_t k = 0; k < to; ++k) {
        stepOfflineShow(&show, nullptr);
        if (k >= from) frames.push_back(show.fb.pixels);
    }
    closeOfflineShow(&show);
    return frames;
}

struct Difference {
    int flatPixels = 0;  // pixels whose 5 x 5 surroundings are one colour in the drawn frame
    int worst = 0;       // largest channel difference among them
};

// The decoded frame against the drawn one, where 4:2:0 chroma cannot blur.
Difference compare(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& rgba) {
    Difference d;
    for (int y = 2; y < H - 2; ++y) {
        for (int x = 2; x < W - 2; ++x) {
            const uint8_t* c = &rgba[size_t(y * W + x) * 4];
            bool flat = true;
            for (int v = -2; v <= 2 && flat; ++v)
                for (int u = -2; u <= 2 && flat; ++u) {
                    const uint8_t* n = &rgba[size_t((y + v) * W + x + u) * 4];
                    flat = n[0] == c[0] && n[1] == c[1] && n[2] == c[2];
                }
            if (!flat) continue;
            ++d.flatPixels;
            for (int k = 0; k < 3; ++k) d.worst = std::max(d.worst, std::abs(rgb[size_t(y * W + x) * 3 + k] - c[k]));
        }
    }
    return d;
}

double brightness(const std::vector<uint8_t>& rgb) {
    double sum = 0;
    for (uint8_t v : rgb) sum += v;
    return sum / double(rgb.size());
}

}  // namespace

// One clear line, the status of the kind of problem, and no file left behind.
TEST(CaptureCommandLine, RefusesWithOneLineAndWritesNothing) {
    Folder out;
    std::string plainFile = out / "plain";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {{"--bogus", "-o", out / "v.mp4"}, 2, "unknown option '--bogus'"},
        {{"-o"}, 2, "option -o needs a value"},
        {{"-o", out / "v.mp4", "--width"}, 2, "option --width needs a value"},
        {{"-o", out / "v.avi"}, 2, "name it .mp4, .mkv or .mov"},
        {{"-o", out / "v"}, 2, "name it .mp4, .mkv or .mov"},
        {{"--contact-sheet", out / "s.jpg"}, 2, "name it .png"},
        {{"--width", "321", "-o", out / "v.mp4"}, 2, "--width must be an even number"},
        {{"--height", "-2", "-o", out / "v.mp4"}, 2, "--height must be an even number"},
        {{"--fps", "0", "-o", out / "v.mp4"}, 2, "--fps must be a rate"},
        {{"--fps", "30000/0", "-o", out / "v.mp4"}, 2, "--fps must be a rate"},
        {{"--fps", "99999999999999999999", "-o", out / "v.mp4"}, 2, "--fps must be a rate"},
        {{"--detail", "7", "-o", out / "v.mp4"}, 2, "--detail must be 1..6"},
        {{"--from", "order:x", "-o", out / "v.mp4"}, 2, "--from must be seconds, order:N"},
        {{"--from", "9", "--to", "3", "-o", out / "v.mp4"}, 2, "--to must come after --from"},
        {{"--preset", "warp", "-o", out / "v.mp4"}, 2, "unknown --preset 'warp'"},
        {{"--crf", "52", "-o", out / "v.mp4"}, 2, "--crf must be 0..51"},
        {{"--width", "160"}, 2, "nothing to write"},
        {{"-o", out / "v.mp4", "stray"}, 2, "unexpected argument 'stray'"},
        {{"--warning", "0", "--from", "order:30", "-o", out / "v.mp4"}, 2, "never reaches order 30"},
        {{"-o", out / "missing/v.mp4"}, 1, "does not exist"},
        {{"-o", plainFile + "/v.mp4"}, 1, "is not a folder"},
        {{"-o", out / "shelf.mp4"}, 1, "'" + out / "shelf.mp4' is a folder"},
        {{"-o", "/sys/v.mp4"}, 1, "cannot write in the folder '/sys'"},
        {{"-o", out / "v.mp4", "--contact-sheet", "/sys/s.png"}, 1, "cannot write in the folder '/sys'"},
    };
    for (const Case& c : cases) {
        std::ofstream(plainFile) << "not a folder";
        mkdir((out / "shelf.mp4").c_str(), 0755);
        Outcome o = capture(c.args);
        std::string shown;
        for (const std::string& a : c.args) shown += a + " ";
        EXPECT_EQ(o.status, c.status) << shown;
        EXPECT_EQ(lines(o.err), 1) << shown << "\n" << o.err;
        EXPECT_EQ(o.err.rfind("vortelan-capture: ", 0), 0u) << shown << "\n" << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << shown << "\n" << o.err;
        std::remove(plainFile.c_str());
        rmdir((out / "shelf.mp4").c_str());
        EXPECT_EQ(out.files(), std::vector<std::string>{}) << shown;
    }
}

TEST(CaptureCommandLine, InterruptedRunLeavesNoFile) {
    for (int signal : {SIGINT, SIGTERM}) {
        Folder out;
        Outcome o = capture({"--width", "160", "--height", "120", "--to", "600", "-o", out / "v.mp4"}, &out, signal);
        EXPECT_EQ(o.status, 128 + signal) << o.err;
        EXPECT_EQ(lines(o.err), 1) << o.err;
        EXPECT_NE(o.err.find("interrupted"), std::string::npos) << o.err;
        EXPECT_EQ(out.files(), std::vector<std::string>{}) << "signal " << signal;
    }
}

// Frames before --from are played, so the same range comes out the same
// however it is reached, run after run: threads and the ring change nothing.
TEST(CaptureFile, SameRangeTwiceDecodesIdentically) {
    Folder out;
    for (const char* name : {"a.mkv", "b.mkv"}) {
        Outcome o = capture({"--width", "160", "--height", "120", "--fps", "25", "--warning", "1", "--from", "0.6",
                             "--to", "2.6", "-q", "-o", out / name});
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "");
    }
    DecodedFile a = decoded(out / "a.mkv"), b = decoded(out / "b.mkv");
    EXPECT_EQ(a.frames.size(), 50u);
    EXPECT_EQ(a.sound.size(), 2u * 50 * 1764);
    EXPECT_TRUE(a.frames == b.frames);
    EXPECT_TRUE(a.sound == b.sound);
}

// Lossless H.264 and FLAC: every decoded picture is the frame the software
// framebuffer draws at that time, through the colour tags of the file, and the
// sound is silence for the warning screen, then the module sample for sample.
TEST(CaptureFile, PicturesAndSoundAreTheShowsOwn) {
    Folder out;
    const int64_t fps = 25, frames = 110;  // the warning screen and the first 3.4 s of music
    Outcome o = capture({"--width", "160", "--height", "120", "--fps", "25", "--warning", "1", "--to", "4.4",
                         "--crf", "0", "-q", "-o", out / "v.mkv"});
    ASSERT_EQ(o.status, 0) << o.err;
    DecodedFile file = decoded(out / "v.mkv");
    ASSERT_EQ(file.frames.size(), size_t(frames));

    std::vector<std::vector<uint8_t>> drawn = drawnFrames(fps, 1, RATE, 0, frames);
    ASSERT_EQ(drawn.size(), size_t(frames));
    for (size_t k = 0; k < drawn.size(); ++k) {
        Difference d = compare(file.frames[k], drawn[k]);
        EXPECT_GT(d.flatPixels, W * H / 16) << "frame " << k;
        EXPECT_LE(d.worst, 2) << "frame " << k;
    }

    const int64_t total = frameSample(frames, fps, 1);
    Music music = hearMusic(total - RATE);
    ASSERT_EQ(file.sound.size(), size_t(total) * 2);
    std::vector<int16_t> expected(size_t(RATE) * 2, 0);
    expected.insert(expected.end(), music.samples.begin(), music.samples.end());
    EXPECT_TRUE(file.sound == expected);
}

// The first channel-2 hit: its grey flash first shows on the first frame whose
// time reaches the hit's sample, and the snare is heard in the frame period
// leading up to it (its attack may take a millisecond).
TEST(CaptureFile, SyncLandsOnItsFrame) {
    for (int64_t fps : {25, 40}) {  // frame times in exact decimals; 40 fps splits samples
        Music music = hearMusic(6 * RATE);
        ASSERT_GT(music.firstSnare, 0);
        const int64_t hit = RATE + music.firstSnare;  // after a one-second warning screen
        const int64_t flash = firstFrameAt(hit, fps, 1), from = flash - 6;
        Folder out;
        Outcome o = capture({"--width", "160", "--height", "120", "--fps", std::to_string(fps), "--warning", "1",
                             "--from", std::to_string(double(from) / double(fps)), "--to",
                             std::to_string(double(flash + 4) / double(fps)), "-q", "-o", out / "v.mkv"});
        ASSERT_EQ(o.status, 0) << o.err;
        DecodedFile file = decoded(out / "v.mkv");
        ASSERT_EQ(file.frames.size(), 10u) << fps << " fps";

        int64_t firstBright = -1;
        for (size_t i = 1; i < file.frames.size() && firstBright < 0; ++i)
            if (brightness(file.frames[i]) > brightness(file.frames[i - 1]) + 8) firstBright = from + int64_t(i);
        EXPECT_EQ(firstBright, flash) << fps << " fps";

        // The onset: the first 32 samples three times as loud as the 10 ms before.
        std::vector<int64_t> level(file.sound.size() / 2 + 1, 0);  // running sum
        for (size_t j = 0; j + 1 < level.size(); ++j)
            level[j + 1] = level[j] + std::abs(file.sound[2 * j]) + std::abs(file.sound[2 * j + 1]);
        int64_t onset = -1;
        for (size_t j = 441; j + 32 < level.size() && onset < 0; ++j) {
            double ahead = double(level[j + 32] - level[j]) / 32, before = double(level[j] - level[j - 441]) / 441;
            if (ahead > 3 * before && ahead > 2000) onset = frameSample(from, fps, 1) + int64_t(j);
        }
        EXPECT_GT(onset, frameSample(flash - 1, fps, 1)) << fps << " fps";
        EXPECT_LE(onset, frameSample(flash, fps, 1) + 64) << fps << " fps";
    }
}

// --from order:1 --to order:2 at 29.97 fps in an MP4: the range is exactly
// the frames on which order 1 is heard, and the streams last as long as the
// frames, to the tick.
TEST(CaptureFile, OrderRangeAndStreamLengths) {
    const int64_t num = 30000, den = 1001;
    Music music = hearMusic(20 * RATE);
    ASSERT_GT(music.orderStart[1], 0);
    ASSERT_GT(music.orderStart[2], music.orderStart[1]);
    const int64_t from = firstFrameAt(RATE + music.orderStart[1], num, den);
    const int64_t to = firstFrameAt(RATE + music.orderStart[2], num, den);

    Folder out;
    Outcome o = capture({"--width", "160", "--height", "120", "--fps", "30000/1001", "--warning", "1", "--from",
                         "order:1", "--to", "order:2", "--crf", "0", "-q", "-o", out / "v.mp4"});
    ASSERT_EQ(o.status, 0) << o.err;
    DecodedFile file = decoded(out / "v.mp4");
    ASSERT_EQ(int64_t(file.frames.size()), to - from);

    std::vector<std::vector<uint8_t>> drawn = drawnFrames(num, den, RATE, from - 1, from + 1);
    Difference first = compare(file.frames[0], drawn[1]), before = compare(file.frames[0], drawn[0]);
    EXPECT_GT(first.flatPixels, W * H / 4);
    EXPECT_LE(first.worst, 2) << "the first frame is the one on which order 1 is first heard";
    EXPECT_GT(before.worst, 40) << "and not the one before";

    ASSERT_GT(file.videoDuration, 0);
    ASSERT_GT(file.soundDuration, 0);
    EXPECT_EQ(file.videoFrameCount, to - from);
    // frames / fps == the video stream's duration, exactly
    EXPECT_EQ(__int128(to - from) * den * file.videoTimeBaseDen,
              __int128(file.videoDuration) * file.videoTimeBaseNum * num);
    double videoSeconds = double(file.videoDuration) * double(file.videoTimeBaseNum) / double(file.videoTimeBaseDen);
    double soundSeconds = double(file.soundDuration) * double(file.soundTimeBaseNum) / double(file.soundTimeBaseDen);
    EXPECT_NEAR(soundSeconds, videoSeconds, double(den) / double(num));
    EXPECT_NEAR(double(file.sound.size() / 2) / RATE, videoSeconds, double(den) / double(num));
}

// Where the music's moments fall, from the music alone, and the contact
// sheet's picks: every order from the one frame on which it is first heard,
// the end where the player says the song ends and nothing after it counted
// as an order; a tile inside each order (the short breaks too), the warning
// screen first and the ending after the music. And --from end: the video is
// the tail alone, the ending scene in silence, as long as asked.
TEST(CapturePlan, OrdersEndSheetTilesAndTail) {
    const int64_t fps = 10;
    OfflineClock clock;
    clock.fpsNum = fps;
    clock.warningSamples = RATE;
    OfflineMusicPlan plan;
    ASSERT_TRUE(planOfflineMusic(clock, fps * 600, -1, true, &plan));
    Music music = hearMusic(200 * RATE);
    ASSERT_GT(music.end, 0);

    EXPECT_EQ(plan.endSample, music.end);
    EXPECT_EQ(plan.endFrame, firstFrameAt(RATE + music.end, fps, 1));
    for (int o = 0; o < OFFLINE_ORDERS; ++o) {
        if (o > 20) {
            EXPECT_EQ(plan.orderFrame[o], -1) << "order " << o << " is past the end";
            continue;
        }
        ASSERT_GE(plan.orderFrame[o], 0) << "order " << o;
        if (o < 32 && music.orderStart[o] >= 0) {
            EXPECT_EQ(plan.orderFrame[o], firstFrameAt(RATE + music.orderStart[o], fps, 1)) << "order " << o;
        }
    }

    std::vector<SheetTile> tiles = contactSheetTiles(clock, plan);
    ASSERT_EQ(tiles.size(), 23u);
    EXPECT_EQ(tiles[0].order, -1);
    EXPECT_LT(tiles[0].frame, firstFrameAt(RATE, fps, 1));
    for (int o = 0; o <= 20; ++o) {
        const SheetTile& t = tiles[size_t(o) + 1];
        int64_t next = o < 20 ? plan.orderFrame[o + 1] : plan.endFrame;
        EXPECT_EQ(t.order, o);
        EXPECT_GE(t.frame, plan.orderFrame[o]) << "order " << o;
        EXPECT_LT(t.frame, next) << "order " << o;
    }
    EXPECT_EQ(tiles[22].order, -2);
    EXPECT_GE(tiles[22].frame, plan.endFrame + 2 * fps);

    const int64_t from = firstFrameAt(music.end, 5, 1), to = firstFrameAt(music.end + 14 * RATE / 10, 5, 1);
    Folder out;
    Outcome o = capture({"--width", "160", "--height", "120", "--fps", "5", "--warning", "0", "--from", "end",
                         "--tail", "1.4", "-q", "-o", out / "v.mkv"});
    ASSERT_EQ(o.status, 0) << o.err;
    DecodedFile file = decoded(out / "v.mkv");
    EXPECT_EQ(int64_t(file.frames.size()), to - from);
    EXPECT_EQ(int64_t(file.sound.size()), 2 * (frameSample(to, 5, 1) - frameSample(from, 5, 1)));
    EXPECT_TRUE(std::all_of(file.sound.begin(), file.sound.end(), [](int16_t v) { return v == 0; }));
}

// The sheet itself: every tile's frame whole in it (frames of 320 x 240 are
// not scaled), labels drawn beside them, and no sheet while a frame is missing.
TEST(CaptureSheet, EveryTileHoldsItsFrameWhole) {
    OfflineClock clock;
    clock.fpsNum = 10;
    clock.warningSamples = RATE;
    OfflineMusicPlan plan;
    for (int64_t& f : plan.orderFrame) f = -1;
    for (int o = 0; o <= 20; ++o) plan.orderFrame[o] = 20 + 30 * o;
    plan.endFrame = 20 + 30 * 21;
    plan.endSample = plan.endFrame * RATE / 10 - RATE;
    std::vector<SheetTile> tiles = contactSheetTiles(clock, plan);
    ASSERT_EQ(tiles.size(), 23u);

    std::string error;
    ContactSheet* sheet = openContactSheet(320, 240, clock, tiles, "VORTELAN", &error);
    ASSERT_NE(sheet, nullptr) << error;
    // Tile i is filled with red 40 + 9i, green 200 - 7i, blue 100 + 5i.
    std::vector<uint8_t> frame(320 * 240 * 4, 255);
    Folder out;
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (i + 1 == tiles.size()) {
            EXPECT_FALSE(writeContactSheet(sheet, (out / "early.png").c_str(), &error)) << "a frame is missing";
        }
        for (size_t p = 0; p < frame.size(); p += 4)
            frame[p] = uint8_t(40 + 9 * i), frame[p + 1] = uint8_t(200 - 7 * i), frame[p + 2] = uint8_t(100 + 5 * i);
        addToContactSheet(sheet, tiles[i].frame, frame.data(), 320 * 4);
    }
    ASSERT_TRUE(writeContactSheet(sheet, (out / "sheet.png").c_str(), &error)) << error;
    closeContactSheet(&sheet);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (out / "sheet.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    struct Box {
        int count = 0, left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
    };
    std::vector<Box> box(tiles.size());
    int lettering = 0;  // neither a tile nor the plain background
    for (int y = 0; y < int(image.height); ++y) {
        for (int x = 0; x < int(image.width); ++x) {
            const uint8_t* px = &rgb[(size_t(y) * image.width + size_t(x)) * 3];
            size_t i = size_t(px[0] - 40) / 9;
            if (px[0] >= 40 && (px[0] - 40) % 9 == 0 && i < tiles.size() && px[1] == 200 - 7 * i && px[2] == 100 + 5 * i) {
                Box& b = box[i];
                ++b.count, b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            } else if (px[0] != rgb[0] || px[1] != rgb[0] || px[2] != rgb[0]) {
                ++lettering;
            }
        }
    }
    for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(box[i].count, 320 * 240) << "tile " << i;
        EXPECT_EQ((box[i].right - box[i].left + 1) * (box[i].bottom - box[i].top + 1), 320 * 240) << "tile " << i;
    }
    EXPECT_GT(lettering, 23 * 200);
}

// The whole show with the defaults but a small picture: the video runs from
// the warning screen to six seconds after the end of the music, the tail is
// silent, and the contact sheet holds the warning screen, all 21 orders and
// the ending. Slow: scripts/test.sh runs it as a stage of its own.
TEST(CaptureWholeShow, RunsToTheEndingAndSheetsEveryOrder) {
    Music music = hearMusic(200 * RATE);
    ASSERT_GT(music.end, 0);
    const int64_t fps = 30, warning = 5 * RATE;
    const int64_t frames = firstFrameAt(warning + music.end + 6 * RATE, fps, 1);

    Folder out;
    Outcome o = capture({"--width", "320", "--height", "240", "--fps", "30", "-o", out / "show.mkv",
                         "--contact-sheet", out / "sheet.png"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("sheet.png: 23 pictures of the show"), std::string::npos) << o.err;
    DecodedFile file = decoded(out / "show.mkv");
    EXPECT_EQ(int64_t(file.frames.size()), frames);
    const int64_t samples = frameSample(frames, fps, 1);
    ASSERT_EQ(int64_t(file.sound.size()), 2 * samples);
    std::vector<int16_t> show(file.sound.begin() + 2 * warning, file.sound.begin() + 2 * (warning + music.end));
    EXPECT_TRUE(show == std::vector<int16_t>(music.samples.begin(), music.samples.begin() + 2 * music.end));
    EXPECT_TRUE(std::all_of(file.sound.begin() + 2 * (warning + music.end), file.sound.end(),
                            [](int16_t v) { return v == 0; }))
        << "the tail is silent";
}
