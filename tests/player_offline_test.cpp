// The player driven offline: positions against libopenmpt's own row starts,
// sync data and the exact frames syncs fire at, the end, bad modules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "app/platform/player.h"
#include "tests/player_modules.h"

namespace {
constexpr int RATE = 44100;
constexpr uint32_t USER_ANY = 1;
constexpr uint32_t USER_NOTE62 = 2;
constexpr uint32_t USER_END = 255;

// Three orders (0, 1, 0) over two patterns. Pattern 0 changes the tempo, the
// speed and slides the tempo; pattern 1 breaks to row 2 of the next order.
// Instrument 1 plays sample 1 (default volume 40) below C-5 and sample 2
// (default volume 25) from C-5 up; instrument 2 plays sample 2 everywhere.
ItModule timingSong() {
    ItModule m;
    m.channels = 4;
    m.samples = {testSample(40), testSample(25)};
    m.instruments = {splitInstrument(1, 2), splitInstrument(2, 2)};
    ItPattern p = itEmptyPattern(16, 4);
    auto cell = [&](ItPattern& pat, int row, int ch) -> ItCell& { return itCell(pat, 4, row, ch); };
    cell(p, 0, 0) = noteCell(60, 1, 10);           // volume column
    cell(p, 0, 3) = noteCell(60, 1);               // second hit in the same row
    cell(p, 1, 0) = noteCell(48, 1);               // sample 1's volume
    cell(p, 2, 0) = noteCell(72, 1);               // sample 2's volume
    cell(p, 2, 2) = noteCell(62, 2, 64);
    cell(p, 3, 0) = noteCell(50, 0);               // no instrument: the channel's last one
    cell(p, 3, 2) = noteCell(63, 2);               // not the note instrument 2's sync asks for
    cell(p, 4, 0) = noteCell(IT_NOTE_OFF, 1);
    cell(p, 5, 0) = noteCell(IT_NOTE_CUT, 1);
    cell(p, 6, 0) = noteCell(IT_NOTE_NONE, 1);     // instrument alone plays nothing
    cell(p, 7, 0) = noteCell(60, 2);
    for (int r = 8; r < 16; ++r) cell(p, r, 0) = noteCell(uint8_t(40 + r), 1);
    cell(p, 4, 1) = effectCell(IT_FX_SET_TEMPO, 133);
    cell(p, 8, 1) = effectCell(IT_FX_SET_SPEED, 3);
    cell(p, 10, 1) = effectCell(IT_FX_SET_TEMPO, 0x13);  // slide up 3 a tick
    ItPattern q = itEmptyPattern(8, 4);
    cell(q, 0, 0) = noteCell(55, 1);
    cell(q, 3, 2) = effectCell(IT_FX_PATTERN_BREAK, 2);
    m.patterns = {p, q};
    m.orders = {0, 1, 0};
    return m;
}

struct Fired {
    uint32_t handle;
    uint32_t data;
    uint32_t user;
    int64_t frame;      // audible frame when it fired
    uint32_t position;  // position when it fired
};
std::vector<Fired> fired;

void recordSync(uint32_t handle, uint32_t data, uint32_t user) {
    fired.push_back({handle, data, user, playerAudibleFrame(), playerGetPosition()});
}

int countUser(uint32_t user) {
    int n = 0;
    for (const Fired& f : fired) n += f.user == user;
    return n;
}

class PlayerOffline : public ::testing::Test {
protected:
    void SetUp() override {
        fired.clear();
        bytes = moduleBytes(timingSong());
        ASSERT_FALSE(bytes.empty());
        reference = referenceRows(bytes, RATE, &length);
        ASSERT_GT(length, 0);
        ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, RATE, 0), 1);
        ASSERT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 1);
        handleAny = playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, recordSync, USER_ANY);
        handleNote = playerSetSync(PLAYER_SYNC_INSTRUMENT, 62u << 16 | 2, recordSync, USER_NOTE62);
        handleEnd = playerSetSync(PLAYER_SYNC_END, 0, recordSync, USER_END);
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 3, recordSync, 3);  // never played
    }
    void TearDown() override { playerFree(); }

    // Renders the whole song and a little silence in uneven steps.
    int64_t renderAll(std::vector<int16_t>* audio = nullptr, uint32_t step = 0) {
        static const uint32_t steps[] = {1, 7, 333, 1000, 4097, 2, 882};
        std::vector<int16_t> buffer(2 * 4097);
        int64_t song = 0;
        for (size_t i = 0; playerAudibleFrame() < length + 3000; ++i) {
            uint32_t n = step ? step : steps[i % 7];
            song += playerOfflineRender(buffer.data(), n);
            if (audio) audio->insert(audio->end(), buffer.begin(), buffer.begin() + 2 * n);
        }
        return song;
    }

    std::vector<uint8_t> bytes;
    std::vector<ReferenceRow> reference;
    int64_t length = 0;
    uint32_t handleAny = 0, handleNote = 0, handleEnd = 0;
};

