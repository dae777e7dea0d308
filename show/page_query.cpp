// The page's query: %-decoding, the page's own pairs, the rest for the INI reader.
#include "show/page_query.h"

#include <cctype>
#include <cstring>

#include "core/config.h"

namespace {
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX and '+'; a '%' not followed by two hex digits stands for itself.
std::string decode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool digitsOnly(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// A whole number of at most max; false for anything else.
bool parseWhole(const std::string& s, int64_t max, int64_t* value) {
    if (!digitsOnly(s) || s.size() > 18) return false;
    int64_t v = std::stoll(s);
    if (v > max) return false;
    *value = v;
    return true;
}

// "12", "12.5" or ".25" as an exact fraction of at most max.
bool parseDecimal(const std::string& s, int64_t max, int64_t* num, int64_t* den) {
    size_t point = s.find('.');
    std::string whole = s.substr(0, point), fraction = point == std::string::npos ? "" : s.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || (!whole.empty() && !digitsOnly(whole)) ||
        (!fraction.empty() && !digitsOnly(fraction)) || fraction.size() > 9 || whole.size() > 9)
        return false;
    int64_t n = whole.empty() ? 0 : std::stoll(whole), d = 1;
    for (char c : fraction) {
        n = n * 10 + (c - '0');
        d *= 10;
    }
    if (n > max * d) return false;
    *num = n;
    *den = d;
    return true;
}

bool parseRate(const std::string& s, int64_t* num, int64_t* den) {
    size_t slash = s.find('/');
    int64_t n, d;
    if (slash != std::string::npos) {
        if (!parseWhole(s.substr(0, slash), 240000000, &n) || !parseWhole(s.substr(slash + 1), 240000000, &d) || d == 0)
            return false;
    } else if (!parseDecimal(s, 240, &n, &d)) {
        return false;
    }
    if (n < d || n > 240 * d) return false;  // 1 to 240 frames a second
    *num = n;
    *den = d;
    return true;
}

bool parseMoment(const std::string& s, PageMoment* m) {
    int64_t n, d;
    if (compareNoCase(s.c_str(), "end") == 0) {
        m->kind = PageMoment::End;
    } else if (s.size() > 6 && compareNoCase(s.substr(0, 6).c_str(), "order:") == 0) {
        if (!parseWhole(s.substr(6), PAGE_ORDERS - 1, &n)) return false;
        m->kind = PageMoment::Order;
        m->num = n;
    } else if (parseDecimal(s, PAGE_LONGEST_SECONDS, &n, &d)) {
        m->kind = PageMoment::Seconds;
        m->num = n;
        m->den = d;
    } else {
        return false;
    }
    return true;
}
}  // namespace

int64_t pageWarningSamples(uint32_t warningMillis) { return static_cast<int64_t>(warningMillis / 1000) * 44100; }

PageQuery readPageQuery(const char* query) {
    PageQuery q;
    std::string text = query ? query : "";
    if (!text.empty() && text[0] == '?') text.erase(0, 1);
    std::string frameText, fpsText, startText;
    bool hasFrame = false, hasFps = false, hasStart = false;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('&', at);
        if (end == std::string::npos) end = text.size();
        std::string pair = text.substr(at, end - at);
        at = end + 1;
        if (pair.empty()) continue;
        size_t eq = pair.find('=');
        std::string key = decode(pair.substr(0, eq)), value = eq == std::string::npos ? "" : decode(pair.substr(eq + 1));
        if (compareNoCase(key.c_str(), "frame") == 0) {
            frameText = value;
            hasFrame = true;
        } else if (compareNoCase(key.c_str(), "fps") == 0) {
            fpsText = value;
            hasFps = true;
        } else if (compareNoCase(key.c_str(), "t") == 0) {
            startText = value;
            hasStart = true;
        } else {
            q.ini += key + (eq == std::string::npos ? "" : "=" + value) + "\n";
        }
    }
    if (hasFps && !parseRate(fpsText, &q.fpsNum, &q.fpsDen))
        q.notes.push_back("fps=" + fpsText + " is not a rate of 1 to 240 frames a second; 60 it is");
    if (hasFrame) {
        int64_t limit = PAGE_LONGEST_SECONDS * q.fpsNum / q.fpsDen;
        if (parseWhole(frameText, limit, &q.frame))
            q.still = true;
        else
            q.notes.push_back("frame=" + frameText + " is not a frame number within a day of show; the show plays");
    }
    if (hasStart && !parseMoment(startText, &q.start))
        q.notes.push_back("t=" + startText + " is not seconds, order:N or end; the show starts at its beginning");
    return q;
}
