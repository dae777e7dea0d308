// The Impulse Tracker writer, read back through libopenmpt (the reader the
// program plays with).
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tools/itwriter/itwriter.h"

namespace {

struct ModuleFree {
    void operator()(openmpt_module* m) const { openmpt_module_destroy(m); }
};
using Module = std::unique_ptr<openmpt_module, ModuleFree>;

Module load(const std::vector<uint8_t>& bytes) {
    return Module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                                     openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr));
}

ItSample sineSample(size_t frames, uint8_t volume, bool loop) {
    ItSample s;
    s.name = "sine";
    s.data.resize(frames);
    // 100 frames per cycle, so a loop over whole hundreds joins smoothly.
    for (size_t i = 0; i < frames; ++i) s.data[i] = int16_t(std::lround(12000.0 * std::sin(i * 2 * M_PI / 100.0)));
    s.defaultVolume = volume;
    s.loop = loop;
    s.loopEnd = loop ? uint32_t(frames) : 0;
    return s;
}

// Two instruments on two samples, orders 0 1 0, where the 4-row pattern 1
// breaks to the next order on its second row.
ItModule tinyModule() {
    ItModule m;
    m.channels = 3;
    m.initialSpeed = 5;
    m.initialTempo = 150;
    m.samples = {sineSample(2000, 40, false), sineSample(1000, 50, true)};
    for (uint8_t i = 1; i <= 2; ++i) {
        ItInstrument in;
        in.name = "instrument";
        itMapAllNotes(in, i);
        m.instruments.push_back(in);
    }
    ItPattern p0 = itEmptyPattern(64, m.channels);
    itCell(p0, m.channels, 0, 0) = ItCell{60, 1, 33};
    itCell(p0, m.channels, 0, 2) = ItCell{48, 2, IT_VOLUME_NONE};
    itCell(p0, m.channels, 63, 1) = ItCell{IT_NOTE_OFF, 0, IT_VOLUME_NONE};
    ItPattern p1 = itEmptyPattern(4, m.channels);
    itCell(p1, m.channels, 0, 1) = ItCell{72, 2, 10};
    itCell(p1, m.channels, 1, 0) = ItCell{IT_NOTE_NONE, 0, IT_VOLUME_NONE, IT_FX_PATTERN_BREAK, 0};
    itCell(p1, m.channels, 2, 0) = ItCell{61, 1, 64};  // skipped by the break
    m.patterns = {p0, p1};
    m.orders = {0, 1, 0};
    return m;
}

// Copies a string out of libopenmpt and frees the library's copy.
std::string text(const char* s) {
    std::string out = s ? s : "";
    openmpt_free_string(s);
    return out;
}

std::string formatted(openmpt_module* m, int pattern, int row, int channel, int what) {
    return text(openmpt_module_format_pattern_row_channel_command(m, pattern, row, channel, what));
}

uint8_t command(openmpt_module* m, int pattern, int row, int channel, int what) {
    return openmpt_module_get_pattern_row_channel_command(m, pattern, row, channel, what);
}

}  // namespace

TEST(ItWriter, TinyModuleReadsBackThroughLibopenmpt) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writeItModule(tinyModule(), bytes, error)) << error;
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "IMPM");

    Module m = load(bytes);
    ASSERT_TRUE(m);
    EXPECT_EQ(text(openmpt_module_get_metadata(m.get(), "type")), "it");
    EXPECT_EQ(openmpt_module_get_num_instruments(m.get()), 2);
    EXPECT_EQ(openmpt_module_get_num_samples(m.get()), 2);
    EXPECT_EQ(openmpt_module_get_num_patterns(m.get()), 2);
    // libopenmpt lists the orders before the end marker; the marker is no pattern.
    ASSERT_EQ(openmpt_module_get_num_orders(m.get()), 3);
    EXPECT_EQ(openmpt_module_get_order_pattern(m.get(), 0), 0);
    EXPECT_EQ(openmpt_module_get_order_pattern(m.get(), 1), 1);
    EXPECT_EQ(openmpt_module_get_order_pattern(m.get(), 2), 0);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.get(), 0), 64);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(m.get(), 1), 4);
    EXPECT_EQ(openmpt_module_get_current_speed(m.get()), 5);
    EXPECT_EQ(openmpt_module_get_current_tempo(m.get()), 150);

    // libopenmpt numbers notes from C-0 = 1: IT note 60 (C-5) reads as 61.
    EXPECT_EQ(command(m.get(), 0, 0, 0, OPENMPT_MODULE_COMMAND_NOTE), 61);
    EXPECT_EQ(formatted(m.get(), 0, 0, 0, OPENMPT_MODULE_COMMAND_NOTE), "C-5");
    EXPECT_EQ(command(m.get(), 0, 0, 0, OPENMPT_MODULE_COMMAND_INSTRUMENT), 1);
    EXPECT_EQ(command(m.get(), 0, 0, 0, OPENMPT_MODULE_COMMAND_VOLUME), 33);
    EXPECT_EQ(command(m.get(), 0, 0, 2, OPENMPT_MODULE_COMMAND_NOTE), 49);
    EXPECT_EQ(command(m.get(), 0, 0, 2, OPENMPT_MODULE_COMMAND_INSTRUMENT), 2);
    EXPECT_EQ(command(m.get(), 0, 0, 2, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT), 0);  // no volume column
    EXPECT_EQ(command(m.get(), 0, 63, 1, OPENMPT_MODULE_COMMAND_NOTE), 255);        // note off
    EXPECT_EQ(command(m.get(), 1, 0, 1, OPENMPT_MODULE_COMMAND_VOLUME), 10);
    EXPECT_EQ(formatted(m.get(), 1, 1, 0, OPENMPT_MODULE_COMMAND_EFFECT), "C");
    EXPECT_EQ(command(m.get(), 1, 1, 0, OPENMPT_MODULE_COMMAND_PARAMETER), 0);

    // 64 + 2 + 64 rows of 5 ticks at 2.5 / 150 s: the break cuts order 1 short.
    EXPECT_NEAR(openmpt_module_get_duration_seconds(m.get()), 130 * 5 * 2.5 / 150, 1e-6);
}

