// Settings from the command line and from the INI file: defaults, clamps, the
// two option groups, derived geometry and the cut-off of overlong input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/config.h"
#include "app/globals.h"
#include "tests/capture_fd.h"

namespace {
struct Settings {
    int width;
    int height;
    int detail;
    int fullscreen;
    uint32_t warning;
    int noSound;
    bool operator==(const Settings&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Settings& s) {
    return os << "{" << s.width << "x" << s.height << " detail " << s.detail << " fullscreen " << s.fullscreen
              << " warning " << s.warning << " noSound " << s.noSound << "}";
}

Settings current() { return {screenWidth, screenHeight, detailStep, fullscreen, warningMillis, noSound}; }

constexpr Settings DEFAULTS{1280, 960, 1, 1, 5000, 0};

Settings with(int width, int height) {
    Settings s = DEFAULTS;
    s.width = width;
    s.height = height;
    return s;
}

// Globals far from the defaults, so a parse that skips them shows up.
void scramble() {
    screenWidth = 7;
    screenHeight = 7;
    detailStep = 7;
    fullscreen = 7;
    warningMillis = 7;
    noSound = 7;
}

class TempDir {
   public:
    TempDir() {
        std::string pattern = std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/vortelan-ini-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        path_ = mkdtemp(buffer.data()) ? buffer.data() : "";
    }
    ~TempDir() {
        for (const std::string& f : files_) unlink(f.c_str());
        rmdir(path_.c_str());
    }
    std::string write(const std::string& content) {
        std::string name = path_ + "/vortelan" + std::to_string(files_.size()) + ".ini";
        FILE* f = std::fopen(name.c_str(), "wb");
        if (f) {
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        files_.push_back(name);
        return name;
    }
    const std::string& path() const { return path_; }

   private:
    std::string path_;
    std::vector<std::string> files_;
};

struct Case {
    std::string input;
    Settings expected;
};

void runCommandLines(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        resetDemoGlobals();
        scramble();
        splitCommandLine(c.input.c_str());
        EXPECT_EQ(current(), c.expected) << "command line '" << c.input << "'";
    }
}

void runIniFiles(const std::vector<Case>& cases) {
    TempDir dir;
    for (const Case& c : cases) {
        resetDemoGlobals();
        scramble();
        std::string file = dir.write(c.input);
        loadIniFile(file.c_str());
        EXPECT_EQ(current(), c.expected) << "file content '" << c.input << "'";
    }
}

Settings fs(int v) { Settings s = DEFAULTS; s.fullscreen = v; return s; }
Settings warn(uint32_t v) { Settings s = DEFAULTS; s.warning = v; return s; }
Settings silent(int v) { Settings s = DEFAULTS; s.noSound = v; return s; }
Settings detail(int v) { Settings s = DEFAULTS; s.detail = v; return s; }
}  // namespace

TEST(Config, CompareNoCaseFoldsOnlyAsciiLettersAndReturnsSignedDifference) {
    struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"/WIDTH", "/WIDTH", 0},
        {"/width", "/WIDTH", 0},
        {"/wIdTh", "/WIDTH", 0},
        {"/WIDTHX", "/WIDTH", 'X'},
        {"/WIDTH", "/WIDTHX", -'X'},
        {"a", "b", 'A' - 'B'},
        {"{", "[", '{' - '['},          // braces are not brackets in another case
        {"\xE9", "\xC9", -23 - -55},     // bytes above 127 stay as they are, read as signed
        {"\xE9", "A", -23 - 'A'},
        {"", "", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(compareNoCase(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST(Config, DetailLevelsMapToPowersOfTwo) {
    const int levels[] = {-1, 0, 1, 2, 3, 4, 5, 6, 7, 100};
    const int steps[] = {1, 1, 1, 2, 4, 8, 16, 32, 1, 1};
    for (int i = 0; i < 10; ++i) {
        detailStep = 99;
        setDetailLevel(levels[i]);
        EXPECT_EQ(detailStep, steps[i]) << "level " << levels[i];
    }
}

TEST(Config, CommandLineOptionsClampsAndGroups) {
    runCommandLines({
        {"/width 800 /height 600", with(800, 600)},
        {"/Width 900", with(900, 960)},
        {"/WIDTH 100", with(320, 960)},
        {"/WIDTH -5", with(320, 960)},
        {"/WIDTH 321", with(321, 960)},
        {"/HEIGHT 240", with(1280, 240)},
        {"/HEIGHT 241", with(1280, 241)},
        {"/HEIGHT 0", with(1280, 240)},
        {"/HEIGHT 2000", with(1280, 2000)},  // tall screens are served
        {"/WIDTH +800", with(800, 960)},
        {"/WIDTH 800abc", with(800, 960)},
        {"/WIDTH 0x400", with(320, 960)},
        {"/WIDTH \"800\"", with(320, 960)},      // quotes are ordinary characters
        {"/WIDTH 99999999999", with(2147483647, 960)},  // saturates instead of wrapping
        {"/FULLSCREEN 0", fs(0)},
        {"/FULLSCREEN 2", fs(0)},
        {"/FULLSCREEN 3", fs(1)},
        {"/FULLSCREEN -1", fs(1)},
        {"/WARNING 0", warn(1)},
        {"/WARNING 5", warn(5001)},
        {"/WARNING -1", warn(4294966297u)},
        {"/MUSIC 0", silent(1)},
        {"/MUSIC off", silent(1)},
        {"/MUSIC 1", silent(0)},
        {"/MUSIC 7", silent(0)},
        {"/DETAIL 3", detail(4)},
        {"/DETAIL 6", detail(32)},
        {"/DETAIL 9", detail(1)},
        {"/width 800 /WIDTH 640", with(640, 960)},  // the last one wins
        {"/WIDTHX 800", DEFAULTS},
        {"/WIDTH", DEFAULTS},                       // a lone option at the end
        {"/WIDTH 800 /HEIGHT", with(800, 960)},
        {"/WIDTH 800 /FULLSCREEN", with(800, 960)},
        {"foo /WIDTH 800", with(800, 960)},
        {"800 /WIDTH", DEFAULTS},
        {"/WIDTH  800", with(320, 960)},            // empty value token, '800' passed over
        {" /WIDTH 800", with(800, 960)},            // leading empty token
        {"/WIDTH 800 ", with(800, 960)},            // trailing empty token
        {"/WIDTH\t800", DEFAULTS},                  // a tab does not split
        // The second group reads the first group's value token as an option.
        {"/WIDTH /MUSIC 0", [] { Settings s = with(320, 960); s.noSound = 1; return s; }()},
        // ...but the first group does not look again at its own value token.
        {"/HEIGHT /WIDTH 800", with(1280, 240)},
        // One option of the second group per pass: '3' is passed over.
        {"/FULLSCREEN /WARNING 3", fs(0)},
        {"/DETAIL 2 /FULLSCREEN 0 /WARNING 0 /MUSIC 0 /WIDTH 640 /HEIGHT 480",
         Settings{640, 480, 2, 0, 1, 1}},
    });
}

TEST(Config, DerivedGeometryComesFromWidthAndHeight) {
    struct {
        const char* commandLine;
        float viewWidth, viewHeight;
        int across, down;
    } cases[] = {
        {"/WIDTH 800 /HEIGHT 600", 800.0f, 600.0f, 13, 10},
        {"/WIDTH 1000", 1000.0f, 750.0f, 16, 15},
        {"/WIDTH 1280 /HEIGHT 960", 1280.0f, 960.0f, 20, 15},
        {"/WIDTH 1280 /HEIGHT 1024", 1280.0f, 960.0f, 20, 16},  // view height from the width
        {"/WIDTH 320 /HEIGHT 240", 320.0f, 240.0f, 5, 4},
        {"/WIDTH 640 /HEIGHT 480", 640.0f, 480.0f, 10, 8},
        {"/WIDTH 641 /HEIGHT 481", 641.0f, 480.75f, 11, 8},
        {"/WIDTH 1921 /HEIGHT 1729", 1921.0f, 1440.75f, 31, 28},
    };
    for (const auto& c : cases) {
        resetDemoGlobals();
        viewWidth = viewHeight = -1.0f;
        blocksAcross = blocksDown = -1;
        splitCommandLine(c.commandLine);
        EXPECT_EQ(viewWidth, c.viewWidth) << c.commandLine;
        EXPECT_EQ(viewHeight, c.viewHeight) << c.commandLine;
        EXPECT_EQ(blocksAcross, c.across) << c.commandLine;
        EXPECT_EQ(blocksDown, c.down) << c.commandLine;
    }
    resetDemoGlobals();
    scramble();
    blocksAcross = blocksDown = -1;
    parseOptions(0, nullptr);
    EXPECT_EQ(current(), DEFAULTS);
    EXPECT_EQ(viewWidth, 1280.0f);
    EXPECT_EQ(viewHeight, 960.0f);
    EXPECT_EQ(blocksAcross, 20);
    EXPECT_EQ(blocksDown, 15);
}

TEST(Config, OverlongCommandLinesAreCutOff) {
    // 244 characters of padding put "/WIDTH 1000" at positions 244..254, the
    // last ones a 255-character command line holds.
    const std::string pad = std::string(243, 'x') + " ";
    runCommandLines({
        {pad + "/WIDTH 1000", with(1000, 960)},
        {pad + "/WIDTH 10000", with(1000, 960)},
        {pad + "/WIDTH 1000 /HEIGHT 600", with(1000, 960)},
        {std::string(5000, 'x'), DEFAULTS},
        {std::string(5000, ' '), DEFAULTS},
        // 124 empty tokens, then four more: the list of 128 holds them all...
        {std::string(124, ' ') + "/WIDTH 800 /HEIGHT 600", with(800, 600)},
        // ...one more and "/HEIGHT" is the last token the list takes, alone.
        {std::string(125, ' ') + "/WIDTH 800 /HEIGHT 600", with(800, 960)},
        {std::string(200, ' ') + "/WIDTH 800", DEFAULTS},
    });
}

TEST(Config, IniFileLinesPairsAndComments) {
    runIniFiles({
        {"width=800\nheight=600\n", with(800, 600)},
        {"width = 800", with(800, 960)},                       // last line without a line break
        {"width=800\r\nheight=600", with(800, 600)},
        {"width=640\t", with(640, 960)},                       // last byte a dropped blank
        {"width=640 \n\n\n", with(640, 960)},
        {"#width=800\n", DEFAULTS},
        {"  # width = 800\n", DEFAULTS},                       // blanks go before '#' is seen
        {"height=600 # not a comment\n", with(1280, 600)},     // value '600#notacomment'
        {"=800\nwidth=\n", DEFAULTS},
        {"width=8=0\n", with(320, 960)},
        {"width==800\n", with(320, 960)},                      // the first '=' splits
        {"width\n800\n", DEFAULTS},
        {"w i d t h = 6 4 0", with(640, 960)},
        {"WIDTH=640\nwidth=700\n", with(700, 960)},
        {"a=b\nwidth=640", with(640, 960)},
        {"full screen = 0\n", fs(0)},
        {"warning=-1\n", warn(4294966297u)},
        {"music = off\n", silent(1)},
        {"detail=3\n", detail(4)},
        {"/width=800\n", DEFAULTS},                            // key '//width'
        {"", DEFAULTS},
        {"\n\r\n", DEFAULTS},
    });
}

TEST(Config, OverlongIniInputIsCutOff) {
    const std::string thousand = "width=" + std::string(117, '0') + "1000";  // 127 characters
    ASSERT_EQ(thousand.size(), 127u);
    auto pair = [](int k) {  // 4 + 4 + 3 = 11 bytes of the token store
        char text[16];
        std::snprintf(text, sizeof text, "k%03d=vvvv\n", k);
        return std::string(text);
    };
    std::string pairs22, pairs23;
    for (int k = 0; k < 22; ++k) pairs22 += pair(k);
    pairs23 = pairs22 + pair(22);
    std::string capped = "width=640\n";
    capped += std::string(INI_READ_LIMIT - capped.size() - 10, '\n') + "height=600";

    runIniFiles({
        {thousand, with(1000, 960)},
        {thousand + "0", with(1000, 960)},                         // the 128th character is dropped
        {thousand + "0\nheight=600", with(1000, 600)},
        {std::string(10000, 'x') + "\nwidth=640", with(640, 960)},
        {std::string(200, 'x') + "=5\nwidth=640", with(640, 960)},  // its '=' was cut away
        {std::string(10000, 'x') + "=5", DEFAULTS},
        // 22 pairs take 242 bytes: "width=800" needs 11 more and fits in 256...
        {pairs22 + "width=800\n", with(800, 960)},
        // ...after 23 pairs (253 bytes) it does not and is left out.
        {pairs23 + "width=800\n", DEFAULTS},
        // Two lines of 127 characters need 129 bytes each: the second is left out,
        // a short pair after it still fits.
        {"k" + std::string(120, 'v') + "=height" + "\n" + thousand + "\nheight=600\n", with(1280, 600)},
        // Only the first INI_READ_LIMIT bytes are read; the last of them ends the line.
        {capped + "0\nwidth=800\n", with(640, 600)},
    });
}

TEST(Config, MissingOrUnreadableIniFileGivesDefaults) {
    TempDir dir;
    std::string missing = dir.path() + "/nothing-here.ini";
    resetDemoGlobals();
    scramble();
    std::string out = captureStdout([&] { loadIniFile(missing.c_str()); });
    EXPECT_EQ(out, "file `" + missing + "` is missing..");
    EXPECT_EQ(current(), DEFAULTS);
    EXPECT_EQ(blocksAcross, 20);

    // A directory of that name cannot be read either: the same line, defaults.
    resetDemoGlobals();
    scramble();
    out = captureStdout([&] { loadIniFile(dir.path().c_str()); });
    EXPECT_EQ(out, "file `" + dir.path() + "` is missing..");
    EXPECT_EQ(current(), DEFAULTS);

    // Nor can a FIFO, which must not block start-up waiting for a writer. Should
    // the read block, a writer comes after a while to let the test end.
    std::string fifo = dir.path() + "/fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    resetDemoGlobals();
    scramble();
    std::atomic<bool> done{false};
    bool blocked = false;
    out = captureStdout([&] {
        std::thread reader([&] {
            loadIniFile(fifo.c_str());
            done = true;
        });
        for (int waited = 0; !done && waited < 3000; waited += 10) usleep(10000);
        blocked = !done;
        if (blocked) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        reader.join();
    });
    unlink(fifo.c_str());
    EXPECT_FALSE(blocked) << "reading a FIFO waited for a writer";
    EXPECT_EQ(out, "file `" + fifo + "` is missing..");
    EXPECT_EQ(current(), DEFAULTS);
}

TEST(Config, TestOptionShowsTheNumberAndChangesNothing) {
    setenv("VORTELAN_MESSAGES", "stderr", 1);
    resetDemoGlobals();
    scramble();
    std::string err = captureStderr([] { splitCommandLine("/TEST 42"); });
    EXPECT_EQ(err, "please note: number 42\n");
    EXPECT_EQ(current(), DEFAULTS);

    resetDemoGlobals();
    err = captureStderr([] { splitCommandLine("/WIDTH 800 /TEST -7 /HEIGHT 600"); });
    EXPECT_EQ(err, "please note: number -7\n");
    EXPECT_EQ(current(), with(800, 600));

    TempDir dir;
    std::string file = dir.write("test = 5\nwidth=640\n");
    resetDemoGlobals();
    err = captureStderr([&] { loadIniFile(file.c_str()); });
    EXPECT_EQ(err, "please note: number 5\n");
    EXPECT_EQ(current(), with(640, 960));
    resetDemoGlobals();
}