TEST_F(PlayerOffline, PositionFollowsLibopenmptRowStartsFrameForFrame) {
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    EXPECT_EQ(playerGetPosition(), 0u);
    static const uint32_t steps[] = {1, 5, 881, 1, 1, 2000, 37, 4096, 3};
    std::vector<int16_t> buffer(2 * 4096);
    int64_t song = 0;
    for (size_t i = 0; playerAudibleFrame() < length + 2000; ++i) {
        song += playerOfflineRender(buffer.data(), steps[i % 9]);
        int64_t frame = playerAudibleFrame();  // the next frame to be heard
        uint32_t expected = packedPosition(2, 15);  // after the end: the last row played
        if (frame < length) {
            const ReferenceRow* r = referenceRowAt(reference, frame);
            ASSERT_NE(r, nullptr);
            expected = packedPosition(r->order, r->row);
        }
        ASSERT_EQ(playerGetPosition(), expected) << "at frame " << frame;
    }
    EXPECT_EQ(song, length);
    PlayerStats stats;
    playerGetStats(&stats);
    EXPECT_EQ(stats.inexactOnsets, 0u);
    EXPECT_EQ(stats.onsetsFired, reference.size() + 1);  // every row and the end
    EXPECT_EQ(stats.maxLatenessMs, 0.0);

    // The break in order 1 went on at row 2 of order 2.
    bool sawBreak = false;
    for (size_t i = 1; i < reference.size(); ++i)
        if (reference[i - 1].order == 1 && reference[i - 1].row == 3)
            sawBreak = reference[i].order == 2 && reference[i].row == 2;
    EXPECT_TRUE(sawBreak);
}

TEST_F(PlayerOffline, SyncsCarryNoteAndVolumeAndFireAtTheRowsFirstFrame) {
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    renderAll();

    // order, row, user, note, volume: in row order and, within a row, channel order.
    using Hit = std::tuple<int, int, uint32_t, uint32_t, uint32_t>;
    std::vector<Hit> expected = {
        {0, 0, USER_ANY, 60, 10}, {0, 0, USER_ANY, 60, 25}, {0, 1, USER_ANY, 48, 40},
        {0, 2, USER_ANY, 72, 25}, {0, 2, USER_NOTE62, 62, 64}, {0, 3, USER_ANY, 50, 40},
    };
    for (int r = 8; r < 16; ++r) expected.push_back({0, r, USER_ANY, uint32_t(40 + r), 40});
    expected.push_back({1, 0, USER_ANY, 55, 40});
    expected.push_back({2, 2, USER_ANY, 72, 25});
    expected.push_back({2, 2, USER_NOTE62, 62, 64});
    expected.push_back({2, 3, USER_ANY, 50, 40});
    for (int r = 8; r < 16; ++r) expected.push_back({2, r, USER_ANY, uint32_t(40 + r), 40});

    std::vector<Hit> got;
    for (const Fired& f : fired) {
        if (f.user == USER_END) continue;
        got.push_back({int(f.position & 0xFFFF), int(f.position >> 16), f.user, f.data & 0xFFFF, f.data >> 16});
        EXPECT_EQ(f.handle, f.user == USER_ANY ? handleAny : handleNote);
        // Fired when exactly the frames before the row's first frame were out.
        const ReferenceRow* r = referenceRowAt(reference, f.frame);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->frame, f.frame);
        EXPECT_EQ(packedPosition(r->order, r->row), f.position);
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(countUser(3), 0);
}