// The packer leaves out fields that repeat the channel's previous values;
// every cell must still read back as written, across rows and channels.
TEST(ItWriter, PackedCellsSurviveRepeatsAndGaps) {
    ItModule m = tinyModule();
    const int ch = m.channels;
    ItPattern p = itEmptyPattern(16, ch);
    const ItCell cells[][3] = {
        {{60, 1, 20}, {}, {36, 2, IT_VOLUME_NONE}},
        {{60, 1, 20}, {60, 1, 20}, {36, 2, 7}},             // same as the row above
        {{62, 1, 20}, {}, {IT_NOTE_NONE, 2, 7}},           // note changes, rest repeats
        {{}, {IT_NOTE_CUT, 0, IT_VOLUME_NONE}, {36, 0, 7}}, // fields dropped in turn
        {{62, 2, 0, IT_FX_SET_TEMPO, 140}, {}, {}},
        {{62, 2, 0, IT_FX_SET_TEMPO, 140}, {IT_NOTE_FADE, 0, 64}, {119, 2, 64}},
        {{0, 1, 64, IT_FX_SET_TEMPO, 141}, {}, {IT_NOTE_NONE, 0, IT_VOLUME_NONE, IT_FX_GLOBAL_SLIDE, 1}},
    };
    const int rows = int(sizeof cells / sizeof cells[0]);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < ch; ++c) itCell(p, ch, r * 2, c) = cells[r][c];  // odd rows stay empty
    m.patterns[0] = p;

    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writeItModule(m, bytes, error)) << error;
    Module mod = load(bytes);
    ASSERT_TRUE(mod);
    ASSERT_EQ(openmpt_module_get_pattern_num_rows(mod.get(), 0), 16);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < ch; ++c) {
            const ItCell want = (r % 2 == 0 && r / 2 < rows) ? cells[r / 2][c] : ItCell{};
            SCOPED_TRACE("row " + std::to_string(r) + " channel " + std::to_string(c));
            const int note = command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_NOTE);
            if (want.note == IT_NOTE_NONE)
                EXPECT_EQ(note, 0);
            else if (want.note < IT_NOTES)
                EXPECT_EQ(note, want.note + 1);
            else if (want.note == IT_NOTE_FADE)
                EXPECT_EQ(note, 253);
            else
                EXPECT_EQ(note, want.note);  // off and cut keep their codes
            EXPECT_EQ(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_INSTRUMENT), want.instrument);
            if (want.volume == IT_VOLUME_NONE) {
                EXPECT_EQ(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT), 0);
            } else {
                EXPECT_NE(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT), 0);
                EXPECT_EQ(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_VOLUME), want.volume);
            }
            const std::string fx = formatted(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
            if (want.effect == 0) {
                EXPECT_EQ(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_EFFECT), 0);
            } else {
                EXPECT_EQ(fx, std::string(1, char('A' + want.effect - 1)));
                EXPECT_EQ(command(mod.get(), 0, r, c, OPENMPT_MODULE_COMMAND_PARAMETER), want.param);
            }
        }
    }
}

