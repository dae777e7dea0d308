// The score. One bar is 16 rows (a row is a sixteenth note at speed 6,
// tempo 125), one chord per bar, four bars per pattern. The pictures count
// some percussion hits, so those parts are placed row by row below; the
// comments give the counts they add up to.
#include "tools/make_module/song.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/make_module/sounds.h"

namespace {

enum Channel {
    CH_KICK, CH_SNARE, CH_HAT, CH_SHAKER, CH_BLOCK, CH_CLAP, CH_OPEN_HAT, CH_CRASH, CH_TOM, CH_IMPACT,
    CH_BASS, CH_PAD, CH_PAD_2, CH_PAD_3, CH_LEAD, CH_ECHO, CH_CONTROL, CHANNELS
};

constexpr int ROWS = 64;
constexpr int BAR = 16;
constexpr uint8_t C5 = 60;
constexpr uint8_t DEFAULT = IT_VOLUME_NONE;  // the sample's default volume
constexpr int ECHO_ROWS = 3;
constexpr uint8_t MASTER_LEVEL = 97;  // instrument global volume, of 128

// --- Harmony -----------------------------------------------------------------

enum PitchClass { PC_C = 0, PC_D = 2, PC_E = 4, PC_F = 5, PC_G = 7, PC_A = 9, PC_B = 11 };

// Natural minor: every section keeps to one such scale.
bool inMinorScale(int tonic, int note) {
    static const bool degree[12] = {1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1, 0};
    return degree[((note - tonic) % 12 + 12) % 12];
}

// Letter, then an optional '#' or 'b'.
int parsePitchClass(const char*& s) {
    static const int letters[7] = {PC_A, PC_B, PC_C, PC_D, PC_E, PC_F, PC_G};
    if (*s < 'A' || *s > 'G') return -1;
    int pc = letters[*s++ - 'A'];
    if (*s == '#') ++pc, ++s;
    else if (*s == 'b') --pc, ++s;
    return (pc + 12) % 12;
}

struct Chord {
    int tones[3];  // root, third, fifth as pitch classes
};

// "Am F C G": one triad per bar, 'm' for minor.
std::vector<Chord> parseChords(const char* text) {
    std::vector<Chord> chords;
    const char* s = text;
    while (*s) {
        if (*s == ' ') {
            ++s;
            continue;
        }
        const int root = parsePitchClass(s);
        if (root < 0) {
            std::fprintf(stderr, "make_module: bad chord in \"%s\"\n", text);
            std::exit(1);
        }
        const bool minor = *s == 'm';
        if (minor) ++s;
        chords.push_back(Chord{{root, (root + (minor ? 3 : 4)) % 12, (root + 7) % 12}});
    }
    return chords;
}

// Bass between A-2 and G#-3, pad voices between G-4 and F#-5 (close voicing
// that keeps common tones in place from chord to chord).
uint8_t bassNote(int pc) { return uint8_t(pc >= PC_A ? 24 + pc : 36 + pc); }
uint8_t padNote(int pc) { return uint8_t(48 + pc < 55 ? 60 + pc : 48 + pc); }

// A melody line, one token per row: a note such as "A5", "C#6" or "Bb5"
// (IT octaves: C-5 is 60), "." holds, "-" releases; "|" marks bars.
constexpr int HOLD = -1, RELEASE = -2;
std::vector<int> parseLine(const char* text, int rows) {
    std::vector<int> line;
    const char* s = text;
    while (*s) {
        if (*s == ' ' || *s == '|') {
            ++s;
        } else if (*s == '.') {
            line.push_back(HOLD), ++s;
        } else if (*s == '-') {
            line.push_back(RELEASE), ++s;
        } else {
            const int pc = parsePitchClass(s);
            if (pc < 0 || *s < '0' || *s > '9') break;
            line.push_back(12 * (*s++ - '0') + pc);
        }
    }
    if (int(line.size()) != rows) {
        std::fprintf(stderr, "make_module: melody of %zu rows, pattern has %d: \"%s\"\n", line.size(), rows, text);
        std::exit(1);
    }
    return line;
}

// --- Writing cells --------------------------------------------------------------

struct Score {
    ItPattern pattern;
    int rows;

