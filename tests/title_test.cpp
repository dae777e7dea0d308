// Window titles from the calendar clock: known titles, and the shape of every
// title the 65537 possible seeds can give.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/title.h"

namespace {
std::string titleFor(uint32_t t) {
    char out[TITLE_CAPACITY];
    std::memset(out, '#', sizeof out);
    composeWindowTitle(t, out);
    return std::string(out);
}
}  // namespace

TEST(Title, KnownTitlesAndFinalGeneratorState) {
    struct {
        uint32_t t;
        const char* title;
        uint32_t state;
    } cases[] = {
        {1000000000u, "VORTELAN 4747:  hir id huuk, manan jeesi jeen", 20639},
        {0u, "VORTELAN 2626:  zijkzis sijnnek doedo zier, ak schaaki wudud", 48464},
        {4294967295u, "VORTELAN 2626:  zijkzis sijnnek doedo zier, ak schaaki wudud", 48464},
        {1u, "VORTELAN 2140:  as goommop aar, iem muida ur aar", 46548},
        {1234567890u, "VORTELAN 4459:  demem ir in at, ijs schur zeer gimim", 25202},
    };
    for (const auto& c : cases) {
        rngState = 12345;
        EXPECT_EQ(titleFor(c.t), c.title) << "t = " << c.t;
        EXPECT_EQ(rngState, c.state) << "t = " << c.t;
    }
    resetDemoGlobals();
}

TEST(Title, EverySeedGivesAWellFormedTitle) {
    int commaAfter[2] = {0, 0};
    int wordCounts[9] = {};
    for (uint32_t t = 0; t < 65537u; ++t) {
        std::string title = titleFor(t);
        SCOPED_TRACE("t = " + std::to_string(t) + ": '" + title + "'");
        ASSERT_LE(title.size(), 112u);

        ASSERT_EQ(title.compare(0, 9, "VORTELAN "), 0);
        size_t colon = title.find(':');
        ASSERT_EQ(colon, 13u);
        int number = std::atoi(title.c_str() + 9);
        ASSERT_GE(number, 1234);
        ASSERT_LE(number, 5677);
        ASSERT_EQ(title.compare(colon, 3, ":  "), 0);  // the prefix blank and the first word's

        // Words are letters from the tables, each after one blank; one comma
        // directly after the third or fourth word.
        std::vector<std::string> words;
        size_t commaWord = 0;
        int commas = 0;
        for (size_t i = colon + 2; i < title.size(); ++i) {
            char c = title[i];
            if (c == ' ') {
                words.emplace_back();
            } else if (c == ',') {
                ++commas;
                ASSERT_FALSE(words.empty());
                ASSERT_FALSE(words.back().empty()) << "comma after a blank";
                commaWord = words.size();
            } else {
                ASSERT_TRUE(std::strchr("acdeghijkmnoprstuvwz", c)) << "letter '" << c << "'";
                ASSERT_FALSE(words.empty());
                words.back() += c;
            }
        }
        ASSERT_EQ(commas, 1);
        ASSERT_GE(words.size(), 6u);
        ASSERT_LE(words.size(), 8u);
        for (const std::string& w : words) ASSERT_GE(w.size(), 2u);
        ASSERT_TRUE(commaWord == 3 || commaWord == 4);
        ASSERT_GE(words.size() - commaWord, 3u);
        ++commaAfter[commaWord - 3];
        ++wordCounts[words.size()];
    }
    // Both comma places and all three word counts occur.
    EXPECT_GT(commaAfter[0], 1000);
    EXPECT_GT(commaAfter[1], 1000);
    for (int n = 6; n <= 8; ++n) EXPECT_GT(wordCounts[n], 1000) << n << " words";
    resetDemoGlobals();
}