// A looped sample keeps sounding under a held note; a one-shot falls silent
// once its data has played.
TEST(ItWriter, LoopedSampleSustainsOneShotEnds) {
    ItModule m = tinyModule();
    for (int looped = 0; looped < 2; ++looped) {
        ItPattern p = itEmptyPattern(64, m.channels);
        itCell(p, m.channels, 0, 0) = ItCell{60, uint8_t(1 + looped), 64};
        m.patterns = {p};
        m.orders = {0};
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(writeItModule(m, bytes, error)) << error;
        Module mod = load(bytes);
        ASSERT_TRUE(mod);
        // 2000 or 1000 frames at 44100 Hz are over within 50 ms; look at 0.5 s.
        std::vector<float> audio(2 * 44100);
        ASSERT_EQ(openmpt_module_read_interleaved_float_stereo(mod.get(), 44100, 44100, audio.data()), 44100u);
        float late = 0;
        for (size_t i = 2 * 22050; i < 2 * 23050; ++i) late = std::fmax(late, std::fabs(audio[i]));
        if (looped)
            EXPECT_GT(late, 0.01f);
        else
            EXPECT_LT(late, 1e-4f);
    }
}

TEST(ItWriter, BadRecordsAreRefusedWithAReason) {
    struct Case {
        const char* what;
        void (*spoil)(ItModule&);
    };
    const Case cases[] = {
        {"no channels", [](ItModule& m) { m.channels = 0; }},
        {"65 channels", [](ItModule& m) { m.channels = 65; }},
        {"tempo below 32", [](ItModule& m) { m.initialTempo = 31; }},
        {"speed 0", [](ItModule& m) { m.initialSpeed = 0; }},
        {"order names missing pattern", [](ItModule& m) { m.orders.push_back(2); }},
        {"too many orders", [](ItModule& m) { m.orders.assign(256, 0); }},
        {"pattern with no rows", [](ItModule& m) { m.patterns[0] = itEmptyPattern(0, m.channels); }},
        {"pattern of 201 rows", [](ItModule& m) { m.patterns[0] = itEmptyPattern(201, m.channels); }},
        {"cells do not fill the pattern", [](ItModule& m) { m.patterns[0].cells.pop_back(); }},
        {"note 120", [](ItModule& m) { m.patterns[0].cells[5].note = 120; }},
        {"note 253", [](ItModule& m) { m.patterns[0].cells[5].note = 253; }},
        {"missing instrument", [](ItModule& m) { m.patterns[0].cells[5] = ItCell{60, 3, 10}; }},
        {"volume 65", [](ItModule& m) { m.patterns[0].cells[5] = ItCell{60, 1, 65}; }},
        {"effect past Z", [](ItModule& m) { m.patterns[0].cells[5].effect = 27; }},
        {"parameter without effect", [](ItModule& m) { m.patterns[0].cells[5].param = 3; }},
        {"loop past the end", [](ItModule& m) { m.samples[1].loopEnd = 1001; }},
        {"empty loop", [](ItModule& m) { m.samples[1].loopStart = m.samples[1].loopEnd; }},
        {"sample volume 65", [](ItModule& m) { m.samples[0].defaultVolume = 65; }},
        {"C-5 speed 0", [](ItModule& m) { m.samples[0].c5Speed = 0; }},
        {"keyboard names missing sample", [](ItModule& m) { m.instruments[0].sampleForNote[60] = 3; }},
        {"keyboard note 120", [](ItModule& m) { m.instruments[0].playedNote[10] = 120; }},
        {"long sample name", [](ItModule& m) { m.samples[0].name = std::string(26, 'x'); }},
        {"one envelope node", [](ItModule& m) { m.instruments[0].volumeEnvelope.nodes = {{0, 64}}; }},
        {"envelope ticks fall",
         [](ItModule& m) { m.instruments[0].volumeEnvelope.nodes = {{0, 64}, {10, 32}, {5, 0}}; }},
        {"envelope value 65", [](ItModule& m) { m.instruments[0].volumeEnvelope.nodes = {{0, 65}, {10, 0}}; }},
        {"sustain past the nodes",
         [](ItModule& m) {
             m.instruments[0].volumeEnvelope.nodes = {{0, 64}, {10, 0}};
             m.instruments[0].volumeEnvelope.sustainStart = m.instruments[0].volumeEnvelope.sustainEnd = 2;
         }},
        {"100 samples", [](ItModule& m) { m.samples.resize(100); }},
    };
    for (const Case& c : cases) {
        ItModule m = tinyModule();
        c.spoil(m);
        std::vector<uint8_t> bytes = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(writeItModule(m, bytes, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(bytes.empty()) << c.what;
    }
    // The unspoilt record, with a sustained envelope, still writes.
    ItModule m = tinyModule();
    m.instruments[1].volumeEnvelope.nodes = {{0, 0}, {4, 64}, {20, 0}};
    m.instruments[1].volumeEnvelope.sustainStart = m.instruments[1].volumeEnvelope.sustainEnd = 1;
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(writeItModule(m, bytes, error)) << error;
    EXPECT_TRUE(load(bytes));
}
