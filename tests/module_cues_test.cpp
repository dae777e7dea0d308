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

// 1-based hit k lands at (order, row).
void expectHitAt(const std::vector<Hit>& hits, size_t k, int order, int row) {
    ASSERT_GE(hits.size(), k);
    EXPECT_EQ(hits[k - 1].order, order) << "hit " << k;
    EXPECT_EQ(hits[k - 1].row, row) << "hit " << k;
}

const int MAIN_ORDERS[] = {3, 4, 6, 7, 8, 10, 11, 16, 17, 18};

}  // namespace

TEST(ShowCues, EveryNoteNamesItsInstrument) {
    const PlayedHits& h = playedHits();
    // The player's instrument syncs look at the cell; a note relying on the
    // channel's last instrument would be invisible to the cue sheet.
    EXPECT_EQ(h.notesWithoutInstrument, 0);
}

TEST(ShowCues, MainBeatInstrument1) {
    const PlayedHits& h = playedHits();
    const std::vector<Hit>& k = h.counted[1];
    // Order 0: eight hits, one every eight rows (the opening boxes, 1-7).
    EXPECT_EQ(rowsIn(k, 0), (std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56}));
    // 31 by the end of order 2; the 32nd on order 3, row 0 (the ring arcs go).
    EXPECT_EQ(countIn(k, 0, 2), 31);
    expectHitAt(k, 32, 3, 0);
    // A steady beat after that: every later order has hits, the main ones on
    // every beat, and no gap longer than a bar.
    for (int o = 3; o < 21; ++o) EXPECT_GT(countIn(k, o, o), 0) << "order " << o;
    for (int o : MAIN_ORDERS) EXPECT_GE(countIn(k, o, o), 16) << "order " << o;
    for (size_t i = 32; i < k.size(); ++i) EXPECT_LE(k[i].seconds - k[i - 1].seconds, 16 * 0.12 + 1e-6) << i;
    // The ghost notes and other pitches are really there, and really ignored.
    bool ghost = false, otherNote = false;
    for (const Hit& x : h.ignored[1]) ghost |= x.note == 60 && x.volume == 10, otherNote |= x.note != 60;
    EXPECT_TRUE(ghost);
    EXPECT_TRUE(otherNote);
}

TEST(ShowCues, SnareInstrument2) {
    const std::vector<Hit>& k = playedHits().counted[2];
    // Hits 1-3 in order 0 (the first and third flash), 7 by the end of order
    // 1, 9 and then 12 within order 2: the four ring arcs appear at 1, 7, 9, 12.
    EXPECT_EQ(countIn(k, 0, 0), 3);
    EXPECT_EQ(countIn(k, 0, 1), 7);
    EXPECT_EQ(countIn(k, 0, 2), 12);
    ASSERT_GE(k.size(), 12u);
    EXPECT_EQ(k[0].order, 0);
    EXPECT_EQ(k[6].order, 1);
    EXPECT_EQ(k[8].order, 2);
    EXPECT_EQ(k[11].order, 2);
    // A backbeat after that: beats 2 and 4 of every bar in the main orders.
    for (int o : MAIN_ORDERS) {
        const std::vector<int> rows = rowsIn(k, o);
        for (int beat = 4; beat < 64; beat += 8)
            EXPECT_NE(std::find(rows.begin(), rows.end(), beat), rows.end()) << "order " << o << " row " << beat;
    }
}

TEST(ShowCues, HatsInstrument3FromOrder3) {
    const std::vector<Hit>& k = playedHits().counted[3];
    EXPECT_EQ(countIn(k, 0, 2), 0);
    for (int o : MAIN_ORDERS) EXPECT_GE(countIn(k, o, o), 8) << "order " << o;
}

TEST(ShowCues, AccentsInstrument4InTheOpening) {
    const PlayedHits& h = playedHits();
    const std::vector<Hit>& k = h.counted[4];
    // 16 to 32 accents at volume >= 32 in order 0, about every 4 rows from
    // the start, and softer notes between them that do not count.
    const std::vector<int> rows = rowsIn(k, 0);
    ASSERT_GE(rows.size(), 16u);
    EXPECT_LE(rows.size(), 32u);
    EXPECT_LE(rows.front(), 3);
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_LE(rows[i] - rows[i - 1], 4) << "row " << rows[i];
    EXPECT_GE(rows.back(), 56);
    EXPECT_GE(countIn(h.ignored[4], 0, 0), 4);
}

TEST(ShowCues, FlashInstrument5From129thHit) {
    const PlayedHits& h = playedHits();
    const std::vector<Hit>& k = h.counted[5];
    // From order 3 on, about every 4 rows in the main orders; the 129th
    // accent at volume exactly 20 falls in order 15 or 16.
    EXPECT_EQ(countIn(k, 0, 2), 0);
    for (int o : MAIN_ORDERS) {
        EXPECT_GE(countIn(k, o, o), 12) << "order " << o;
        EXPECT_LE(countIn(k, o, o), 20) << "order " << o;
    }
    ASSERT_GE(k.size(), 129u);
    EXPECT_GE(k[128].order, 15);
    EXPECT_LE(k[128].order, 16);
    // Near misses in volume are present and are not counted.
    bool near = false;
    for (const Hit& x : h.ignored[5]) near |= x.volume != 20;
    EXPECT_TRUE(near);
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