TEST_F(PlayerOffline, EndSyncFiresOnceAndThePositionStaysAtTheEnd) {
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    std::vector<int16_t> audio;
    EXPECT_EQ(renderAll(&audio), length);
    ASSERT_EQ(countUser(USER_END), 1);
    EXPECT_EQ(fired.back().user, USER_END);
    EXPECT_EQ(fired.back().frame, length);
    EXPECT_EQ(fired.back().handle, handleEnd);
    EXPECT_EQ(playerGetPosition(), packedPosition(2, 15));

    // The song made sound; after its end there is only silence, and no more syncs.
    bool loud = false;
    for (int64_t i = 0; i < 2 * length; ++i) loud |= audio[size_t(i)] != 0;
    EXPECT_TRUE(loud);
    for (size_t i = size_t(2 * length); i < audio.size(); ++i) ASSERT_EQ(audio[i], 0);
    std::vector<int16_t> more(2 * 5000, 7);
    EXPECT_EQ(playerOfflineRender(more.data(), 5000), 0u);
    for (int16_t v : more) ASSERT_EQ(v, 0);
    EXPECT_EQ(countUser(USER_END), 1);
    EXPECT_EQ(playerGetPosition(), packedPosition(2, 15));
}

TEST_F(PlayerOffline, TheAudioIsLibopenmptsHoweverItIsTakenAndPlayingAgainStartsAfresh) {
    openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                           nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                           nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    openmpt_module_ctl_set_text(m, "play.at_end", "stop");
    openmpt_module_ctl_set_integer(m, "dither", 0);
    std::vector<int16_t> plain(size_t(2 * length));
    EXPECT_EQ(openmpt_module_read_interleaved_stereo(m, RATE, size_t(length), plain.data()), size_t(length));
    openmpt_module_destroy(m);

    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    std::vector<int16_t> first;
    renderAll(&first);
    first.resize(plain.size());
    // libopenmpt itself differs by a least significant bit here and there
    // with where its reads are cut; the row probing adds nothing beyond that.
    int worst = 0;
    for (size_t i = 0; i < plain.size(); ++i) worst = std::max(worst, std::abs(first[i] - plain[i]));
    EXPECT_LE(worst, 1);
    std::vector<Fired> run1 = fired;

    // Taken in video-frame steps the second time: the very same samples.
    fired.clear();
    ASSERT_EQ(playerPlay(0, 0, 0), 1);  // not asked to reset, but played before
    EXPECT_EQ(playerGetPosition(), 0u);
    std::vector<int16_t> second;
    renderAll(&second, 735);
    second.resize(plain.size());
    EXPECT_TRUE(second == first);
    ASSERT_EQ(fired.size(), run1.size());
    for (size_t i = 0; i < fired.size(); ++i) {
        EXPECT_EQ(fired[i].frame, run1[i].frame);
        EXPECT_EQ(fired[i].data, run1[i].data);
    }
}

TEST_F(PlayerOffline, PlaysFromAGivenOrder) {
    ASSERT_EQ(playerPlay(packedPosition(1, 0), 0, 1), 1);
    int16_t frame[2];
    playerOfflineRender(frame, 1);
    EXPECT_EQ(playerGetPosition(), packedPosition(1, 0));
    ASSERT_FALSE(fired.empty());
    EXPECT_EQ(fired[0].data, 55u | 40u << 16);
    EXPECT_EQ(fired[0].frame, 0);
}

