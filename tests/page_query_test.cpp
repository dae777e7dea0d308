// The page's address as settings: which pairs reach the INI reader and how
// they read there, the page's own frame, fps and t, and what nonsense gives.
#include <gtest/gtest.h>

#include <string>

#include "core/globals.h"
#include "core/ini.h"
#include "show/page_query.h"
#include "show/show_state.h"

TEST(PageQuery, PairsSplitDecodeAndGoWhereTheyBelong) {
    const struct {
        const char* query;
        const char* ini;  // what the INI reader gets
        bool still;
        int64_t frame, fpsNum, fpsDen;
        PageMoment::Kind start;
        int64_t num, den;
        size_t notes;
    } cases[] = {
        {"", "", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        {"?detail=2&music=0", "detail=2\nmusic=0\n", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        {"detail=2", "detail=2\n", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        // %-decoding and '+' in names and values; a bad escape stands for itself.
        {"?De%74ail=%33&x=a+b&y=%zz&z=%4", "Detail=3\nx=a b\ny=%zz\nz=%4\n", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        // An encoded line break ends the line, as in the file: a second pair.
        {"?x=a%0Adetail=%2B%41", "x=a\ndetail=+A\n", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        // Empty pairs are skipped; a name alone is a line without '='.
        {"?&&width&=5&", "width\n=5\n", false, 0, 60, 1, PageMoment::None, 0, 1, 0},
        // The page's own names in any case, the last one counting; not for the INI reader.
        {"?FRAME=12&Fps=30000/1001&frame=40", "", true, 40, 30000, 1001, PageMoment::None, 0, 1, 0},
        {"?frame=0&fps=29.97", "", true, 0, 2997, 100, PageMoment::None, 0, 1, 0},
        {"?frame=5&fps=240", "", true, 5, 240, 1, PageMoment::None, 0, 1, 0},
        {"?frame=5&fps=1", "", true, 5, 1, 1, PageMoment::None, 0, 1, 0},
        // A day of show at the rate is the furthest a frame goes.
        {"?frame=86400&fps=1", "", true, 86400, 1, 1, PageMoment::None, 0, 1, 0},
        {"?frame=86401&fps=1", "", false, 0, 1, 1, PageMoment::None, 0, 1, 1},
        {"?t=62.5", "", false, 0, 60, 1, PageMoment::Seconds, 625, 10, 0},
        {"?T=Order:16", "", false, 0, 60, 1, PageMoment::Order, 16, 1, 0},
        {"?t=order%3A255", "", false, 0, 60, 1, PageMoment::Order, 255, 1, 0},
        {"?t=END", "", false, 0, 60, 1, PageMoment::End, 0, 1, 0},
        {"?t=86400", "", false, 0, 60, 1, PageMoment::Seconds, 86400, 1, 0},
        // Nonsense: a console line each, and the defaults.
        {"?fps=0", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?fps=241&frame=3", "", true, 3, 60, 1, PageMoment::None, 0, 1, 1},
        {"?fps=1/0&fps=x&fps=-5&fps=1/2", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?frame=-1", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?frame=99999999999999999999", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?t=order:256", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?t=86400.5", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?t=1.2345678901", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
        {"?t=-3", "", false, 0, 60, 1, PageMoment::None, 0, 1, 1},
    };
    for (const auto& c : cases) {
        PageQuery q = readPageQuery(c.query);
        EXPECT_EQ(q.ini, c.ini) << c.query;
        EXPECT_EQ(q.still, c.still) << c.query;
        EXPECT_EQ(q.frame, c.frame) << c.query;
        EXPECT_EQ(q.fpsNum, c.fpsNum) << c.query;
        EXPECT_EQ(q.fpsDen, c.fpsDen) << c.query;
        EXPECT_EQ(q.start.kind, c.start) << c.query;
        if (c.start != PageMoment::None) {
            EXPECT_EQ(q.start.num, c.num) << c.query;
            EXPECT_EQ(q.start.den, c.den) << c.query;
        }
        EXPECT_EQ(q.notes.size(), c.notes) << c.query;
    }
    EXPECT_EQ(readPageQuery(nullptr).ini, "");
}

// The settings reach the INI reader's rules: blanks dropped, names in any
// case, values as the command line reads them; and the warning screen's length
// on the capture's clock in whole seconds.
TEST(PageQuery, SettingsReadByTheIniRulesAndTheWarningInWholeSeconds) {
    const struct {
        const char* query;
        int width, height, detail, noSound;
        uint32_t warningMillis;
        int64_t warningSamples;
    } cases[] = {
        {"", 1280, 960, 1, 0, 5000, 5 * 44100},
        {"?WIDTH=+800&height=600&detail=3&music=0&warning=2", 800, 600, 4, 1, 2001, 2 * 44100},
        {"?width=100&height=-5&detail=abc&music=x&warning=0", 320, 240, 1, 1, 1, 0},
        {"?width=1024&width=640", 640, 960, 1, 0, 5000, 5 * 44100},
        {"?warning=-1", 1280, 960, 1, 0, 4294966297u, int64_t(4294966) * 44100},
    };
    for (const auto& c : cases) {
        resetDemoGlobals();
        PageQuery q = readPageQuery(c.query);
        loadIniText(q.ini.c_str(), q.ini.size());
        EXPECT_EQ(screenWidth, c.width) << c.query;
        EXPECT_EQ(screenHeight, c.height) << c.query;
        EXPECT_EQ(detailStep, c.detail) << c.query;
        EXPECT_EQ(noSound, c.noSound) << c.query;
        EXPECT_EQ(warningMillis, c.warningMillis) << c.query;
        EXPECT_EQ(pageWarningSamples(warningMillis), c.warningSamples) << c.query;
    }
    resetDemoGlobals();
}

TEST(ShowState, OneLineWithEveryPartOfTheStateToTheBit) {
    resetDemoGlobals();
    EXPECT_EQ(showStateText().substr(0, 34), "phase 0 order 0 channels 0/0000000");
    syncChannels[13].count.store(7);
    setSyncPulse(13, 0.5f);
    orderReached = 16;
    demoPhase.store(-1);
    polarity = 0.05f;
    cellGap = 0;
    std::string s = showStateText();
    EXPECT_NE(s.find("phase -1 order 16 "), std::string::npos) << s;
    EXPECT_NE(s.find(" 7/3f000000 "), std::string::npos) << s;
    EXPECT_NE(s.find("colour 3e4ccccd 3f333333 3d4ccccd 0 counter "), std::string::npos) << s;
    resetDemoGlobals();
}