    explicit Score(int r) : pattern(itEmptyPattern(r, CHANNELS)), rows(r) {}
    ItCell& at(int row, int ch) { return itCell(pattern, CHANNELS, row, ch); }
    void put(int row, int ch, uint8_t ins, uint8_t volume = DEFAULT, uint8_t note = C5) {
        if (row < 0 || row >= rows) return;
        ItCell& c = at(row, ch);
        c.note = note;
        c.instrument = ins;
        c.volume = volume;
    }
    void release(int row, int ch) {
        ItCell& c = at(row, ch);
        c.note = IT_NOTE_OFF;
        c.instrument = 0;
        c.volume = DEFAULT;
    }
    // The same hit on rows first, first + step, ... below `end`.
    void every(int ch, uint8_t ins, int first, int step, int end = ROWS, uint8_t volume = DEFAULT,
               uint8_t note = C5) {
        for (int r = first; r < end && r < rows; r += step) put(r, ch, ins, volume, note);
    }
    void control(int row, uint8_t effect, uint8_t param) {
        ItCell& c = at(row, CH_CONTROL);
        c.effect = effect;
        c.param = param;
    }
};

// Held chords, one per bar, `volume` per bar or one for all.
void pad(Score& s, const std::vector<Chord>& chords, std::initializer_list<uint8_t> volumes) {
    const uint8_t* v = volumes.begin();
    for (size_t b = 0; b < chords.size(); ++b) {
        const uint8_t vol = v[b < volumes.size() ? b : volumes.size() - 1];
        for (int i = 0; i < 3; ++i) s.put(int(b) * BAR, CH_PAD + i, INS_PAD, vol, padNote(chords[b].tones[i]));
    }
}

// A bass figure per bar: 'R' root, 'O' octave up, 'F' fifth, '-' release, '.' rest or hold.
void bass(Score& s, const std::vector<Chord>& chords, const char* figure, uint8_t volume, int firstBar = 0) {
    const int len = int(std::strlen(figure));
    for (size_t b = size_t(firstBar); b < chords.size(); ++b) {
        const uint8_t root = bassNote(chords[b].tones[0]);
        for (int i = 0; i < len && i < BAR; ++i) {
            const int row = int(b) * BAR + i;
            switch (figure[i]) {
            case 'R': s.put(row, CH_BASS, INS_BASS, volume, root); break;
            case 'O': s.put(row, CH_BASS, INS_BASS, uint8_t(volume - 6), uint8_t(root + 12)); break;
            case 'F': s.put(row, CH_BASS, INS_BASS, uint8_t(volume - 4), bassNote(chords[b].tones[2])); break;
            case '-': s.release(row, CH_BASS); break;
            default: break;
            }
        }
    }
}

// The lead, and its echo three rows later on the other side, kept inside the
// pattern so that no note spills into a section in another key.
void lead(Score& s, const char* text, uint8_t volume, uint8_t echoVolume) {
    const std::vector<int> line = parseLine(text, s.rows);
    for (int r = 0; r < s.rows; ++r) {
        if (line[size_t(r)] == HOLD) continue;
        for (int k = 0; k < 2; ++k) {
            const int row = r + k * ECHO_ROWS, ch = k ? CH_ECHO : CH_LEAD;
            if (row >= s.rows) continue;
            if (line[size_t(r)] == RELEASE)
                s.release(row, ch);
            else
                s.put(row, ch, INS_LEAD, k ? echoVolume : volume, uint8_t(line[size_t(r)]));
        }
    }
}

// --- Drum parts ---------------------------------------------------------------

// Kick on every beat; snare on beats 2 and 4; closed hat on the off-beat eighths.
void backbeat(Score& s, int end = ROWS, uint8_t snareVolume = DEFAULT) {
    s.every(CH_KICK, INS_KICK, 0, 4, end);
    s.every(CH_SNARE, INS_SNARE, 4, 8, end, snareVolume);
}
void offbeatHats(Score& s, int end = ROWS) {
    for (int r = 2; r < end; r += 4) s.put(r, CH_HAT, INS_HAT, (r % 8 == 2) ? uint8_t(34) : DEFAULT);
}
// The block's syncopated figure on rows 3, 6, 11, 14 of each bar. At its
// default volume 20 every note is a hit the pictures count; with `offVolume`
// only the one on row 3 is.
void blockFigure(Score& s, int firstBar, int endBar, uint8_t offVolume = DEFAULT) {
    for (int b = firstBar; b < endBar; ++b)
        for (int r : {3, 6, 11, 14}) s.put(b * BAR + r, CH_BLOCK, INS_BLOCK, r == 3 ? DEFAULT : offVolume);
}
void crossToms(Score& s, int end = ROWS) {
    for (int r = 6; r < end; r += 8) s.put(r, CH_TOM, INS_TOM, 44, (r % 16 == 6) ? uint8_t(55) : uint8_t(60));
}
void tomFill(Score& s, int first, std::initializer_list<int> notes) {
    int r = first;
    for (int n : notes) {
        s.put(r, CH_TOM, INS_TOM, 40, uint8_t(n));
        r += 2;
    }
}

// --- Sections ------------------------------------------------------------------

enum Style {
    INTRO, BUILD_1, BUILD_2, MAIN, BREAK, CHORUS_1, CHORUS_2, DRIVE_1, DRIVE_2,
    BREAKDOWN_1, BREAKDOWN_2, RISE, CLIMAX_1, CLIMAX_2, CLIMAX_3, OUTRO
};

struct PatternPlan {
    int pattern;
    Style style;
    int rows;
    int tonic;           // the section's natural minor scale
    const char* chords;  // one per bar
    const char* lead;    // one token per row, or null
};

const PatternPlan PLANS[] = {
    {0, INTRO, ROWS, PC_A, "Am F C G", nullptr},
    {1, BUILD_1, ROWS, PC_A, "Am F C G", nullptr},
    {2, BUILD_2, ROWS, PC_A, "Am F C G",
     ". . . . . . . . . . . . . . . . | . . . . . . . . . . . . . . . . | "
     "E6 . . . D6 . C6 . . . . . . . . . | G5 . B5 . D6 . G6 . B5 . D6 . G6 . B6 ."},
    {3, MAIN, ROWS, PC_A, "Am F C G",
     "A5 . . . C6 . E6 . D6 . C6 . . . A5 . | F5 . . . A5 . C6 . . . A5 . C6 . D6 . | "
     "E6 . . . . . D6 . C6 . . . G5 . . . | B5 . . . D6 . . . B5 . G5 . A5 . B5 ."},
    {5, BREAK, 4, PC_A, "G", "G5 . A5 ."},
    {6, CHORUS_1, ROWS, PC_A, "F G Em Am",
     "C6 . . . F6 . . . E6 . . . C6 . A5 . | D6 . . . G6 . . . F6 . E6 . D6 . B5 . | "
     "E6 . . . . . . . G6 . . . E6 . D6 . | C6 . . . . . . . B5 . C6 . . . A5 ."},
    {7, CHORUS_2, ROWS, PC_A, "F G Am G",
     "A6 . . . G6 . F6 . E6 . F6 . . . C6 . | D6 . . . . . B5 . D6 . G6 . . . F6 . | "
     "E6 . . . . . . . C6 . . . E6 . A6 . | G6 . . . . . . . D6 . . . B5 . . ."},
    {8, DRIVE_1, ROWS, PC_D, "Dm Bb F C",
     "D6 . . . . . F6 . A6 . . . G6 . F6 . | D6 . . . . . . . Bb5 . . . C6 . D6 . | "
     "C6 . . . . . A5 . C6 . F6 . . . E6 . | E6 . . . G6 . . . E6 . C6 . . . . ."},
    {9, DRIVE_2, ROWS, PC_D, "Gm Bb C C",
     "D6 . . . Bb5 . . . G5 . . . A5 . Bb5 . | D6 . . . F6 . . . D6 . . . C6 . Bb5 . | "
     "C6 . . . . . E6 . G6 . . . E6 . . . | C6 . . . . . . . - . . . . . . ."},
    {12, BREAKDOWN_1, ROWS, PC_A, "Am Em F C",
     "E6 . . . . . . . . . . . C6 . . . | B5 . . . . . . . . . . . G5 . . . | "
     "A5 . . . . . . . C6 . . . F6 . . . | E6 . . . . . . . . . . . - . . ."},
    {13, BREAKDOWN_2, ROWS, PC_A, "F C G Am",
     "C6 . . . . . . . A5 . . . F5 . . . | G5 . . . . . . . E6 . . . . . . . | "
     "D6 . . . . . . . B5 . . . D6 . . . | C6 . . . . . . . . . . . - . . ."},
    {14, RISE, ROWS, PC_A, "F G Am G",
     "A5 . C6 . F6 . . . A5 . C6 . F6 . . . | B5 . D6 . G6 . . . B5 . D6 . G6 . . . | "
     "C6 . E6 . A6 . . . C6 . E6 . A6 . . . | B6 . . . . . . . . . . . . . . ."},
    {15, CLIMAX_1, ROWS, PC_B, "Bm G D A",
     "F#6 . . . D6 . F#6 . B6 . . . A6 . F#6 . | G6 . . . . . D6 . B5 . D6 . G6 . . . | "
     "F#6 . . . E6 . D6 . E6 . F#6 . A6 . . . | E6 . . . . . C#6 . . . E6 . A6 . . ."},
    {18, CLIMAX_2, ROWS, PC_B, "Em G D A",
     "G6 . . . F#6 . E6 . B5 . . . E6 . G6 . | B6 . . . A6 . G6 . D6 . . . G6 . . . | "
     "A6 . . . F#6 . . . D6 . F#6 . A6 . . . | E6 . . . A6 . . . C#7 . . . . . . ."},
    {19, CLIMAX_3, ROWS, PC_B, "Bm G A G",
     "B6 . . . A6 . F#6 . D6 . . . F#6 . B6 . | D7 . . . B6 . G6 . D6 . . . B5 . D6 . | "
     "E6 . . . C#6 . E6 . A6 . . . . . . . | G6 . . . . . D6 . B5 . . . - . . ."},
    {20, OUTRO, ROWS, PC_A, "Am F G Am",
     "E6 . . . . . . . . . . . A5 . . . | C6 . . . . . . . . . . . F5 . . . | "
     "D6 . . . . . . . B5 . . . G5 . . . | A5 . . . . . . . . . . . - . . ."},
};

constexpr int PATTERN_COUNT = 21;
const uint8_t ORDERS[] = {0, 1, 2, 3, 3, 5, 6, 7, 7, 5, 8, 9, 12, 13, 13, 14, 15, 18, 19, 20, 20};

// Drums, bass and pad of one pattern. The running counts of the hits the
// pictures follow are noted per part, over the order list.
void arrange(Score& s, const PatternPlan& plan, const std::vector<Chord>& chords) {
    switch (plan.style) {
    case INTRO:
        // Kick: 8 hits, one every 8 rows (the opening boxes). Snare: hits 1-3.
        s.every(CH_KICK, INS_KICK, 0, 8);
        for (int r : {28, 44, 60}) s.put(r, CH_SNARE, INS_SNARE);
        // Shaker: 20 accents at its default volume 48, soft notes between.
        s.every(CH_SHAKER, INS_SHAKER, 0, 4);
        for (int r : {50, 54, 58, 62}) s.put(r, CH_SHAKER, INS_SHAKER);
        s.every(CH_SHAKER, INS_SHAKER, 2, 4, 48, 16);
        pad(s, chords, {22, 28, 34, 40});
        break;
    case BUILD_1:
        // Kick hits 9-16. Snare hits 4-7 open the section, the seventh (the
        // second arc and the discs) on row 15 with a pickup; the clap keeps
        // the backbeat until snare hit 8 on row 60 leads into order 2.
        s.every(CH_KICK, INS_KICK, 0, 8);
        for (int r : {4, 12}) s.put(r, CH_SNARE, INS_SNARE);
        s.put(14, CH_SNARE, INS_SNARE, 30);
        s.put(15, CH_SNARE, INS_SNARE, 40);
        s.put(60, CH_SNARE, INS_SNARE);
        s.every(CH_CLAP, INS_CLAP, 20, 8);
        s.every(CH_SHAKER, INS_SHAKER, 0, 4, ROWS, 36);
        s.every(CH_SHAKER, INS_SHAKER, 2, 4, ROWS, 18);
        bass(s, chords, "R", 40);
        pad(s, chords, {40});
        break;
    case BUILD_2:
        // Kick hits 17-31 (none on row 60: the gap before the drop). Snare
        // on the backbeat from hit 9 (row 4) to 12 (row 28), so the four arcs
        // turn together for half the order, then a roll into the drop.
        s.every(CH_KICK, INS_KICK, 0, 4, 60);
        s.every(CH_SNARE, INS_SNARE, 4, 8, 56);
        for (int r : {56, 58, 60, 61, 62, 63}) s.put(r, CH_SNARE, INS_SNARE, uint8_t(32 + 4 * (r - 56)));
        s.every(CH_SHAKER, INS_SHAKER, 0, 2, 48, 20);
        s.every(CH_SHAKER, INS_SHAKER, 48, 1, ROWS, 24);
        for (int r : {30, 46, 62}) s.put(r, CH_OPEN_HAT, INS_OPEN_HAT, 30);
        bass(s, chords, "R.R.R.R.R.R.R.R.", 42);
        pad(s, chords, {40});
        break;
    case MAIN:
        // Kick on every beat from hit 32 (order 3, row 0); the ghost at
        // volume 10 does not count. Block: 16 counted per pass.
        backbeat(s);
        s.put(30, CH_KICK, INS_KICK, 10);
        s.put(62, CH_KICK, INS_KICK, 10);
        offbeatHats(s);
        blockFigure(s, 0, 4);
        for (int r : {24, 56}) s.put(r, CH_BLOCK, INS_BLOCK, 12);
        for (int r : {30, 62}) s.put(r, CH_OPEN_HAT, INS_OPEN_HAT, 34);
        for (int r : {0, 32}) s.put(r, CH_CRASH, INS_CRASH);
        s.put(0, CH_IMPACT, INS_IMPACT);
        // A low tom on the downbeat: from its first hit the fan may show.
        s.put(0, CH_TOM, INS_TOM, 44, 55);
        tomFill(s, 57, {67, 62, 57});
        bass(s, chords, "R..R..R..R.RO.R.", 48);
        pad(s, chords, {30});
        break;
    case BREAK:
        // Four rows: a snare roll into the next section, one counted block.
        s.put(0, CH_KICK, INS_KICK);
        for (int r = 0; r < 4; ++r) s.put(r, CH_SNARE, INS_SNARE, uint8_t(28 + 9 * r));
        s.put(0, CH_BLOCK, INS_BLOCK);
        s.put(2, CH_TOM, INS_TOM, 46, 55);
        bass(s, chords, "R", 46);
        pad(s, chords, {36});
        s.control(3, IT_FX_PATTERN_BREAK, 0);
        break;
    case CHORUS_1:
    case CHORUS_2:
        backbeat(s);
        s.every(CH_CLAP, INS_CLAP, 4, 8);
        offbeatHats(s);
        blockFigure(s, 0, 4);
        s.every(CH_OPEN_HAT, INS_OPEN_HAT, 14, 16, ROWS, 32);
        for (int r : {0, 32}) s.put(r, CH_CRASH, INS_CRASH);
        if (plan.style == CHORUS_1) {
            s.put(0, CH_IMPACT, INS_IMPACT);
        } else {
            s.put(62, CH_KICK, INS_KICK, 10);
            tomFill(s, 53, {67, 64, 62, 59, 55});
        }
        bass(s, chords, "..R...O...R...O.", 46);
        pad(s, chords, {34});
        break;
    case DRIVE_1:
    case DRIVE_2:
        // Toms twice a bar: the crosses jump. Block accents at volume 28 are
        // louder but not counted (only exactly 20 is).
        backbeat(s);
        offbeatHats(s);
        s.every(CH_SHAKER, INS_SHAKER, 0, 1, ROWS, 14);
        s.every(CH_SHAKER, INS_SHAKER, 0, 4, ROWS, 30);
        blockFigure(s, 0, 4);
        for (int r : {16, 48}) s.put(r, CH_BLOCK, INS_BLOCK, 28);
        crossToms(s);
        if (plan.style == DRIVE_1) {
            s.put(0, CH_IMPACT, INS_IMPACT);
        } else {
            s.put(58, CH_KICK, INS_KICK, 40, 48);  // a low thump, not the counted C-5
            tomFill(s, 52, {67, 64, 62, 60, 57, 55});
        }
        bass(s, chords, "R.RO.RR.R.RO.RRF", 48);
        pad(s, chords, {32});
        break;
    case BREAKDOWN_1:
    case BREAKDOWN_2:
    case RISE:
        // Kick once a bar; block accents 4 + 3 + 3 + 4 over orders 12-15,
        // so the 129th lands early in order 16.
        s.every(CH_KICK, INS_KICK, 0, 16, plan.style == RISE ? 32 : ROWS);
        for (int r : {24, 56}) s.put(r, CH_SNARE, INS_SNARE, 20);
        s.every(CH_SHAKER, INS_SHAKER, 0, 2, ROWS, 12);
        s.every(CH_SHAKER, INS_SHAKER, 2, 4, ROWS, 20);
        for (int r : {0, 32}) s.put(r, CH_CRASH, INS_CRASH, 24);
        s.every(CH_TOM, INS_TOM, 10, 16, ROWS, 36, 55);
        s.every(CH_BLOCK, INS_BLOCK, 12, 16, plan.style == BREAKDOWN_2 ? 48 : ROWS);
        if (plan.style == BREAKDOWN_1) {
            s.put(40, CH_KICK, INS_KICK, 36, 48);  // low thump, not counted
            for (int r : {6, 38}) s.put(r, CH_BLOCK, INS_BLOCK, 12);
            s.put(0, CH_IMPACT, INS_IMPACT);
        } else if (plan.style == BREAKDOWN_2) {
            s.put(60, CH_BLOCK, INS_BLOCK, 12);
        }
        if (plan.style == RISE) {
            // Four on the floor returns, the snare rolls up into the climax.
            s.every(CH_KICK, INS_KICK, 32, 4);
            for (int r = 48; r < ROWS; ++r) s.put(r, CH_SNARE, INS_SNARE, uint8_t(16 + 3 * (r - 48)));
            s.every(CH_SHAKER, INS_SHAKER, 32, 1, ROWS, 18);
            bass(s, chords, "R", 42);
            bass(s, chords, "R.R.R.R.R.R.R.R.", 44, 2);
            pad(s, chords, {40});
        } else {
            bass(s, chords, "R", 44);
            pad(s, chords, {46});
        }
        break;
    case CLIMAX_1:
    case CLIMAX_2:
    case CLIMAX_3:
        // One counted block a bar (row 3): each flashes the colours for a
        // second, and the paper comes back before the next.
        backbeat(s);
        s.every(CH_CLAP, INS_CLAP, 4, 8);
        offbeatHats(s);
        s.every(CH_OPEN_HAT, INS_OPEN_HAT, 14, 16, ROWS, 34);
        blockFigure(s, 0, 4, 14);
        crossToms(s, plan.style == CLIMAX_3 ? 48 : ROWS);
        if (plan.style == CLIMAX_1) s.put(0, CH_IMPACT, INS_IMPACT);
        if (plan.style == CLIMAX_3) {
            tomFill(s, 50, {67, 64, 62, 60, 57, 55});
            for (int r : {58, 59, 61, 63}) s.put(r, CH_SNARE, INS_SNARE, uint8_t(30 + 6 * (r - 58)));
        }
        bass(s, chords, "R.RR.RRO.RRR.RRO", 50);
        pad(s, chords, {36});
        break;
    case OUTRO:
        // Thinning out while the global volume slides down over both passes.
        backbeat(s, 48);
        for (int r : {48, 56}) s.put(r, CH_KICK, INS_KICK);
        offbeatHats(s, 32);
        blockFigure(s, 0, 2);
        s.every(CH_BLOCK, INS_BLOCK, 35, 8, ROWS, 12);
        s.every(CH_TOM, INS_TOM, 10, 16, ROWS, 36, 55);
        s.every(CH_SHAKER, INS_SHAKER, 2, 4, ROWS, 18);
        bass(s, chords, "R", 42);
        pad(s, chords, {44});
        for (int r = 2; r < ROWS; r += 5) s.control(r, IT_FX_GLOBAL_SLIDE, 0x01);
        break;
    }
}

uint8_t leadVolume(Style style) {
    switch (style) {
    case CLIMAX_1: case CLIMAX_2: case CLIMAX_3: return 50;
    case BREAKDOWN_1: case BREAKDOWN_2: case OUTRO: case BUILD_2: return 40;
    default: return 46;
    }
}

// The melodic instruments must keep to their section's scale; a slip in the
// score stops the build rather than shipping a wrong note.
void checkKey(const Score& s, const PatternPlan& plan) {
    for (int r = 0; r < s.rows; ++r) {
        for (int ch = 0; ch < CHANNELS; ++ch) {
            const ItCell& c = s.pattern.cells[size_t(r) * CHANNELS + size_t(ch)];
            const bool melodic = c.instrument == INS_BASS || c.instrument == INS_PAD || c.instrument == INS_LEAD;
            if (melodic && c.note < IT_NOTES && !inMinorScale(plan.tonic, c.note)) {
                std::fprintf(stderr, "make_module: pattern %d row %d channel %d: note %d outside the key\n",
                             plan.pattern, r, ch, c.note);
                std::exit(1);
            }
        }
    }
}

}  // namespace