void freeFromInside(uint32_t, uint32_t, uint32_t user) {
    // Would stop the thread that is calling: refused.
    playerMusicFree();
    playerFree();
    EXPECT_EQ(playerPlay(0, 0, 1), 0);
    fired.push_back({0, 0, user, playerAudibleFrame(), playerGetPosition()});
}

TEST_F(PlayerOffline, CallsThatWouldStopTheSyncsOwnThreadAreRefused) {
    playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, freeFromInside, 77);
    ASSERT_EQ(playerPlay(0, 0, 1), 1);
    renderAll();
    EXPECT_EQ(countUser(77), countUser(USER_ANY));
    EXPECT_EQ(countUser(USER_END), 1);
}

TEST(PlayerSafety, EveryCallIsSafeBeforeInitAfterFreeAndTwice) {
    std::vector<uint8_t> bytes = moduleBytes(timingSong());
    int16_t out[2 * 64];
    auto idle = [&] {
        EXPECT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 0);
        EXPECT_EQ(playerSetSync(PLAYER_SYNC_END, 0, recordSync, 0), 0u);
        EXPECT_EQ(playerPlay(0, 0, 1), 0);
        EXPECT_EQ(playerGetPosition(), 0u);
        std::memset(out, 1, sizeof out);
        EXPECT_EQ(playerOfflineRender(out, 64), 0u);
        EXPECT_EQ(out[0], 0);
        playerMusicFree();
        playerMusicFree();
    };
    idle();
    playerFree();
    EXPECT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    EXPECT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 0);  // already
    EXPECT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 1);
    EXPECT_EQ(playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0), 1);  // replaces
    EXPECT_EQ(playerOfflineRender(out, 64), 0u);  // loaded, not playing
    playerFree();
    playerFree();
    idle();
    EXPECT_EQ(playerInit(-4, 44100, 0), 0);
    EXPECT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 100, 0), 0);
    EXPECT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 1000000, 0), 0);
}

TEST(PlayerSafety, ModulesThatDoNotLoadGiveASilentShow) {
    std::vector<uint8_t> good = moduleBytes(timingSong());
    ASSERT_EQ(playerInit(PLAYER_DEVICE_OFFLINE, 44100, 0), 1);
    std::vector<uint8_t> noise(5000);
    uint32_t s = 1;
    for (uint8_t& b : noise) b = uint8_t((s = s * 1103515245u + 12345u) >> 24);
    std::vector<uint8_t> header(good.begin(), good.begin() + 0xC0);
    int16_t out[2 * 256];
    auto expectSilentShow = [&](int loaded) {
        EXPECT_EQ(loaded, 0);
        EXPECT_EQ(playerSetSync(PLAYER_SYNC_END, 0, recordSync, 0), 0u);
        EXPECT_EQ(playerPlay(0, 0, 1), 0);
        EXPECT_EQ(playerOfflineRender(out, 256), 0u);
        EXPECT_EQ(playerGetPosition(), 0u);
    };
    // A good module first, so each failure must also let go of it.
    EXPECT_EQ(playerMusicLoad(1, good.data(), 0, uint32_t(good.size()), 0), 1);
    expectSilentShow(playerMusicLoad(1, nullptr, 0, 100, 0));
    expectSilentShow(playerMusicLoad(1, good.data(), 0, 0, 0));
    expectSilentShow(playerMusicLoad(1, noise.data(), 0, uint32_t(noise.size()), 0));
    expectSilentShow(playerMusicLoad(0, "/nonexistent/song.it", 0, 0, 0));
    expectSilentShow(playerMusicLoad(0, VORTELAN_SOURCE_DIR "/CMakeLists.txt", 1u << 30, 0, 0));

    // Cut-off and damaged files: whatever libopenmpt makes of them plays to
    // an end without a fault (the sanitizers watch), never past its orders.
    std::vector<std::vector<uint8_t>> damaged = {header};
    for (size_t cut : {size_t(0xC1), size_t(0x200), good.size() / 2, good.size() - 1}) damaged.emplace_back(good.begin(), good.begin() + long(cut));
    std::vector<uint8_t> badOffsets = good;
    std::memset(badOffsets.data() + 0xC0 + 4, 0xFF, 16);  // instrument and sample offsets
    damaged.push_back(badOffsets);
    for (const std::vector<uint8_t>& bytes : damaged) {
        if (!playerMusicLoad(1, bytes.data(), 0, uint32_t(bytes.size()), 0)) {
            expectSilentShow(0);
            continue;
        }
        fired.clear();
        playerSetSync(PLAYER_SYNC_INSTRUMENT, PLAYER_ANY_NOTE << 16 | 1, recordSync, 1);
        playerSetSync(PLAYER_SYNC_END, 0, recordSync, USER_END);
        ASSERT_EQ(playerPlay(0, 0, 1), 1);
        for (int i = 0; i < 12000 && countUser(USER_END) == 0; ++i) playerOfflineRender(nullptr, 256);
        EXPECT_EQ(countUser(USER_END), 1) << bytes.size() << " bytes";
        EXPECT_LT(playerGetPosition() & 0xFFFF, 3u);
        for (const Fired& f : fired) EXPECT_LE(f.data >> 16, 64u);
    }
    playerFree();
}

