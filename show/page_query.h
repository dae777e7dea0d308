#pragma once
// The web page's address as settings. Its query ("?detail=2&music=0") holds
// the same pairs as "vortelan.ini", which go to the INI reader as its lines,
// and three of the page's own: frame, fps and t. Names are matched without
// regard to case; the last of a name counts; pairs are %-decoded ('+' is a
// blank, which the INI reader drops anyway).
#include <cstdint>
#include <string>
#include <vector>

// Where a shared link starts the show: seconds since the music began, the
// moment an order is first heard, or the end of the music.
struct PageMoment {
    enum Kind { None, Seconds, Order, End } kind = None;
    int64_t num = 0;  // Seconds: num / den; Order: the order
    int64_t den = 1;
};

constexpr int64_t PAGE_LONGEST_SECONDS = 24 * 3600;  // frame and t reach no further
constexpr int PAGE_ORDERS = 256;

struct PageQuery {
    std::string ini;            // the settings' pairs, one "key=value" line each
    bool still = false;         // frame=K: draw frame K on the capture's clock and hold it
    int64_t frame = 0;
    int64_t fpsNum = 60, fpsDen = 1;  // fps=60, 29.97 or 30000/1001; 1 to 240
    PageMoment start;           // t=SECONDS, t=order:N or t=end
    std::vector<std::string> notes;  // one console line for each page pair that made no sense
};

// query: the address's query, with or without its '?'.
PageQuery readPageQuery(const char* query);

// The warning screen's length on the capture's clock, for stills and t=: the
// whole seconds the settings' warningMillis stands for (the "warning" setting
// makes it seconds x 1000 + 1, the default is 5000).
int64_t pageWarningSamples(uint32_t warningMillis);