ItModule composeShow() {
    ItModule m;
    m.songName = "";
    m.channels = CHANNELS;
    m.initialSpeed = 6;
    m.initialTempo = 125;
    m.globalVolume = 128;
    m.mixVolume = 127;
    m.samples = makeSamples();
    m.instruments = makeInstruments();
    // The master level of the mix: -15 LUFS with peaks below -1 dBFS as
    // libopenmpt renders it by default.
    for (ItInstrument& in : m.instruments) in.globalVolume = MASTER_LEVEL;

    // Stereo picture: drums near the middle, pad voices spread, lead and echo apart.
    const uint8_t pans[CHANNELS] = {32, 33, 42, 20, 44, 36, 24, 26, 34, 32, 32, 14, 32, 50, 31, 44, 32};
    for (int c = 0; c < CHANNELS; ++c) m.channelPan[c] = pans[c];

    m.patterns.assign(PATTERN_COUNT, itEmptyPattern(ROWS, CHANNELS));  // unused ones stay empty
    for (const PatternPlan& plan : PLANS) {
        const std::vector<Chord> chords = parseChords(plan.chords);
        Score s(plan.rows);
        arrange(s, plan, chords);
        if (plan.lead) lead(s, plan.lead, leadVolume(plan.style), 18);
        // Every pattern starts clean: nothing held over from another key.
        for (int ch : {CH_BASS, CH_LEAD, CH_ECHO})
            if (s.at(0, ch).note == IT_NOTE_NONE) s.release(0, ch);
        checkKey(s, plan);
        m.patterns[size_t(plan.pattern)] = s.pattern;
    }
    m.orders.assign(ORDERS, ORDERS + sizeof ORDERS);
    return m;
}