TEST(PlayerItHeaders, SampleVolumesFollowTheKeyboard) {
    std::vector<uint8_t> bytes = moduleBytes(timingSong());
    static ItVolumeTable table;
    ASSERT_TRUE(readItSampleVolumes(bytes.data(), bytes.size(), &table));
    EXPECT_EQ(table.volume[1][0], 40);
    EXPECT_EQ(table.volume[1][59], 40);
    EXPECT_EQ(table.volume[1][60], 25);
    EXPECT_EQ(table.volume[1][119], 25);
    EXPECT_EQ(table.volume[2][30], 25);
    EXPECT_EQ(table.volume[3][60], 0);  // no such instrument
    EXPECT_EQ(table.volume[0][60], 0);

    // Without instrument mode a cell names a sample.
    std::vector<uint8_t> samples = bytes;
    samples[0x2C] &= uint8_t(~4);
    ASSERT_TRUE(readItSampleVolumes(samples.data(), samples.size(), &table));
    EXPECT_EQ(table.volume[1][70], 40);
    EXPECT_EQ(table.volume[2][10], 25);
    EXPECT_EQ(table.volume[3][10], 0);

    // A header that points outside the file leaves its instrument silent only.
    const size_t orders = size_t(bytes[0x20] | bytes[0x21] << 8);
    std::vector<uint8_t> bad = bytes;
    std::memset(bad.data() + 0xC0 + orders, 0xF0, 4);  // instrument 1's offset
    ASSERT_TRUE(readItSampleVolumes(bad.data(), bad.size(), &table));
    EXPECT_EQ(table.volume[1][60], 0);
    EXPECT_EQ(table.volume[2][60], 25);

    // Every cut of the file reads inside it (the sanitizers watch) and only
    // whole headers count.
    for (size_t n = 0; n <= bytes.size(); n += (n < 0x400 ? 1 : 97)) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        bool ok = readItSampleVolumes(cut.data(), cut.size(), &table);
        if (n < 0xC0) {
            EXPECT_FALSE(ok);
        }
        for (int i = 0; i < 4; ++i)
            for (int note = 0; note < PLAYER_NOTES; ++note) ASSERT_LE(table.volume[i][note], 64);
    }
    EXPECT_FALSE(readItSampleVolumes(nullptr, 100, &table));
    EXPECT_FALSE(readItSampleVolumes(bytes.data(), bytes.size(), nullptr));
}
}  // namespace
