// The cue sheet of the pictures, checked on the module's pattern data in
// play order: every hit the sync callback would accept, with the volume the
// player reports (volume column, else the default volume of the sample the
// instrument plays for that note) and the callback's conditions.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/module_file.h"

using namespace modulefile;

namespace {

struct Hit {
    int order, row;
    double seconds;
    int note, volume;  // IT note (60 = C-5), 0-64
};

struct PlayedHits {
    std::vector<Hit> counted[14];  // by instrument, hits the callback accepts
    std::vector<Hit> ignored[14];  // by instrument, real notes it turns down
    int notesWithoutInstrument = 0;
};

bool accepted(int instrument, int note, int volume) {
    switch (instrument) {
    case 1: return note == 60 && volume != 10;
    case 4: return volume >= 32;
    case 5: return volume == 20;
    case 2: case 3: case 6: case 8: case 10: case 11: case 13: return true;
    default: return false;
    }
}

// Walks the order list as the player does: row by row, leaving a pattern
// after a row with a pattern break.
PlayedHits walkOrders() {
    PlayedHits out;
    Module m = loadShowModule();
    const ModuleHeaders h = readHeaders();
    if (!m) return out;
    const int channels = openmpt_module_get_num_channels(m.get());
    for (int o = 0; o < openmpt_module_get_num_orders(m.get()); ++o) {
        const int p = openmpt_module_get_order_pattern(m.get(), o);
        bool leave = false;
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(m.get(), p) && !leave; ++r) {
            const double seconds = openmpt_module_set_position_order_row(m.get(), o, r);
            for (int c = 0; c < channels; ++c) {
                auto get = [&](int what) {
                    return int(openmpt_module_get_pattern_row_channel_command(m.get(), p, r, c, what));
                };
                const std::string fx = formatted(m.get(), p, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
                if (fx == "C") leave = true;
                const int libNote = get(OPENMPT_MODULE_COMMAND_NOTE), ins = get(OPENMPT_MODULE_COMMAND_INSTRUMENT);
                if (libNote < 1 || libNote > 120) continue;  // empty, off, cut, fade
                if (ins == 0) {
                    ++out.notesWithoutInstrument;
                    continue;
                }
                const int note = libNote - 1;
                int volume;
                if (get(OPENMPT_MODULE_COMMAND_VOLUMEEFFECT) == 1) {  // plain volume
                    volume = get(OPENMPT_MODULE_COMMAND_VOLUME);
                } else {
                    const unsigned sample = size_t(ins) <= h.keyboard.size() ? h.keyboard[size_t(ins) - 1][size_t(note)] : 0;
                    volume = sample >= 1 && sample <= h.samples.size() ? int(h.samples[sample - 1].defaultVolume) : -1;
                }
                if (ins > 13) continue;
                (accepted(ins, note, volume) ? out.counted : out.ignored)[ins].push_back(
                    Hit{o, r, seconds, note, volume});
            }
        }
    }
    return out;
}

const PlayedHits& playedHits() {
    static const PlayedHits hits = walkOrders();
    return hits;
}

int countIn(const std::vector<Hit>& hits, int firstOrder, int lastOrder) {
    return int(std::count_if(hits.begin(), hits.end(),
                             [&](const Hit& x) { return x.order >= firstOrder && x.order <= lastOrder; }));
}

std::vector<int> rowsIn(const std::vector<Hit>& hits, int order) {
    std::vector<int> rows;
    for (const Hit& x : hits)
        if (x.order == order) rows.push_back(x.row);
    return rows;
}

const int MAIN_ORDERS[] = {3, 4, 6, 7, 8, 10, 11, 16, 17, 18};

}  // namespace

TEST(ShowCues, EveryNoteNamesItsInstrument) {
    const PlayedHits& h = playedHits();
    // The player's instrument syncs look at the cell; a note relying on the
    // channel's last instrument would be invisible to the cue sheet.
    EXPECT_EQ(h.notesWithoutInstrument, 0);
}

// Where the counted hits of instruments 1, 2, 4 and 5 fall in the opening
// is checked by playing the module (music_cues_test); here the parts that
// carry the main orders, and the notes the callback must turn down.
TEST(ShowCues, SteadyPartsInTheMainOrders) {
    const PlayedHits& h = playedHits();
    const std::vector<Hit>& kick = h.counted[1];
    for (int o = 3; o < 21; ++o) EXPECT_GT(countIn(kick, o, o), 0) << "order " << o;
    for (int o : MAIN_ORDERS) EXPECT_GE(countIn(kick, o, o), 16) << "order " << o;
    for (size_t i = 32; i < kick.size(); ++i)
        EXPECT_LE(kick[i].seconds - kick[i - 1].seconds, 16 * 0.12 + 1e-6) << "kick " << i;
    for (int o : MAIN_ORDERS) {
        const std::vector<int> rows = rowsIn(h.counted[2], o);  // the backbeat
        for (int beat = 4; beat < 64; beat += 8)
            EXPECT_NE(std::find(rows.begin(), rows.end(), beat), rows.end()) << "order " << o << " row " << beat;
    }
    EXPECT_EQ(countIn(h.counted[3], 0, 2), 0);
    EXPECT_EQ(countIn(h.counted[5], 0, 2), 0);
    for (int o : MAIN_ORDERS) {
        EXPECT_GE(countIn(h.counted[3], o, o), 8) << "order " << o;
        // Instrument 5 about every 4 rows; in the climax (16-18), where each
        // hit flashes the colours for a second, once a bar.
        int perBar[4] = {};
        for (int row : rowsIn(h.counted[5], o)) ++perBar[row / 16];
        for (int bar = 0; bar < 4; ++bar) {
            if (o >= 16) {
                EXPECT_EQ(perBar[bar], 1) << "order " << o << " bar " << bar;
            } else {
                EXPECT_GE(perBar[bar], 3) << "order " << o << " bar " << bar;
                EXPECT_LE(perBar[bar], 5) << "order " << o << " bar " << bar;
            }
        }
    }
    const Hit* flash = nullptr;
    for (const Hit& x : h.counted[5]) {
        if (x.order < 16 || x.order > 18) continue;
        if (flash) {
            EXPECT_GE(x.seconds - flash->seconds, 1.0) << "order " << x.order << " row " << x.row;
        }
        flash = &x;
    }
}

TEST(ShowCues, NotesTheCallbackTurnsDownAreReallyThere) {
    const PlayedHits& h = playedHits();
    bool ghost = false, otherNote = false, nearMiss = false;
    for (const Hit& x : h.ignored[1]) ghost |= x.note == 60 && x.volume == 10, otherNote |= x.note != 60;
    for (const Hit& x : h.ignored[5]) nearMiss |= x.volume != 20;
    EXPECT_TRUE(ghost);
    EXPECT_TRUE(otherNote);
    EXPECT_TRUE(nearMiss);
    EXPECT_GE(countIn(h.ignored[4], 0, 0), 4);  // soft notes between the accents
}

TEST(ShowCues, StabsTomsAndBigAccents) {
    const PlayedHits& h = playedHits();
    // Instrument 10 in the logo scenes, one hit every 32 rows, and in 12-15.
    for (int o : {3, 4, 6, 7, 8}) EXPECT_EQ(rowsIn(h.counted[10], o), (std::vector<int>{0, 32})) << "order " << o;
    for (int o = 12; o <= 15; ++o) EXPECT_GT(countIn(h.counted[10], o, o), 0) << "order " << o;
    for (int o : {0, 1, 2, 5, 9, 10, 11, 16, 17, 18, 19, 20})
        EXPECT_EQ(countIn(h.counted[10], o, o), 0) << "order " << o;

    // Instrument 11: the first hit in order 3, regular hits from order 10 on.
    ASSERT_FALSE(h.counted[11].empty());
    EXPECT_EQ(h.counted[11].front().order, 3);
    for (int o = 10; o <= 11; ++o) EXPECT_GE(countIn(h.counted[11], o, o), 8) << "order " << o;
    for (int o = 12; o <= 20; ++o) EXPECT_GE(countIn(h.counted[11], o, o), 4) << "order " << o;

    // Instrument 13: rare, at section starts, at most one every 4 s.
    const std::vector<Hit>& big = h.counted[13];
    ASSERT_GE(big.size(), 3u);
    for (size_t i = 0; i < big.size(); ++i) {
        EXPECT_EQ(big[i].row, 0) << "order " << big[i].order;
        if (i > 0) {
            EXPECT_GE(big[i].seconds - big[i - 1].seconds, 4.0) << "order " << big[i].order;
        }
    }
}
